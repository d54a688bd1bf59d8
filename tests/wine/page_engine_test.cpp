// The built-in page engine's fetching and viewing against the loopback test server: pages come off
// the window's thread (a late login page leaves the login window answering), a newer navigation
// replaces one under way, a window destroyed mid-fetch is left alone, a long address after a
// redirect is the page's base, fine wheel turns scroll, and a 1 x 1 tiled background paints.
#include <windows.h>
#include <objidl.h>
// gdiplus.h wants min and max from the Windows headers' old macros.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "framework/frame.h"
#include "framework/pump.h"
#include "login/win/login_bk_dlg.h"
#include "util/http_probe.h"
#include "web/win/page_engine_wnd.h"
#include "web/win/page_view.h"
#include "wine/built_in_page_test.h"
#include "wine/wine_util.h"

namespace mrvn::wt {
namespace {

namespace gp = Gdiplus::DllExports;

// Pumps through the program's own pre-translation until `done` or `ms` pass.
template <typename Pred>
bool PumpUntil(Pred done, DWORD ms = 10000) {
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

class TestView : public web::CWebPageView {
public:
    std::vector<std::wstring> befores, completes, errors;
    DWORD flags = web::kHostFlagScrollNo;
    void OnGetHostInfo(DWORD* f) override { *f = flags; }
    void OnBeforeNavigate2(const std::wstring& url, DWORD, const std::wstring&, VARIANT*, const std::wstring&,
                           BOOL*) override {
        befores.push_back(url);
    }
    void OnNavigateComplete2(const std::wstring& url) override { completes.push_back(url); }
    void NavigateError(IDispatch*, VARIANT* url, VARIANT*, VARIANT*, VARIANT_BOOL*) override {
        errors.push_back(web::VariantText(url));
    }
    web::CPageEngineWnd* Engine() const { return dynamic_cast<web::CPageEngineWnd*>(Browser()); }
};

class PageEngineTest : public BuiltInPageTest {
protected:
    void Open(TestView& view, fw::CFrameWnd& frame, int w = 400, int h = 300) {
        ASSERT_TRUE(frame.LoadFrame(L"page", WS_POPUP, RECT{0, 0, w, h}, nullptr, &view));
        ::ShowWindow(frame.m_hWnd, SW_SHOW);
        ASSERT_NE(view.Engine(), nullptr);
    }
    void Delayed(const std::string& path, const std::string& html, size_t ms) {
        ASSERT_TRUE(test::SetServerRoute(port_, path, "delay", html, ms));
    }
    size_t Requests(const std::string& needle) const {
        size_t n = 0;
        for (const std::string& line : test::RequestLinesOf(test::ServerLog(port_)))
            if (line.find(needle) != std::string::npos) ++n;
        return n;
    }
};

// The main window the login answers to: a plain window of this process.
struct FakeMain {
    HWND hwnd = nullptr;
    FakeMain() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"MrvnPageEngineTestMain";
        ::RegisterClassW(&wc);
        hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"main", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                 wc.hInstance, nullptr);
    }
    ~FakeMain() { ::DestroyWindow(hwnd); }
};

// The login window whose page comes 3 s late: while the server holds the page back, another
// thread's message to the window is answered, the window is there, and its page not yet; the page
// shows when it arrives (and leaves by itself a second later).
TEST_F(PageEngineTest, LoginWindowAnswersWhileItsPageIsLate) {
    Delayed("/pe/login.html",
            "<html><head><meta http-equiv=\"refresh\" content=\"1; url=app://exitgame\"></head>"
            "<body style=\"background-color:#fefefe\"><p>late login</p></body></html>",
            3000);
    FakeMain main;
    const DWORD pid = ::GetCurrentProcessId();
    // The login background is owned by the main window; the page window by the background.
    auto ownedBy = [pid](HWND owner) {
        const auto found = TopLevel([&](HWND h) { return PidOf(h) == pid && ::GetWindow(h, GW_OWNER) == owner; });
        return found.empty() ? nullptr : found.front();
    };
    struct {
        bool asked = false, found = false, answered = false, shownAtAnswer = false, pageAtAnswer = true;
        bool pageShown = false;
    } seen;
    login::CLoginBkDlg dlg(main.hwnd, 0, Url("/pe/login.html"));
    std::thread other([&] {
        seen.asked = WaitFor([&] { return Requests("GET /pe/login.html") == 1; }, 60000);
        HWND background = nullptr;
        seen.found = seen.asked && WaitFor([&] { return (background = ownedBy(main.hwnd)) != nullptr; });
        if (!seen.found) return;
        // From here the server holds the page back for 3 s.
        DWORD_PTR answer = 0;
        seen.answered = ::SendMessageTimeoutW(background, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 20000, &answer) != 0;
        seen.shownAtAnswer = ::IsWindowVisible(background) != FALSE;
        HWND page = ownedBy(background);
        seen.pageAtAnswer = page && ::IsWindowVisible(page);
        seen.pageShown = WaitFor([&] {
            page = ownedBy(background);
            return page && ::IsWindowVisible(page);
        }, 30000);
        // A login still open long after would hold the test: it is cancelled.
        if (!WaitFor([&] { return !::IsWindow(background); }, 30000)) ::PostMessageW(background, WM_COMMAND, IDCANCEL, 0);
    });
    const INT_PTR result = dlg.DoModal();
    other.join();
    ASSERT_TRUE(seen.asked) << "the login page was never asked for";
    ASSERT_TRUE(seen.found) << "no login window";
    EXPECT_TRUE(seen.answered) << "the login window did not answer";
    EXPECT_TRUE(seen.shownAtAnswer) << "the login window was not there while its page was fetched";
    EXPECT_FALSE(seen.pageAtAnswer) << "the answer came only after the page";
    EXPECT_TRUE(seen.pageShown) << "the page never showed";
    EXPECT_EQ(result, 2) << "the page's exit command did not end the login";
}

// A second navigation while the first is fetched: only the second page shows, and the first one's
// late reply changes nothing. A view destroyed while its page is fetched hears nothing more.
TEST_F(PageEngineTest, NewerNavigationWinsAndADestroyedViewIsLeftAlone) {
    Delayed("/pe/slow.html", "<html><title>slow</title><body>slow</body></html>", 1500);
    Route("/pe/fast.html", "<html><title>fast</title><body>fast</body></html>");
    {
        TestView view;
        fw::CFrameWnd frame;
        Open(view, frame);
        ASSERT_EQ(view.Navigate2(Url("/pe/slow.html")), S_OK);
        // Navigate2 returns at once: nothing has completed yet.
        EXPECT_TRUE(view.completes.empty());
        EXPECT_TRUE(view.Engine()->Fetching());
        ASSERT_EQ(view.Navigate2(Url("/pe/fast.html")), S_OK);
        ASSERT_TRUE(PumpUntil([&] { return !view.completes.empty(); }));
        EXPECT_EQ(view.completes, std::vector<std::wstring>{Url("/pe/fast.html")});
        // Until well after the slow page's reply: the server saw it asked for, and it is not shown.
        ASSERT_TRUE(PumpUntil([&] { return Requests("GET /pe/slow.html") == 1; }));
        PumpUntil([] { return false; }, 4000);
        EXPECT_EQ(view.completes.size(), 1u);
        EXPECT_NE(view.Engine()->TextDump().find(L"fast"), std::wstring::npos);
        EXPECT_FALSE(view.Engine()->Fetching());
        frame.DestroyWindow();
    }
    TestView view;
    {
        fw::CFrameWnd frame;
        Open(view, frame);
        ASSERT_EQ(view.Navigate2(Url("/pe/slow.html")), S_OK);
        ASSERT_TRUE(PumpUntil([&] { return Requests("GET /pe/slow.html") == 2; }));
        frame.DestroyWindow();
    }
    // Twice the server's delay: the fetch has ended by then, and no event reached the view.
    PumpUntil([] { return false; }, 3000);
    EXPECT_TRUE(view.completes.empty());
    EXPECT_TRUE(view.errors.empty());
}

// The last address of a redirect chain is the page's address and the base of its links, however
// long it is.
TEST_F(PageEngineTest, LongAddressAfterARedirectIsTheBase) {
    const std::string query(3000, 'q');
    const std::string target = "/pe/deep/page.html?" + query;
    ASSERT_TRUE(test::SetServerRoute(port_, "/pe/start", "redirect", target));
    Route("/pe/deep/page.html", "<html><body><a id=next href=\"next.html\">next</a></body></html>");
    TestView view;
    fw::CFrameWnd frame;
    Open(view, frame);
    ASSERT_EQ(view.Navigate2(Url("/pe/start")), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return !view.completes.empty(); }));
    const std::wstring whole = Url(target);
    EXPECT_EQ(view.completes.back(), whole);
    EXPECT_EQ(view.Engine()->LocationURL(), whole);
    std::wstring href;
    for (const auto& item : view.Engine()->Page()->layout.items)
        if (item.kind == web::ItemKind::Link) href = item.href;
    EXPECT_EQ(href, Url("/pe/deep/next.html"));
    frame.DestroyWindow();
}

