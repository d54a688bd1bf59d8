#include "gamewnd/game_tabs.h"

#include <gtest/gtest.h>

#include "gamewnd/private_messages.h"

namespace mrvn {
namespace {

class CharMeasurer final : public TextMeasurer {
public:
    TextExtent Measure(const std::wstring& text) override { return {10 * static_cast<int>(text.size()), 14}; }
};

constexpr FrameHandle kA = 0x1010, kB = 0x2020, kC = 0x3030;

// Labels sent with wParam 0, each followed by its frame, as the login window and page process do.
void OpenInOrder(GameTabs& tabs, std::initializer_list<std::pair<const wchar_t*, FrameHandle>> pages) {
    for (const auto& [label, frame] : pages) {
        ASSERT_TRUE(tabs.AddLabel(label, 0, false));
        ASSERT_GE(tabs.AttachFrame(frame, 0), 0);
    }
}

TEST(GameTabs, TabsAttachInOrderAndTheNewestIsCurrent) {
    GameTabs tabs;
    EXPECT_TRUE(tabs.TakeFirstArrival());
    OpenInOrder(tabs, {{L"1服-x-ann", kA}, {L"1服-x-bob", kB}, {L"2服-y-ann", kC}});
    EXPECT_FALSE(tabs.TakeFirstArrival());  // the window maximises once only
    EXPECT_EQ(tabs.Frames(), (std::vector<FrameHandle>{kA, kB, kC}));
    EXPECT_EQ(tabs.Label(1), L"1服-x-bob");
    EXPECT_EQ(tabs.Current(), 2);
    EXPECT_FALSE(tabs.CanAddPage());
    EXPECT_EQ(tabs.AttachFrame(kB, 0), -1);  // announced twice
    EXPECT_EQ(tabs.AttachFrame(0, 0), -1);
    // A fourth login that raced past the add-account answer: its label waits, its frame finds no room.
    EXPECT_TRUE(tabs.AddLabel(L"3服-z-cid", 77, true));
    EXPECT_EQ(tabs.AttachFrame(0x4040, 77), -1);
    EXPECT_EQ(tabs.Count(), 3);
    EXPECT_EQ(tabs.Current(), 2);
    EXPECT_EQ(tabs.DropWaitingLabels(77), 1);
}

TEST(GameTabs, DuplicateLabelsAreRefusedExactly) {
    GameTabs tabs;
    OpenInOrder(tabs, {{L"1服-x-Ann", kA}});
    EXPECT_FALSE(tabs.AddLabel(L"1服-x-Ann", 0, false));
    EXPECT_TRUE(tabs.AddLabel(L"1服-x-ann", 0, false));   // letter case differs: another account
    EXPECT_FALSE(tabs.AddLabel(L"1服-x-ann", 0, false));  // still waiting for its frame, but held
}

TEST(GameTabs, LabelsPairWithFramesByProcessWhenTheSenderIsKnown) {
    GameTabs tabs;
    tabs.AddLabel(L"bob", 12, true);
    tabs.AddLabel(L"ann", 11, true);
    tabs.AddLabel(L"cid", 13, false);  // wParam 0: by arrival
    tabs.AttachFrame(kA, 11);
    tabs.AttachFrame(kB, 99);  // no label of its process: the oldest of an unknown sender
    tabs.AttachFrame(kC, 12);
    EXPECT_EQ(tabs.Label(0), L"ann");
    EXPECT_EQ(tabs.Label(1), L"cid");
    EXPECT_EQ(tabs.Label(2), L"bob");
    EXPECT_EQ(tabs.WaitingLabels(), 0u);
    // Owners guessed for wParam 0 do not pair: such labels go by arrival.
    GameTabs guessed;
    guessed.AddLabel(L"x", 31, false);
    guessed.AddLabel(L"y", 32, false);
    guessed.AttachFrame(kA, 32);
    EXPECT_EQ(guessed.Label(0), L"x");
    // A frame without any label still gets a tab, with an empty label.
    GameTabs bare;
    EXPECT_EQ(bare.AttachFrame(kA, 5), 0);
    EXPECT_EQ(bare.Label(0), L"");
}

TEST(GameTabs, ALabelWhoseProcessEndedLeavesNoTrace) {
    GameTabs tabs;
    OpenInOrder(tabs, {{L"ann", kA}});
    ASSERT_TRUE(tabs.AddLabel(L"bob", 21, false));  // owner guessed from the pending process
    ASSERT_TRUE(tabs.AddLabel(L"cid", 22, true));
    EXPECT_EQ(tabs.WaitingLabelOwners(), (std::vector<ProcessId>{21, 22}));
    EXPECT_EQ(tabs.DropWaitingLabels(21), 1);
    EXPECT_EQ(tabs.DropWaitingLabels(0), 0);
    // The account can log in again, and the next frame of unknown origin does not get the dead label.
    EXPECT_TRUE(tabs.AddLabel(L"bob", 23, false));
    tabs.AttachFrame(kB, 0);
    EXPECT_EQ(tabs.Label(1), L"bob");
    EXPECT_EQ(tabs.WaitingLabelOwners(), (std::vector<ProcessId>{22}));
}

TEST(GameTabs, CloseQuestionsAndTheTabThatBecomesCurrent) {
    const struct {
        int closed;
        int current;  // after the close
        std::vector<FrameHandle> left;
    } rows[] = {
        {1, 1, {kA, kC}},  // the old third tab takes index 1
        {2, 1, {kA, kB}},  // the new last tab
        {0, 0, {kB, kC}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.closed);
        GameTabs tabs;
        OpenInOrder(tabs, {{L"1服-x-a", kA}, {L"1服-x-b", kB}, {L"1服-x-c", kC}});
        const auto q = tabs.AskClose(row.closed);
        ASSERT_TRUE(q.has_value());
        EXPECT_FALSE(q->exitWindow);
        EXPECT_EQ(q->text, L"确定要退出账号：" + tabs.Label(row.closed) + L" ?");
        const GameTabs::Closed c = tabs.CloseTab(q->frame);
        EXPECT_EQ(c.removed, q->frame);
        EXPECT_EQ(c.current, row.current);
        EXPECT_EQ(c.show, row.left[static_cast<size_t>(row.current)]);
        EXPECT_EQ(c.repaint, (SkinRect{120, 3, 687, 25}));  // clears the old last tab
        EXPECT_EQ(tabs.Frames(), row.left);
    }
    GameTabs one;
    OpenInOrder(one, {{L"a", kA}});
    const auto q = one.AskClose(0);
    ASSERT_TRUE(q.has_value());
    EXPECT_TRUE(q->exitWindow);
    EXPECT_EQ(q->text, L"窗口即将关闭，确定要退出游戏？");
    EXPECT_FALSE(one.AskClose(1).has_value());
    EXPECT_FALSE(one.AskClose(-1).has_value());
}

TEST(GameTabs, AnAnsweredCloseRemovesTheTabThatWasAskedAbout) {
    GameTabs tabs;
    OpenInOrder(tabs, {{L"a", kA}, {L"b", kB}, {L"c", kC}});
    const auto q = tabs.AskClose(2);
    ASSERT_TRUE(q.has_value());
    tabs.DropFrame(kA);  // while the question was open, page A died
    EXPECT_EQ(tabs.CloseTab(q->frame).removed, kC);
    EXPECT_EQ(tabs.Frames(), (std::vector<FrameHandle>{kB}));
    EXPECT_EQ(tabs.CloseTab(kC).removed, 0u);  // already gone: nothing happens
}

TEST(GameTabs, DeadFramesLoseTheirTabsAndTheCurrentTabStaysValid) {
    const struct {
        int current;
        FrameHandle dead;
        int currentAfter;
        FrameHandle show;  // 0: the current tab did not change
    } rows[] = {
        {2, kA, 1, 0},   // the same page stays current
        {0, kC, 0, 0},
        {1, kB, 1, kC},  // the current one died: its neighbour moves up
        {2, kC, 1, kB},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.dead);
        GameTabs tabs;
        OpenInOrder(tabs, {{L"a", kA}, {L"b", kB}, {L"c", kC}});
        tabs.OnLeftButtonDown({TabLabelRect(row.current).left + 1, 10}, false);
        ASSERT_EQ(tabs.Current(), row.current);
        const GameTabs::Dropped d = tabs.DropFrame(row.dead);
        EXPECT_TRUE(d.dropped);
        EXPECT_EQ(d.show, row.show);
        EXPECT_EQ(tabs.Current(), row.currentAfter);
        EXPECT_EQ(tabs.Count(), 2);
        EXPECT_EQ(tabs.IndexOf(row.dead), -1);
    }
    GameTabs tabs;
    OpenInOrder(tabs, {{L"a", kA}});
    EXPECT_EQ(tabs.DropFrame(kA).show, 0u);
    EXPECT_EQ(tabs.Current(), -1);
    EXPECT_FALSE(tabs.DropFrame(kA).dropped);
    EXPECT_TRUE(tabs.AddLabel(L"a", 0, false));  // the account can log in again
}

TEST(GameTabs, SwitchKeyCyclesUnlessTheHallIsShown) {
    GameTabs tabs;
    EXPECT_EQ(tabs.SwitchToNextPage(false).show, 0u);
    OpenInOrder(tabs, {{L"a", kA}});
    GameTabs::Switch s = tabs.SwitchToNextPage(false);
    EXPECT_EQ(s.show, kA);
    EXPECT_EQ(s.oldCurrent, s.newCurrent);
    OpenInOrder(tabs, {{L"b", kB}, {L"c", kC}});
    const FrameHandle order[] = {kA, kB, kC, kA};
    for (FrameHandle expected : order) EXPECT_EQ(tabs.SwitchToNextPage(false).show, expected);
    s = tabs.SwitchToNextPage(true);
    EXPECT_EQ(s.show, kA);  // back to the current page, no advance
    EXPECT_EQ(s.oldCurrent, 0);
    EXPECT_EQ(s.newCurrent, 0);
}

TEST(GameTabs, HoverTooltipAndCloseBox) {
    GameTabs tabs;
    OpenInOrder(tabs, {{L"a", kA}, {L"b", kB}});
    const struct {
        const char* what;
        SkinPoint at;
        bool leftDown;
        std::vector<SkinRect> repaint;
        TipChange tip;
        int hover, close;
    } steps[] = {
        {"onto tab 0", {200, 10}, false, {TabRect(0)}, TipChange::Activate, 0, 0},
        {"along its label", {210, 20}, false, {}, TipChange::None, 0, 0},
        {"onto its close box", {300, 5}, false, {TabCloseRect(0)}, TipChange::Deactivate, 0, 1},
        {"button down on it", {300, 5}, true, {TabCloseRect(0)}, TipChange::Deactivate, 0, 2},
        {"onto tab 1", {400, 10}, false, {TabRect(0), TabRect(1)}, TipChange::Activate, 1, 0},
        {"off the strip", {400, 40}, false, {TabRect(1)}, TipChange::Deactivate, -1, -1},
        {"still off", {400, 40}, false, {}, TipChange::Deactivate, -1, -1},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        const GameTabs::Hover h = tabs.OnHitTest(s.at, s.leftDown, false);
        EXPECT_EQ(h.repaint, s.repaint);
        EXPECT_EQ(h.tip, s.tip);
        EXPECT_EQ(h.tipTab, s.tip == TipChange::Activate ? s.hover : -1);
        EXPECT_EQ(tabs.HoverTab(), s.hover);
        EXPECT_EQ(tabs.CloseState(), s.close);
    }
    // Leave tracking is asked for once it is off, and never over the caption.
    EXPECT_TRUE(tabs.OnHitTest({200, 10}, false, false).trackLeave);
    EXPECT_FALSE(tabs.OnHitTest({200, 10}, false, true).trackLeave);
    tabs.SetTrackingLeave(true);
    EXPECT_FALSE(tabs.OnHitTest({200, 10}, false, false).trackLeave);
    EXPECT_EQ(tabs.OnMouseLeave(true), TabRect(0));
    EXPECT_EQ(tabs.OnMouseLeave(false), std::nullopt);
    EXPECT_TRUE(tabs.OnHitTest({200, 10}, false, false).trackLeave);  // the client leave ended tracking
}

TEST(GameTabs, PressSelectsAndArmsTheCloseBox) {
    GameTabs tabs;
    OpenInOrder(tabs, {{L"a", kA}, {L"b", kB}});  // tab 1 current
    GameTabs::Press p = tabs.OnLeftButtonDown({200, 10}, false);
    EXPECT_TRUE(p.inStrip);
    EXPECT_EQ(p.show, kA);
    EXPECT_EQ(p.repaint, (std::vector<SkinRect>{TabRect(1), TabRect(0)}));
    EXPECT_EQ(tabs.Current(), 0);
    EXPECT_EQ(tabs.OnLeftButtonDown({200, 10}, false).show, 0u);  // already current
    EXPECT_EQ(tabs.OnLeftButtonDown({200, 10}, true).show, kA);   // hides the hall
    p = tabs.OnLeftButtonDown({490, 8}, false);                  // close box of tab 1
    EXPECT_EQ(p.show, kB);
    EXPECT_EQ(tabs.HoverTab(), 1);
    EXPECT_EQ(tabs.CloseState(), kCloseFramePressed);
    EXPECT_FALSE(tabs.OnLeftButtonDown({700, 10}, false).inStrip);
}

TEST(GameTabs, PaintPlan) {
    GameTabs tabs;
    CharMeasurer m;
    OpenInOrder(tabs, {{L"short", kA}, {L"a label longer than sixteen", kB}, {L"c", kC}});
    tabs.OnHitTest({300, 5}, false, false);  // close box of tab 0
    const auto plan = tabs.PaintTabs(m);
    ASSERT_EQ(plan.size(), 3u);
    EXPECT_EQ(plan[0].backgroundFrame, kTabFrameHover);
    EXPECT_EQ(plan[0].closeFrame, kCloseFrameHover);
    EXPECT_EQ(plan[0].closeBox, TabCloseRect(0));
    EXPECT_EQ(plan[1].backgroundFrame, kTabFrameNormal);
    EXPECT_EQ(plan[1].closeFrame, -1);  // only the hovered tab has a close box
    EXPECT_EQ(plan[1].text, L"a label longer t");
    EXPECT_EQ(plan[1].textRect, TabLabelRect(1));
    EXPECT_EQ(plan[2].backgroundFrame, kTabFrameCurrent);
}

TEST(MainWindowRules, CloseCommands) {
    const struct {
        intptr_t lParam;
        int pages;
        bool pending;
        CloseCommand command;
    } rows[] = {
        {kLauncherMarker, 0, true, CloseCommand::Exit},  // the first login was cancelled
        {kLauncherMarker, 2, true, CloseCommand::ForgetPending},
        {kLauncherMarker, 2, false, CloseCommand::PassOn},
        {0, 0, true, CloseCommand::Exit},  // the close button before any page
        {0, 1, false, CloseCommand::PassOn},
        {1, 0, false, CloseCommand::PassOn},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.lParam << " " << row.pages << " " << row.pending);
        EXPECT_EQ(DecideCloseCommand(row.lParam, row.pages, row.pending), row.command);
    }
}

