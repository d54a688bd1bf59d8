// Game pages and the hall in the real main window: Mrvn.exe runs with page_host as its page program
// (the program's own page frame without the login, for test accounts abc, def and ghi); its hall
// button starts the real Mrvn.exe as the hall process. The pages are the stand-in's, served by the
// loopback server; a stub plays another game's launcher and the program that opens web addresses.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "gamewnd/private_messages.h"
#include "resource.h"
#include "util/http_probe.h"
#include "wine/wine_util.h"

namespace mrvn::wt {
namespace {

constexpr wchar_t kFrameClass[] = L"MrvnFrameWnd";
// How long a refresh of a stand-in page may take to reach the server.
constexpr DWORD kRefreshMs = 5000;
constexpr wchar_t kEngineClass[] = L"MrvnPageEngine";
// The body colours of the stand-in's game pages of abc, def and ghi.
constexpr COLORREF kPageColour[] = {RGB(0x24, 0x46, 0x6e), RGB(0x2b, 0x5a, 0x34), RGB(0x6a, 0x2d, 0x24)};

// The whole screen as a BMP, for the gallery (MRVN_GALLERY_DIR; converted to PNG outside).
void SaveScreen(const std::wstring& name) {
    if (WinPathFromEnv("MRVN_GALLERY_DIR").empty()) return;
    Sleep(1500);  // every window has painted
    SaveGalleryBmp({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, name);
}

HWND EngineOf(HWND frame) {
    HWND view = GetWindow(frame, GW_CHILD);
    HWND engine = view ? GetWindow(view, GW_CHILD) : nullptr;
    return engine && ClassOf(engine) == kEngineClass ? engine : nullptr;
}

bool HasVerticalBar(HWND engine) { return (GetWindowLongPtrW(engine, GWL_STYLE) & WS_VSCROLL) != 0; }

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }


// What a stub wrote to its log (UTF-16 lines), empty when it never ran.
std::wstring StubLog(const std::wstring& stub) {
    std::string bytes;
    if (!ReadFileBytes(stub + L".log", bytes)) return L"";
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

class PageProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = TestServerPort();
        ASSERT_TRUE(ResetLauncherState(port_));
        const std::wstring host = L"127.0.0.1:" + std::to_wstring(port_);
        SetLauncherString(L"WebHost", host);
        SetLauncherString(L"PlatformDomains", L"127.0.0.1");
        ASSERT_TRUE(test::ResetServer(port_));
        // The stand-in's pages, as the stand-in serves them on their first load.
        const std::wstring standin = WinPathFromEnv("MRVN_STANDIN");
        for (const char* page : {"/mrvn/game/abc.html", "/mrvn/game/def.html", "/mrvn/game/ghi.html", "/webgame.htm",
                                 "/index.html"}) {
            std::wstring file = standin;
            for (const char* p = page; *p; ++p) file.push_back(*p == '/' ? L'\\' : wchar_t(*p));
            std::string body;
            ASSERT_TRUE(ReadFileBytes(file, body)) << page;
            for (auto [what, with] : {std::pair<std::string, std::string>{"{{count}}", "1"}, {"{{host}}", Narrow(host)}}) {
                for (size_t at = body.find(what); at != std::string::npos; at = body.find(what, at + with.size()))
                    body.replace(at, what.size(), with);
            }
            ASSERT_TRUE(test::SetServerRoute(port_, page, "ok", body)) << page;
        }
        pageSettings_ = WinPathFromEnv("MRVN_PAGE_HOST");
        pageSettings_ = pageSettings_.substr(0, pageSettings_.rfind(L'\\') + 1) + L"Statistic.ini";
        DeleteFileW(pageSettings_.c_str());
    }

    void TearDown() override {
        if (launcher_) {
            if (WaitForSingleObject(launcher_, 0) == WAIT_TIMEOUT) TerminateProcess(launcher_, 1);
            CloseHandle(launcher_);
        }
        for (HANDLE p : pages_) {
            if (WaitForSingleObject(p, 0) == WAIT_TIMEOUT) TerminateProcess(p, 1);
            CloseHandle(p);
        }
        WaitForNoProcess(L"page_host.exe", 20000);
        WaitForNoProcess(L"Mrvn.exe", 20000);
        DeleteFileW(pageSettings_.c_str());
        SetEnvironmentVariableW(L"MRVN_PAGE_PROGRAM", nullptr);
    }