// A wheel that sends a quarter notch at a time scrolls the page; turning back scrolls back.
TEST_F(PageEngineTest, FineWheelTurnsScroll) {
    Route("/pe/tall.html", "<html><body style=\"margin:0\"><div style=\"height:3000px\">tall</div></body></html>");
    TestView view;
    view.flags = 0;
    fw::CFrameWnd frame;
    Open(view, frame);
    ASSERT_EQ(view.Navigate2(Url("/pe/tall.html")), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return !view.completes.empty(); }));
    HWND engine = view.Browser()->Window();
    ASSERT_TRUE(::GetWindowLongW(engine, GWL_STYLE) & WS_VSCROLL);
    auto wheel = [&](int delta, int times) {
        for (int i = 0; i < times; ++i) ::SendMessageW(engine, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(short(delta))), 0);
        return ::GetScrollPos(engine, SB_VERT);
    };
    const int afterQuarter = wheel(-30, 1);
    EXPECT_GT(afterQuarter, 0);
    const int afterNotch = wheel(-30, 3);
    EXPECT_EQ(afterNotch, 4 * afterQuarter);
    // Four quarters make what one notch makes.
    const int oneNotchMore = wheel(-120, 1);
    EXPECT_EQ(oneNotchMore - afterNotch, afterNotch);
    EXPECT_EQ(wheel(30, 8), 0);
    // Turns of 1 add up too.
    EXPECT_GT(wheel(-1, 40), 0);
    frame.DestroyWindow();
}

