// The download of another game's launcher as the hall runs it: the dialog in this process, the real
// WinINet session and files, the loopback server as the platform, the game stub as the launcher.
#include <gtest/gtest.h>

#include "wine/wine_util.h"

#include <commctrl.h>

#include <atomic>
#include <thread>

#include "core/host_config.h"
#include "net/win/down_game_dlg.h"
#include "platform/win32/win32_file_io.h"
#include "platform/win32/win32_http.h"
#include "platform/win32/win32_platform.h"
#include "resource.h"
#include "skin/win/dlg_ex.h"
#include "util/http_probe.h"

namespace mrvn::wt {
namespace {

const std::wstring kFolder = L"C:\\MrvnClient";

// The dialog believes it runs from kFolder, where it writes the game's configuration.
class ProgramInFolder final : public ProcessEnv {
public:
    std::wstring ProgramPath() override { return kFolder + L"\\Mrvn.exe"; }
    std::vector<std::wstring> Arguments() override { return {ProgramPath()}; }
};

std::wstring TempFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    return temp;
}

bool LogHas(uint16_t port, const std::string& requestLine) {
    return test::ServerLog(port).find(requestLine + "\r\n") != std::string::npos;
}

// The window's pixels as a BMP in MRVN_GALLERY_DIR, for the gallery (converted to PNG outside).
void SaveWindow(HWND hwnd, const std::wstring& name) {
    if (WinPathFromEnv("MRVN_GALLERY_DIR").empty()) return;
    Sleep(1000);  // the last repaint has reached the screen
    RECT rc;
    GetWindowRect(hwnd, &rc);
    SaveGalleryBmp(rc, name);
}

class ClientDownloadTest : public testing::Test {
protected:
    void SetUp() override {
        port = TestServerPort();
        ASSERT_NE(port, 0);
        RemoveTree(kFolder);
        ASSERT_TRUE(MakeFolders(kFolder));
        DeleteFileW(target.c_str());
        DeleteFileW((target + L".log").c_str());
        ClearPendingRenames();
        hosts.clientHost = L"127.0.0.1:" + std::to_wstring(port);
        hosts.webHost = hosts.clientHost;
        hosts.domains = {L"127.0.0.1"};
        ASSERT_TRUE(test::ResetServer(port));
        ASSERT_TRUE(ReadFileBytes(WinPathFromEnv("MRVN_GAME_STUB"), stub));
        ASSERT_GT(stub.size(), 1000u);
    }
    std::string Address(const std::string& path, const char* host = "127.0.0.1") const {
        return "http://" + std::string(host) + ":" + std::to_string(port) + path;
    }
    void PublishConfig(const std::string& updAddr, const char* kind = "ok", size_t extra = 0) {
        ASSERT_TRUE(test::SetServerRoute(port, "/update/ConfigXyz.htm", kind,
                                         "[VerKey]\r\nXyz=ffffffffffffffffffffffffffff1001\r\nUpdAddr=" + updAddr +
                                             "\r\n",
                                         extra));
    }

    // Runs the dialog for `tag` modally on this thread, as the hall's thread runs it, while `player`
    // acts on another thread that makes no window of its own (the window framework's per-thread table
    // is left to the main thread). Whatever `player` leaves open is then closed: OK once the work is
    // over, else the close button's cancel. Returns the dialog's result.
    int RunWithPlayer(const std::function<void()>& player, const std::wstring& tag = L"Xyz") {
        finished = false;
        std::thread thread([&] {
            player();
            while (!finished) {
                if (HWND dlg = Dialog()) {
                    PostMessageW(dlg, WM_COMMAND, IDOK, 0);
                    PostMessageW(dlg, WM_CLOSE, 0, 0);
                }
                Sleep(200);
            }
        });
        const int r = net::ShowClientDownload(ClientDownloadContext{session, sink, source, platform.files,
                                                                    platform.profile, process, platform.launcher,
                                                                    hosts, L""},
                                              nullptr, tag);
        finished = true;
        thread.join();
        return r;
    }
    // The download dialog of this process: the one with the progress bar of its template.
    static HWND Dialog() {
        const auto found = TopLevel([](HWND h) {
            return PidOf(h) == GetCurrentProcessId() && ClassOf(h) == L"#32770" && IsWindowVisible(h) &&
                   GetDlgItem(h, IDC_DOWN_GAME_PROGRESS) != nullptr;
        });
        return found.empty() ? nullptr : found.front();
    }
    HWND WaitForDialog() {
        HWND dlg = nullptr;
        WaitFor([&] { return (dlg = Dialog()) != nullptr; }, 20000);
        return dlg;
    }
    static bool Enabled(HWND dlg, int id) { return IsWindowEnabled(GetDlgItem(dlg, id)) != FALSE; }
    static int Percent(HWND dlg) {
        return int(SendMessageW(GetDlgItem(dlg, IDC_DOWN_GAME_PROGRESS), PBM_GETPOS, 0, 0));
    }
    // The dialog has ended (ShowClientDownload returned).
    bool Ends(DWORD ms = 20000) { return WaitFor([&] { return finished.load(); }, ms); }
    std::wstring StubLog() const {
        std::string bytes;
        if (!ReadFileBytes(target + L".log", bytes)) return L"";
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    }

