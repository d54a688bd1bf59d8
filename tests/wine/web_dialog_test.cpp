// The HTML dialog over the built-in page engine, against pages of the loopback test server: the
// navigation filter, error handling, refresh, charsets, the body colour on screen, sprite buttons.
#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
// gdiplus.h wants min and max from the Windows headers' old macros.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "framework/pump.h"
#include "framework/frame.h"
#include "login/win/dhtml_dlg.h"
#include "platform/win32/scoped.h"
#include "util/http_probe.h"
#include "web/win/browser_control.h"
#include "web/win/page_engine_wnd.h"
#include "web/win/page_view.h"
#include "wine/built_in_page_test.h"
#include "wine/wine_util.h"

namespace mrvn::wt {
namespace {

constexpr UINT kTemplate = 9101;  // tests/wine/web_test.rc

class TestDlg : public login::CDHtmDlgEx {
public:
    explicit TestDlg(std::wstring url) : CDHtmDlgEx(kTemplate, std::move(url)) {}
    std::vector<std::wstring> befores, commands, completes, titles;
    std::vector<long> errors;
    // What the last BeforeNavigate2 brought: the types of its arguments, in order, then whether
    // the dispatch and the Cancel pointer were there.
    std::vector<VARTYPE> shapes;
    bool hadDisp = false, hadCancel = false;
    std::wstring blockPrefix;  // addresses the dialog cancels besides "app:"
    // Keys the dialog's filter saw, and those it takes.
    std::vector<WPARAM> keys;
    std::vector<WPARAM> takeKeys;

    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_KEYDOWN) {
            keys.push_back(msg->wParam);
            if (std::find(takeKeys.begin(), takeKeys.end(), msg->wParam) != takeKeys.end()) return TRUE;
        }
        return CDHtmDlgEx::PreTranslateMessage(msg);
    }

    void OnBeforeNavigate2(IDispatch* disp, VARIANT* url, VARIANT* flags, VARIANT* frame, VARIANT* post,
                           VARIANT* headers, VARIANT_BOOL* cancel) override {
        befores.push_back(web::VariantText(url));
        shapes.clear();
        for (VARIANT* v : {url, flags, frame, post, headers}) shapes.push_back(v ? v->vt : VARTYPE(0xFFFF));
        hadDisp = disp != nullptr;
        hadCancel = cancel != nullptr;
        CDHtmDlgEx::OnBeforeNavigate2(disp, url, flags, frame, post, headers, cancel);
        if (!blockPrefix.empty() && befores.back().rfind(blockPrefix, 0) == 0) *cancel = VARIANT_TRUE;
    }
    void OnAppCommand(const std::wstring& url) override {
        commands.push_back(url);
        if (destroyOnCommand) DestroyWindow();
    }
    bool destroyOnCommand = false;
    int menuRequests = 0;
    HRESULT ShowContextMenu(DWORD id, POINT pt) override {
        ++menuRequests;
        return CDHtmDlgEx::ShowContextMenu(id, pt);
    }
    std::vector<std::wstring> messages;
    HRESULT OnHostShowMessage(HWND hwnd, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR helpFile,
                              DWORD helpContext, LRESULT* result) override {
        messages.push_back(text ? text : L"");
        return CDHtmDlgEx::OnHostShowMessage(hwnd, text, caption, type, helpFile, helpContext, result);
    }
    void OnNavigateComplete(IDispatch* disp, const std::wstring& url) override {
        CDHtmDlgEx::OnNavigateComplete(disp, url);
        completes.push_back(url);
    }
    void OnTitleChange(const std::wstring& title) override { titles.push_back(title); }
    BOOL OnNavigateError(IDispatch* disp, VARIANT* url, VARIANT* frame, VARIANT* status, BOOL* cancel) override {
        errors.push_back(web::VariantLong(status));
        return CDHtmDlgEx::OnNavigateError(disp, url, frame, status, cancel);
    }

    web::CPageEngineWnd* Engine() const { return dynamic_cast<web::CPageEngineWnd*>(Browser()); }
    std::wstring Dump() const { return Browser() ? Browser()->TextDump() : L""; }
};

// Pumps through the program's own pre-translation until `done` or `ms` pass.
template <typename Pred>
bool PumpUntil(Pred done, DWORD ms = 5000) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!fw::PreTranslate(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        if (done()) return true;
        if (::GetTickCount() - start > ms) return false;
        ::Sleep(5);
    }
}
void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

// Round trips through this thread's queue, pumping as PumpUntil does: when it returns, everything
// posted before has been handled, and so has what that handling posted in turn (the engine runs a
// click's action and a submission after the message that caused them), `rounds` deep.
bool Settle(int rounds = 3) {
    constexpr UINT kMarker = WM_APP + 0x3F0;
    for (int round = 0; round < rounds; ++round) {
        ::PostThreadMessageW(::GetCurrentThreadId(), kMarker, 0, 0);
        bool seen = false;
        const DWORD start = ::GetTickCount();
        while (!seen) {
            MSG msg;
            while (!seen && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (!msg.hwnd && msg.message == kMarker) {
                    seen = true;
                } else if (!fw::PreTranslate(&msg)) {
                    ::TranslateMessage(&msg);
                    ::DispatchMessageW(&msg);
                }
            }
            if (seen) break;
            if (::GetTickCount() - start > 10000) return false;
            ::Sleep(5);
        }
    }
    return true;
}

// A visible popup menu anywhere on the screen.
bool MenuShown() {
    for (HWND w = ::FindWindowExW(nullptr, nullptr, L"#32768", nullptr); w; w = ::FindWindowExW(nullptr, w, L"#32768", nullptr))
        if (::IsWindowVisible(w)) return true;
    return false;
}

