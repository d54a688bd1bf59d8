#include <gtest/gtest.h>

#include "gamewnd/window_commands.h"

namespace mrvn {
namespace {

TEST(WindowCommands, BothMenusListTheirItemsInOrderWithTheBossKeyOfTheMoment) {
    const std::vector<MenuItem> common = {
        {1, L"刷新 (F5)"}, {2, L""}, {3, L"清除缓存"}, {0, L""}, {4, L"更新"}, {5, L"设置..."},
    };
    const struct {
        const char* name;
        MenuKind kind;
        Hotkey boss;
        std::wstring hideText;
        MenuItem last;
    } rows[] = {
        {"system menu, default F10", MenuKind::System, {0, 121}, L"隐藏/恢复(F10)", {0xFFFFFFFF, L"版本号: 3.0.0.1"}},
        {"tray menu, Ctrl+Shift+Alt", MenuKind::Tray, {7, 65}, L"隐藏/恢复(Ctrl  +  Shift  +  Alt  +  A)",
         {6, L"退出"}},
        {"no boss key", MenuKind::System, {2, 0}, L"隐藏/恢复(无)", {0xFFFFFFFF, L"版本号: 3.0.0.1"}},
        {"a key without a name", MenuKind::Tray, {2, 124}, L"隐藏/恢复(Ctrl  +  )", {6, L"退出"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<MenuItem> want = common;
        want[1].text = row.hideText;
        want.push_back(row.last);
        EXPECT_EQ(MenuItems(row.kind, row.boss), want);
    }
}

TEST(WindowCommands, EachIdDoesWhatItsMenuSays) {
    const struct {
        uint32_t id;
        MenuAction system;
        MenuAction tray;
    } rows[] = {
        {0, MenuAction::Nothing, MenuAction::Nothing},  // dismissed
        {1, MenuAction::Refresh, MenuAction::Refresh},
        {2, MenuAction::HideRestore, MenuAction::HideRestore},
        {3, MenuAction::ClearCache, MenuAction::ClearCache},
        {4, MenuAction::Update, MenuAction::Update},
        {5, MenuAction::Settings, MenuAction::Settings},
        {6, MenuAction::Nothing, MenuAction::Exit},  // "退出" is the tray's alone
        {7, MenuAction::Nothing, MenuAction::Nothing},
        {0xFFFFFFFF, MenuAction::Nothing, MenuAction::Nothing},  // the version line
        {0xFFFF, MenuAction::Nothing, MenuAction::Nothing},      // the version line cut to a word
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        EXPECT_EQ(DecideMenuCommand(MenuKind::System, row.id), row.system);
        EXPECT_EQ(DecideMenuCommand(MenuKind::Tray, row.id), row.tray);
    }
}

TEST(WindowCommands, OnlyButtonReleasesOnTheTrayIconAct) {
    const struct {
        uint32_t msg;
        TrayAction action;
    } rows[] = {
        {0x0202, TrayAction::HideRestore},  // left up
        {0x0205, TrayAction::ShowMenu},     // right up
        {0x0201, TrayAction::Nothing},      // left down
        {0x0204, TrayAction::Nothing},      // right down
        {0x0203, TrayAction::Nothing},      // left double click
        {0x0200, TrayAction::Nothing},      // move
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.msg);
        EXPECT_EQ(DecideTrayMessage(row.msg), row.action);
    }
}

TEST(WindowCommands, UpdateStartsTheUpdaterOnlyForAnotherRelease) {
    EXPECT_EQ(DecideUpdateAnswer(true), UpdateAnswer::StartUpdaterAndExit);
    EXPECT_EQ(DecideUpdateAnswer(false), UpdateAnswer::AlreadyLatest);
    // A folder with blanks stays one argument for the updater's own command line.
    EXPECT_EQ(UpdaterCommandLine(L"C:\\Program Files\\Quarn\\Mrvn.exe"), L"\"C:\\Program Files\\Quarn\\Mrvn.exe\" /update");
}

TEST(WindowCommands, TimerThreeChangesALookOnlyWhenItsStateChanged) {
    using C = TitleBarLooks::Change;
    TitleBarLooks looks;
    const struct {
        const char* name;
        int muted;
        bool hall;
        C change;
    } steps[] = {
        // The sound button counts as "off" until told: the first tick shows "on".
        {"first tick, sound on", 0, false, {true, false, false, false}},
        {"nothing changed", 0, false, {}},
        {"muted", 1, false, {true, true, false, false}},
        {"still muted", 1, false, {}},
        {"hall shown", 1, true, {false, false, true, true}},
        {"both flip", 0, false, {true, false, true, false}},
        {"quiet again", 0, false, {}},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(looks.Tick(s.muted, s.hall), s.change);
    }
    // Muted from the start: the first tick has nothing to show for the sound.
    TitleBarLooks fresh;
    EXPECT_EQ(fresh.Tick(1, false), C{});
}

}  // namespace
}  // namespace mrvn
