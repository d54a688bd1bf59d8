// The login window over the built-in page engine, against pages of the loopback test server: the
// page commands reach a stand-in main window of this process as WM_COPYDATA, a refusal shows the
// message, the window is shaped and keyed on screen, and a page process of the real program posts
// the cancelled login's close request to its main window.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/pump.h"
#include "gamewnd/private_messages.h"
#include "login/page_command.h"
#include "login/win/login_bk_dlg.h"
#include "platform/win32/scoped.h"
#include "skin/win/message_box.h"
#include "skin/win/skin_image.h"
#include "util/http_probe.h"
#include "web/win/page_engine_wnd.h"
#include "wine/built_in_page_test.h"
#include "wine/wine_util.h"

namespace mrvn::wt {
namespace {

// The login under test while RunLogin runs it.
login::CLoginBkDlg* g_dlg = nullptr;

// A main window of this process: records what the login sends and answers as told.
struct FakeMain {
    HWND hwnd = nullptr;
    LRESULT answer = 1;
    std::vector<std::wstring> labels;
    std::vector<HWND> senders;
    std::vector<HWND> pagesAtSend;  // the running login's page window when each label came
    std::vector<LPARAM> closes;  // lParam of each SC_CLOSE

    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<FakeMain*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self && msg == WM_COPYDATA) {
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            self->labels.emplace_back(static_cast<const wchar_t*>(data->lpData));
            self->senders.push_back(reinterpret_cast<HWND>(wParam));
            self->pagesAtSend.push_back(g_dlg ? g_dlg->Page().m_hWnd : nullptr);
            return self->answer;
        }
        if (self && msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) {
            self->closes.push_back(lParam);
            return 0;
        }
        return ::DefWindowProcW(h, msg, wParam, lParam);
    }
    FakeMain() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"MrvnLoginTestMain";
        ::RegisterClassW(&wc);
        hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                                 nullptr, nullptr, wc.hInstance, nullptr);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~FakeMain() { ::DestroyWindow(hwnd); }
};

// Runs the login window modally; `step` is called every 50 ms inside its loop until the loop ends.
// A login still open after 30 s is ended with -5.
std::function<void(login::CLoginBkDlg&)>* g_step = nullptr;
DWORD g_started = 0;

void CALLBACK StepTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_dlg || !g_dlg->m_hWnd) return;
    if (::GetTickCount() - g_started > 30000) {
        g_dlg->EndDialog(-5);
        return;
    }
    if (g_step && *g_step) (*g_step)(*g_dlg);
}

INT_PTR RunLogin(login::CLoginBkDlg& dlg, std::function<void(login::CLoginBkDlg&)> step) {
    g_dlg = &dlg;
    g_step = &step;
    g_started = ::GetTickCount();
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, StepTimer);
    const INT_PTR result = dlg.DoModal();
    ::KillTimer(nullptr, timer);
    g_dlg = nullptr;
    g_step = nullptr;
    return result;
}

web::CPageEngineWnd* EngineOf(login::CLoginBkDlg& dlg) {
    return dynamic_cast<web::CPageEngineWnd*>(dlg.Page().Browser());
}

bool PageShown(login::CLoginBkDlg& dlg) {
    return dlg.Page().IsWindow() && ::IsWindowVisible(dlg.Page().m_hWnd) && ::IsWindowVisible(dlg.m_hWnd) &&
           EngineOf(dlg) && EngineOf(dlg)->Page();
}