    // The launcher as the game shortcut starts it, with its first page (abc) shown.
    void Start() {
        const std::wstring host = WinPathFromEnv("MRVN_PAGE_HOST");
        ASSERT_FALSE(host.empty()) << "MRVN_PAGE_HOST is not set";
        SetEnvironmentVariableW(L"MRVN_PAGE_PROGRAM", host.c_str());
        SetEnvironmentVariableW(L"MRVN_PLACEMENT", nullptr);
        launcher_ = StartProcess(MrvnExe(), L"/MrvnD", &pid_);
        ASSERT_NE(launcher_, nullptr);
        main_ = WaitForMainWindow(pid_);
        ASSERT_NE(main_, nullptr) << "no main window";
        ASSERT_NE(NextFrame(), nullptr) << "the first page did not show";
    }

    // The next page or hall frame over the main window, once it shows itself.
    HWND NextFrame() {
        HWND found = nullptr;
        WaitFor([&] {
            for (HWND f : TopLevel([&](HWND h) { return ClassOf(h) == kFrameClass && GetWindow(h, GW_OWNER) == main_; })) {
                if (std::find(frames_.begin(), frames_.end(), f) == frames_.end() && IsWindowVisible(f)) found = f;
            }
            return found != nullptr;
        });
        if (found) {
            frames_.push_back(found);
            pages_.push_back(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, PidOf(found)));
        }
        return found;
    }

    RECT PageArea() const {
        RECT client{};
        GetClientRect(main_, &client);
        POINT tl{4, 30}, br{client.right - 4, client.bottom - 4};
        ClientToScreen(main_, &tl);
        ClientToScreen(main_, &br);
        return {tl.x, tl.y, br.x, br.y};
    }

    // The frame stands on the page area and shows `colour` in its lower half.
    ::testing::AssertionResult ShowsPage(HWND frame, COLORREF colour) const {
        const RECT area = PageArea();
        RECT fr{};
        if (!WaitFor([&] {
                GetWindowRect(frame, &fr);
                return IsWindowVisible(frame) && EqualRect(&fr, &area);
            }, 5000))
            return ::testing::AssertionFailure() << "frame at " << fr.left << "," << fr.top << " " << fr.right << ","
                                                 << fr.bottom << ", page area " << area.left << "," << area.top << " "
                                                 << area.right << "," << area.bottom;
        COLORREF seen = 0;
        if (!WaitFor([&] { return (seen = ScreenPixel((fr.left + fr.right) / 2, fr.bottom - 40)) == colour; }, 5000))
            return ::testing::AssertionFailure() << std::hex << "pixel " << seen << ", page colour " << colour;
        return ::testing::AssertionSuccess();
    }

    size_t Loads(const std::string& path) const {
        const auto lines = test::RequestLinesOf(test::ServerLog(port_));
        return size_t(std::count(lines.begin(), lines.end(), "GET " + path + " HTTP/1.1"));
    }

    // A message box of a process over the main window, by its caption.
    HWND WaitForBox(const std::wstring& caption, DWORD timeoutMs = 10000) const {
        HWND box = nullptr;
        WaitFor([&] {
            const auto boxes = TopLevel([&](HWND h) {
                return ClassOf(h) == L"#32770" && IsWindowVisible(h) && TextOf(h) == caption &&
                       GetWindow(h, GW_OWNER) == main_;
            });
            if (!boxes.empty()) box = boxes.front();
            return box != nullptr;
        }, timeoutMs);
        return box;
    }

    void AddAccount() const { PostMessageW(main_, WM_ADD_ACCOUNT, 1, 0); }
    void ClickTab(int index) const {
        PostMessageW(main_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120 + 189 * index + 60, 12));
        PostMessageW(main_, WM_LBUTTONUP, 0, MAKELPARAM(120 + 189 * index + 60, 12));
    }
    void F5(LPARAM lParam) const { PostMessageW(main_, WM_KEYDOWN, VK_F5, lParam); }

    uint16_t port_ = 0;
    HANDLE launcher_ = nullptr;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
    std::vector<HWND> frames_;    // in the order they showed
    std::vector<HANDLE> pages_;  // their processes
    std::wstring pageSettings_;  // the pages' hotkeys
};