class WebDialogTest : public BuiltInPageTest {
protected:
    // Opens the dialog on `path` and waits for the page to be shown.
    void Open(TestDlg& dlg) {
        ASSERT_TRUE(dlg.Create(kTemplate));
        ::ShowWindow(dlg.m_hWnd, SW_SHOW);
        ASSERT_TRUE(PumpUntil([&] { return !dlg.completes.empty(); })) << "no page shown";
    }
    size_t Requests(const std::string& needle) const {
        const auto lines = test::RequestLinesOf(test::ServerLog(port_));
        return size_t(std::count_if(lines.begin(), lines.end(),
                                    [&](const std::string& l) { return l.find(needle) != std::string::npos; }));
    }
    // The centre of element `id` in the engine window's client coordinates.
    static LPARAM CentreOf(TestDlg& dlg, const wchar_t* id) {
        auto page = dlg.Engine()->Page();
        const web::Rect r = page->layout.Box(page->doc.ElementById(id));
        return MAKELPARAM(r.x + r.w / 2, r.y + r.h / 2);
    }
    static void ClickAt(HWND hwnd, LPARAM at) {
        ::PostMessageW(hwnd, WM_MOUSEMOVE, 0, at);
        ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageW(hwnd, WM_LBUTTONUP, 0, at);
    }
};

const char kMainPage[] =
    "<html><head><title>Main</title></head><body>"
    "<p>main page</p>"
    "<a id=app href=\"app:link?x=1\">app link</a> "
    "<a id=upper href=\"APP:upper\">upper</a> "
    "<a id=js href=\"javascript:void(0)\">js</a> "
    "<a id=missing href=\"/web/missing.html\">missing</a>"
    "<form action=\"app:form\" method=get><input type=text name=user value=me><input type=submit value=Go></form>"
    "</body></html>";

TEST_F(WebDialogTest, AppAddressesReachTheDialogAndAreNeverRequested) {
    Route("/web/main.html", kMainPage);
    Route("/web/refresh.html", "<html><head><meta http-equiv=\"refresh\" content=\"0;url=app:refresh\"></head>"
                               "<body>refreshing</body></html>");
    TestDlg dlg(Url("/web/main.html"));
    Open(dlg);
    HWND engine = dlg.Browser()->Window();
    // The body scroll is "auto" after the navigation, whatever the page said.
    auto page = dlg.Engine()->Page();
    EXPECT_EQ(page->doc.AttrOr(page->doc.body, L"scroll"), L"auto");
    EXPECT_EQ(dlg.titles.back(), L"Main");

    ClickAt(engine, CentreOf(dlg, L"app"));
    ASSERT_TRUE(PumpUntil([&] { return dlg.commands.size() == 1; }));
    EXPECT_EQ(dlg.commands[0], L"app:link?x=1");

    // The form's submit button is a real button control.
    HWND button = ::FindWindowExW(engine, nullptr, L"Button", L"Go");
    ASSERT_NE(button, nullptr);
    ::PostMessageW(button, BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return dlg.commands.size() == 2; }));
    EXPECT_EQ(dlg.commands[1], L"app:form?user=me");

    // A javascript: address is let through and does nothing: the page stays.
    ClickAt(engine, CentreOf(dlg, L"js"));
    ASSERT_TRUE(PumpUntil([&] { return dlg.befores.size() == 4; }));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(dlg.Browser()->LocationURL(), Url("/web/main.html"));
    EXPECT_TRUE(dlg.errors.empty());

    ASSERT_EQ(dlg.Navigate(Url("/web/refresh.html")), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return dlg.commands.size() == 3; }));
    EXPECT_EQ(dlg.commands[2], L"app:refresh");
    EXPECT_EQ(dlg.Browser()->LocationURL(), Url("/web/refresh.html"));

    EXPECT_EQ(Requests("app"), 0u) << test::ServerLog(port_);
    EXPECT_EQ(Requests("GET /web/main.html"), 1u);
    dlg.DestroyWindow();
}

TEST_F(WebDialogTest, UpperCaseAppAndMissingPagesRaiseErrorsAndThePageStays) {
    Route("/web/main.html", kMainPage);
    TestDlg dlg(Url("/web/main.html"));
    Open(dlg);
    HWND engine = dlg.Browser()->Window();
    const std::wstring before = dlg.Dump();
    ASSERT_NE(before.find(L"main page"), std::wstring::npos) << before.size();

    ClickAt(engine, CentreOf(dlg, L"upper"));
    ASSERT_TRUE(PumpUntil([&] { return dlg.errors.size() == 1; }));
    EXPECT_TRUE(dlg.commands.empty());
    EXPECT_EQ(dlg.befores.back(), L"APP:upper");

    ClickAt(engine, CentreOf(dlg, L"missing"));
    ASSERT_TRUE(PumpUntil([&] { return dlg.errors.size() == 2; }));
    EXPECT_EQ(dlg.errors[1], 404);
    EXPECT_EQ(Requests("GET /web/missing.html"), 1u);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(dlg.Browser()->LocationURL(), Url("/web/main.html"));
    EXPECT_EQ(dlg.Dump(), before);
    EXPECT_EQ(dlg.completes.size(), 1u);

    // Refresh fetches the page again and shows it.
    ASSERT_EQ(dlg.Browser()->Refresh(), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return dlg.completes.size() == 2; }));
    EXPECT_EQ(Requests("GET /web/main.html"), 2u);
    dlg.DestroyWindow();
}

TEST_F(WebDialogTest, ChineseTextInGbkAndUtf8) {
    struct Case {
        const char* path;
        std::string html;
    };
    const Case cases[] = {
        {"/web/gbk.html", "<html><head><meta charset=gbk></head><body><p>\xD6\xD0\xCE\xC4 gbk</p></body></html>"},
        {"/web/gbk2.html", "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
                           "</head><body>\xB5\xC7\xC2\xBC</body></html>"},
        {"/web/utf8.html", "<html><head><meta charset=\"utf-8\"></head><body><p>\xE4\xB8\xAD\xE6\x96\x87 utf8</p></body></html>"},
    };
    const std::wstring expect[] = {L"\u4E2D\u6587 gbk", L"\u767B\u5F55", L"\u4E2D\u6587 utf8"};
    for (size_t i = 0; i < std::size(cases); ++i) {
        Route(cases[i].path, cases[i].html);
        TestDlg dlg(Url(cases[i].path));
        Open(dlg);
        EXPECT_NE(dlg.Dump().find(expect[i]), std::wstring::npos) << cases[i].path;
        dlg.DestroyWindow();
    }
}

