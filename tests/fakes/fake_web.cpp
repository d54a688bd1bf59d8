#include "fakes/fake_web.h"

namespace mrvn::test {

TextExtent FakeTextMeasurer::Measure(const std::wstring& text) {
    ++calls;
    int width = 0;
    for (wchar_t c : text) {
        width += static_cast<uint32_t>(c) >= 0x2E80 ? font.size : font.size / 2;
        if (font.weight >= 700) ++width;
    }
    return {width, font.size + 2};
}

bool FakeImageSizes::Size(const std::wstring& url, int& width, int& height) {
    auto it = sizes.find(url);
    if (it == sizes.end()) return false;
    width = it->second.first;
    height = it->second.second;
    return true;
}

}  // namespace mrvn::test