TEST_F(PageProcessTest, AGamePageFillsThePageAreaWithoutScrollBarsAndF5RefreshesUnlessItIsTheBossKey) {
    Start();
    HWND abc = frames_[0];
    EXPECT_TRUE(IsZoomed(main_) || GetSystemMetrics(SM_CXSCREEN) - 100 < PageArea().right - PageArea().left)
        << "the first page maximises the main window";
    EXPECT_TRUE(ShowsPage(abc, kPageColour[0]));
    HWND engine = EngineOf(abc);
    ASSERT_NE(engine, nullptr);
    EXPECT_FALSE(HasVerticalBar(engine)) << "the game page is taller than the page area but has no scroll bar";
    EXPECT_EQ(GetWindowLongPtrW(abc, GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << "an overlay frame is never topmost";
    EXPECT_EQ(Loads("/mrvn/game/abc.html"), 1u);

    struct Row {
        const char* what;
        const wchar_t* bossKey;  // stored form; null: none set
        LPARAM lParam;
        size_t loadsAfter;
    };
    const Row rows[] = {
        {"plain F5 refreshes", nullptr, 0, 2},
        {"Ctrl+F5 as boss key leaves F5 free", L"2,116", 0, 3},
        {"F5 as boss key does not refresh", L"0,116", 0, 3},
        {"the menu's F5 always refreshes", L"0,116", kLauncherMarker, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.bossKey) {
            ASSERT_TRUE(WritePrivateProfileStringW(L"Mrvn", L"ShortKey", row.bossKey, pageSettings_.c_str()));
            // The main window passes the change on to its pages before the key it posts next.
            PostMessageW(main_, WM_HOTKEYS_CHANGED, 0, 0);
        }
        F5(row.lParam);
        EXPECT_TRUE(WaitFor([&] { return Loads("/mrvn/game/abc.html") == row.loadsAfter; }, kRefreshMs));
        // No more refreshes than that, within the time any refresh is given.
        EXPECT_FALSE(WaitFor([&] { return Loads("/mrvn/game/abc.html") != row.loadsAfter; }, kRefreshMs));
    }

    // A real click into the page raises the main window (timer 6); the page stays above it.
    const RECT area = PageArea();
    wchar_t click[160];
    swprintf(click, 160, L"Z:\\usr\\bin\\xdotool mousemove %ld %ld click 1", (area.left + area.right) / 2,
             area.bottom - 100);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, click, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) << "xdotool";
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    Sleep(800);
    EXPECT_TRUE(ShowsPage(abc, kPageColour[0])) << "the click buried the page under its main window";

    // Ctrl+D offers the page under its title for the favourites.
    PostMessageW(main_, WM_CHAR, 4, 0x00200000);
    HWND fav = WaitForBox(L"添加收藏");
    ASSERT_NE(fav, nullptr) << "no favourites dialog";
    // An edit control of another process answers only WM_GETTEXT itself.
    wchar_t name[128] = {};
    SendMessageTimeoutW(GetDlgItem(fav, 1018), WM_GETTEXT, 128, reinterpret_cast<LPARAM>(name), SMTO_NORMAL, 5000,
                        nullptr);
    EXPECT_STREQ(name, L"《Morvane》1服 龙吟（双线）- abc");
    PostMessageW(fav, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(fav); }, 5000));
}

