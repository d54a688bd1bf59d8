// Stand-ins for the page engine's seams: text of fixed widths and images of known sizes.
#pragma once
#include <map>
#include <string>

#include "platform/image_sizes.h"
#include "platform/text_measurer.h"

namespace mrvn::test {

// Per code unit at font size S: CJK and other wide characters S, everything else S/2; bold adds
// one pixel per character. Lines are S + 2 high.
class FakeTextMeasurer final : public TextMeasurer {
public:
    TextExtent Measure(const std::wstring& text) override;
    void UseFont(const TextFont& font) override { this->font = font; }
    TextFont font;
    int calls = 0;
};

class FakeImageSizes final : public ImageSizes {
public:
    bool Size(const std::wstring& url, int& width, int& height) override;
    std::map<std::wstring, std::pair<int, int>> sizes;  // by absolute address
};

}  // namespace mrvn::test
