#include "skin/message_box_layout.h"

#include <algorithm>

namespace mrvn {

namespace {
constexpr int kSideRoom = 60;
constexpr int kVerticalRoom = 90;
constexpr int kLineGap = 3;
constexpr int kButtonBottomGap = 30;
constexpr int kButtonGap = 20;
constexpr int kTextTop = 55;

bool TwoButtons(int style) { return style == kMsgStyleYesNo || style == kMsgStyleOkCancel; }
}  // namespace

int MessageLineCount(const std::wstring& text) {
    return 1 + int(std::count(text.begin(), text.end(), L'\n'));
}

SkinSize MessageBoxSize(int tw, int th, int lineCount, const SkinSize& frame) {
    return {std::max(2 * frame.width, tw) + kSideRoom, th + kLineGap * lineCount + frame.height + kVerticalRoom};
}

std::vector<MessageButton> MessageBoxButtons(int style, const SkinSize& client, const SkinSize& frame) {
    const int bottom = client.height - kButtonBottomGap;
    const int top = bottom - frame.height;
    if (TwoButtons(style)) {
        const bool yesNo = style == kMsgStyleYesNo;
        const int right = client.width / 2 - 10;
        const SkinRect first{right - frame.width, top, right, bottom};
        const int shift = frame.width + kButtonGap;
        const SkinRect second{first.left + shift, top, first.right + shift, bottom};
        return {{kMsgBtn1, yesNo ? L"是" : L"确定", first}, {kMsgBtn2, yesNo ? L"否" : L"取消", second}};
    }
    const int left = (client.width - frame.width) / 2;
    return {{kMsgBtn1, L"确定", {left, top, left + frame.width, bottom}}};
}

int MessageBoxResult(int style, int buttonId) {
    const bool yesNo = style == kMsgStyleYesNo;
    if (buttonId == kMsgBtn1) return yesNo ? kIdYes : kIdOk;
    if (buttonId == kMsgBtn2) return yesNo ? kIdNo : kIdCancel;
    return kIdCancel;  // the close caption button
}

std::vector<MessageTextLine> MessageTextLines(const std::wstring& text, int clientWidth, int tw, int th) {
    std::vector<MessageTextLine> out;
    const int left = (clientWidth - tw) / 2;
    const int lh = th / MessageLineCount(text);
    int top = kTextTop;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(L'\n', start);
        std::wstring piece = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (end != std::wstring::npos && !piece.empty() && piece.back() == L'\r') piece.pop_back();
        out.push_back({std::move(piece), {left, top, left + tw, top + lh}});
        top += lh + kLineGap;
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    return out;
}

MessageBoxLayout LayoutMessageBox(const std::wstring& text, int style, const SkinSize& buttonStrip,
                                  TextMeasurer& measurer) {
    MessageBoxLayout layout;
    const TextExtent t = measurer.Measure(text);
    const SkinSize frame{buttonStrip.width / 4, buttonStrip.height};
    // The frame has neither caption nor border, so the client area is the whole window.
    layout.size = MessageBoxSize(t.width, t.height, MessageLineCount(text), frame);
    layout.buttons = MessageBoxButtons(style, layout.size, frame);
    layout.lines = MessageTextLines(text, layout.size.width, t.width, t.height);
    return layout;
}

}  // namespace mrvn