TEST_F(PageProcessTest, TheHallKeepsItsScrollBarsAndItsLinksStartAnInstalledGameOrOfferItsDownload) {
    Start();
    // Another game's launcher in our folder, and the opener of web addresses in place of the browser.
    const std::wstring stub = WinPathFromEnv("MRVN_GAME_STUB");
    const std::wstring folder = InstallFolder();
    ASSERT_TRUE(MakeFolders(folder));
    const std::wstring launcher = folder + L"\\Xhzj.exe", opener = folder + L"\\opener.exe";
    ASSERT_TRUE(CopyFileW(stub.c_str(), launcher.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(stub.c_str(), opener.c_str(), FALSE));
    const HttpOpener web(opener);
    ASSERT_TRUE(web.Ok());

    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDC_BTN_HALL, BN_CLICKED), 0);
    HWND hall = NextFrame();
    ASSERT_NE(hall, nullptr) << "the hall did not show";
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(frames_[0]); }, 5000)) << "the hall hides the game page";
    EXPECT_TRUE(ShowsPage(hall, RGB(0xee, 0xf2, 0xf7)));
    HWND engine = EngineOf(hall);
    ASSERT_NE(engine, nullptr);
    EXPECT_TRUE(HasVerticalBar(engine)) << "the hall page keeps its scroll bars";
    SaveScreen(L"hall");

    // The first link names an installed game: its launcher starts, and no question is asked.
    PostMessageW(engine, WM_KEYDOWN, VK_TAB, 0);
    PostMessageW(engine, WM_KEYDOWN, VK_RETURN, 0);
    std::string log;
    EXPECT_TRUE(WaitFor([&] { return ReadFileBytes(launcher + L".log", log) && !log.empty(); }));

    // The second names a game without a launcher: the offer, and Cancel opens the download page.
    PostMessageW(engine, WM_KEYDOWN, VK_TAB, 0);
    PostMessageW(engine, WM_KEYDOWN, VK_RETURN, 0);
    HWND box = WaitForBox(L"Quarn游戏大厅");
    ASSERT_NE(box, nullptr) << "no download offer";
    // The links are handled in turn, so an offer for the installed game would be up by now too.
    EXPECT_EQ(TopLevel([&](HWND h) { return ClassOf(h) == L"#32770" && TextOf(h) == L"Quarn游戏大厅"; }).size(), 1u)
        << "the installed game was offered as well";
    EXPECT_EQ(TextOf(GetDlgItem(box, IDC_MSG_BTN1)), L"确定");
    EXPECT_EQ(TextOf(GetDlgItem(box, IDC_MSG_BTN2)), L"取消");
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDC_MSG_BTN2, BN_CLICKED), 0);
    std::string opened;
    EXPECT_TRUE(WaitFor([&] { return ReadFileBytes(opener + L".log", opened) && !opened.empty(); }));
    // The log holds UTF-16 text: look for the address in it.
    const std::wstring home = L"http://127.0.0.1:" + std::to_wstring(port_) + L"/";
    const std::wstring openedText(reinterpret_cast<const wchar_t*>(opened.data()), opened.size() / sizeof(wchar_t));
    EXPECT_NE(openedText.find(home), std::wstring::npos) << "the download page was not opened";
    EXPECT_EQ(Loads("/webgame.htm"), 1u) << "an app: link is never fetched and the page stays";
}

// A hall or game page can put anything after the second "|": only a web address is opened, and
// only when the player answers Cancel. The process runs elevated, so a program path would run
// as administrator.
TEST_F(PageProcessTest, TheDownloadOfferOpensOnlyWebAddressesAndOnlyOnCancel) {
    const std::wstring stub = WinPathFromEnv("MRVN_GAME_STUB");
    const std::wstring folder = InstallFolder();
    ASSERT_TRUE(MakeFolders(folder));
    const std::wstring local = folder + L"\\local.exe", opener = folder + L"\\opener.exe";
    ASSERT_TRUE(CopyFileW(stub.c_str(), local.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(stub.c_str(), opener.c_str(), FALSE));
    const HttpOpener web(opener);
    ASSERT_TRUE(web.Ok());
    std::string localPath(local.begin(), local.end()), localUrl = "file:///" + localPath;
    for (char& c : localUrl) c = c == '\\' ? '/' : c;
    const std::string download = "http://127.0.0.1:" + std::to_string(port_) + "/download.htm";
    const std::string hall = "<html><head><meta charset=\"utf-8\"><title>Quarn游戏大厅</title></head><body>"
                             "<a href=\"app://entergame|nogame|" + localPath + "\">local</a> "
                             "<a href=\"app://entergame|nogame|" + localUrl + "\">file</a> "
                             "<a href=\"app://entergame|nogame|" + download + "\">ok</a> "
                             "<a href=\"app://entergame|nogame|" + download + "?cancel\">cancel</a>"
                             "</body></html>";
    ASSERT_TRUE(test::SetServerRoute(port_, "/webgame.htm", "ok", hall));
    Start();
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDC_BTN_HALL, BN_CLICKED), 0);
    HWND frame = NextFrame();
    ASSERT_NE(frame, nullptr) << "the hall did not show";
    HWND engine = EngineOf(frame);
    ASSERT_NE(engine, nullptr);
    // Each link in turn: the offer, answered with `button`.
    const auto follow = [&](int button) {
        PostMessageW(engine, WM_KEYDOWN, VK_TAB, 0);
        PostMessageW(engine, WM_KEYDOWN, VK_RETURN, 0);
        HWND box = WaitForBox(L"Quarn游戏大厅");
        if (!box) return false;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        return WaitFor([&] { return !IsWindow(box); }, 10000);
    };
    ASSERT_TRUE(follow(IDC_MSG_BTN2)) << "no offer for the program path";
    ASSERT_TRUE(follow(IDC_MSG_BTN2)) << "no offer for the file address";
    ASSERT_TRUE(follow(IDC_MSG_BTN1)) << "no offer for the web address";
    // OK downloads the game's launcher instead: the platform has no configuration for it.
    std::vector<HWND> failed;
    ASSERT_TRUE(WaitFor([&] {
        failed = TopLevel([](HWND h) { return ClassOf(h) == L"#32770" && TextOf(h) == L"下载失败"; });
        return !failed.empty();
    }, 30000)) << "OK did not download";
    EXPECT_EQ(Loads("/update/ConfigNogame.htm"), 1u);
    PostMessageW(failed.front(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(failed.front()); }, 10000));
    ASSERT_TRUE(follow(IDC_MSG_BTN2)) << "no offer for the web address";
    // The last Cancel opens its page. The offers are handled one after another, so once it has been
    // opened every earlier answer has been acted on, and whatever they started has had its start.
    ASSERT_TRUE(WaitFor([&] { return StubLog(opener).find(L"download.htm?cancel") != std::wstring::npos; }))
        << "Cancel did not open the web address";
    EXPECT_TRUE(WaitForNoProcess(L"local.exe", 20000));
    EXPECT_EQ(StubLog(local), L"") << "the program path ran";
    EXPECT_EQ(StubLog(opener).find(L"download.htm\""), std::wstring::npos) << "OK opened the page as well";
    EXPECT_TRUE(WaitForNoProcess(L"opener.exe", 20000));
}