TEST(MainWindowRules, AddAccountAnswers) {
    EXPECT_EQ(DecideAddAccount(1, 0), AddAccountAction::StartPage);
    EXPECT_EQ(DecideAddAccount(1, 2), AddAccountAction::StartPage);
    EXPECT_EQ(DecideAddAccount(1, 3), AddAccountAction::TooManyPages);
    EXPECT_EQ(DecideAddAccount(0, 3), AddAccountAction::NewLauncher);  // whatever the count
    EXPECT_EQ(DecideAddAccount(2, 1), AddAccountAction::Nothing);
}

TEST(MainWindowRules, FavouritesCharAndCommandLines) {
    EXPECT_TRUE(IsFavouritesChar(4, 0x00200001));
    EXPECT_FALSE(IsFavouritesChar(4, 0x40200001));  // a repeat
    EXPECT_FALSE(IsFavouritesChar(4, 0x00000001));
    EXPECT_FALSE(IsFavouritesChar(L'd', 0x00200001));
    EXPECT_EQ(PageProcessCommandLine(L"C:\\My Games\\Mrvn.exe", 0xFFFE0012u, 2),
              L"\"C:\\My Games\\Mrvn.exe\" /newgm /-131054 /2");
    EXPECT_EQ(HallProcessCommandLine(L"C:\\Mrvn.exe", 0x10122u), L"\"C:\\Mrvn.exe\" /gmhall /65826");
}

}  // namespace
}  // namespace mrvn
