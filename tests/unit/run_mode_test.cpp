#include "core/run_mode.h"

#include <gtest/gtest.h>

namespace mrvn {
namespace {

const std::wstring kFolder = L"C:\\ProgramData\\Quarn\\GameLogin";
const std::wstring kOutside = L"C:\\Users\\p\\Downloads\\Mrvn.exe";

struct SwitchRow {
    std::vector<std::wstring> args;
    RunMode mode;
};

TEST(ParseRunModeArgs, SwitchesInAnyLetterCaseAndExtraArguments) {
    const SwitchRow rows[] = {
        {{L"/webQuarnD"}, RunPlatformShortcut}, {{L"/WEBQUARND"}, RunPlatformShortcut},
        {{L"/MrvnD"}, RunGameShortcut},         {{L"/mrvnd", L"x"}, RunGameShortcut},
        {{L"/uninst"}, RunUninstall},           {{L"/UnInst"}, RunUninstall},
        {{L"/update"}, RunUpdate},              {{L"/UPDATE"}, RunUpdate},
        {{L"/update", L"x"}, RunUpdate},        {{L"/newgm", L"/1", L"/0"}, RunGamePage},
        {{L"/GmHall", L"/1"}, RunGameHall},     {{L"/gmhall", L"/9", L"/4"}, RunGameHall},
        // Whole-string comparison: a prefix or a longer word is not a switch.
        {{L"/updatex"}, RunInstall},            {{L"/upd"}, RunInstall},
        {{L"update"}, RunInstall},              {{L""}, RunInstall},
    };
    for (const auto& row : rows) {
        std::vector<std::wstring> argv = {kOutside};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        SCOPED_TRACE(testing::PrintToString(row.args));
        EXPECT_EQ(ParseRunModeArgs(argv, kOutside, kFolder).mode, row.mode);
    }
}

TEST(ParseRunModeArgs, LocationDecidesWithoutASwitch) {
    const struct {
        std::wstring program;
        RunMode mode;
    } rows[] = {
        {L"C:\\ProgramData\\Quarn\\GameLogin\\Mrvn.exe", RunInstalled},
        {L"C:\\PROGRAMDATA\\QUARN\\GAMELOGIN\\sub\\copy.exe", RunInstalled},
        {L"c:\\programdata\\quarn\\gamelogin\\Mrvn.exe", RunInstalled},
        // A substring test: the folder may appear anywhere in the path.
        {L"D:\\backup\\C:\\ProgramData\\Quarn\\GameLogin\\x.exe", RunInstalled},
        {L"C:\\ProgramData\\Quarn\\Mrvn.exe", RunInstall},
        {L"C:\\ProgramData\\Quarn\\GameLogi.exe", RunInstall},
        {kOutside, RunInstall},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.program));
        EXPECT_EQ(ParseRunModeArgs({row.program}, row.program, kFolder).mode, row.mode);
        // An unrecognised first argument falls back to the same rule.
        EXPECT_EQ(ParseRunModeArgs({row.program, L"/other"}, row.program, kFolder).mode, row.mode);
    }
}

TEST(ParseRunModeArgs, PageArguments) {
    const struct {
        std::vector<std::wstring> args;
        int32_t wnd;
        int32_t count;
    } rows[] = {
        {{L"/newgm", L"/1234", L"/2"}, 1234, 2},
        // The first character is skipped whatever it is.
        {{L"/newgm", L"x1234", L"-2"}, 1234, 2},
        {{L"/newgm", L"/-5", L"/+3"}, -5, 3},
        {{L"/newgm", L"/12ab", L"/7z"}, 12, 7},
        {{L"/newgm", L"/abc", L"/"}, 0, 0},
        // Missing arguments give 0.
        {{L"/newgm"}, 0, 0},
        {{L"/newgm", L"/77"}, 77, 0},
        {{L"/newgm", L""}, 0, 0},
        // 15 characters fit the handle buffer, 16 do not; 7 fit the count buffer, 8 do not.
        {{L"/newgm", L"/00000000000042", L"/000009"}, 42, 9},
        {{L"/newgm", L"/000000000000042", L"/0000009"}, 0, 0},
        {{L"/newgm", std::wstring(5000, L'9'), std::wstring(5000, L'9')}, 0, 0},
        {{L"/gmhall", L"/65538"}, 65538, 0},
        {{L"/gmhall", L"/9", L"/4"}, 9, 0},  // the hall takes no count
        {{L"/gmhall"}, 0, 0},
        {{L"/gmhall", L"/0000000000000001"}, 0, 0},
    };
    for (const auto& row : rows) {
        std::vector<std::wstring> argv = {kOutside};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        SCOPED_TRACE(testing::PrintToString(row.args));
        const RunModeInfo info = ParseRunModeArgs(argv, kOutside, kFolder);
        EXPECT_EQ(info.mainWnd, row.wnd);
        EXPECT_EQ(info.pageCount, row.count);
    }
}

}  // namespace
}  // namespace mrvn