TEST_F(PageProcessTest, ThreeTabsShowTheirPagesAClosedTabEndsItsPageAndTheEndOfTheWindowEndsEveryPageAndTheHall) {
    Start();
    AddAccount();
    ASSERT_NE(NextFrame(), nullptr) << "def did not show";
    AddAccount();
    ASSERT_NE(NextFrame(), nullptr) << "ghi did not show";
    EXPECT_TRUE(ShowsPage(frames_[2], kPageColour[2]));
    for (int tab : {0, 1}) {
        SCOPED_TRACE(tab);
        ClickTab(tab);
        EXPECT_TRUE(ShowsPage(frames_[tab], kPageColour[tab]));
    }
    SaveScreen(L"main-3tabs");

    // Closing tab 2 (def) ends its page process.
    PostMessageW(main_, WM_MBUTTONUP, 0, MAKELPARAM(120 + 189 + 60, 12));
    HWND box = WaitForBox(L"QuarnMorvane");
    ASSERT_NE(box, nullptr);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDC_MSG_BTN1, BN_CLICKED), 0);
    EXPECT_EQ(WaitForSingleObject(pages_[1], 10000), WAIT_OBJECT_0) << "the closed page's process did not end";
    EXPECT_TRUE(ShowsPage(frames_[2], kPageColour[2])) << "the old third tab is current";

    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDC_BTN_HALL, BN_CLICKED), 0);
    ASSERT_NE(NextFrame(), nullptr) << "the hall did not show";

    // Yes to the exit question ends the window; the pages and the hall follow by themselves.
    PostMessageW(main_, WM_SYSCOMMAND, SC_CLOSE, 0);
    box = WaitForBox(L"QuarnMorvane");
    ASSERT_NE(box, nullptr);
    const DWORD yes = GetTickCount();
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDC_MSG_BTN1, BN_CLICKED), 0);
    HWND hallFrame = frames_[3];
    ASSERT_EQ(WaitForSingleObject(launcher_, 15000), WAIT_OBJECT_0);
    const DWORD launcherEnded = GetTickCount() - yes;
    // The hall has no close request: its watch of the main window ends it. Printed, not asserted:
    // when it saw the end (its frame hides first), when its windows were gone, when every process was.
    // Under Wine without a window manager the hide alone takes 2 s, in any program.
    const DWORD ended = GetTickCount();
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(hallFrame); }, 5000));
    const DWORD hallHidden = GetTickCount() - ended;
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(hallFrame); }, 5000));
    const DWORD hallGone = GetTickCount() - ended;
    const std::vector<HANDLE> rest = {pages_[0], pages_[2], pages_[3]};
    EXPECT_EQ(WaitForMultipleObjects(DWORD(rest.size()), rest.data(), TRUE, 5000), WAIT_OBJECT_0)
        << "a page or the hall outlived the main window";
    const DWORD after = GetTickCount() - ended;
    const DWORD fromYes = GetTickCount() - yes;
    RecordProperty("last_page_ended_ms_after_main_window", int(after));
    RecordProperty("every_process_ended_ms_after_yes", int(fromYes));
    std::printf("after the main window's process: hall frame hidden in %lu ms, gone in %lu ms, every page process "
                "ended in %lu ms\n",
                static_cast<unsigned long>(hallHidden), static_cast<unsigned long>(hallGone),
                static_cast<unsigned long>(after));
    std::printf("after the exit question's Yes: the main window's process ended in %lu ms, every launcher process "
                "in %lu ms\n",
                static_cast<unsigned long>(launcherEnded), static_cast<unsigned long>(fromYes));
}