// Posts a click at the centre of element `id` of the shown page.
bool ClickElement(login::CLoginBkDlg& dlg, const wchar_t* id) {
    auto page = EngineOf(dlg)->Page();
    const auto node = page->doc.ElementById(id);
    const web::Rect r = page->layout.Box(node);
    if (r.w <= 0) return false;
    const LPARAM at = MAKELPARAM(r.x + r.w / 2, r.y + r.h / 2);
    HWND engine = EngineOf(dlg)->Window();
    ::PostMessageW(engine, WM_MOUSEMOVE, 0, at);
    ::PostMessageW(engine, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(engine, WM_LBUTTONUP, 0, at);
    return true;
}

class LoginWindowTest : public BuiltInPageTest {
protected:
    // A page in the login page's shape that goes to `address` by itself.
    std::string RefreshPage(const std::string& address) const {
        return "<html><head><meta charset=\"utf-8\"><meta http-equiv=\"refresh\" content=\"0; url=" + address +
               "\"></head><body style=\"background-color:#fefefe\">登录中</body></html>";
    }
    size_t Requests(const std::string& needle) const {
        size_t n = 0;
        for (const std::string& line : test::RequestLinesOf(test::ServerLog(port_)))
            if (line.find(needle) != std::string::npos) ++n;
        return n;
    }
};

const char kLoginText[] = "S1服-《游戏》双线-abc";

TEST_F(LoginWindowTest, LoginsByLinkFormAndRefreshReachTheMainWindowWithTheirLabel) {
    const std::string game = "http://" + Host() + "/mrvn/game/abc.html";
    const std::string loadgame = std::string("app://loadgame|") + kLoginText + "|" + game;
    Route("/t/link.html", "<html><head><meta charset=\"utf-8\"></head><body><p><a id=\"go\" href=\"" + loadgame +
                              "\">进入游戏</a></p></body></html>");
    Route("/t/form.html", "<html><head><meta charset=\"utf-8\"></head><body><form method=\"post\" "
                          "action=\"/t/answer\"><input type=\"text\" name=\"account\" value=\"abc\">"
                          "<input type=\"submit\" value=\"登录\"></form></body></html>");
    Route("/t/answer", RefreshPage(loadgame));
    Route("/t/refresh.html", RefreshPage(loadgame));
    Route("/t/escaped.html", RefreshPage("app://loadgame|S1%E6%9C%8D-%E3%80%8A%E6%B8%B8%E6%88%8F%E3%80%8B%E5%8F%8C"
                                         "%E7%BA%BF-%E6%B5%8B|" + game));
    const struct {
        const char* page;
        std::wstring label;
        std::function<bool(login::CLoginBkDlg&)> act;  // true once it has acted
    } cases[] = {
        {"/t/link.html", L"1服-双线-abc", [](login::CLoginBkDlg& d) { return ClickElement(d, L"go"); }},
        {"/t/form.html", L"1服-双线-abc",
         [](login::CLoginBkDlg& d) {
             HWND button = ::FindWindowExW(EngineOf(d)->Window(), nullptr, L"Button", L"登录");
             if (button) ::PostMessageW(button, BM_CLICK, 0, 0);
             return button != nullptr;
         }},
        {"/t/refresh.html", L"1服-双线-abc", nullptr},
        {"/t/escaped.html", L"1服-双线-测", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        FakeMain main;
        login::CLoginBkDlg dlg(main.hwnd, 0, Url(c.page));
        bool acted = false;
        const INT_PTR result = RunLogin(dlg, [&](login::CLoginBkDlg& d) {
            if (!PageShown(d)) return;
            if (!acted && c.act) acted = c.act(d);
        });
        EXPECT_EQ(result, 1);
        ASSERT_EQ(main.labels.size(), 1u);
        EXPECT_EQ(main.labels[0], c.label);
        // The sender names the login's own window, so the main window can pair it with our frame. A
        // refresh may log in before any step has seen the page, so the page is taken as the label came.
        ASSERT_NE(main.pagesAtSend[0], nullptr);
        EXPECT_EQ(main.senders[0], main.pagesAtSend[0]);
        EXPECT_EQ(dlg.Page().GameAddress(), std::wstring(game.begin(), game.end()));
    }
    EXPECT_EQ(Requests("POST /t/answer"), 1u);
    // The command never left the page: no request for it or the game page.
    EXPECT_EQ(Requests("/mrvn/game/"), 0u);
}

TEST_F(LoginWindowTest, EntryPointGivesTheGameAddressOrTheCancelResult) {
    Route("/t/ok.html", RefreshPage("app://loadgame|S2服-《游戏》电信-def|http://game.test/def.html"));
    Route("/t/exit.html", RefreshPage("app://exitgame"));
    FakeMain main;
    std::wstring address;
    EXPECT_EQ(login::RunLoginWindow(main.hwnd, 0, Url("/t/ok.html"), address), 1);
    EXPECT_EQ(address, L"http://game.test/def.html");
    EXPECT_EQ(main.labels, std::vector<std::wstring>{L"2服-电信-def"});
    address.clear();
    EXPECT_EQ(login::RunLoginWindow(main.hwnd, 0, Url("/t/exit.html"), address), 2);
    EXPECT_TRUE(address.empty());
}

BOOL CALLBACK FindBoxOfThread(HWND h, LPARAM p) {
    if (dynamic_cast<skin::CMessageBox*>(fw::CWnd::FromHandle(h)) && ::IsWindowVisible(h)) {
        *reinterpret_cast<HWND*>(p) = h;
        return FALSE;
    }
    return TRUE;
}

HWND FindMessageBox() {
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindBoxOfThread, reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST_F(LoginWindowTest, RefusedLoginShowsTheMessageAndCancels) {
    Route("/t/dup.html", RefreshPage(std::string("app://loadgame|") + kLoginText + "|http://game.test/abc.html"));
    FakeMain main;
    main.answer = 0;
    login::CLoginBkDlg dlg(main.hwnd, 0, Url("/t/dup.html"));
    std::wstring text, caption;
    // The box runs its own loop inside the page command; its timer keeps stepping.
    const INT_PTR result = RunLogin(dlg, [&](login::CLoginBkDlg&) {
        HWND box = FindMessageBox();
        if (!box || !text.empty()) return;
        text = dynamic_cast<skin::CMessageBox*>(fw::CWnd::FromHandle(box))->m_strText;
        wchar_t buf[64] = {};
        ::GetWindowTextW(box, buf, 64);
        caption = buf;
        ::PostMessageW(::GetDlgItem(box, 5000), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(main.labels, std::vector<std::wstring>{L"1服-双线-abc"});
    EXPECT_EQ(text, L"账号 abc 已在 1服 登录，同一账号不能在一服重复登录");
    EXPECT_EQ(caption, L"QuarnMorvane");
    EXPECT_TRUE(dlg.Page().GameAddress().empty());
}

TEST_F(LoginWindowTest, ExitAndMinimizeCommands) {
    Route("/t/exit.html", RefreshPage("app://exitgame"));
    Route("/t/min.html", RefreshPage("app://minimize"));
    Route("/t/other.html", RefreshPage("app://MINIMIZE"));
    const struct {
        const char* page;
        int pageCount;
        INT_PTR result;  // -5: still open after 30 s would be a failure, so these end themselves
    } ends[] = {
        {"/t/exit.html", 0, 2},
        {"/t/exit.html", 2, 2},
        {"/t/min.html", 1, 2},  // an added tab's login just ends
    };
    for (const auto& c : ends) {
        SCOPED_TRACE(std::string(c.page) + " pages " + std::to_string(c.pageCount));
        FakeMain main;
        login::CLoginBkDlg dlg(main.hwnd, c.pageCount, Url(c.page));
        EXPECT_EQ(RunLogin(dlg, nullptr), c.result);
        EXPECT_TRUE(main.labels.empty());
        EXPECT_FALSE(::IsIconic(main.hwnd));
    }
    // The first page's login minimises the main window (no user account control under Wine) and stays;
    // the command word in capitals does nothing.
    ASSERT_FALSE(login::UserAccountControlInForce());
    for (const char* page : {"/t/min.html", "/t/other.html"}) {
        SCOPED_TRACE(page);
        FakeMain main;
        login::CLoginBkDlg dlg(main.hwnd, 0, Url(page));
        DWORD shownAt = 0;
        const INT_PTR result = RunLogin(dlg, [&](login::CLoginBkDlg& d) {
            // A minimised owner hides the login with it: only the first sight needs the page shown.
            if (!shownAt) {
                if (!PageShown(d)) return;
                shownAt = ::GetTickCount();
            }
            if (::GetTickCount() - shownAt > 1000) d.Page().Navigate(L"app://exitgame");
        });
        EXPECT_EQ(result, 2);
        EXPECT_EQ(::IsIconic(main.hwnd) != FALSE, std::string(page) == "/t/min.html");
    }
}

TEST_F(LoginWindowTest, EscapeAndF5InThePageDoNothing) {
    Route("/t/keys.html", "<html><body style=\"background-color:#fefefe\"><p>keys</p></body></html>");
    FakeMain main;
    login::CLoginBkDlg dlg(main.hwnd, 0, Url("/t/keys.html"));
    int phase = 0;
    DWORD sentAt = 0;
    const INT_PTR result = RunLogin(dlg, [&](login::CLoginBkDlg& d) {
        if (!PageShown(d)) return;
        HWND engine = EngineOf(d)->Window();
        if (phase == 0) {
            ::SetForegroundWindow(d.Page().m_hWnd);
            ::SetFocus(engine);
            for (WPARAM key : {WPARAM(VK_ESCAPE), WPARAM(VK_F5)}) {
                ::PostMessageW(engine, WM_KEYDOWN, key, 1);
                ::PostMessageW(engine, WM_KEYUP, key, 0xC0000001);
                ::PostMessageW(d.Page().m_hWnd, WM_KEYDOWN, key, 1);
            }
            sentAt = ::GetTickCount();
            phase = 1;
        } else if (phase == 1 && ::GetTickCount() - sentAt > 1500) {
            phase = 2;
            // Still open and shown: the test ends it.
            if (::IsWindowVisible(d.Page().m_hWnd)) d.EndDialog(7);
        }
    });
    EXPECT_EQ(result, 7);
    EXPECT_EQ(Requests("GET /t/keys.html"), 1u);
}

TEST_F(LoginWindowTest, BackgroundIsShapedAndThePageKeyed) {
    // A keyed page with one red box, in page coordinates (100, 200) to (160, 240).
    Route("/t/shape.html", "<html><body style=\"margin:0;background-color:#fefefe\">"
                           "<table cellspacing=0 cellpadding=0><tr><td height=200></td></tr></table>"
                           "<table cellspacing=0 cellpadding=0><tr><td width=100></td>"
                           "<td width=60 height=40 style=\"background-color:#ff0000\"></td></tr></table>"
                           "</body></html>");
    FakeMain main;
    ::MoveWindow(main.hwnd, 0, 0, 1, 1, TRUE);
    login::CLoginBkDlg dlg(main.hwnd, 0, Url("/t/shape.html"));
    SIZE image{};
    win::OwnedBitmap bits(skin::LoadPremultipliedImage(::GetModuleHandleW(nullptr), 129, image));
    ASSERT_TRUE(bits);
    std::vector<uint32_t> pixels(size_t(image.cx) * image.cy);
    ::GetBitmapBits(bits.Get(), LONG(pixels.size() * 4), pixels.data());
    auto imagePixel = [&](int x, int y) { return pixels[size_t(y) * image.cx + x]; };
    auto asColor = [](uint32_t argb) { return RGB((argb >> 16) & 255, (argb >> 8) & 255, argb & 255); };
    RECT bk{}, page{};
    COLORREF corner = 0, desktopBefore = 0, keyed = 0, red = 0, card = 0;
    LONG bkEx = 0, pageEx = 0;
    DWORD shownAt = 0, movedAt = 0;
    desktopBefore = ScreenPixel(300 + 1, 200 + 1);
    const INT_PTR result = RunLogin(dlg, [&](login::CLoginBkDlg& d) {
        if (!PageShown(d)) return;
        if (!shownAt) shownAt = ::GetTickCount();
        if (::GetTickCount() - shownAt < 1500) return;
        // Put the window where the desktop under its corner was sampled.
        if (shownAt && !bk.right) {
            ::SetWindowPos(d.m_hWnd, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            ::GetWindowRect(d.m_hWnd, &bk);
            movedAt = ::GetTickCount();
            return;
        }
        ::GetWindowRect(d.Page().m_hWnd, &page);
        ::GetWindowRect(d.m_hWnd, &bk);
        bkEx = ::GetWindowLongW(d.m_hWnd, GWL_EXSTYLE);
        pageEx = ::GetWindowLongW(d.Page().m_hWnd, GWL_EXSTYLE);
        corner = ScreenPixel(bk.left + 1, bk.top + 1);
        red = ScreenPixel(page.left + 130, page.top + 220);
        keyed = ScreenPixel(page.left + 300, page.top + 300);
        card = ScreenPixel(bk.left + 700, bk.top + 300);
        // A window manager moves both windows on the screen after Wine has reported the move.
        const uint32_t under = imagePixel(page.left + 300 - bk.left, page.top + 300 - bk.top);
        const bool moved = corner == desktopBefore && card == asColor(imagePixel(700, 300)) &&
                           red == RGB(255, 0, 0) && keyed == asColor(under);
        if (!moved && ::GetTickCount() - movedAt < 5000) return;
        d.EndDialog(7);
    });
    ASSERT_EQ(result, 7);
    EXPECT_EQ(bk.right - bk.left, 888);
    EXPECT_EQ(bk.bottom - bk.top, 518);
    // The page keeps +1, -50 from the background, at the background's size.
    EXPECT_EQ(page.left, bk.left + 1);
    EXPECT_EQ(page.top, bk.top - 50);
    EXPECT_EQ(page.right - page.left, 888);
    EXPECT_TRUE(bkEx & WS_EX_LAYERED);
    EXPECT_TRUE(pageEx & WS_EX_LAYERED);
    EXPECT_TRUE(pageEx & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(pageEx & WS_EX_APPWINDOW);
    // The image's clear corner shows the desktop through both windows.
    EXPECT_EQ(imagePixel(1, 1) >> 24, 0u);
    EXPECT_EQ(corner, desktopBefore);
    // Keyed page pixels show the background image (fully opaque there), the red box shows itself.
    const uint32_t under = imagePixel(page.left + 300 - bk.left, page.top + 300 - bk.top);
    ASSERT_EQ(under >> 24, 255u);
    EXPECT_EQ(keyed, asColor(under));
    EXPECT_NE(keyed, RGB(254, 254, 254));
    EXPECT_EQ(red, RGB(255, 0, 0));
    EXPECT_EQ(card, asColor(imagePixel(700, 300)));
}

// Runs a Unix program of the test machine (Wine starts what is not a Windows program as such); no
// handle comes back, so the caller waits for its effect.
bool StartUnixProgram(const std::wstring& commandLine) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring line = commandLine;
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    if (pi.hThread) ::CloseHandle(pi.hThread);
    if (pi.hProcess) ::CloseHandle(pi.hProcess);
    return true;
}

// A real press and move (the system's move loop needs the button really held): at (825, 150) of
// the page the background is dragged and the page follows; at (850, 150) nothing moves.
TEST_F(LoginWindowTest, PressOnThePageDragsExceptOnTheCloseButton) {
    Route("/t/drag.html", "<html><body style=\"margin:0;background-color:#dde6f0\"><table cellspacing=0 "
                          "cellpadding=0><tr><td width=888 height=518>drag</td></tr></table></body></html>");
    const struct {
        int x, y;
        bool drags;
    } presses[] = {{825, 150, true}, {850, 150, false}};
    for (const auto& p : presses) {
        SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
        FakeMain main;
        login::CLoginBkDlg dlg(main.hwnd, 0, Url("/t/drag.html"));
        RECT before{}, after{}, pageAfter{};
        DWORD pressedAt = 0;
        bool started = false;
        const INT_PTR result = RunLogin(dlg, [&](login::CLoginBkDlg& d) {
            if (!pressedAt) {
                if (!PageShown(d)) return;
                ::SetWindowPos(d.m_hWnd, nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                ::GetWindowRect(d.m_hWnd, &before);
                RECT page{};
                ::GetWindowRect(d.Page().m_hWnd, &page);
                const int x = page.left + p.x, y = page.top + p.y;
                wchar_t cmd[300];
                swprintf(cmd, 300,
                         L"Z:\\usr\\bin\\xdotool mousemove %d %d sleep 0.5 mousedown 1 sleep 0.3 mousemove %d %d "
                         L"sleep 0.3 mousemove %d %d sleep 0.3 mouseup 1",
                         x, y, x + 30, y + 20, x + 60, y + 40);
                started = StartUnixProgram(cmd);
                pressedAt = ::GetTickCount();
                return;
            }
            if (::GetTickCount() - pressedAt < 4000) return;
            ::GetWindowRect(d.m_hWnd, &after);
            ::GetWindowRect(d.Page().m_hWnd, &pageAfter);
            d.EndDialog(7);
        });
        ASSERT_TRUE(started) << "xdotool";
        ASSERT_EQ(result, 7);
        if (p.drags) {
            EXPECT_EQ(after.left - before.left, 60);
            EXPECT_EQ(after.top - before.top, 40);
        } else {
            EXPECT_EQ(after.left, before.left);
            EXPECT_EQ(after.top, before.top);
        }
        EXPECT_EQ(pageAfter.left, after.left + 1);
        EXPECT_EQ(pageAfter.top, after.top - 50);
    }
}

// The real program as a game page process: a cancelled login posts SC_CLOSE with the marker to
// the main window, which is a window of this test.
TEST_F(LoginWindowTest, PageProcessPostsTheCancelledLoginsClose) {
    ASSERT_TRUE(ResetLauncherState(port_));
    SetLauncherString(L"WebHost", L"127.0.0.1:" + std::to_wstring(port_));
    Route("/mrvn/client/index.html", RefreshPage("app://exitgame"));
    FakeMain main;
    DWORD pid = 0;
    HANDLE process = StartProcess(
        MrvnExe(), L"/newgm /" + std::to_wstring(reinterpret_cast<intptr_t>(main.hwnd)) + L" /0", &pid);
    ASSERT_NE(process, nullptr);
    const DWORD start = ::GetTickCount();
    bool ended = false;
    while (::GetTickCount() - start < 60000) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        if (::WaitForSingleObject(process, 20) == WAIT_OBJECT_0) {
            ended = true;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            break;
        }
    }
    if (!ended) ::TerminateProcess(process, 1);
    ::CloseHandle(process);
    EXPECT_TRUE(ended);
    EXPECT_EQ(main.closes, std::vector<LPARAM>{kLauncherMarker});
    EXPECT_EQ(Requests("GET /mrvn/client/index.html?cid=4224"), 1u);
    DeleteLauncherKey();
}

}  // namespace
}  // namespace mrvn::wt
