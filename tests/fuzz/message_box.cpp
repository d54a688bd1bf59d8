// The message box: line counting, size, buttons and text lines for any text, style and frame size.
#include <algorithm>

#include "platform/text_measurer.h"
#include "skin/message_box_layout.h"
#include "support/fuzz_input.h"

namespace {

// Seven pixels per character of the longest line, twelve per line, as a fixed font would give.
class FixedMeasurer final : public mrvn::TextMeasurer {
public:
    mrvn::TextExtent Measure(const std::wstring& text) override {
        int longest = 0, current = 0, lines = 1;
        for (wchar_t c : text) {
            if (c == L'\n') {
                ++lines;
                current = 0;
            } else {
                longest = std::max(longest, ++current);
            }
        }
        return {longest * 7, lines * 12};
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mrvn;
    fuzz::FuzzInput in(data, size);
    const int style = in.Byte() % 8;
    const int buttonId = in.Int();
    // Sizes as a skin could hold them: the layout works in pixels of a screen.
    const SkinSize strip{in.Int() % 2048, in.Int() % 2048};
    const int clientWidth = in.Int() % 4096;
    const std::wstring text = in.Line();

    FixedMeasurer measurer;
    const MessageBoxLayout layout = LayoutMessageBox(text, style, strip, measurer);
    const int lines = MessageLineCount(text);
    MRVN_FUZZ_CHECK(lines >= 1 && static_cast<int>(layout.lines.size()) == lines);
    MRVN_FUZZ_CHECK(layout.buttons.size() == 1 || layout.buttons.size() == 2);
    const int result = MessageBoxResult(style, buttonId);
    MRVN_FUZZ_CHECK(result == kIdOk || result == kIdCancel || result == kIdYes || result == kIdNo);

    const TextExtent extent = measurer.Measure(text);
    const auto pieces = MessageTextLines(text, clientWidth, extent.width, extent.height);
    MRVN_FUZZ_CHECK(static_cast<int>(pieces.size()) == lines);
    for (const auto& piece : pieces) MRVN_FUZZ_CHECK(piece.text.find(L'\n') == std::wstring::npos);
    MessageBoxSize(extent.width, extent.height, lines, strip);
    return 0;
}
