// Text-measuring seam: what DrawText in calculate mode reports for a piece of text in the
// currently selected font. Line feeds start new lines; an embedded NUL is measured as a character.
#pragma once
#include <string>

namespace mrvn {

struct TextExtent {
    int width = 0;
    int height = 0;
};

// A font as the page engine asks for it: the family is the host's choice.
struct TextFont {
    int size = 16;  // pixels, cell height
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool operator==(const TextFont&) const = default;
};

class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual TextExtent Measure(const std::wstring& text) = 0;
    // Selects the font for the following Measure calls; measurers with one fixed font ignore it.
    virtual void UseFont(const TextFont& font) { (void)font; }
};

}  // namespace mrvn
