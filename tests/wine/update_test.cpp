// The self-update as the platform drives it: a configuration and a release on the loopback server.
#include <gtest/gtest.h>

#include "wine/wine_util.h"

#include "util/http_probe.h"

namespace mrvn::wt {
namespace {

bool LogHas(uint16_t port, const std::string& requestLine) {
    return test::ServerLog(port).find(requestLine + "\r\n") != std::string::npos;
}

class UpdateTest : public testing::Test {
protected:
    void SetUp() override {
        port = TestServerPort();
        ASSERT_NE(port, 0);
        ASSERT_TRUE(ResetLauncherState(port));
        ClearPendingRenames();
        SetLauncherString(L"WebHost", L"127.0.0.1:" + std::to_wstring(port));
        SetLauncherString(L"PlatformDomains", L"127.0.0.1");
        ASSERT_TRUE(MakeFolders(InstallFolder()));
        ASSERT_TRUE(CopyFileW(MrvnExe().c_str(), program.c_str(), FALSE));
        ASSERT_TRUE(ReadFileBytes(program, oldBytes));
        // The new release: the same program with a tail, so it runs and hashes differently.
        newBytes = oldBytes + std::string("release 3.0.0.2 tail", 20);
        ASSERT_TRUE(test::ResetServer(port));
        ASSERT_TRUE(test::SetServerRoute(port, "/files/NewMrvn.bin", "ok", newBytes));
    }
    void TearDown() override {
        WaitForNoProcess(L"Mrvn.exe", 30000);
        ClearPendingRenames();
    }

    void PublishConfig(const std::string& key, const std::string& addr) {
        ASSERT_TRUE(test::SetServerRoute(port, "/update/ConfigMrvn.htm", "ok",
                                         "[VerKey]\r\nMrvn=" + key + "\r\nUpdAddr=" + addr + "\r\n"));
    }
    std::string ReleaseAddr() const { return "http://127.0.0.1:" + std::to_string(port) + "/files/NewMrvn.bin"; }
    std::string ReleaseKey() const { return Md5HexOf(newBytes).substr(0, 28) + "3002"; }
    // Neither the download nor a stale copy of it is left, nor waits for a restart.
    void ExpectNoNewFileLeft() {
        EXPECT_FALSE(FileExists(InstallFolder() + L"\\NewMrvn.exe"));
        EXPECT_EQ(PendingRenames().find(L"NewMrvn.exe"), std::wstring::npos) << "deleted only at restart";
    }

    void RunAll(const std::wstring& exe, const std::wstring& args) { ASSERT_TRUE(RunLauncher(exe, args, 120000)); }
    // Also waits for the copies that run under the other name, as a restart after an update does.
    void RunAllAs(const std::wstring& exe, const std::wstring& args) {
        RunAll(exe, args);
        ASSERT_TRUE(WaitForNoProcess(kOtherName, 60000));
    }
    // The old program is still at its path, whole, and starts.
    void ExpectOldProgramWorks() {
        std::string now;
        ASSERT_TRUE(ReadFileBytes(program, now));
        EXPECT_TRUE(now == oldBytes) << "the program file changed";
        std::vector<uint8_t> data;
        DWORD type = 0;
        EXPECT_FALSE(ReadLauncherValue(L"UpdTime", data, type)) << "a failed update wrote UpdTime";
        const std::wstring before = IniValue(CountersFile(), L"Game", L"0");
        RunAll(program, L"");
        EXPECT_EQ(IniValue(CountersFile(), L"Game", L"0"), std::to_wstring(std::stoi(before) + 1));
    }

