// Text-measuring seam: what DrawText in calculate mode reports for a piece of text in the
// currently selected font. Line feeds start new lines; an embedded NUL is measured as a character.
#pragma once
#include <string>

namespace mrvn {

struct TextExtent {
    int width = 0;
    int height = 0;
};

class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual TextExtent Measure(const std::wstring& text) = 0;
};

}  // namespace mrvn
