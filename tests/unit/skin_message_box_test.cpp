#include <gtest/gtest.h>

#include "skin/message_box_layout.h"

namespace mrvn {
namespace {

// Every code unit 6 wide, every line 12 high; line feeds start lines as DrawText's calculate mode does.
class FakeMeasurer final : public TextMeasurer {
public:
    TextExtent Measure(const std::wstring& text) override {
        int lines = 1, width = 0, widest = 0;
        for (wchar_t c : text) {
            if (c == L'\n') {
                ++lines;
                width = 0;
            } else if (c != L'\r') {
                width += 6;
                widest = std::max(widest, width);
            }
        }
        return {widest, 12 * lines};
    }
};

constexpr SkinSize kStrip{228, 23};

TEST(SkinMessageBox, OneLineOkBox) {
    FakeMeasurer m;
    const std::wstring text(25, L'x');  // 150 x 12
    const MessageBoxLayout layout = LayoutMessageBox(text, kMsgStyleOk, kStrip, m);
    // max(2 x 57, 150) + 60 = 210; 12 + 3 + 23 + 90 = 128.
    EXPECT_EQ(layout.size, (SkinSize{210, 128}));
    ASSERT_EQ(layout.buttons.size(), 1u);
    EXPECT_EQ(layout.buttons[0], (MessageButton{kMsgBtn1, L"确定", {76, 75, 133, 98}}));
    ASSERT_EQ(layout.lines.size(), 1u);
    EXPECT_EQ(layout.lines[0], (MessageTextLine{text, {30, 55, 180, 67}}));
}

TEST(SkinMessageBox, TwoButtonsStandTwentyApartAroundTheMiddle) {
    FakeMeasurer m;
    const MessageBoxLayout yesNo = LayoutMessageBox(L"ok?", kMsgStyleYesNo, kStrip, m);
    EXPECT_EQ(yesNo.size, (SkinSize{174, 128}));  // 2 x 57 + 60
    EXPECT_EQ(yesNo.buttons, (std::vector<MessageButton>{{kMsgBtn1, L"是", {20, 75, 77, 98}},
                                                         {kMsgBtn2, L"否", {97, 75, 154, 98}}}));
    const MessageBoxLayout okCancel = LayoutMessageBox(L"ok?", kMsgStyleOkCancel, kStrip, m);
    ASSERT_EQ(okCancel.buttons.size(), 2u);
    EXPECT_EQ(okCancel.buttons[0].label, L"确定");
    EXPECT_EQ(okCancel.buttons[1].label, L"取消");
    EXPECT_EQ(okCancel.buttons[1].rect, (SkinRect{97, 75, 154, 98}));
    // Any other style is an OK box.
    const MessageBoxLayout odd = LayoutMessageBox(L"ok?", 3, kStrip, m);
    ASSERT_EQ(odd.buttons.size(), 1u);
    EXPECT_EQ(odd.buttons[0].rect, (SkinRect{58, 75, 115, 98}));
}

TEST(SkinMessageBox, LinesCountLineFeedsAndStackByLineHeight) {
    FakeMeasurer m;
    const std::wstring text = L"abcd\r\nef\nghijkl";
    EXPECT_EQ(MessageLineCount(text), 3);
    EXPECT_EQ(MessageLineCount(L"a\r\n"), 2);
    EXPECT_EQ(MessageLineCount(L""), 1);
    const MessageBoxLayout layout = LayoutMessageBox(text, kMsgStyleOk, kStrip, m);
    // Measured 36 x 36: width max(114, 36) + 60 = 174; height 36 + 9 + 23 + 90 = 158.
    EXPECT_EQ(layout.size, (SkinSize{174, 158}));
    // Block left (174 - 36) / 2 = 69, lines 12 high, 3 apart from y 55.
    EXPECT_EQ(layout.lines, (std::vector<MessageTextLine>{{L"abcd", {69, 55, 105, 67}},
                                                         {L"ef", {69, 70, 105, 82}},
                                                         {L"ghijkl", {69, 85, 105, 97}}}));
    EXPECT_EQ(layout.buttons[0].rect, (SkinRect{58, 105, 115, 128}));
}

TEST(SkinMessageBox, LineHeightIsIntegerShareOfTheBlock) {
    // A 25-pixel block over two lines gives lines of 12.
    const auto lines = MessageTextLines(L"a\nb", 100, 20, 25);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rect, (SkinRect{40, 55, 60, 67}));
    EXPECT_EQ(lines[1].rect, (SkinRect{40, 70, 60, 82}));
}

TEST(SkinMessageBox, Results) {
    const struct {
        int style, button, result;
    } rows[] = {
        {kMsgStyleYesNo, kMsgBtn1, kIdYes},   {kMsgStyleYesNo, kMsgBtn2, kIdNo},
        {kMsgStyleOkCancel, kMsgBtn1, kIdOk}, {kMsgStyleOkCancel, kMsgBtn2, kIdCancel},
        {kMsgStyleOk, kMsgBtn1, kIdOk},       {9, kMsgBtn1, kIdOk},
        {kMsgStyleYesNo, 50000, kIdCancel},  // the close caption button
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "style " << row.style << " button " << row.button);
        EXPECT_EQ(MessageBoxResult(row.style, row.button), row.result);
    }
}

}  // namespace
}  // namespace mrvn
