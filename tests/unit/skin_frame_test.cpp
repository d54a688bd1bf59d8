#include <gtest/gtest.h>

#include <algorithm>

#include "skin/dlg_frame.h"

namespace mrvn {
namespace {

BlitOp Copy(SkinRect dst, SkinRect src) { return {BlitKind::Copy, dst, src}; }
BlitOp Stretch(SkinRect dst, SkinRect src) { return {BlitKind::Stretch, dst, src}; }

TEST(SkinBlitPlan, PlansForStretchedAndOneToOneSkins) {
    const struct {
        const char* name;
        int bw, bh, W, H, border, caption;
        bool stretch;
        std::vector<BlitOp> plan;
    } rows[] = {
        // 30 x 51 skin, caption 30, border 4, over 400 x 300: the caption rows come from the image's
        // top 30 rows and the bottom 4 rows from its bottom 4 rows.
        {"stretched with a caption band", 30, 51, 400, 300, 4, 30, true,
         {Copy({0, 0, 4, 30}, {0, 0, 4, 30}), Stretch({4, 0, 396, 30}, {4, 0, 26, 30}),
          Copy({396, 0, 400, 30}, {26, 0, 30, 30}), Stretch({0, 30, 4, 296}, {0, 30, 4, 47}),
          Stretch({396, 30, 400, 296}, {26, 30, 30, 47}), Stretch({4, 30, 396, 296}, {4, 30, 26, 47}),
          Copy({0, 296, 4, 300}, {0, 47, 4, 51}), Stretch({4, 296, 396, 300}, {4, 47, 26, 51}),
          Copy({396, 296, 400, 300}, {26, 47, 30, 51})}},
        {"stretched whole caption: a border-high top", 30, 51, 100, 80, 3, -1, true,
         {Copy({0, 0, 3, 3}, {0, 0, 3, 3}), Copy({97, 0, 100, 3}, {27, 0, 30, 3}),
          Stretch({3, 0, 97, 3}, {3, 0, 27, 3}), Stretch({0, 3, 3, 77}, {0, 3, 3, 48}),
          Stretch({97, 3, 100, 77}, {27, 3, 30, 48}), Stretch({3, 3, 97, 77}, {3, 3, 27, 48}),
          Copy({0, 77, 3, 80}, {0, 48, 3, 51}), Stretch({3, 77, 97, 80}, {3, 48, 27, 51}),
          Copy({97, 77, 100, 80}, {27, 48, 30, 51})}},
        // The notice pop-up: 250 x 191 skin at its own size, caption 0, border 3.
        {"one to one redraws the right column and bottom row", 250, 191, 250, 191, 3, 0, false,
         {Copy({0, 0, 250, 191}, {0, 0, 250, 191}), Stretch({247, 0, 250, 188}, {247, 0, 250, 188}),
          Copy({0, 188, 3, 191}, {0, 188, 3, 191}), Stretch({3, 188, 247, 191}, {3, 188, 247, 191}),
          Copy({247, 188, 250, 191}, {247, 188, 250, 191})}},
        {"one to one on a larger window copies only the image", 30, 51, 100, 80, 4, 30, false,
         {Copy({0, 0, 30, 51}, {0, 0, 30, 51}), Copy({96, 0, 100, 30}, {26, 0, 30, 30}),
          Stretch({96, 30, 100, 76}, {26, 30, 30, 47}), Copy({0, 76, 4, 80}, {0, 47, 4, 51}),
          Stretch({4, 76, 96, 80}, {4, 47, 26, 51}), Copy({96, 76, 100, 80}, {26, 47, 30, 51})}},
        {"border 0 leaves only the copy", 160, 212, 160, 212, 0, 0, false, {Copy({0, 0, 160, 212}, {0, 0, 160, 212})}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(BackgroundBlitPlan(row.bw, row.bh, row.W, row.H, row.border, row.caption, row.stretch), row.plan);
    }
}

TEST(SkinBlitPlan, StretchedPlansCoverTheWindowExactlyOnce) {
    const struct {
        int W, H, B, C;
    } rows[] = {{400, 300, 4, 30}, {174, 128, 4, 30}, {1920, 1040, 4, 30}, {61, 52, 3, -1}, {50, 40, 0, 20}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.W << "x" << row.H << " B" << row.B << " C" << row.C);
        std::vector<int> cover(size_t(row.W) * row.H, 0);
        for (const BlitOp& op : BackgroundBlitPlan(30, 51, row.W, row.H, row.B, row.C, true)) {
            if (op.kind == BlitKind::Copy) {
                EXPECT_EQ(op.dst.Width(), op.src.Width());
                EXPECT_EQ(op.dst.Height(), op.src.Height());
            }
            EXPECT_TRUE(op.src.left >= 0 && op.src.top >= 0 && op.src.right <= 30 && op.src.bottom <= 51);
            for (int y = op.dst.top; y < op.dst.bottom; ++y)
                for (int x = op.dst.left; x < op.dst.right; ++x) ++cover[size_t(y) * row.W + x];
        }
        EXPECT_EQ(std::count(cover.begin(), cover.end(), 1), long(cover.size()));
    }
}

TEST(SkinHitTest, FrameAnswers) {
    DlgFrameStyle fixed;  // defaults: whole window caption, not resizable
    DlgFrameStyle fixedBand;
    fixedBand.captionHeight = 30;
    DlgFrameStyle sizing;
    sizing.captionHeight = 30;
    sizing.border = 4;
    sizing.resizable = true;
    DlgFrameStyle sizingWhole = sizing;
    sizingWhole.captionHeight = -1;

    const struct {
        const char* name;
        const DlgFrameStyle* style;
        int x, y;
        FrameHit hit;
    } rows[] = {
        {"whole caption drags anywhere", &fixed, 200, 150, HitCaption},
        {"whole caption drags at the edge", &fixed, 0, 299, HitCaption},
        {"last caption row", &fixedBand, 200, 29, HitCaption},
        {"below the caption", &fixedBand, 200, 30, HitDefault},
        {"not resizable: no border", &fixedBand, 0, 150, HitDefault},
        {"top-left", &sizing, 0, 0, HitTopLeft},
        {"top-left inner", &sizing, 3, 3, HitTopLeft},
        {"left", &sizing, 3, 4, HitLeft},
        {"left low", &sizing, 0, 295, HitLeft},
        {"bottom-left", &sizing, 3, 296, HitBottomLeft},
        {"top-right", &sizing, 396, 3, HitTopRight},
        {"right", &sizing, 399, 150, HitRight},
        {"bottom-right", &sizing, 399, 299, HitBottomRight},
        {"top band is 3 rows, not the border", &sizing, 200, 2, HitTop},
        {"row 3 drags", &sizing, 200, 3, HitCaption},
        {"last caption row drags", &sizing, 200, 29, HitCaption},
        {"client", &sizing, 200, 30, HitDefault},
        {"above the bottom band", &sizing, 200, 295, HitDefault},
        {"bottom band", &sizing, 200, 296, HitBottom},
        {"whole caption: centre drags", &sizingWhole, 200, 150, HitCaption},
        {"whole caption: bottom band drags", &sizingWhole, 200, 298, HitCaption},
        {"whole caption: bottom corner sizes", &sizingWhole, 0, 299, HitBottomLeft},
        {"whole caption: top sizes", &sizingWhole, 200, 1, HitTop},
        {"whole caption: left sizes", &sizingWhole, 1, 150, HitLeft},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FrameHitTest(*row.style, false, row.x, row.y, 400, 300), row.hit);
    }
    // Maximized: the system decides everywhere, so nothing drags or sizes.
    EXPECT_EQ(FrameHitTest(sizing, true, 200, 10, 400, 300), HitDefault);
    EXPECT_EQ(FrameHitTest(sizing, true, 0, 0, 400, 300), HitDefault);
    EXPECT_EQ(FrameHitTest(fixed, true, 200, 150, 400, 300), HitDefault);
}

TEST(SkinHitTest, SizeCommandsAndDoubleClicks) {
    const struct {
        int hit;
        unsigned command;
    } rows[] = {{HitLeft, 0xF001},    {HitRight, 0xF002},      {HitTop, 0xF003},
                {HitTopLeft, 0xF004}, {HitTopRight, 0xF005},   {HitBottom, 0xF006},
                {HitBottomLeft, 0xF007}, {HitBottomRight, 0xF008}, {HitCaption, 0},
                {9, 0},               {18, 0},                 {HitDefault, 0}};
    for (const auto& row : rows) EXPECT_EQ(SizeCommandForHit(row.hit), row.command) << row.hit;

    DlgFrameStyle style;
    style.captionHeight = 30;
    EXPECT_FALSE(NcDoubleClickToggles(style, HitCaption));  // not resizable: nothing happens
    style.resizable = true;
    EXPECT_TRUE(NcDoubleClickToggles(style, HitCaption));
    EXPECT_FALSE(NcDoubleClickToggles(style, HitTop));
    EXPECT_TRUE(ClientDoubleClickToggles(style, true, 29));
    EXPECT_FALSE(ClientDoubleClickToggles(style, true, 30));
    EXPECT_FALSE(ClientDoubleClickToggles(style, false, 10));
    style.captionHeight = -1;
    EXPECT_TRUE(ClientDoubleClickToggles(style, true, 500));
}

TEST(SkinTitle, IconAndTitlePositions) {
    DlgFrameStyle style;
    style.captionHeight = 30;
    style.border = 4;
    EXPECT_EQ(IconPosition(style), (SkinPoint{4, 7}));
    // t = 30 + 1 - 12 = 19, 19 / 2 - 2 = 7; x = 4 + 5, plus 16 beside an icon.
    EXPECT_EQ(TitlePosition(style, false, -12), (SkinPoint{9, 7}));
    EXPECT_EQ(TitlePosition(style, true, 12), (SkinPoint{25, 7}));
    EXPECT_EQ(TitleRepaintRect(style, true, -12, 14, 400), (SkinRect{25, 7, 400, 21}));

    style.captionHeight = -1;
    style.border = 3;
    EXPECT_EQ(IconPosition(style), (SkinPoint{3, 6}));
    EXPECT_EQ(TitlePosition(style, false, -12), (SkinPoint{8, 4}));  // t / 2 negative

    style.captionHeight = 12;
    // t = -1: -1 / 2 is 0 toward zero, so -2 rather than the 4 of a negative half.
    EXPECT_EQ(TitlePosition(style, false, 14).y, -2);
    style.captionHeight = 9;
    EXPECT_EQ(TitlePosition(style, false, 14).y, 4);  // t = -4
}

TEST(SkinFrame, SystemFrameIsDropped) {
    // A modal dialog template: popup, visible, caption, system menu, modal frame, set-font.
    EXPECT_EQ(FramelessStyle(0x94C800C4u), 0x940A0044u);
    EXPECT_EQ(FramelessExStyle(0x00010101u), 0x00010000u);
    EXPECT_EQ(ParentPaintOffset({130, 250, 187, 273}, {100, 200, 400, 500}), (SkinPoint{30, 50}));
    EXPECT_STREQ(MaximizeTip(false), L"最大化");
    EXPECT_STREQ(MaximizeTip(true), L"还原");
}

TEST(SkinMaximize, BoundsAndRestoreRectangle) {
    const SkinRect work{0, 0, 1920, 1040};
    const struct {
        SkinRect work;
        int maxW, maxH;
        SkinRect rect;
    } rows[] = {
        {work, 1920, 1040, work},
        {work, 1000, 1040, {460, 0, 1460, 1040}},
        {work, 1440, 900, {240, 70, 1680, 970}},
        {work, 3000, 3000, work},
        {{100, 50, 2020, 1130}, 1000, 900, {560, 140, 1560, 1040}},
        {{0, 0, 1921, 900}, 1000, 900, {460, 0, 1461, 900}},  // an odd surplus leaves the extra pixel in the window
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.maxW << "x" << row.maxH << " in " << row.work.right << "x" << row.work.bottom);
        EXPECT_EQ(MaximizedRect(row.work, row.maxW, row.maxH), row.rect);
    }
    EXPECT_EQ(InitialRestoreRect(work), (SkinRect{240, 130, 1680, 910}));
}