TEST_F(WebDialogTest, BodyColourReachesTheScreenExactly) {
    Route("/web/key.html", "<html><body bgcolor=#FEFEFE style=\"margin:0\"><div style=\"width:40px;height:40px;"
                           "background-color:#102030\"></div></body></html>");
    TestDlg dlg(Url("/web/key.html"));
    Open(dlg);
    HWND engine = dlg.Browser()->Window();
    ::RedrawWindow(engine, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PumpFor(100);
    HDC dc = ::GetDC(engine);
    const COLORREF body = ::GetPixel(dc, 200, 150);
    const COLORREF box = ::GetPixel(dc, 20, 20);
    ::ReleaseDC(engine, dc);
    EXPECT_EQ(body, RGB(0xFE, 0xFE, 0xFE));
    EXPECT_EQ(box, RGB(0x10, 0x20, 0x30));
    dlg.DestroyWindow();
}

const char kSpritePage[] =
    "<html><body style=\"margin:0\">"
    "<a id=b class=button href=\"app:sprite\" style=\"display:block;width:60px;height:20px\"></a>"
    "<a id=d class=button disabled href=\"app:disabled\" style=\"display:block;width:60px;height:20px\"></a>"
    "<p>text</p></body></html>";

TEST_F(WebDialogTest, SpriteButtonPressDragOffAndRelease) {
    Route("/web/sprite.html", kSpritePage);
    TestDlg dlg(Url("/web/sprite.html"));
    Open(dlg);
    HWND engine = dlg.Browser()->Window();
    auto page = dlg.Engine()->Page();
    const web::NodeId b = page->doc.ElementById(L"b");
    auto frame = [&](web::NodeId n) { return page->doc.BackgroundPositionX(n).value_or(999); };

    const LPARAM at = CentreOf(dlg, L"b");
    ::PostMessageW(engine, WM_MOUSEMOVE, 0, at);
    ASSERT_TRUE(PumpUntil([&] { return frame(b) == -60; })) << "hover frame";
    ::PostMessageW(engine, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ASSERT_TRUE(PumpUntil([&] { return frame(b) == -120; })) << "pressed frame";
    EXPECT_EQ(::GetCapture(), dlg.m_hWnd);
    ASSERT_TRUE(dlg.PressedElement());

    // Dragged off and released outside: the normal frame, no click.
    ::PostMessageW(dlg.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(300, 150));
    ASSERT_TRUE(PumpUntil([&] { return frame(b) == 0; })) << "normal frame";
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(dlg.commands.empty());
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_FALSE(dlg.PressedElement());

    // Released inside: the hover frame and one click.
    ::PostMessageW(engine, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ASSERT_TRUE(PumpUntil([&] { return frame(b) == -120; }));
    ::PostMessageW(dlg.m_hWnd, WM_LBUTTONUP, 0, at);
    ASSERT_TRUE(PumpUntil([&] { return !dlg.commands.empty(); }));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(dlg.commands, std::vector<std::wstring>{L"app:sprite"});
    EXPECT_EQ(frame(b), -60);

    // A disabled sprite never changes and never clicks; the release goes to the page.
    const web::NodeId d = page->doc.ElementById(L"d");
    ClickAt(engine, CentreOf(dlg, L"d"));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(frame(d), 999);
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(dlg.commands.size(), 1u);
    dlg.DestroyWindow();
}

TEST_F(WebDialogTest, EnterDoesNothing) {
    Route("/web/main.html", kMainPage);
    TestDlg dlg(Url("/web/main.html"));
    Open(dlg);
    HWND engine = dlg.Browser()->Window();
    ::SetFocus(engine);
    ::PostMessageW(engine, WM_KEYDOWN, VK_RETURN, 0);
    ::PostMessageW(dlg.m_hWnd, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(::IsWindow(dlg.m_hWnd));
    EXPECT_TRUE(::IsWindowVisible(dlg.m_hWnd));
    EXPECT_EQ(dlg.befores.size(), 1u);
    dlg.DestroyWindow();
}

TEST_F(WebDialogTest, FormPostsFieldsInThePageCharsetAndFollowsTheRedirect) {
    Route("/web/form.html", "<html><head><meta charset=gbk></head><body><form action=\"/web/post\" method=post>"
                            "<input type=text name=user value=\"\xD6\xD0\"><input type=checkbox name=keep checked>"
                            "<input type=submit name=go value=Go></form></body></html>");
    ASSERT_TRUE(test::SetServerRoute(port_, "/web/post", "redirect", "/web/done.html"));
    Route("/web/done.html", "<html><head><title>Done</title></head><body>done</body></html>");
    TestDlg dlg(Url("/web/form.html"));
    Open(dlg);
    HWND engine = dlg.Browser()->Window();
    HWND edit = ::FindWindowExW(engine, nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    ::SetWindowTextW(edit, L"\u4E2D a&b");  // typed by the player
    // Enter in the field submits through its form's button.
    ::SetFocus(edit);
    ::PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(PumpUntil([&] { return dlg.completes.size() == 2; }));
    EXPECT_EQ(dlg.titles.back(), L"Done");
    EXPECT_EQ(dlg.Browser()->LocationURL(), Url("/web/done.html"));
    EXPECT_EQ(dlg.befores.back(), Url("/web/post"));
    const std::string log = test::ServerLog(port_);
    EXPECT_NE(log.find("POST /web/post"), std::string::npos) << log;
    EXPECT_NE(log.find("Content-Type: application/x-www-form-urlencoded"), std::string::npos) << log;
    // The server logs no bodies: "user=%D6%D0+a%26b&keep=on&go=Go" is 31 bytes in GBK (34 in UTF-8).
    EXPECT_NE(log.find("Content-Length: 31\r\n"), std::string::npos) << log;
    dlg.DestroyWindow();
}

// The page process's view over the seam: its four operations and put_Silent, Navigate2, Refresh.
class TestView : public web::CWebPageView {
public:
    std::vector<std::wstring> befores, completes, titles;
    std::wstring cancelPrefix;
    void OnGetHostInfo(DWORD* flags) override { *flags = web::kHostFlagScrollNo; }
    void OnBeforeNavigate2(const std::wstring& url, DWORD, const std::wstring&, VARIANT*, const std::wstring&,
                           BOOL* cancel) override {
        befores.push_back(url);
        if (!cancelPrefix.empty() && url.rfind(cancelPrefix, 0) == 0) *cancel = TRUE;
    }
    void OnNavigateComplete2(const std::wstring& url) override { completes.push_back(url); }
    void OnTitleChange(const std::wstring& title) override { titles.push_back(title); }
};

TEST_F(WebDialogTest, PageViewInAFrame) {
    Route("/web/main.html", kMainPage);
    Route("/web/long.html", "<html><body>" + std::string(200, 'x') + "<div style=\"height:3000px\">tall</div>"
                            "</body></html>");
    TestView view;
    fw::CFrameWnd frame;
    ASSERT_TRUE(frame.LoadFrame(L"page", WS_OVERLAPPEDWINDOW, RECT{0, 0, 400, 300}, nullptr, &view));
    ::ShowWindow(frame.m_hWnd, SW_SHOW);
    ASSERT_EQ(view.put_Silent(true), S_OK);
    ASSERT_EQ(view.Navigate2(Url("/web/main.html")), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return view.completes.size() == 1; }));
    EXPECT_EQ(view.titles.back(), L"Main");

    view.cancelPrefix = Url("/web/long");
    ASSERT_EQ(view.Navigate2(Url("/web/long.html")), S_OK);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(view.completes.size(), 1u);
    EXPECT_EQ(Requests("/web/long.html"), 0u);

    // The host's flags say no scroll bars: a tall page gets none.
    view.cancelPrefix.clear();
    ASSERT_EQ(view.Navigate2(Url("/web/long.html")), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return view.completes.size() == 2; }));
    EXPECT_FALSE(::GetWindowLongW(view.Browser()->Window(), GWL_STYLE) & WS_VSCROLL);
    ASSERT_EQ(view.Refresh(), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return view.completes.size() == 3; }));
    EXPECT_EQ(Requests("GET /web/long.html"), 2u);
    // Exactly one child window of the view: the engine's.
    HWND child = ::GetWindow(view.m_hWnd, GW_CHILD);
    EXPECT_EQ(child, view.Browser()->Window());
    EXPECT_EQ(::GetWindow(child, GW_HWNDNEXT), nullptr);
    frame.DestroyWindow();
}