    static constexpr wchar_t kOtherName[] = L"Mrvn (1).exe";
    uint16_t port = 0;
    std::wstring program = InstallFolder() + L"\\Mrvn.exe";
    // A browser's second download of the program keeps its name when installed.
    std::wstring other = InstallFolder() + L"\\" + kOtherName;
    std::wstring oldName = InstallFolder() + L"\\OldMrvn.exe";
    std::wstring newName = InstallFolder() + L"\\NewMrvn.exe";
    std::wstring elsewhere = L"C:\\MrvnElsewhere\\Mrvn.exe";
    // A start of any copy, which ends at once: a page process without a main window.
    void StartElsewhere() {
        RemoveTree(L"C:\\MrvnElsewhere");
        ASSERT_TRUE(MakeFolders(L"C:\\MrvnElsewhere"));
        ASSERT_TRUE(CopyFileW(MrvnExe().c_str(), elsewhere.c_str(), FALSE));
        RunAll(elsewhere, L"/newgm /0 /0");
        RemoveTree(L"C:\\MrvnElsewhere");
    }
    std::string oldBytes, newBytes;
};

TEST_F(UpdateTest, ForcedUpdateDownloadsSwapsAndStartsTheNewProgram) {
    PublishConfig(Md5HexOf(newBytes).substr(0, 28) + "3002", ReleaseAddr());
    RunAll(program, L"/update");

    std::string now, old;
    ASSERT_TRUE(ReadFileBytes(program, now));
    EXPECT_TRUE(now == newBytes) << "the program file is not the release";
    ASSERT_TRUE(ReadFileBytes(InstallFolder() + L"\\OldMrvn.exe", old));
    EXPECT_TRUE(old == oldBytes);
    EXPECT_FALSE(FileExists(InstallFolder() + L"\\NewMrvn.exe"));
    EXPECT_FALSE(FileExists(InstallFolder() + L"\\ConfigMrvn.htm")) << "the configuration was not deleted";
    EXPECT_NE(PendingRenames().find(L"OldMrvn.exe"), std::wstring::npos) << "OldMrvn.exe is not scheduled";

    std::vector<uint8_t> upd;
    DWORD type = 0;
    ASSERT_TRUE(ReadLauncherValue(L"UpdTime", upd, type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(upd.size(), 16u);
    SYSTEMTIME utc;
    GetSystemTime(&utc);
    EXPECT_EQ(upd[0] | (upd[1] << 8), utc.wYear);
    // The new program started: a plain start of the installed copy counts a game.
    EXPECT_EQ(IniValue(CountersFile(), L"Game"), L"1");
    EXPECT_TRUE(LogHas(port, "GET /update/ConfigMrvn.htm HTTP/1.1"));
    EXPECT_TRUE(LogHas(port, "GET /files/NewMrvn.bin HTTP/1.1"));
}

TEST_F(UpdateTest, FailuresLeaveTheOldProgramInPlaceAndWorking) {
    const struct {
        const char* name;
        std::string addr;
        const char* releaseKind;
        bool blockOldName;  // a folder named OldMrvn.exe makes the first rename fail
    } rows[] = {
        {"address outside the allow-list", "http://elsewhere.example/NewMrvn.bin", "ok", false},
        {"empty address", "", "ok", false},
        {"short download", "", "short", false},
        {"release missing", "", "404", false},
        {"failed rename", "", "ok", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(test::ResetServer(port));
        ASSERT_TRUE(test::SetServerRoute(port, "/files/NewMrvn.bin", row.releaseKind, newBytes, 1000));
        const bool useRelease = row.addr.empty() && std::string(row.name) != "empty address";
        PublishConfig("0123456789abcdef0123456789ab3001", useRelease ? ReleaseAddr() : row.addr);
        const std::wstring oldName = InstallFolder() + L"\\OldMrvn.exe";
        if (row.blockOldName) {
            ASSERT_TRUE(MakeFolders(oldName));
        }
        RunAll(program, L"/update");
        if (row.blockOldName) RemoveDirectoryW(oldName.c_str());
        if (std::string(row.name) == "address outside the allow-list") {
            EXPECT_EQ(test::ServerLog(port).find("NewMrvn.bin"), std::string::npos);
        }
        ExpectOldProgramWorks();
    }
}

TEST_F(UpdateTest, ProgressDialogShowsAndItsCloseButtonCancelsTheDownload) {
    ASSERT_TRUE(test::SetServerRoute(port, "/files/NewMrvn.bin", "stall", newBytes));
    PublishConfig("0123456789abcdef0123456789ab3001", ReleaseAddr());
    DWORD pid = 0;
    HANDLE process = StartProcess(program, L"/update", &pid);
    ASSERT_NE(process, nullptr);
    const HWND dialog = WaitForWindowOf(pid);
    ASSERT_NE(dialog, nullptr) << "no progress dialog";
    wchar_t title[64] = {};
    GetWindowTextW(dialog, title, 64);
    EXPECT_STREQ(title, L"版本更新中...");
    EXPECT_NE(GetDlgItem(dialog, 1000), nullptr) << "no progress bar";
    // Enter, through the dialog's own keyboard handling, does not end it; the caption's close button does.
    PostMessageW(dialog, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(WaitForSingleObject(process, kWindowGoesMs), static_cast<DWORD>(WAIT_TIMEOUT));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(50000, BN_CLICKED), 0);
    EXPECT_EQ(WaitForSingleObject(process, 60000), static_cast<DWORD>(WAIT_OBJECT_0)) << "cancel did not end it";
    CloseHandle(process);
    ASSERT_TRUE(WaitForNoProcess(L"Mrvn.exe", 60000));
    ExpectOldProgramWorks();
}

TEST_F(UpdateTest, ScheduledCheckAtAGameShortcutStart) {
    PublishConfig("0123456789abcdef0123456789ab3001", ReleaseAddr());
    SYSTEMTIME utc;
    GetSystemTime(&utc);

    // Today is a disabled weekday: no request for the configuration at all.
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Quarn\\GameLogin\\Mrvn", 0, nullptr, 0, KEY_WRITE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const BYTE days[4] = {static_cast<BYTE>(utc.wDayOfWeek), static_cast<BYTE>((utc.wDayOfWeek + 1) % 7),
                          static_cast<BYTE>((utc.wDayOfWeek + 1) % 7), 0};
    ASSERT_EQ(RegSetValueExW(key, L"DisableDays", 0, REG_BINARY, days, 4), ERROR_SUCCESS);
    RunAll(program, L"/MrvnD");
    EXPECT_FALSE(LogHas(port, "GET /update/ConfigMrvn.htm HTTP/1.1"));

    // Updated today already: no request either.
    RegDeleteValueW(key, L"DisableDays");
    ASSERT_EQ(RegSetValueExW(key, L"UpdTime", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&utc), 16),
              ERROR_SUCCESS);
    RunAll(program, L"/MrvnD");
    EXPECT_FALSE(LogHas(port, "GET /update/ConfigMrvn.htm HTTP/1.1"));

    // Due: the check runs, and the server's upper-case copy of our own key means no update.
    RegDeleteValueW(key, L"UpdTime");
    RegCloseKey(key);
    std::string ownKey = Md5HexOf(oldBytes).substr(0, 28) + "3001";
    for (char& c : ownKey) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    PublishConfig(ownKey, ReleaseAddr());
    RunAll(program, L"/MrvnD");
    EXPECT_TRUE(LogHas(port, "GET /update/ConfigMrvn.htm HTTP/1.1"));
    EXPECT_FALSE(LogHas(port, "GET /files/NewMrvn.bin HTTP/1.1")) << "a differing key was reported";
    std::string now;
    ASSERT_TRUE(ReadFileBytes(program, now));
    EXPECT_TRUE(now == oldBytes);
}

TEST_F(UpdateTest, WhatIsNotTheReleaseIsNeverSwappedIn) {
    const std::string second = "http://127.0.0.2:" + std::to_string(port);
    const struct {
        const char* name;
        const char* kind;
        std::string body;
        size_t extra;
        std::string key;
    } rows[] = {
        {"error page with 500", "500", "<html><body>Internal Server Error</body></html>", 0, ReleaseKey()},
        {"portal page with 200", "ok", "<html><body>Welcome to the portal</body></html>", 0, ReleaseKey()},
        {"cut short under a lying length", "under", newBytes, newBytes.size() / 2, ReleaseKey()},
        {"Content-Length 0", "under", newBytes, 0, ReleaseKey()},
        {"a whole program, but not the release named", "ok", newBytes, 0, "0123456789abcdef0123456789ab3002"},
        {"redirected to a host outside the allow-list", "redirect", second + "/files/Foreign.bin", 0, ReleaseKey()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(test::ResetServer(port));
        ASSERT_TRUE(test::SetServerRoute(port, "/files/NewMrvn.bin", row.kind, row.body, row.extra));
        ASSERT_TRUE(test::SetServerRoute(port, "/files/Foreign.bin", "ok", newBytes));
        PublishConfig(row.key, ReleaseAddr());
        RunAll(program, L"/update");
        EXPECT_TRUE(LogHas(port, "GET /files/NewMrvn.bin HTTP/1.1"));
        EXPECT_FALSE(LogHas(port, "GET /files/Foreign.bin HTTP/1.1")) << "the redirect left the allow-list";
        ExpectNoNewFileLeft();
        ExpectOldProgramWorks();
    }
}

TEST_F(UpdateTest, ConfigurationRedirectedOffThePlatformNamesNoRelease) {
    // As a hostile network would: the configuration request is sent elsewhere, where a configuration
    // names a foreign program with the platform's domain in its query and that program's own key.
    const std::string foreignHost = "http://127.0.0.2:" + std::to_string(port);
    const std::string foreign = oldBytes + std::string("a foreign program", 17);
    ASSERT_TRUE(test::SetServerRoute(port, "/files/x.exe", "ok", foreign));
    ASSERT_TRUE(test::SetServerRoute(port, "/update/Foreign.htm", "ok",
                                     "[VerKey]\r\nMrvn=" + Md5HexOf(foreign).substr(0, 28) + "3002\r\nUpdAddr=" +
                                         foreignHost + "/files/x.exe?127.0.0.1\r\n"));
    ASSERT_TRUE(test::SetServerRoute(port, "/update/ConfigMrvn.htm", "redirect", foreignHost + "/update/Foreign.htm"));
    RunAll(program, L"/update");
    EXPECT_TRUE(LogHas(port, "GET /update/ConfigMrvn.htm HTTP/1.1"));
    EXPECT_FALSE(LogHas(port, "GET /update/Foreign.htm HTTP/1.1")) << "the redirect left the platform";
    EXPECT_FALSE(LogHas(port, "GET /files/x.exe?127.0.0.1 HTTP/1.1"));
    ExpectNoNewFileLeft();
    ExpectOldProgramWorks();
}

TEST_F(UpdateTest, AddressTooLongForItsBufferIsNotCutButRefused) {
    // Cut at 511 characters this still names the release's path: the cut request would succeed.
    std::string addr = ReleaseAddr() + "?v=";
    addr += std::string(600 - addr.size(), '7');
    PublishConfig(ReleaseKey(), addr);
    RunAll(program, L"/update");
    EXPECT_TRUE(LogHas(port, "GET /update/ConfigMrvn.htm HTTP/1.1"));
    EXPECT_EQ(test::ServerLog(port).find("/files/NewMrvn.bin"), std::string::npos);
    ExpectOldProgramWorks();
}

TEST_F(UpdateTest, ConfigurationOver64KiBOrCutShortIsRefusedAndNotLeftBehind) {
    const std::string config = "[VerKey]\r\nMrvn=" + ReleaseKey() + "\r\nUpdAddr=" + ReleaseAddr() + "\r\n";
    const struct {
        const char* name;
        const char* kind;
        std::string body;
        size_t extra;
    } rows[] = {
        {"over 64 KiB", "ok", config + std::string(65 * 1024, ';'), 0},
        {"cut short", "short", config, 5000},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(test::ResetServer(port));
        ASSERT_TRUE(test::SetServerRoute(port, "/files/NewMrvn.bin", "ok", newBytes));
        ASSERT_TRUE(test::SetServerRoute(port, "/update/ConfigMrvn.htm", row.kind, row.body, row.extra));
        RunAll(program, L"/update");
        EXPECT_TRUE(LogHas(port, "GET /update/ConfigMrvn.htm HTTP/1.1"));
        EXPECT_FALSE(LogHas(port, "GET /files/NewMrvn.bin HTTP/1.1"));
        EXPECT_FALSE(FileExists(InstallFolder() + L"\\ConfigMrvn.htm")) << "a refused configuration stayed";
        ExpectOldProgramWorks();
    }
}

TEST_F(UpdateTest, SilentOrDrippingServersDelayAStartOnlyForALimitedTime) {
    const struct {
        const char* name;
        const char* route;
        const char* kind;
        std::string body;
        size_t extra;
        const wchar_t* args;
    } rows[] = {
        {"configuration never answered", "/update/ConfigMrvn.htm", "hang", "", 0, L"/MrvnD"},
        {"configuration dripped at a byte a second", "/update/ConfigMrvn.htm", "drip", std::string(200, ';'), 1000,
         L"/MrvnD"},
        {"release stalls halfway", "/files/NewMrvn.bin", "stall", newBytes, 0, L"/update"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(test::ResetServer(port));
        PublishConfig(ReleaseKey(), ReleaseAddr());
        ASSERT_TRUE(test::SetServerRoute(port, row.route, row.kind, row.body, row.extra));
        // Far above the 15 s of a configuration and the 30 s without bytes of a download, far below
        // the minutes these took before.
        const RunResult r = RunAndWait(program, row.args, 90000);
        EXPECT_TRUE(r.ended) << "the start never went on";
        ASSERT_TRUE(WaitForNoProcess(L"Mrvn.exe", 60000));
        ExpectNoNewFileLeft();
        ExpectOldProgramWorks();
    }
}

TEST_F(UpdateTest, SwapCutOffBetweenItsRenamesIsRepairedAtTheNextStart) {
    RemoveTree(L"C:\\MrvnElsewhere");
    ASSERT_TRUE(MakeFolders(L"C:\\MrvnElsewhere"));
    ASSERT_TRUE(CopyFileW(MrvnExe().c_str(), elsewhere.c_str(), FALSE));
    const struct {
        const char* name;
        bool oldThere;
        std::string newFile;  // empty: none
        std::wstring start;   // the program started, and its arguments
        std::wstring args;
        const std::string* programAfter;  // nullptr: still missing
    } rows[] = {
        // A shortcut that follows the renamed file starts the old program under its new name.
        {"old program started as OldMrvn.exe", true, newBytes, oldName, L"/MrvnD", &oldBytes},
        // Any start of the launcher looks after the installed program, here a page start from elsewhere.
        {"only the release is left", false, newBytes, elsewhere, L"/newgm /0 /0", &newBytes},
        {"only a release cut short is left", false, newBytes.substr(0, newBytes.size() / 2), elsewhere,
         L"/newgm /0 /0", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DeleteFileW(program.c_str());
        DeleteFileW(oldName.c_str());
        DeleteFileW(newName.c_str());
        if (row.oldThere) {
            ASSERT_TRUE(WriteFileBytes(oldName, oldBytes));
        }
        if (!row.newFile.empty()) {
            ASSERT_TRUE(WriteFileBytes(newName, row.newFile));
        }
        // What the swap notes before its first rename.
        SetLauncherString(L"SwappingProgram", program);
        RunAll(row.start, row.args);
        std::string now;
        EXPECT_EQ(ReadFileBytes(program, now), row.programAfter != nullptr);
        if (row.programAfter) {
            EXPECT_TRUE(now == *row.programAfter) << "the program path holds " << now.size() << " bytes";
            EXPECT_FALSE(FileExists(oldName));
            EXPECT_FALSE(FileExists(newName));
        }
    }
    // The installed program works again: a plain start counts a game.
    ASSERT_TRUE(WriteFileBytes(program, oldBytes));
    DeleteFileW(newName.c_str());
    ExpectOldProgramWorks();
    RemoveTree(L"C:\\MrvnElsewhere");
}

TEST_F(UpdateTest, ACopyWithAnotherNameIsUpdatedUnderItsNameAndNothingElseAppears) {
    ASSERT_TRUE(MoveFileW(program.c_str(), other.c_str()));
    PublishConfig(ReleaseKey(), ReleaseAddr());
    // The update restarts the program; that start, and any later one, looks for a swap to repair.
    RunAllAs(other, L"/update");
    EXPECT_EQ(IniValue(CountersFile(), L"Game"), L"1") << "the updated program did not start";
    StartElsewhere();
    std::string now;
    ASSERT_TRUE(ReadFileBytes(other, now));
    EXPECT_TRUE(now == newBytes) << "the program is not the release";
    EXPECT_FALSE(FileExists(program)) << "the replaced program came back as Mrvn.exe";
    EXPECT_TRUE(FileExists(oldName)) << "the replaced program no longer waits for the restart";
}

TEST_F(UpdateTest, ASwapOfACopyWithAnotherNameCutOffBetweenItsRenamesIsRepairedUnderThatName) {
    ASSERT_TRUE(DeleteFileW(program.c_str()));
    ASSERT_TRUE(WriteFileBytes(oldName, oldBytes));
    ASSERT_TRUE(WriteFileBytes(newName, newBytes));
    SetLauncherString(L"SwappingProgram", other);
    StartElsewhere();
    std::string now;
    ASSERT_TRUE(ReadFileBytes(other, now)) << "the program was not put back under its own name";
    EXPECT_TRUE(now == oldBytes);
    EXPECT_FALSE(FileExists(program));
    EXPECT_FALSE(FileExists(oldName));
    EXPECT_FALSE(FileExists(newName));
    std::vector<uint8_t> data;
    DWORD type = 0;
    EXPECT_FALSE(ReadLauncherValue(L"SwappingProgram", data, type)) << "the repaired swap is still noted";
}

// After an update the replaced program waits as OldMrvn.exe for the restart; a removal meanwhile is final.
TEST_F(UpdateTest, NoStartAfterARemovalBringsTheProgramBack) {
    ASSERT_TRUE(MoveFileW(program.c_str(), other.c_str()));
    ASSERT_TRUE(WriteFileBytes(oldName, oldBytes));
    ASSERT_TRUE(MoveFileExW(oldName.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(RemoveWithYes(other));
    ASSERT_TRUE(WaitFor([&] { return !FileExists(other); }, 30000)) << "the batch did not delete the program";
    StartElsewhere();
    EXPECT_FALSE(FileExists(program)) << "a start brought the removed program back";
    EXPECT_FALSE(FileExists(other)) << "a start brought the removed program back";
    EXPECT_TRUE(FileExists(oldName));
}

}  // namespace
}  // namespace mrvn::wt