TEST(SkinCaptionButtons, FirstPlacementRightToLeft) {
    DlgFrameStyle main;
    main.btnRightMargin = 0;
    main.btnTop = 0;
    const CaptionStrips all{{132, 28}, {108, 28}, {108, 28}};
    // The main window's three buttons fill the last 87 pixels.
    EXPECT_EQ(PlaceCaptionButtons(main, 1000, all),
              (CaptionButtons{SkinRect{967, 0, 1000, 28}, SkinRect{940, 0, 967, 28}, SkinRect{913, 0, 940, 28}}));

    DlgFrameStyle spaced;  // margin 5, top 1
    spaced.btnSpacing = 2;
    EXPECT_EQ(PlaceCaptionButtons(spaced, 400, all),
              (CaptionButtons{SkinRect{362, 1, 395, 29}, SkinRect{333, 1, 360, 29}, SkinRect{304, 1, 331, 29}}));
    // Without a maximize strip the minimize button follows the close button.
    EXPECT_EQ(PlaceCaptionButtons(spaced, 400, {{132, 28}, {}, {108, 28}}),
              (CaptionButtons{SkinRect{362, 1, 395, 29}, std::nullopt, SkinRect{333, 1, 360, 29}}));
    EXPECT_EQ(PlaceCaptionButtons(spaced, 400, {}), CaptionButtons{});
}

TEST(SkinCaptionButtons, ResizeRepacksWithoutSpacing) {
    DlgFrameStyle spaced;
    spaced.btnSpacing = 2;
    const CaptionButtons first = PlaceCaptionButtons(spaced, 400, {{132, 28}, {108, 28}, {108, 28}});
    EXPECT_EQ(RelayoutCaptionButtons(spaced, 500, first),
              (CaptionButtons{SkinRect{462, 1, 495, 29}, SkinRect{435, 1, 462, 29}, SkinRect{408, 1, 435, 29}}));
    const CaptionButtons closeOnly{SkinRect{10, 3, 46, 17}, std::nullopt, std::nullopt};
    EXPECT_EQ(RelayoutCaptionButtons(spaced, 250, closeOnly),
              (CaptionButtons{SkinRect{209, 3, 245, 17}, std::nullopt, std::nullopt}));
}

}  // namespace
}  // namespace mrvn