TEST_F(WebDialogTest, TabWalksLinksAndFieldsAndEnterFollowsALink) {
    Route("/web/tab.html", "<html><body><a href=\"app:tab\">first</a> <input type=text name=a> "
                           "<a href=\"app:second\">second</a></body></html>");
    TestDlg dlg(Url("/web/tab.html"));
    Open(dlg);
    HWND engine = dlg.Browser()->Window();
    HWND edit = ::FindWindowExW(engine, nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    ::SetFocus(engine);
    auto key = [&](WPARAM vk) {
        ::PostMessageW(::GetFocus(), WM_KEYDOWN, vk, 0);
        PumpFor(50);
    };
    key(VK_TAB);  // the first link
    EXPECT_EQ(::GetFocus(), engine);
    key(VK_TAB);  // the field
    EXPECT_EQ(::GetFocus(), edit);
    key(VK_TAB);  // the second link
    EXPECT_EQ(::GetFocus(), engine);
    key(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return !dlg.commands.empty(); }));
    EXPECT_EQ(dlg.commands, std::vector<std::wstring>{L"app:second"});
    key(VK_TAB);  // round to the first link again
    key(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return dlg.commands.size() == 2; }));
    EXPECT_EQ(dlg.commands[1], L"app:tab");
    dlg.DestroyWindow();
}

TEST_F(WebDialogTest, HostAnswersOfTheDialog) {
    TestDlg dlg(L"");
    EXPECT_EQ(dlg.HostFlags(), 0x0Du);
    EXPECT_EQ(dlg.ShowContextMenu(0, POINT{}), S_OK);
    LRESULT result = 0;
    EXPECT_EQ(dlg.ShowMessage(nullptr, nullptr, nullptr, 0, nullptr, 0, &result), S_FALSE);
    EXPECT_EQ(dlg.ShowHelp(nullptr, nullptr, 0, 0, POINT{}, nullptr), S_FALSE);
    // The filter: exactly "app:" is caught; "javascript" is let through; anything else untouched.
    struct Case {
        const wchar_t* url;
        VARIANT_BOOL in, out;
        size_t commands;
    } cases[] = {
        {L"app:x", VARIANT_FALSE, VARIANT_TRUE, 1}, {L"App:x", VARIANT_FALSE, VARIANT_FALSE, 0},
        {L"ap", VARIANT_TRUE, VARIANT_TRUE, 0},     {L"javascript:1", VARIANT_TRUE, VARIANT_FALSE, 0},
        {L"JAVASCRIPT:1", VARIANT_TRUE, VARIANT_TRUE, 0}, {L"http://a/", VARIANT_TRUE, VARIANT_TRUE, 0},
    };
    for (const Case& c : cases) {
        dlg.commands.clear();
        VARIANT inner, outer;
        inner.vt = VT_BSTR;
        inner.bstrVal = ::SysAllocString(c.url);
        outer.vt = VT_BYREF | VT_VARIANT;
        outer.pvarVal = &inner;
        VARIANT_BOOL cancel = c.in;
        dlg.BeforeNavigate2(nullptr, &outer, nullptr, nullptr, nullptr, nullptr, &cancel);
        ::SysFreeString(inner.bstrVal);
        EXPECT_EQ(cancel, c.out) << c.url;
        EXPECT_EQ(dlg.commands.size(), c.commands) << c.url;
    }
}

namespace gp = Gdiplus::DllExports;

int XOf(LPARAM l) { return short(LOWORD(l)); }
int YOf(LPARAM l) { return short(HIWORD(l)); }

const CLSID kPngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

std::string SaveAsPng(Gdiplus::GpBitmap* bmp) {
    std::string out;
    IStream* stream = ::SHCreateMemStream(nullptr, 0);
    if (!stream) return out;
    if (gp::GdipSaveImageToStream(bmp, stream, &kPngEncoder, nullptr) == Gdiplus::Ok) {
        STATSTG st{};
        stream->Stat(&st, STATFLAG_NONAME);
        out.resize(size_t(st.cbSize.QuadPart));
        LARGE_INTEGER zero{};
        stream->Seek(zero, STREAM_SEEK_SET, nullptr);
        ULONG got = 0;
        stream->Read(out.data(), ULONG(out.size()), &got);
        out.resize(got);
    }
    stream->Release();
    return out;
}

