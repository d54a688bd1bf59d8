// The page view's rules for painting and scrolling: which background tiles a repaint draws, and how
// wheel turns of any size become scrolled pixels.
#include <gtest/gtest.h>

#include <vector>

#include "web/scroll_rule.h"
#include "web/tiles.h"

namespace mrvn::web {
namespace {

TEST(VisibleTilesTest, OnlyTilesMeetingBoxAndClip) {
    const Rect page{0, 0, 888, 2000};
    const Rect view{0, 0, 888, 518};
    const struct {
        const char* what;
        Rect box, clip;
        int originX, originY, w, h;
        BgRepeat repeat;
        TileRange want;
    } cases[] = {
        // A 1 x 1 tile over a tall page: the view's pixels, not the page's.
        {"1x1 over the view", page, view, 0, 0, 1, 1, BgRepeat::Repeat, {0, 0, 888, 518, view}},
        {"scrolled by 1000", page, {0, 1000, 888, 518}, 0, 0, 1, 1, BgRepeat::Repeat, {0, 1000, 888, 518, {0, 1000, 888, 518}}},
        // Tiles cut by the clip's edges are drawn whole, from a start left of and above the clip.
        {"cut tiles", page, {5, 7, 20, 20}, 0, 0, 10, 10, BgRepeat::Repeat, {0, 0, 3, 3, {5, 7, 20, 20}}},
        // A negative origin (a sprite's offset): the first tile starts before it.
        {"negative origin", {0, 0, 60, 20}, view, -120, 0, 180, 20, BgRepeat::NoRepeat, {-120, 0, 1, 1, {0, 0, 60, 20}}},
        {"negative origin repeated", {0, 0, 30, 10}, view, -7, -3, 10, 10, BgRepeat::Repeat, {-7, -3, 4, 2, {0, 0, 30, 10}}},
        {"repeat-x is one row", page, view, 0, 50, 4, 8, BgRepeat::RepeatX, {0, 50, 222, 1, {0, 50, 888, 8}}},
        {"repeat-y is one column", page, view, 100, 0, 8, 4, BgRepeat::RepeatY, {100, 0, 1, 130, {100, 0, 8, 518}}},
        {"no-repeat partly shown", page, {0, 0, 888, 100}, 10, 90, 50, 50, BgRepeat::NoRepeat, {10, 90, 1, 1, {10, 90, 50, 10}}},
        {"no-repeat below the view", page, view, 0, 600, 50, 50, BgRepeat::NoRepeat, {}},
        {"repeat-x row off the view", page, view, 0, 700, 4, 8, BgRepeat::RepeatX, {}},
        {"box off the clip", {0, 600, 100, 100}, view, 0, 600, 1, 1, BgRepeat::Repeat, {}},
        {"empty image", page, view, 0, 0, 0, 0, BgRepeat::Repeat, {}},
        // The box ends mid-tile: the last tile is counted, the area stops at the box.
        {"box ends mid-tile", {0, 0, 25, 5}, view, 0, 0, 10, 10, BgRepeat::Repeat, {0, 0, 3, 1, {0, 0, 25, 5}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TileRange got = VisibleTiles(c.box, c.clip, c.originX, c.originY, c.w, c.h, c.repeat);
        EXPECT_EQ(got.Count(), c.want.Count());
        if (c.want.Empty()) continue;
        EXPECT_EQ(got.x, c.want.x);
        EXPECT_EQ(got.y, c.want.y);
        EXPECT_EQ(got.across, c.want.across);
        EXPECT_EQ(got.down, c.want.down);
        EXPECT_EQ(got.area, c.want.area);
    }
}

// Every pixel of the clip inside the box lies in exactly one counted tile, wherever the origin is.
TEST(VisibleTilesTest, CountedTilesCoverTheClipExactly) {
    const Rect box{3, 4, 50, 40};
    const Rect clip{10, 0, 30, 30};
    for (int ox = -9; ox <= 9; ++ox) {
        for (int oy = -9; oy <= 9; oy += 3) {
            const TileRange r = VisibleTiles(box, clip, ox, oy, 7, 5, BgRepeat::Repeat);
            ASSERT_FALSE(r.Empty());
            EXPECT_LE(r.x, clip.x);
            EXPECT_GT(r.x + 7, clip.x);
            EXPECT_LE(r.y, box.y);
            EXPECT_GT(r.y + 5, box.y);
            EXPECT_GE(r.x + r.across * 7, clip.Right());
            EXPECT_LT(r.x + (r.across - 1) * 7, clip.Right());
            EXPECT_GE(r.y + r.down * 5, clip.Bottom());
            EXPECT_LT(r.y + (r.down - 1) * 5, clip.Bottom());
        }
    }
}

TEST(WheelAccumulatorTest, SmallTurnsAddUpAndTheRestCarries) {
    const struct {
        const char* what;
        std::vector<int> deltas;
        std::vector<int> want;  // pixels per message, 60 to a notch
    } cases[] = {
        {"notches", {120, -120, 240}, {60, -60, 120}},
        {"quarter notches", {30, 30, 30, 30}, {15, 15, 15, 15}},
        // A turn of 1 is half a pixel: every second one scrolls.
        {"finest turns", {1, 1, 1, 1}, {0, 1, 0, 1}},
        {"odd turns carry", {7, 7, 7}, {3, 4, 3}},
        {"downwards", {-1, -1, -3}, {0, -1, -1}},
        // Turning back starts afresh: the half pixel left of the other way is not taken back.
        {"turning back", {1, -1, -1}, {0, 0, -1}},
        {"after a notch", {121, 1}, {60, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WheelAccumulator wheel;
        std::vector<int> got;
        for (int d : c.deltas) got.push_back(wheel.Take(d, 60));
        EXPECT_EQ(got, c.want);
    }
}

TEST(WheelAccumulatorTest, ManyTinyTurnsMakeANotch) {
    WheelAccumulator wheel;
    int total = 0;
    for (int i = 0; i < 120; ++i) total += wheel.Take(1, 60);
    EXPECT_EQ(total, 60);
    wheel.Reset();
    EXPECT_EQ(wheel.Take(1, 60), 0);
    EXPECT_EQ(wheel.Take(1, 60), 1);
}

}  // namespace
}  // namespace mrvn::web