std::string SavePng(Gdiplus::GpBitmap* bmp) {
    static const CLSID kPng = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    std::string out;
    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return out;
    if (gp::GdipSaveImageToStream(bmp, stream, &kPng, nullptr) == Gdiplus::Ok) {
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

// A picture of `w` x `h` pixels, each of colour(x, y).
template <typename Colour>
std::string Picture(int w, int h, Colour colour) {
    Gdiplus::GpBitmap* bmp = nullptr;
    gp::GdipCreateBitmapFromScan0(w, h, 0, PixelFormat32bppARGB, nullptr, &bmp);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) gp::GdipBitmapSetPixel(bmp, x, y, colour(x, y));
    std::string png = SavePng(bmp);
    gp::GdipDisposeImage(bmp);
    return png;
}

// Tiled backgrounds paint their tiles' pixels where they belong: a 1 x 1 tile and a 2 x 2 one over
// the whole view (one pattern fill), a tile with see-through pixels (one textured fill) and a small
// tiled box (tile by tile), scrolled too.
TEST_F(PageEngineTest, TiledBackgroundsPaintTheirPixels) {
    const Gdiplus::ARGB quad[2][2] = {{0xFF102030, 0xFF405060}, {0xFF708090, 0xFFA0B0C0}};
    ASSERT_TRUE(test::SetServerRoute(port_, "/pe/one.png", "ok", Picture(1, 1, [](int, int) { return 0xFF336699; })));
    ASSERT_TRUE(test::SetServerRoute(port_, "/pe/quad.png", "ok",
                                     Picture(2, 2, [&](int x, int y) { return quad[y][x]; })));
    // With see-through pixels: the canvas colour shows through them.
    ASSERT_TRUE(test::SetServerRoute(port_, "/pe/holes.png", "ok",
                                     Picture(2, 1, [](int x, int) { return x == 0 ? 0xFF102030 : 0x00000000; })));
    Route("/pe/holes.html", "<html><body style=\"margin:0;background-color:#fefefe;background-image:url(/pe/holes.png)\">"
                            "<div style=\"height:2000px\"></div></body></html>");
    Route("/pe/one.html", "<html><body style=\"margin:0;background-image:url(/pe/one.png)\">"
                          "<div style=\"height:2000px\"></div></body></html>");
    Route("/pe/quad.html", "<html><body style=\"margin:0;background-image:url(/pe/quad.png)\">"
                           "<div style=\"width:6px;height:6px;background-image:url(/pe/quad.png)\"></div>"
                           "<div style=\"height:2000px\"></div></body></html>");
    TestView view;
    view.flags = 0;
    fw::CFrameWnd frame;
    Open(view, frame);
    HWND engine = view.Browser()->Window();
    auto pixel = [&](int x, int y) {
        ::RedrawWindow(engine, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        HDC dc = ::GetDC(engine);
        const COLORREF c = ::GetPixel(dc, x, y);
        ::ReleaseDC(engine, dc);
        return c;
    };
    auto rgb = [](Gdiplus::ARGB c) { return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); };

    ASSERT_EQ(view.Navigate2(Url("/pe/one.html")), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return view.completes.size() == 1; }));
    EXPECT_EQ(Requests("GET /pe/one.png"), 1u);
    for (const POINT p : {POINT{0, 0}, POINT{199, 150}, POINT{300, 280}}) EXPECT_EQ(pixel(p.x, p.y), RGB(0x33, 0x66, 0x99));

    ASSERT_EQ(view.Navigate2(Url("/pe/holes.html")), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return view.completes.size() == 2; }));
    for (const POINT p : {POINT{0, 0}, POINT{1, 0}, POINT{200, 99}, POINT{301, 280}})
        EXPECT_EQ(pixel(p.x, p.y), p.x % 2 ? RGB(0xFE, 0xFE, 0xFE) : RGB(0x10, 0x20, 0x30)) << p.x << "," << p.y;

    ASSERT_EQ(view.Navigate2(Url("/pe/quad.html")), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return view.completes.size() == 3; }));
    // Scrolled by an odd number of pixels (a wheel turn of 2 is one pixel), the tiles move with the page.
    for (int turn : {0, 2, 80}) {
        if (turn) ::SendMessageW(engine, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(short(-turn))), 0);
        const int top = ::GetScrollPos(engine, SB_VERT);
        SCOPED_TRACE(top);
        EXPECT_EQ(top > 0, turn > 0);
        for (const POINT p : {POINT{0, 0}, POINT{1, 0}, POINT{2, 1}, POINT{3, 5}, POINT{101, 77}, POINT{300, 250}})
            EXPECT_EQ(pixel(p.x, p.y), rgb(quad[(p.y + top) % 2][p.x % 2])) << p.x << "," << p.y;
    }
    frame.DestroyWindow();
}

}  // namespace
}  // namespace mrvn::wt
