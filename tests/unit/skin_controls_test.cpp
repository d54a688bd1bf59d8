#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>

#include "skin/skin_controls.h"

namespace mrvn {
namespace {

// Fixed widths per code unit: CJK 12, the test's wide glyph 30, surrogates 4, others 6; every
// line is `lineHeight` high. Throws after too many calls, so a walk that never ends fails
// the test instead of hanging it.
class FakeMeasurer final : public TextMeasurer {
public:
    int lineHeight = 14;
    int calls = 0;
    TextExtent Measure(const std::wstring& text) override {
        if (++calls > 10000) throw std::runtime_error("the wrap walk does not end");
        int lines = 1, width = 0, widest = 0;
        for (wchar_t c : text) {
            if (c == L'\n') {
                ++lines;
                width = 0;
                continue;
            }
            width += Width(c);
            widest = std::max(widest, width);
        }
        return {widest, lines * lineHeight};
    }
    static int Width(wchar_t c) {
        if (c == L'W') return 30;
        if (c >= 0xD800 && c <= 0xDFFF) return 4;
        if (c >= 0x4E00 && c <= 0x9FFF) return 12;
        if (c == L'\0') return 12;
        return 6;
    }
};

std::vector<std::wstring> Texts(const StaticTextLayout& layout) {
    std::vector<std::wstring> out;
    for (const auto& line : layout.lines) out.push_back(line.text);
    return out;
}

TEST(SkinButton, StripFrames) {
    EXPECT_EQ(StripFrameSize({228, 23}), (SkinSize{57, 23}));
    EXPECT_EQ(StripFrameRect({228, 23}, 1), (SkinRect{57, 0, 114, 23}));  // hover: columns 57 to 113
    EXPECT_EQ(StripFrameSize({130, 28}), (SkinSize{32, 28}));  // a ragged strip drops its remainder
}

TEST(SkinButton, FrameChoiceAndPressedLatch) {
    const struct {
        const char* name;
        ButtonDrawState state;
        bool latchBefore;
        ButtonFrame frame;
        bool latchAfter;
    } rows[] = {
        {"idle", {false, false, false}, false, FrameNormal, false},
        {"hover", {false, false, true}, false, FrameHover, false},
        {"pressed sets the latch", {false, true, true}, false, FramePressed, true},
        {"latched off the button", {false, false, false}, true, FramePressed, true},
        {"latched back under the mouse", {false, false, true}, true, FramePressed, true},
        {"disabled under the mouse", {true, false, true}, false, FrameDisabled, false},
        {"disabled beats pressed", {true, true, true}, true, FrameDisabled, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        bool latch = row.latchBefore;
        EXPECT_EQ(ChooseButtonFrame(row.state, latch), row.frame);
        EXPECT_EQ(latch, row.latchAfter);
    }
}

TEST(SkinStatic, TextFlagsFromStyles) {
    const struct {
        uint32_t style;
        uint32_t flags;
    } rows[] = {
        {0, 0x10},
        {kSsCenter, 0x15},
        {kSsRight, 0x12},
        {kSsCenter | kSsEndEllipsis, 0x8015},
        {kSsPathEllipsis, 0x4030},
        {kSsRight | kSsCenterImage, 0x36},
        {0xC000, 0x10},  // word ellipsis is neither end nor path
        {0x3, 0x10},     // SS_ICON is not centred just because its low bit is set
        {0x100 | kSsCenter, 0x15},  // SS_NOTIFY changes nothing
    };
    for (const auto& row : rows) EXPECT_EQ(StaticTextFlags(row.style), row.flags) << std::hex << row.style;
}

TEST(SkinStatic, FontColourAndImagePlace) {
    EXPECT_EQ(StaticTextColor(0x111111, 0xEB7A16, true, true), 0xEB7A16u);
    EXPECT_EQ(StaticTextColor(0x111111, 0xEB7A16, false, true), 0x111111u);
    EXPECT_EQ(StaticTextColor(0x111111, 0xEB7A16, true, false), 0x111111u);
    EXPECT_EQ(StaticImagePosition(16, 16), (SkinPoint{3, 0}));
    EXPECT_EQ(StaticImagePosition(190, 80), (SkinPoint{3, 55}));

    const FontSpec base{-12, 0, 400, false};
    EXPECT_EQ(ApplyFontOverrides(base, {}), base);
    EXPECT_EQ(ApplyFontOverrides(base, {5, 700, 16, true}), (FontSpec{16, 5, 700, true}));
    EXPECT_EQ(ApplyFontOverrides(base, {0, 0, 0, false}).weight, 0);  // weight 0 is a real override
    EXPECT_TRUE(ApplyFontOverrides({-12, 0, 400, true}, {}).underline);  // 0 keeps the font's own
}

TEST(SkinStatic, TwentyChineseCharactersWrapEightEightFour) {
    FakeMeasurer m;
    const std::wstring text(20, L'汉');
    const StaticTextLayout layout = LayoutStaticText(text, {0, 0, 100, 10}, 0, 3, m);
    ASSERT_TRUE(layout.drawn);
    EXPECT_EQ(Texts(layout), (std::vector<std::wstring>{std::wstring(8, L'汉'), std::wstring(8, L'汉'),
                                                        std::wstring(4, L'汉')}));
    ASSERT_EQ(layout.lines.size(), 3u);
    EXPECT_EQ(layout.lines[0].rect, (SkinRect{0, 0, 100, 14}));
    EXPECT_EQ(layout.lines[1].rect, (SkinRect{0, 17, 100, 31}));
    EXPECT_EQ(layout.lines[2].rect, (SkinRect{0, 34, 100, 48}));
    EXPECT_EQ(layout.neededHeight, 3 * 14 + 6);
    EXPECT_EQ(GrownStaticHeight(10, layout), 48);
    EXPECT_EQ(GrownStaticHeight(60, layout), 60);  // never shrinks
}

TEST(SkinStatic, LineBreaksImageAndSpacing) {
    FakeMeasurer m;
    const struct {
        const char* name;
        std::wstring text;
        std::vector<std::wstring> lines;
    } rows[] = {
        {"CR LF", L"a\r\nb", {L"a", L"b"}},
        {"lone CR is dropped", L"a\rb", {L"ab"}},
        {"blank line", L"a\n\nb", {L"a", L"", L"b"}},
        {"trailing LF", L"a\n", {L"a", L""}},
        {"empty", L"", {L""}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Texts(LayoutStaticText(row.text, {0, 0, 100, 10}, 0, 3, m)), row.lines);
    }
    // An image of 14 pixels moves the text 20 to the right; spacing 5 between lines.
    const StaticTextLayout layout = LayoutStaticText(std::wstring(10, L'汉'), {10, 20, 130, 40}, 14, 5, m);
    ASSERT_EQ(layout.lines.size(), 2u);  // 100 pixels wide: 8 fit
    EXPECT_EQ(layout.lines[0].rect, (SkinRect{30, 20, 130, 34}));
    EXPECT_EQ(layout.lines[1].rect, (SkinRect{30, 39, 130, 53}));
    EXPECT_EQ(layout.neededHeight, 14 + 19);
}

TEST(SkinStatic, TooNarrowDrawsNothing) {
    // The probe, ten CJK characters and a NUL, is 11 x 12 wide: lines narrower than 12 pixels are useless.
    FakeMeasurer m;
    const StaticTextLayout layout = LayoutStaticText(L"汉字", {0, 0, 11, 10}, 0, 3, m);
    EXPECT_FALSE(layout.drawn);
    EXPECT_TRUE(layout.lines.empty());
    EXPECT_EQ(GrownStaticHeight(10, layout), 10);
    EXPECT_TRUE(LayoutStaticText(L"汉字", {0, 0, 12, 10}, 0, 3, m).drawn);
}

TEST(SkinStatic, CharacterWiderThanTheLineStandsAlone) {
    FakeMeasurer m;  // 'W' is 30 wide in a 20-pixel line
    const struct {
        std::wstring text;
        std::vector<std::wstring> lines;
    } rows[] = {
        {L"W", {L"W"}},
        {L"WW", {L"W", L"W"}},
        {L"aWa", {L"a", L"W", L"a"}},
        {L"aa\nW\nW", {L"aa", L"W", L"W"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.text));
        m.calls = 0;
        const StaticTextLayout layout = LayoutStaticText(row.text, {0, 0, 20, 10}, 0, 3, m);
        EXPECT_EQ(Texts(layout), row.lines);
        EXPECT_LT(m.calls, 100);
    }
}

TEST(SkinStatic, SurrogatePairIsNotSplit) {
    FakeMeasurer m;
    // 8 x 12 = 96; the high half alone (4) would still fit 100, the pair (8) does not.
    std::wstring text(8, L'汉');
    text += {wchar_t(0xD83D), wchar_t(0xDE00)};
    const StaticTextLayout layout = LayoutStaticText(text, {0, 0, 100, 10}, 0, 3, m);
    EXPECT_EQ(Texts(layout), (std::vector<std::wstring>{std::wstring(8, L'汉'), text.substr(8)}));
}

TEST(SkinProgress, BarRectangleIsCentred) {
    EXPECT_EQ(ProgressBarRect({390, 21}, {390, 21}), (SkinRect{0, 0, 390, 21}));
    EXPECT_EQ(ProgressBarRect({390, 21}, {380, 15}), (SkinRect{5, 3, 385, 18}));
}

TEST(SkinProgress, BarShowsBothEnds) {
    const SkinRect bar{5, 3, 395, 18};  // 390 wide, 15 high
    const struct {
        int lower, upper, pos;
        std::vector<BarColumns> cols;
    } rows[] = {
        // 195 filled: the leftmost 97 columns and the rightmost 98 (from x 292).
        {0, 100, 50, {{{5, 3, 102, 18}, 0}, {{102, 3, 200, 18}, 292}}},
        {0, 100, 100, {{{5, 3, 200, 18}, 0}, {{200, 3, 395, 18}, 195}}},
        {0, 100, 1, {{{5, 3, 6, 18}, 0}, {{6, 3, 8, 18}, 388}}},  // 3.9 truncates to 3
        {0, 100, 0, {}},
        {0, 100, 150, {{{5, 3, 200, 18}, 0}, {{200, 3, 395, 18}, 195}}},  // never past the bar
        {50, 150, 100, {{{5, 3, 102, 18}, 0}, {{102, 3, 200, 18}, 292}}},
        {0, 0, 0, {}},  // empty range: no bar
        {10, 10, 10, {}},
        // Ranges as wide as an int allows: no overflow, the same share of the bar.
        {INT_MIN, INT_MAX, INT_MAX, {{{5, 3, 200, 18}, 0}, {{200, 3, 395, 18}, 195}}},
        {INT_MIN, INT_MAX, 0, {{{5, 3, 102, 18}, 0}, {{102, 3, 200, 18}, 292}}},
        {INT_MAX, INT_MIN, 0, {}},
        {-10, 10, INT_MIN, {}},
        {0, 1, INT_MAX, {{{5, 3, 200, 18}, 0}, {{200, 3, 395, 18}, 195}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.lower << ".." << row.upper << " at " << row.pos);
        EXPECT_EQ(ProgressBarColumns(bar, row.lower, row.upper, row.pos), row.cols);
    }
}

}  // namespace
}  // namespace mrvn
