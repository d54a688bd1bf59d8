#include <gtest/gtest.h>

#include <set>

#include "skin/keyed_image.h"

namespace mrvn {
namespace {

uint32_t Argb(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
    return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
}

TEST(SkinKeyedPixels, AlphaRules) {
    const struct {
        uint32_t argb;
        uint32_t dib;
    } rows[] = {
        {Argb(255, 10, 20, 30), 0x000A141E},   // opaque: kept, fourth byte cleared
        {Argb(0, 10, 20, 30), 0x00FF00FF},     // transparent: the key colour, whatever its colour
        {Argb(0, 0, 0, 0), 0x00FF00FF},
        {Argb(128, 0, 0, 0), 0x007F7F7F},      // 65025 - 128 * 255 = 32385, / 255 = 127
        {Argb(128, 255, 255, 255), 0x00FFFFFF},
        {Argb(1, 0, 0, 0), 0x00FEFEFE},        // (65025 - 255) / 255 = 254
        {Argb(254, 0, 128, 255), 0x000180FF},  // 255 / 255 = 1; 32767 / 255 = 128; 255
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.argb);
        std::vector<uint32_t> dib;
        ASSERT_TRUE(ArgbToKeyedPixels({row.argb}, 1, 1, kKeyColorRef, dib));
        ASSERT_EQ(dib.size(), 1u);
        EXPECT_EQ(dib[0], row.dib);
    }
}

TEST(SkinKeyedPixels, RowsTurnBottomUpAndKeyFollowsItsColorRef) {
    // 2 x 3, top row first; each row has its own opaque colour and one transparent pixel.
    const std::vector<uint32_t> argb = {
        Argb(255, 1, 0, 0), Argb(0, 0, 0, 0),
        Argb(255, 2, 0, 0), Argb(0, 0, 0, 0),
        Argb(255, 3, 0, 0), Argb(0, 0, 0, 0),
    };
    std::vector<uint32_t> dib;
    // COLORREF 0x00123456 is red 0x56, green 0x34, blue 0x12: DIB double word 0x00563412.
    ASSERT_TRUE(ArgbToKeyedPixels(argb, 2, 3, 0x00123456, dib));
    EXPECT_EQ(dib, (std::vector<uint32_t>{0x030000, 0x563412, 0x020000, 0x563412, 0x010000, 0x563412}));
}

TEST(SkinKeyedPixels, FullyTransparentImageIsAllKey) {
    std::vector<uint32_t> dib;
    ASSERT_TRUE(ArgbToKeyedPixels(std::vector<uint32_t>(12, Argb(0, 200, 100, 50)), 4, 3, kKeyColorRef, dib));
    EXPECT_EQ(dib, std::vector<uint32_t>(12, 0x00FF00FF));
}

TEST(SkinKeyedPixels, EmptyOrShortImagesFail) {
    std::vector<uint32_t> dib{1, 2};
    EXPECT_FALSE(ArgbToKeyedPixels({}, 0, 5, kKeyColorRef, dib));
    EXPECT_TRUE(dib.empty());
    EXPECT_FALSE(ArgbToKeyedPixels({Argb(255, 0, 0, 0)}, 1, 0, kKeyColorRef, dib));
    EXPECT_FALSE(ArgbToKeyedPixels(std::vector<uint32_t>(5), 2, 3, kKeyColorRef, dib));
    EXPECT_TRUE(dib.empty());
}

std::vector<SkinPoint> Holes(int bw, int bh, int W, int H, const std::set<SkinPoint>& keys) {
    return CornerRegionHoles(bw, bh, W, H, [&](int x, int y) {
        EXPECT_TRUE(x >= 0 && x < bw && y >= 0 && y < bh) << "asked outside the bitmap: " << x << "," << y;
        return keys.count({x, y}) > 0;
    });
}

TEST(SkinCornerRegion, OnlyTheNineByNineBlocksCount) {
    const struct {
        const char* name;
        int bw, bh, W, H;
        std::set<SkinPoint> keys;
        std::vector<SkinPoint> holes;
    } rows[] = {
        // Three key pixels in each corner of a 30 x 51 skin, stretched over a 400 x 300 window.
        {"rounded corners land on the window corners", 30, 51, 400, 300,
         {{0, 0}, {1, 0}, {0, 1}, {29, 0}, {28, 0}, {29, 1}, {0, 50}, {1, 50}, {0, 49}, {29, 50}, {28, 50}, {29, 49}},
         {{0, 0}, {0, 1}, {0, 298}, {0, 299}, {1, 0}, {1, 299},
          {398, 0}, {398, 299}, {399, 0}, {399, 1}, {399, 298}, {399, 299}}},
        {"last pixel of the top-left block", 30, 51, 400, 300, {{8, 8}}, {{8, 8}}},
        {"just outside it", 30, 51, 400, 300, {{9, 0}}, {}},
        {"centre", 30, 51, 400, 300, {{15, 25}}, {}},
        {"middle of the left edge", 30, 51, 400, 300, {{0, 25}}, {}},
        {"first column of the top-right block: W - 1 - 8", 30, 51, 400, 300, {{21, 0}}, {{391, 0}}},
        {"left of the top-right block", 30, 51, 400, 300, {{20, 0}}, {}},
        {"first row of the bottom block: 300 - 51 + 42", 30, 51, 400, 300, {{5, 42}}, {{5, 291}}},
        {"above the bottom block", 30, 51, 400, 300, {{5, 41}}, {}},
        // In a 5 x 5 image every pixel is in all four blocks: one key pixel cuts all four corners.
        {"an image smaller than the blocks", 5, 5, 20, 20, {{0, 0}}, {{0, 0}, {0, 15}, {15, 0}, {15, 15}}},
        // Column 2 is its own mirror in a 5-wide image; row 4 lands on window rows 4 and 19.
        {"its middle column", 5, 5, 20, 20, {{2, 4}}, {{2, 4}, {2, 19}, {17, 4}, {17, 19}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Holes(row.bw, row.bh, row.W, row.H, row.keys), row.holes);
    }
}

TEST(SkinCornerRegion, FullKeyImageCutsFourBlocksAndWindowEdgesClip) {
    const auto allKey = [](int, int) { return true; };
    EXPECT_EQ(CornerRegionHoles(30, 51, 400, 300, allKey).size(), 4u * 81u);
    // A window narrower than the blocks: mirrored cut-outs overlap and stay inside the window.
    const auto holes = CornerRegionHoles(30, 51, 6, 300, allKey);
    EXPECT_EQ(holes.size(), 2u * 9u * 6u);
    for (const SkinPoint& p : holes) EXPECT_TRUE(p.x >= 0 && p.x < 6 && p.y >= 0 && p.y < 300);
}

}  // namespace
}  // namespace mrvn