// The whole way in, with no stand-in for any process: the launcher's own page processes show the
// login page, whose answer (a meta refresh to "app://loadgame|...") becomes a tab with the game page.
TEST_F(PageProcessTest, TheRealPageProcessLogsInThroughTheLoginPageAndARepeatedLoginIsRefused) {
    const auto loginAs = [&](const std::string& loginText, const char* account) {
        const std::string host = "127.0.0.1:" + std::to_string(port_);
        const std::string page = "<html><head><meta charset=\"utf-8\"><meta http-equiv=\"refresh\" content=\"0; url="
                                 "app://loadgame|" + loginText + "|http://" + host + "/mrvn/game/" + account +
                                 ".html\"></head><body style=\"background-color:#fefefe\">登录中</body></html>";
        return test::SetServerRoute(port_, "/mrvn/client/index.html", "ok", page);
    };
    ASSERT_TRUE(loginAs("S1服-《游戏》双线-abc", "abc"));
    SetEnvironmentVariableW(L"MRVN_PAGE_PROGRAM", nullptr);
    SetEnvironmentVariableW(L"MRVN_PLACEMENT", nullptr);
    launcher_ = StartProcess(MrvnExe(), L"/MrvnD", &pid_);
    ASSERT_NE(launcher_, nullptr);
    main_ = WaitForMainWindow(pid_);
    ASSERT_NE(main_, nullptr) << "no main window";
    HWND abc = NextFrame();
    ASSERT_NE(abc, nullptr) << "the login led to no page";
    EXPECT_NE(PidOf(abc), pid_) << "the page runs in a process of its own";
    EXPECT_TRUE(ShowsPage(abc, kPageColour[0]));
    EXPECT_EQ(Loads("/mrvn/game/abc.html"), 1u);

    // The same account on the same server: the main window refuses the same label, so the new page
    // process says so and ends; no tab comes.
    AddAccount();
    HWND refusal = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        const auto boxes = TopLevel([&](HWND h) {
            return ClassOf(h) == L"#32770" && IsWindowVisible(h) && GetDlgItem(h, IDC_MSG_BTN1) && PidOf(h) != pid_ &&
                   PidOf(h) != PidOf(abc);
        });
        refusal = boxes.empty() ? nullptr : boxes.front();
        return refusal != nullptr;
    })) << "no refusal";
    EXPECT_EQ(TextOf(refusal), L"QuarnMorvane");
    // Kept with the pages so that the end of the test ends it whatever happens.
    pages_.push_back(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, PidOf(refusal)));
    PostMessageW(refusal, WM_COMMAND, MAKEWPARAM(IDC_MSG_BTN1, BN_CLICKED), 0);
    EXPECT_EQ(WaitForSingleObject(pages_.back(), 10000), WAIT_OBJECT_0) << "the refused page process did not end";
    EXPECT_TRUE(ShowsPage(abc, kPageColour[0]));

    // The same account on another server is a tab of its own.
    ASSERT_TRUE(loginAs("S2服-《游戏》电信-abc", "abc"));
    AddAccount();
    HWND second = NextFrame();
    ASSERT_NE(second, nullptr) << "the login on server 2 led to no tab";
    EXPECT_TRUE(ShowsPage(second, kPageColour[0]));
    EXPECT_FALSE(IsWindowVisible(abc)) << "the new tab is current";
}

}  // namespace
}  // namespace mrvn::wt