    uint16_t port = 0;
    const std::wstring ini = kFolder + L"\\Xyz.ini";
    const std::wstring target = TempFolder() + L"Xyz.exe";
    std::string stub;
    HostConfig hosts;
    win::Platform platform;
    ProgramInFolder process;
    win::Win32HttpSession session;
    win::Win32FileSink sink;
    win::Win32FileSource source;
    std::atomic<bool> finished{false};
};

TEST_F(ClientDownloadTest, DownloadsTheLauncherStartsItAndEndsComplete) {
    // The configuration drips, so that its file beside the program can be seen while it arrives.
    PublishConfig(Address("/files/Xyz.exe"), "drip", 40);
    ASSERT_TRUE(test::SetServerRoute(port, "/files/Xyz.exe", "ok", stub));
    const int result = RunWithPlayer([&] {
        HWND dlg = WaitForDialog();
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(TextOf(dlg), L"游戏下载中...");
        EXPECT_FALSE(Enabled(dlg, IDOK));
        EXPECT_TRUE(Enabled(dlg, IDCANCEL));
        EXPECT_TRUE(WaitFor([&] { return FileExists(ini); })) << "no configuration beside the program";

        EXPECT_TRUE(WaitFor([&] { return TextOf(dlg) == L"下载完成"; }, 60000)) << TextOf(dlg).size();
        EXPECT_TRUE(LogHas(port, "GET /update/ConfigXyz.htm HTTP/1.1"));
        EXPECT_TRUE(LogHas(port, "GET /files/Xyz.exe HTTP/1.1"));
        EXPECT_FALSE(FileExists(ini)) << "the configuration stayed";
        EXPECT_TRUE(Enabled(dlg, IDOK));
        EXPECT_FALSE(Enabled(dlg, IDCANCEL));
        EXPECT_EQ(Percent(dlg), 100);
        EXPECT_EQ(TextOf(GetDlgItem(dlg, IDC_DOWN_GAME_TEXT)), L"已加载  100%");
        // The launcher ran from the temporary folder, with no arguments.
        EXPECT_TRUE(WaitFor([&] { return !StubLog().empty(); }, 30000)) << "the launcher did not start";
        EXPECT_EQ(StubLog(), L"\"" + target + L"\"\n");
        SaveWindow(dlg, L"download-done");
        // Its file goes: at once, or at the next restart while the launcher held it.
        EXPECT_TRUE(WaitForNoProcess(L"Xyz.exe", 30000));
        EXPECT_TRUE(!FileExists(target) || PendingRenames().find(L"Xyz.exe") != std::wstring::npos);

        PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
        EXPECT_TRUE(Ends()) << "OK did not end the dialog";
    });
    EXPECT_EQ(result, 1);
    ClearPendingRenames();
}

TEST_F(ClientDownloadTest, HalfwayShowsItsPercentEscapeDoesNothingAndTheCloseButtonCancels) {
    PublishConfig(Address("/files/Xyz.exe"));
    // 1000 bytes announced, 512 sent, then nothing.
    ASSERT_TRUE(test::SetServerRoute(port, "/files/Xyz.exe", "stall", std::string(1000, 'x'), 512));
    RunWithPlayer([&] {
        HWND dlg = WaitForDialog();
        ASSERT_NE(dlg, nullptr);
        ASSERT_TRUE(WaitFor([&] { return Percent(dlg) == 51; }, 30000)) << Percent(dlg);
        EXPECT_TRUE(WaitFor([&] { return TextOf(GetDlgItem(dlg, IDC_DOWN_GAME_TEXT)) == L"已加载  51%"; }));
        EXPECT_TRUE(FileExists(target));
        SaveWindow(dlg, L"download-halfway");

        // Escape, where the dialog manager would make it a Cancel.
        PostMessageW(GetDlgItem(dlg, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageW(GetDlgItem(dlg, IDCANCEL), WM_KEYUP, VK_ESCAPE, 0xC0010001);
        EXPECT_FALSE(WaitFor([&] { return finished.load() || !IsWindowVisible(dlg); }, kWindowGoesMs))
            << "Escape ended the download";
        EXPECT_EQ(TextOf(dlg), L"游戏下载中...");
        EXPECT_EQ(Percent(dlg), 51);

        // The close button, while the body is stalled: the dialog ends long before the transfer's
        // 30 s wait for the next byte would.
        PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_SKIN_CLOSE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_SKIN_CLOSE)));
        EXPECT_TRUE(Ends(15000)) << "the close button did not end a stalled download";
    });
    EXPECT_FALSE(FileExists(target)) << "the partial download stayed";
    EXPECT_EQ(StubLog(), L"");
}