// A 3-frame sprite, each frame 80 x 24 in one solid colour: normal, hover, pressed.
std::string SpritePng() {
    Gdiplus::GpBitmap* bmp = nullptr;
    gp::GdipCreateBitmapFromScan0(240, 24, 0, PixelFormat32bppARGB, nullptr, &bmp);
    const Gdiplus::ARGB colours[] = {0xFF3060C0, 0xFF4080E0, 0xFF203880};
    for (int x = 0; x < 240; ++x)
        for (int y = 0; y < 24; ++y) gp::GdipBitmapSetPixel(bmp, x, y, (y == 0 || y == 23) ? 0xFF102040 : colours[x / 80]);
    std::string png = SaveAsPng(bmp);
    gp::GdipDisposeImage(bmp);
    return png;
}

const char kDemoPage[] =
    "<html><head><title>\xE6\xBC\x94\xE7\xA4\xBA</title><style>"
    "body { background-color: #F4F6FA; font-size: 13px; margin: 8px }"
    "h1 { font-size: 18px; color: #203060 }"
    ".button { display: inline-block; width: 80px; height: 24px; background-image: url(/web/sprite.png);"
    " background-repeat: no-repeat; margin: 4px }"
    "td { padding: 2px }"
    "</style></head><body scroll=no>"
    "<h1>\xE6\x91\xA9\xE6\x96\x87\xE5\xA4\xA7\xE5\x8E\x85 Morvane</h1>"
    "<p>Built-in page engine: <b>bold</b>, <font color=#C03020>coloured</font> and "
    "<a href=\"/web/other.html\">a link</a>. \xE4\xB8\xAD\xE6\x96\x87\xE6\x96\x87\xE5\xAD\x97\xE6\x8D\xA2\xE8\xA1\x8C"
    "\xE5\x9C\xA8\xE4\xBB\xBB\xE6\x84\x8F\xE4\xB8\xA4\xE5\xAD\x97\xE4\xB9\x8B\xE9\x97\xB4\xE3\x80\x82</p>"
    "<table border=1 width=360 bgcolor=#FFFFFF><tr><th>Server</th><th>State</th></tr>"
    "<tr><td>East 1</td><td><font color=green>open</font></td></tr>"
    "<tr><td colspan=2 align=center>two columns</td></tr></table>"
    "<form action=\"app:login\" method=post><p>User <input type=text name=user value=player> "
    "Password <input type=password name=pw value=secret></p>"
    "<p><input type=checkbox name=keep checked> keep <select name=zone><option>East</option>"
    "<option selected>West</option></select> <input type=submit value=\"Log in\"></p></form>"
    "<div><a id=s1 class=button href=\"app:one\"></a><a id=s2 class=button href=\"app:two\"></a>"
    "<a id=s3 class=button disabled href=\"app:three\"></a></div>"
    "</body></html>";

