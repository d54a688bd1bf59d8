// The wrapping static text, the tab label cut and the progress bar columns, with a measurer whose
// character widths (zero included) come from the characters themselves.
#include "gamewnd/tab_strip.h"
#include "platform/text_measurer.h"
#include "skin/skin_controls.h"
#include "support/fuzz_input.h"

namespace {

class CharMeasurer final : public mrvn::TextMeasurer {
public:
    mrvn::TextExtent Measure(const std::wstring& text) override {
        int width = 0;
        for (wchar_t c : text) width += static_cast<int>(c % 13);
        return {width, 12};
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mrvn;
    fuzz::FuzzInput in(data, size);
    const SkinRect client{in.Int() % 1000, in.Int() % 1000, in.Int() % 1000, in.Int() % 1000};
    const int imageWidth = in.Int() % 200;
    const int lineSpacing = in.Int() % 50;
    const int lower = in.Int(), upper = in.Int(), pos = in.Int();
    const std::wstring text = in.Line();

    CharMeasurer measurer;
    const StaticTextLayout layout = LayoutStaticText(text, client, imageWidth, lineSpacing, measurer);
    if (layout.drawn) {
        // Every character is drawn once, in order, and only the line breaks are left out.
        std::wstring drawn, expected;
        for (const auto& line : layout.lines) drawn += line.text;
        for (wchar_t c : text) {
            if (c != L'\r' && c != L'\n') expected += c;
        }
        MRVN_FUZZ_CHECK(drawn == expected);
    }
    GrownStaticHeight(client.Height(), layout);

    const std::wstring cut = CutTabLabel(text, measurer);
    MRVN_FUZZ_CHECK(text.starts_with(cut));
    // Never the first half of a pair without its second.
    if (!cut.empty() && cut.size() < text.size()) {
        MRVN_FUZZ_CHECK(!(cut.back() >= 0xD800 && cut.back() <= 0xDBFF && text[cut.size()] >= 0xDC00 &&
                          text[cut.size()] <= 0xDFFF));
    }

    const SkinRect bar{0, 0, (in.Int() & 0x7FF), 10};
    for (const auto& column : ProgressBarColumns(bar, lower, upper, pos)) {
        MRVN_FUZZ_CHECK(column.dst.left >= bar.left && column.dst.right <= bar.right);
    }
    return 0;
}