// What is not a whole launcher from the platform starts nothing and leaves nothing.
TEST_F(ClientDownloadTest, RefusedAddressMissingConfigurationAndCutBodiesStartNothing) {
    const struct {
        const char* name;
        std::string config;  // UpdAddr; empty: no configuration at all
        const char* kind;
        size_t extra;
        bool fetched;  // the program was asked for
        bool configFound;
    } rows[] = {
        {"outside the allow-list", Address("/files/Xyz.exe", "127.0.0.2"), "ok", 0, false, true},
        {"configuration missing", "", "ok", 0, false, false},
        {"body shorter than announced", Address("/files/Xyz.exe"), "short", 4096, true, true},
        {"a whole answer that holds only the program's start", Address("/files/Xyz.exe"), "ok", 0, true, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(test::ResetServer(port));
        if (!row.config.empty()) PublishConfig(row.config);
        // The "ok" row serves the program's first 60000 bytes: its last sections lie past the end.
        const std::string body = std::string(row.kind) == "ok" ? stub.substr(0, 60000) : stub;
        ASSERT_TRUE(test::SetServerRoute(port, "/files/Xyz.exe", row.kind, body, row.extra));
        RunWithPlayer([&] {
            HWND dlg = WaitForDialog();
            ASSERT_NE(dlg, nullptr);
            EXPECT_TRUE(WaitFor([&] { return TextOf(dlg) == L"下载失败"; }, 30000)) << TextOf(dlg).size();
            EXPECT_TRUE(LogHas(port, "GET /update/ConfigXyz.htm HTTP/1.1"));
            EXPECT_EQ(LogHas(port, "GET /files/Xyz.exe HTTP/1.1"), row.fetched);
            // Without a configuration the dialog stays as it was while working.
            EXPECT_EQ(Enabled(dlg, IDOK), row.configFound);
            EXPECT_EQ(Enabled(dlg, IDCANCEL), !row.configFound);
            EXPECT_FALSE(FileExists(target)) << "a file was left in the temporary folder";
            EXPECT_FALSE(FileExists(ini));
            EXPECT_EQ(PendingRenames().find(L"Xyz"), std::wstring::npos) << "deleted only at restart";
            // The close button ends it in either state.
            PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
            EXPECT_TRUE(Ends()) << "the close button did not end it";
        });
    }
    // A start would have written the stub's log within the time the rows took, and a little more.
    EXPECT_FALSE(WaitFor([&] { return !StubLog().empty(); }, kWindowGoesMs));
}

}  // namespace
}  // namespace mrvn::wt