// The demo page of the gallery: text, a table, a form, sprite buttons with their image. With
// MRVN_WEB_SHOT set, the dialog's picture is saved there as PNG.
TEST_F(WebDialogTest, DemoPageShowsTableFormAndSprites) {
    Route("/web/demo.html", kDemoPage);
    ASSERT_TRUE(test::SetServerRoute(port_, "/web/sprite.png", "ok", SpritePng()));
    TestDlg dlg(Url("/web/demo.html"));
    ASSERT_TRUE(dlg.Create(kTemplate));
    ::SetWindowPos(dlg.m_hWnd, nullptr, 0, 0, 520, 400, SWP_NOZORDER | SWP_NOMOVE);
    ::ShowWindow(dlg.m_hWnd, SW_SHOW);
    ASSERT_TRUE(PumpUntil([&] { return !dlg.completes.empty(); }));
    const std::wstring dump = dlg.Dump();
    EXPECT_NE(dump.find(L"Server | State"), std::wstring::npos) << dump.size();
    EXPECT_NE(dump.find(L"East 1 | open"), std::wstring::npos);
    EXPECT_EQ(Requests("GET /web/sprite.png"), 1u);
    HWND engine = dlg.Browser()->Window();
    // Real fields, in page order: two edits, a check box, a drop-down list and the submit button.
    std::vector<std::wstring> fields;
    for (HWND c = ::GetWindow(engine, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[64] = {}, text[64] = {};
        ::GetClassNameW(c, cls, 64);
        ::GetWindowTextW(c, text, 64);
        fields.push_back(std::wstring(cls) + L":" + text);
    }
    const std::vector<std::wstring> want = {L"Edit:player", L"Edit:secret", L"Button:", L"ComboBox:West",
                                            L"Button:Log in"};
    EXPECT_EQ(fields, want);

    // Hover over the second sprite: its hover frame is painted from the image.
    const LPARAM at = CentreOf(dlg, L"s2");
    ::PostMessageW(engine, WM_MOUSEMOVE, 0, at);
    auto page = dlg.Engine()->Page();
    ASSERT_TRUE(PumpUntil([&] { return page->doc.BackgroundPositionX(page->doc.ElementById(L"s2")) == -80; }));
    ::RedrawWindow(engine, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpFor(200);
    HDC dc = ::GetDC(engine);
    const COLORREF hover = ::GetPixel(dc, XOf(at), YOf(at));
    const COLORREF normal = ::GetPixel(dc, XOf(CentreOf(dlg, L"s1")), YOf(at));
    ::ReleaseDC(engine, dc);
    EXPECT_EQ(hover, RGB(0x40, 0x80, 0xE0));
    EXPECT_EQ(normal, RGB(0x30, 0x60, 0xC0));

    wchar_t shot[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"MRVN_WEB_SHOT", shot, MAX_PATH)) {
        const RECT wr = dlg.GetWindowRect();
        const int w = wr.right - wr.left, h = wr.bottom - wr.top;
        HDC screen = ::GetWindowDC(dlg.m_hWnd);
        HDC mem = ::CreateCompatibleDC(screen);
        HBITMAP bmp = ::CreateCompatibleBitmap(screen, w, h);
        HGDIOBJ old = ::SelectObject(mem, bmp);
        ::PrintWindow(dlg.m_hWnd, mem, 0);
        ::BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
        ::SelectObject(mem, old);
        Gdiplus::GpBitmap* image = nullptr;
        gp::GdipCreateBitmapFromHBITMAP(bmp, nullptr, &image);
        const std::string png = SaveAsPng(image);
        gp::GdipDisposeImage(image);
        ::DeleteObject(bmp);
        ::DeleteDC(mem);
        ::ReleaseDC(dlg.m_hWnd, screen);
        HANDLE f = ::CreateFileW(shot, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD wrote = 0;
        if (f != INVALID_HANDLE_VALUE) {
            ::WriteFile(f, png.data(), DWORD(png.size()), &wrote, nullptr);
            ::CloseHandle(f);
        }
    }
    dlg.DestroyWindow();
}

// Screen point of a client point of `hwnd`, as xdotool arguments.
std::wstring ScreenArgs(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ::ClientToScreen(hwnd, &p);
    return std::to_wstring(p.x) + L" " + std::to_wstring(p.y);
}

TEST_F(WebDialogTest, RealRightClicksShowNoMenu) {
    Route("/web/menu.html", "<html><body style=\"margin:0\"><div style=\"height:40px\">div</div>"
                            "<a id=l href=\"/web/menu.html\">link</a> <input type=text name=u value=x></body></html>");
    TestDlg dlg(Url("/web/menu.html"));
    Open(dlg);
    ::SetWindowPos(dlg.m_hWnd, HWND_TOP, 100, 100, 0, 0, SWP_NOSIZE);
    PumpFor(200);
    HWND engine = dlg.Browser()->Window();
    HWND edit = ::FindWindowExW(engine, nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    // The body, the div, the link and the edit field (which has a menu of its own).
    const std::wstring spots[] = {ScreenArgs(engine, 200, 150), ScreenArgs(engine, 20, 20),
                                  ScreenArgs(engine, XOf(CentreOf(dlg, L"l")), YOf(CentreOf(dlg, L"l"))),
                                  ScreenArgs(edit, 5, 5)};
    // A shown menu would hold this thread in its own loop: another thread watches for one, and each
    // click is followed by one outside the dialog, which would close it.
    std::atomic<bool> watching{true}, seen{false};
    std::thread watcher([&] {
        while (watching) {
            if (MenuShown()) seen = true;
            ::Sleep(20);
        }
    });
    for (const std::wstring& at : spots) {
        const int asked = dlg.menuRequests;
        EXPECT_TRUE(RunUnix(L"xdotool mousemove " + at + L" click 3 sleep 1 mousemove 5 5 click 1"));
        EXPECT_TRUE(PumpUntil([&] { return dlg.menuRequests > asked; }))
            << "no right click seen at " << std::string(at.begin(), at.end());
        PumpFor(1300);
        EXPECT_FALSE(seen.exchange(false)) << "a menu at " << std::string(at.begin(), at.end());
    }
    watching = false;
    watcher.join();
    EXPECT_TRUE(::IsWindow(dlg.m_hWnd));
    dlg.DestroyWindow();
}

TEST_F(WebDialogTest, RealMouseDragOnTheBodyMovesTheDialog) {
    Route("/web/drag.html", "<html><body style=\"margin:0\"><p>drag me</p></body></html>");
    TestDlg dlg(Url("/web/drag.html"));
    Open(dlg);
    ::SetWindowPos(dlg.m_hWnd, HWND_TOP, 100, 100, 0, 0, SWP_NOSIZE);
    PumpFor(200);
    const RECT before = dlg.GetWindowRect();
    HWND engine = dlg.Browser()->Window();
    POINT p{200, 150};
    ::ClientToScreen(engine, &p);
    // Down on bare body, two moves, up: the dialog follows as if its caption had been grabbed.
    const std::wstring from = std::to_wstring(p.x) + L" " + std::to_wstring(p.y);
    const std::wstring mid = std::to_wstring(p.x + 40) + L" " + std::to_wstring(p.y + 30);
    const std::wstring to = std::to_wstring(p.x + 80) + L" " + std::to_wstring(p.y + 60);
    ASSERT_TRUE(RunUnix(L"xdotool mousemove " + from + L" sleep 0.3 mousedown 1 sleep 0.3 mousemove " + mid +
                        L" sleep 0.3 mousemove " + to + L" sleep 0.3 mouseup 1"));
    const bool moved = PumpUntil(
        [&] {
            const RECT r = dlg.GetWindowRect();
            return r.left == before.left + 80 && r.top == before.top + 60 && ::GetAsyncKeyState(VK_LBUTTON) >= 0;
        },
        10000);
    const RECT after = dlg.GetWindowRect();
    EXPECT_TRUE(moved) << "from " << before.left << "," << before.top << " to " << after.left << "," << after.top;
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_TRUE(dlg.commands.empty());
    dlg.DestroyWindow();
}

TEST_F(WebDialogTest, TypedTextAreaAndOneRadioPerGroupAreSubmitted) {
    Route("/web/fields.html",
          "<html><body><form action=\"app:fields\" method=get>"
          "<textarea name=note rows=3 cols=20>old</textarea>"
          "<input id=a1 type=radio name=a value=1 checked><input id=a2 type=radio name=a value=2>"
          "<input id=b1 type=radio name=b value=1 checked><input id=b2 type=radio name=b value=2>"
          "<input type=submit value=Send></form></body></html>");
    TestDlg dlg(Url("/web/fields.html"));
    Open(dlg);
    HWND engine = dlg.Browser()->Window();
    HWND note = ::FindWindowExW(engine, nullptr, L"Edit", nullptr);
    ASSERT_NE(note, nullptr);
    ::SetWindowTextW(note, L"line one\r\nline two");  // typed by the player
    std::vector<HWND> radios;
    for (HWND c = ::GetWindow(engine, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[16] = {};
        ::GetClassNameW(c, cls, 16);
        if (::lstrcmpiW(cls, L"Button") == 0 && (::GetWindowLongW(c, GWL_STYLE) & BS_TYPEMASK) != BS_PUSHBUTTON)
            radios.push_back(c);
    }
    ASSERT_EQ(radios.size(), 4u);
    // The player picks the second of group a: group b keeps its own choice on screen and in the tree.
    ::SendMessageW(radios[1], BM_CLICK, 0, 0);
    PumpFor(100);
    const auto checked = [&](size_t i) { return ::SendMessageW(radios[i], BM_GETCHECK, 0, 0) == BST_CHECKED; };
    EXPECT_FALSE(checked(0));
    EXPECT_TRUE(checked(1));
    EXPECT_TRUE(checked(2));
    EXPECT_FALSE(checked(3));
    HWND send = ::FindWindowExW(engine, nullptr, L"Button", L"Send");
    ASSERT_NE(send, nullptr);
    ::PostMessageW(send, BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !dlg.commands.empty(); }));
    EXPECT_EQ(dlg.commands[0], L"app:fields?note=line+one%0D%0Aline+two&a=2&b=1");
    dlg.DestroyWindow();
}

// The platform's control, forced. Under Wine it has no document: it is created, activated in place
// and raises BeforeNavigate2 and NavigateError, nothing else; the rest only Windows can show.
class WebPlatformTest : public WebDialogTest {
protected:
    // Wine's control takes about 10 s to report a missing page, more on a loaded machine.
    static constexpr DWORD kControlWait = 30000;
    static void SetUpTestSuite() {
        ::SetEnvironmentVariableW(L"MRVN_WEB_ENGINE", L"platform");
        _putenv("MRVN_WEB_ENGINE=platform");
    }
    void SetUp() override {
        WebDialogTest::SetUp();
        ASSERT_EQ(web::ChosenWebEngine(), web::WebEngine::Platform) << "the choice is made once per process";
    }
    static web::CBrowserControl* Control(TestDlg& dlg) { return dynamic_cast<web::CBrowserControl*>(dlg.Browser()); }
    static SIZE SizeOf(HWND h) {
        RECT r{};
        ::GetClientRect(h, &r);
        return {r.right, r.bottom};
    }
};

TEST_F(WebPlatformTest, InPlaceInOneChildOfTheDialogWithOurSite) {
    TestDlg dlg(L"");
    ASSERT_TRUE(dlg.Create(kTemplate));
    ::ShowWindow(dlg.m_hWnd, SW_SHOW);
    web::CBrowserControl* control = Control(dlg);
    ASSERT_NE(control, nullptr);
    ASSERT_NE(control->Control(), nullptr);
    HWND host = control->Window();
    EXPECT_EQ(::GetWindow(dlg.m_hWnd, GW_CHILD), host);
    EXPECT_EQ(::GetWindow(host, GW_HWNDNEXT), nullptr);
    // The control's own window inside ours, as large, and it follows the dialog's size.
    HWND embedding = ::FindWindowExW(host, nullptr, L"Shell Embedding", nullptr);
    ASSERT_NE(embedding, nullptr);
    EXPECT_EQ(SizeOf(embedding).cx, SizeOf(dlg.m_hWnd).cx);
    EXPECT_EQ(SizeOf(embedding).cy, SizeOf(dlg.m_hWnd).cy);
    ::SetWindowPos(dlg.m_hWnd, nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER);
    PumpFor(100);
    EXPECT_EQ(SizeOf(embedding).cx, SizeOf(dlg.m_hWnd).cx);
    EXPECT_EQ(SizeOf(embedding).cy, SizeOf(dlg.m_hWnd).cy);

    VARIANT_BOOL silent = VARIANT_TRUE;
    EXPECT_EQ(dlg.Browser()->put_Silent(false), S_OK);
    EXPECT_EQ(control->Control()->get_Silent(&silent), S_OK);
    EXPECT_EQ(silent, VARIANT_FALSE);
    EXPECT_EQ(dlg.Browser()->put_Silent(true), S_OK);
    EXPECT_EQ(control->Control()->get_Silent(&silent), S_OK);
    EXPECT_EQ(silent, VARIANT_TRUE);

    // The site the control holds. Wine's control never calls these (it asks for the UI handler
    // once and never uses it), so the test calls them as the control would.
    win::ComPtr<IOleObject> object;
    ASSERT_EQ(control->Control()->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(object.GetAddressOf())), S_OK);
    win::ComPtr<IOleClientSite> site;
    ASSERT_EQ(object->GetClientSite(site.GetAddressOf()), S_OK);
    win::ComPtr<IDocHostUIHandler> handler;
    ASSERT_EQ(site.As(&handler), S_OK);
    DOCHOSTUIINFO info{};
    info.cbSize = sizeof info;
    EXPECT_EQ(handler->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, 0x0Du);
    POINT pt{5, 5};
    EXPECT_EQ(handler->ShowContextMenu(0, &pt, nullptr, nullptr), S_OK);  // answered: no menu
    win::ComPtr<IDispatch> external;
    EXPECT_EQ(handler->GetExternal(external.GetAddressOf()), S_OK);
    EXPECT_NE(external, nullptr);
    // IDocHostShowUI through the site and through its UI handler: one part, one count.
    win::ComPtr<IDocHostShowUI> viaSite, viaHandler;
    ASSERT_EQ(site->QueryInterface(web::kIidDocHostShowUI, reinterpret_cast<void**>(viaSite.GetAddressOf())), S_OK);
    ASSERT_EQ(handler->QueryInterface(web::kIidDocHostShowUI, reinterpret_cast<void**>(viaHandler.GetAddressOf())),
              S_OK);
    EXPECT_EQ(viaSite.Get(), viaHandler.Get());
    const ULONG up = viaSite->AddRef();
    EXPECT_EQ(handler->Release(), up - 1);
    wchar_t text[] = L"alert", caption[] = L"page";
    LRESULT result = 0;
    EXPECT_EQ(viaSite->ShowMessage(dlg.m_hWnd, text, caption, MB_OK, nullptr, 0, &result), S_FALSE);
    EXPECT_EQ(dlg.messages, std::vector<std::wstring>{L"alert"});
    EXPECT_EQ(viaSite->ShowHelp(dlg.m_hWnd, nullptr, 0, 0, pt, nullptr), S_FALSE);

    // With the dialog gone the control is closed; the site outlives it and answers alone.
    dlg.DestroyWindow();
    EXPECT_FALSE(::IsWindow(host));
    EXPECT_EQ(control->Control(), nullptr);
    EXPECT_EQ(dlg.Browser()->Navigate2(Url("/web/main.html")), E_FAIL);
    EXPECT_EQ(viaSite->ShowMessage(nullptr, text, caption, MB_OK, nullptr, 0, &result), S_OK);
    EXPECT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(handler->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, 0u);
}

TEST_F(WebPlatformTest, NavigationEventsInTheControlsShapesAndCancelBeforeAnyRequest) {
    Route("/web/main.html", kMainPage);
    Route("/web/blocked.html", kMainPage);
    TestDlg dlg(Url("/web/main.html"));
    ASSERT_TRUE(dlg.Create(kTemplate));
    ::ShowWindow(dlg.m_hWnd, SW_SHOW);
    ASSERT_TRUE(PumpUntil([&] { return !dlg.befores.empty(); }, kControlWait));
    EXPECT_EQ(dlg.befores[0], Url("/web/main.html"));
    // Address, flags, target frame, post data and headers all by reference to a VARIANT.
    EXPECT_EQ(dlg.shapes, std::vector<VARTYPE>(5, VT_BYREF | VT_VARIANT));
    EXPECT_TRUE(dlg.hadDisp);
    EXPECT_TRUE(dlg.hadCancel);
    // The control really asks the server for what it is not told to cancel.
    ASSERT_TRUE(PumpUntil([&] { return Requests("GET /web/main.html") == 1; }, kControlWait)) << test::ServerLog(port_);
    PumpUntil([&] { return !dlg.errors.empty(); }, 5000);  // without an engine the page ends in an error
    PumpFor(300);
    const size_t errors = dlg.errors.size();

    ASSERT_EQ(dlg.Navigate(L"app:login?x=1"), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return dlg.commands.size() == 1; }));
    EXPECT_EQ(dlg.commands[0], L"app:login?x=1");
    dlg.blockPrefix = Url("/web/blocked");
    ASSERT_EQ(dlg.Navigate(Url("/web/blocked.html")), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return dlg.befores.back() == Url("/web/blocked.html"); }));
    PumpFor(500);
    EXPECT_EQ(Requests("blocked"), 0u) << test::ServerLog(port_);
    EXPECT_EQ(Requests("app"), 0u);
    EXPECT_EQ(dlg.errors.size(), errors) << "an event after a cancelled navigation";

    // A missing page: NavigateError with the status (the control may raise a second one).
    ASSERT_EQ(dlg.Navigate(Url("/web/missing.html")), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return dlg.errors.size() > errors; }, kControlWait));
    EXPECT_EQ(dlg.errors[errors], 404);
    EXPECT_EQ(Requests("GET /web/missing.html"), 1u);

    // The dialog may go inside an event of Navigate2: the control is closed under it, safely.
    dlg.destroyOnCommand = true;
    EXPECT_EQ(dlg.Navigate(L"app:bye"), S_OK);
    PumpFor(300);
    EXPECT_EQ(dlg.commands.back(), L"app:bye");
    EXPECT_FALSE(::IsWindow(dlg.m_hWnd));
}

