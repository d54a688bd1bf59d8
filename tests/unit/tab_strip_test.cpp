#include "gamewnd/tab_strip.h"

#include <gtest/gtest.h>

#include <vector>

#include "gamewnd/page_label.h"

namespace mrvn {
namespace {

// Latin letters 7 pixels wide, everything else (CJK, surrogates) 12; one line.
class WidthMeasurer final : public TextMeasurer {
public:
    TextExtent Measure(const std::wstring& text) override {
        int width = 0;
        for (wchar_t c : text) width += c < 0x80 ? 7 : 12;
        return {width, 14};
    }
};

TEST(TabStrip, HitTestAtTheEdges) {
    const struct {
        int x, y, tabs;
        StripHit hit;
    } rows[] = {
        {120, 10, 3, {}},          // the strip's first column belongs to no tab
        {121, 10, 3, {0, false}},
        {295, 10, 3, {0, false}},
        {296, 10, 3, {0, true}},   // close box: the last 13 columns
        {308, 10, 3, {0, true}},   // last pixel of tab 0 and of its box
        {309, 10, 3, {1, false}},
        {308, 15, 3, {0, true}},   // the box answers down to row 15
        {308, 16, 3, {0, false}},
        {200, 3, 3, {0, false}},   {200, 2, 3, {}},
        {200, 24, 3, {0, false}},  {200, 25, 3, {}},
        {686, 3, 3, {2, true}},    {687, 3, 3, {}},  // three tabs end at 687
        {309, 10, 1, {}},          // one tab: nothing past it
        {121, 10, 0, {}},          // no tab: no strip
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.x << "," << row.y << " of " << row.tabs);
        EXPECT_EQ(HitTestStrip({row.x, row.y}, row.tabs), row.hit);
    }
}

TEST(TabStrip, Rectangles) {
    EXPECT_EQ(TabRect(0), (SkinRect{120, 3, 309, 25}));
    EXPECT_EQ(TabRect(2), (SkinRect{498, 3, 687, 25}));
    EXPECT_EQ(TabCloseRect(1), (SkinRect{485, 3, 498, 16}));
    EXPECT_EQ(TabLabelRect(1), (SkinRect{325, 8, 485, 22}));
    EXPECT_EQ(StripRect(3), (SkinRect{120, 3, 687, 25}));
    EXPECT_EQ(LayoutTitleBar(1000), (TitleBarLayout{{886, 0, 913, 27},
                                                    {859, 0, 886, 27},
                                                    {815, 0, 859, 28},
                                                    {736, 0, 815, 28},
                                                    {640, 7, 732, 23}}));
}

TEST(TabStrip, TitleBarMovesOnlyOnWidthChanges) {
    using Change = TitleBarWidth::Change;
    TitleBarWidth bar;
    const struct {
        int width;
        bool controls;
        int os;
        Change change;
    } steps[] = {
        {1, true, 10, {true, false}},      // the 1 x 1 start
        {1, true, 10, {}},                 // same width
        {1280, true, 10, {true, false}},
        {1280, true, 10, {}},              // height only
        {1000, true, 5, {true, true}},     // narrower before Vista: the corner too
        {900, true, 6, {true, false}},
        {950, false, 10, {}},              // no controls yet: the width is still remembered
        {950, true, 10, {}},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.width);
        EXPECT_EQ(bar.OnSize(s.width, s.controls, s.os), s.change);
    }
    EXPECT_EQ(CornerRepaintRect({10, 20, 1010, 820}), (SkinRect{1006, 20, 1010, 24}));
}

TEST(TabStrip, PageAreaAndMinimumSize) {
    EXPECT_EQ(PageArea({1280, 800}), (SkinRect{4, 30, 1276, 796}));
    EXPECT_EQ(PageArea({1, 1}), (SkinRect{4, 30, 4, 30}));
    const struct {
        int pages, cx, cy;
        bool raised;
        int outCx, outCy;
    } rows[] = {
        {1, 600, 500, true, 672, 500},   {2, 600, 100, true, 861, 260}, {3, 1050, 260, false, 1050, 260},
        {3, 1049, 900, true, 1050, 900}, {0, 1, 1, false, 1, 1},  // no page: the 1 x 1 start is allowed
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pages);
        const SizeClamp c = ClampWindowSize(row.cx, row.cy, row.pages);
        EXPECT_EQ(c.raised, row.raised);
        EXPECT_EQ(c.cx, row.outCx);
        EXPECT_EQ(c.cy, row.outCy);
    }
}

