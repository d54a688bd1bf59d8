// Starts Mrvn.exe as the player would and checks what it leaves in the file system and registry.
#include <gtest/gtest.h>

#include "wine/wine_util.h"

#include "core/win/hardening.h"

namespace mrvn::wt {
namespace {

const std::wstring kSetupFolder = L"C:\\MrvnSetup";

class StartupTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(MrvnExe().empty()) << "MRVN_EXE is not set";
        // Reports go to the loopback server, never to the real platform.
        ASSERT_TRUE(ResetLauncherState(TestServerPort()));
        RemoveTree(kSetupFolder);
        ASSERT_TRUE(MakeFolders(kSetupFolder));
        ASSERT_TRUE(CopyFileW(MrvnExe().c_str(), setupCopy.c_str(), FALSE));
    }
    void TearDown() override { WaitForNoProcess(L"Mrvn.exe", 30000); }

    void RunAll(const std::wstring& exe, const std::wstring& args = L"") { ASSERT_TRUE(RunLauncher(exe, args)); }

    std::wstring setupCopy = kSetupFolder + L"\\Mrvn.exe";
};

TEST_F(StartupTest, CopyOutsideTheFolderInstallsItselfAndStartsTheInstalledCopy) {
    RunAll(setupCopy);

    const std::wstring installed = InstallFolder() + L"\\Mrvn.exe";
    std::string original, copy;
    ASSERT_TRUE(ReadFileBytes(setupCopy, original));
    ASSERT_TRUE(ReadFileBytes(installed, copy)) << "no installed copy";
    EXPECT_TRUE(copy == original) << "the installed copy differs from the program";

    std::vector<uint8_t> days;
    DWORD type = 0;
    ASSERT_TRUE(ReadLauncherValue(L"DisableDays", days, type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(days.size(), 4u);
    EXPECT_EQ(days[3], 0);
    for (int i = 0; i < 3; ++i) EXPECT_LT(days[i], 7) << i;
    EXPECT_NE(days[1], days[0]);
    EXPECT_NE(days[1], days[2]);

    EXPECT_EQ(IniValue(CountersFile(), L"Inst"), L"1");
    // The installed copy ran in its installed mode.
    EXPECT_EQ(IniValue(CountersFile(), L"Game"), L"1");
    EXPECT_EQ(IniValue(CountersFile(), L"Quarn"), L"<none>");
    // No update was applied, so no update time.
    std::vector<uint8_t> upd;
    EXPECT_FALSE(ReadLauncherValue(L"UpdTime", upd, type));

    RunAll(setupCopy);
    EXPECT_EQ(IniValue(CountersFile(), L"Inst"), L"2");
    EXPECT_EQ(IniValue(CountersFile(), L"Game"), L"2");
}

TEST_F(StartupTest, PlainStartBelowTheFolderInAnyLetterCaseDoesNotInstall) {
    const std::wstring sub = InstallFolder() + L"\\sub";
    ASSERT_TRUE(MakeFolders(sub));
    ASSERT_TRUE(CopyFileW(MrvnExe().c_str(), (sub + L"\\Copy.exe").c_str(), FALSE));
    std::wstring upper = sub + L"\\COPY.EXE";
    CharUpperW(upper.data());
    RunAll(upper);
    EXPECT_EQ(IniValue(CountersFile(), L"Game"), L"1");
    EXPECT_EQ(IniValue(CountersFile(), L"Inst"), L"<none>");
    EXPECT_FALSE(FileExists(InstallFolder() + L"\\Mrvn.exe"));
    EXPECT_FALSE(FileExists(InstallFolder() + L"\\Copy.exe"));
    std::vector<uint8_t> days;
    DWORD type = 0;
    EXPECT_FALSE(ReadLauncherValue(L"DisableDays", days, type));
}

TEST_F(StartupTest, GameShortcutFromAnotherFolderCountsAGameAndDoesNotInstall) {
    // The shortcut exists only after an installation, which made the folder.
    ASSERT_TRUE(MakeFolders(InstallFolder()));
    RunAll(setupCopy, L"/mrvnd");
    EXPECT_EQ(IniValue(CountersFile(), L"Game"), L"1");
    EXPECT_EQ(IniValue(CountersFile(), L"Inst"), L"<none>");
    EXPECT_FALSE(FileExists(InstallFolder() + L"\\Mrvn.exe"));
    // Counters live in the installation folder, not beside this copy.
    EXPECT_FALSE(FileExists(kSetupFolder + L"\\Statistic.ini"));
}

TEST_F(StartupTest, PageAndHallStartsWithMissingOrOverlongArgumentsEndCleanly) {
    const std::wstring rows[] = {
        L"/newgm",
        L"/newgm /123",
        L"/newgm /" + std::wstring(3000, L'9') + L" /" + std::wstring(3000, L'9'),
        L"/gmhall",
        L"/gmhall /" + std::wstring(3000, L'7'),
    };
    for (const auto& args : rows) {
        SCOPED_TRACE(args.substr(0, 40));
        RunAll(setupCopy, args);
    }
    EXPECT_EQ(IniValue(CountersFile(), L"Game"), L"<none>");
    EXPECT_FALSE(FileExists(InstallFolder() + L"\\Mrvn.exe"));
}

TEST_F(StartupTest, RemovalQuestionAnsweredOtherThanYesChangesNothing) {
    RunAll(setupCopy);
    const std::wstring installed = InstallFolder() + L"\\Mrvn.exe";
    // No (5001 is the second button) and the caption's close button (50000).
    for (const WORD button : {WORD(5001), WORD(50000)}) {
        SCOPED_TRACE(button);
        PROCESS_INFORMATION pi = {};
        pi.hProcess = StartProcess(installed, L"/uninst", &pi.dwProcessId);
        ASSERT_NE(pi.hProcess, nullptr);
        const HWND box = WaitForWindowOf(pi.dwProcessId);
        ASSERT_NE(box, nullptr) << "no question was shown";
        wchar_t title[64] = {};
        GetWindowTextW(box, title, 64);
        EXPECT_STREQ(title, L"QuarnMorvane");
        // Enter and Esc, through the box's own keyboard handling, are no answer.
        PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
        PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, kWindowGoesMs), static_cast<DWORD>(WAIT_TIMEOUT));
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        ASSERT_EQ(WaitForSingleObject(pi.hProcess, 30000), static_cast<DWORD>(WAIT_OBJECT_0));
        CloseHandle(pi.hProcess);
        EXPECT_TRUE(FileExists(installed));
        EXPECT_EQ(IniValue(CountersFile(), L"UnInst"), L"<none>");
        std::vector<uint8_t> days;
        DWORD type = 0;
        EXPECT_TRUE(ReadLauncherValue(L"DisableDays", days, type));
    }
}

// Wine 8 keeps no security descriptor of a file or folder: it turns a new list into Unix mode bits
// and reads back one made from them. What it can show is that every call of the protection is
// accepted, the list's text included; that standard users cannot write afterwards, and that the
// owner became the administrators group, only Windows can show.
TEST_F(StartupTest, InstallationFolderProtectionIsAcceptedAndInstallingGoesOn) {
    const std::wstring folder = kSetupFolder + L"\\Protected";
    ASSERT_TRUE(MakeFolders(folder));
    EXPECT_TRUE(core::ProtectInstallFolder(folder));
    // The protection must not lock out the elevated launcher itself.
    EXPECT_TRUE(WriteFileBytes(folder + L"\\Mrvn.exe", "MZ"));
    EXPECT_FALSE(core::ProtectInstallFolder(kSetupFolder + L"\\Missing"));

    RunAll(setupCopy);
    EXPECT_TRUE(FileExists(InstallFolder() + L"\\Mrvn.exe"));
    EXPECT_EQ(IniValue(CountersFile(), L"Inst"), L"1");
}

}  // namespace
}  // namespace mrvn::wt