// Keys inside the platform's control meet the dialog's filter before the control's accelerators.
// Wine's control has no document, so what its accelerators would do with a key (F5 reloads, Escape
// stops, Tab walks the page on Windows) cannot be seen here; what can is that every key reaches
// the dialog first, and the dialog's rules take the keys they name.
TEST_F(WebPlatformTest, KeysMeetTheDialogBeforeTheControl) {
    Route("/web/main.html", kMainPage);
    TestDlg dlg(Url("/web/main.html"));
    ASSERT_TRUE(dlg.Create(kTemplate));
    ::ShowWindow(dlg.m_hWnd, SW_SHOW);
    web::CBrowserControl* control = Control(dlg);
    ASSERT_NE(control, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !dlg.befores.empty(); }, kControlWait));
    HWND embedding = ::FindWindowExW(control->Window(), nullptr, L"Shell Embedding", nullptr);
    ASSERT_NE(embedding, nullptr);
    // The innermost window of the control's own, where its keys arrive.
    HWND inner = embedding;
    while (HWND child = ::GetWindow(inner, GW_CHILD)) inner = child;

    // What Wine's control itself answers, for the record: S_OK would be a key it takes.
    win::ComPtr<IOleInPlaceActiveObject> active;
    ASSERT_EQ(control->Control()->QueryInterface(IID_IOleInPlaceActiveObject,
                                                 reinterpret_cast<void**>(active.GetAddressOf())),
              S_OK);
    const WPARAM keys[] = {VK_F5, VK_ESCAPE, VK_TAB, VK_RETURN, 'A'};
    std::string answers;
    for (WPARAM key : keys) {
        MSG m{};
        m.hwnd = inner;
        m.message = WM_KEYDOWN;
        m.wParam = key;
        m.lParam = 1;
        answers += " " + std::to_string(key) + ":" + std::to_string(long(active->TranslateAccelerator(&m)));
    }
    RecordProperty("WineControlTranslateAccelerator", answers);
    std::printf("Wine's control, TranslateAccelerator by key:%s\n", answers.c_str());

    for (HWND target : {inner, embedding, control->Window()}) {
        SCOPED_TRACE(ClassOf(target));
        dlg.keys.clear();
        dlg.takeKeys = {VK_F5, VK_ESCAPE};
        for (WPARAM key : keys) ::PostMessageW(target, WM_KEYDOWN, key, 1);
        ASSERT_TRUE(PumpUntil([&] { return dlg.keys.size() >= std::size(keys); }));
        PumpFor(100);
        EXPECT_EQ(dlg.keys, std::vector<WPARAM>(std::begin(keys), std::end(keys)));
    }
    EXPECT_TRUE(::IsWindow(dlg.m_hWnd)) << "Escape closed the dialog";
    dlg.DestroyWindow();
}

}  // namespace
}  // namespace mrvn::wt