TEST(TabStrip, LabelsAreCutAt160PixelsWithoutEllipsis) {
    WidthMeasurer m;
    const struct {
        std::wstring label, shown;
    } rows[] = {
        {L"一服-1-abc", L"一服-1-abc"},
        {L"ab-1" + std::wstring(11, L'中'), L"ab-1" + std::wstring(11, L'中')},  // 4 x 7 + 11 x 12 = 160
        {L"ab-1" + std::wstring(11, L'中') + L"z", L"ab-1" + std::wstring(11, L'中')},
        {std::wstring(14, L'中'), std::wstring(13, L'中')},  // 156 fits, 168 does not
        // 12 letters (84) + 5 CJK (60) = 144: half a pair would fit, the whole pair (24) does not.
        {std::wstring(12, L'x') + std::wstring(5, L'中') + L"\xD83D\xDE00" + L"z",
         std::wstring(12, L'x') + std::wstring(5, L'中')},
        {L"", L""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CutTabLabel(row.label, m), row.shown);
    }
}

std::vector<uint8_t> Utf16(std::initializer_list<uint16_t> units) {
    std::vector<uint8_t> bytes;
    for (uint16_t u : units) {
        bytes.push_back(static_cast<uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<uint8_t>(u >> 8));
    }
    return bytes;
}

TEST(PageLabel, OnlyWellFormedTextInsideTheDataIsTaken) {
    const struct {
        const char* what;
        std::vector<uint8_t> data;
        size_t size;  // bytes offered, at most data.size()
        bool ok;
        std::wstring label;
    } rows[] = {
        {"label", Utf16({0x4E00, L'服', L'-', L'a', 0}), 10, true, L"一服-a"},
        {"garbage after the zero", Utf16({L'a', 0, 0xD800, L'x'}), 8, true, L"a"},
        {"zero outside the offered size", Utf16({L'a', L'b', 0}), 4, false, L""},
        {"odd size", Utf16({L'a', 0}), 3, false, L""},
        {"zero size", Utf16({0}), 0, false, L""},
        {"empty label", Utf16({0, L'a'}), 4, false, L""},
        {"lone low surrogate", Utf16({L'a', 0xDC00, 0}), 6, false, L""},
        {"high surrogate before the zero", Utf16({L'a', 0xD83D, 0}), 6, false, L""},
        {"high surrogate at the end", Utf16({L'a', 0xD83D}), 4, false, L""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        // Only the offered bytes are in the buffer, so a read past them is a sanitizer error.
        std::vector<uint8_t> offered(row.data.begin(), row.data.begin() + static_cast<ptrdiff_t>(row.size));
        offered.shrink_to_fit();
        std::wstring label = L"stale";
        EXPECT_EQ(ReadPageLabel(row.size ? offered.data() : row.data.data(), row.size, label), row.ok);
        EXPECT_EQ(label, row.label);
    }
    std::wstring label;
    EXPECT_FALSE(ReadPageLabel(nullptr, 10, label));

    // A surrogate pair is one character of the label.
    const auto pair = Utf16({L'a', 0xD83D, 0xDE00, 0});
    ASSERT_TRUE(ReadPageLabel(pair.data(), pair.size(), label));
    EXPECT_EQ(label.size(), sizeof(wchar_t) == 2 ? 3u : 2u);

    // The longest label with its zero fits; one character more is refused without being read.
    std::vector<uint8_t> longest(2 * (kMaxPageLabelChars + 1), 0);
    for (size_t i = 0; i < kMaxPageLabelChars; ++i) longest[2 * i] = 'x';
    ASSERT_TRUE(ReadPageLabel(longest.data(), longest.size(), label));
    EXPECT_EQ(label, std::wstring(kMaxPageLabelChars, L'x'));
    longest.insert(longest.begin(), {'x', 0});
    EXPECT_FALSE(ReadPageLabel(longest.data(), longest.size(), label));
    EXPECT_FALSE(ReadPageLabel(longest.data(), size_t{0x7FFFFFFF}, label));  // absurd: refused on its size alone
}

}  // namespace
}  // namespace mrvn
