// The skinned toolkit on the real window system: images from the program's resources, a skinned
// dialog captured from the screen, the button looks by state, the progress bar, and the message
// box answered through its buttons while Enter and Esc leave it open.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "resource.h"
#include "wine/wine_util.h"
#include "skin/message_box_layout.h"
#include "skin/skin_images.h"
#include "skin/win/dlg_ex.h"
#include "skin/win/message_box.h"
#include "skin/win/skin_controls_win.h"
#include "skin/win/skin_image.h"

namespace mrvn::skin {
namespace {

HMODULE Module() { return ::GetModuleHandleW(nullptr); }

void InitControls() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&icc);
}

void Pump() {
    MSG msg;
    for (int round = 0; round < 3; ++round) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::GdiFlush();
    }
}

struct BitmapDeleter {
    void operator()(HBITMAP b) const { if (b) ::DeleteObject(b); }
};
using OwnedBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapDeleter>;

COLORREF BitmapPixel(HBITMAP bmp, int x, int y) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, bmp);
    const COLORREF c = ::GetPixel(dc, x, y);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    return c;
}

// What the screen shows of a window, as top-down rows of COLORREFs.
struct Capture {
    int width = 0, height = 0;
    std::vector<COLORREF> px;
    COLORREF At(int x, int y) const { return px[size_t(y) * width + x]; }
};

Capture CaptureWindow(HWND hwnd) {
    Pump();
    ::UpdateWindow(hwnd);
    Pump();
    RECT wr{};
    ::GetWindowRect(hwnd, &wr);
    Capture cap;
    cap.width = wr.right - wr.left;
    cap.height = wr.bottom - wr.top;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), cap.width, -cap.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(mem, dib);
    ::BitBlt(mem, 0, 0, cap.width, cap.height, screen, wr.left, wr.top, SRCCOPY);
    ::GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    for (int i = 0; i < cap.width * cap.height; ++i) {
        const uint32_t v = p[i];
        cap.px.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    }
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::DeleteObject(dib);
    ::ReleaseDC(nullptr, screen);
    return cap;
}

// ---- images

TEST(SkinImage, EveryResourceLoadsAsKeyedDibOfItsSize) {
    for (const SkinImageInfo& info : kSkinImages) {
        SCOPED_TRACE(info.id);
        OwnedBitmap bmp(LoadSkinImage(Module(), info.id));
        ASSERT_NE(bmp.get(), nullptr);
        DIBSECTION ds{};
        ASSERT_EQ(::GetObjectW(bmp.get(), sizeof(ds), &ds), int(sizeof(ds)));  // a DIB section, not a DDB
        EXPECT_EQ(ds.dsBm.bmWidth, info.width);
        EXPECT_EQ(ds.dsBmih.biHeight, info.height);  // positive: bottom-up
        EXPECT_EQ(ds.dsBm.bmBitsPixel, 32);
        // The fourth byte of every pixel is 0: the bitmaps carry no alpha.
        const auto* px = static_cast<const uint32_t*>(ds.dsBm.bmBits);
        int withAlpha = 0;
        for (int i = 0; i < info.width * info.height; ++i) withAlpha += (px[i] >> 24) != 0;
        EXPECT_EQ(withAlpha, 0);
    }
}

TEST(SkinImage, TransparencyBecomesKeyAndOpaqueStays) {
    // The button strip is full RGBA with transparent corners; its centre is opaque.
    OwnedBitmap strip(LoadSkinImage(Module(), 133));
    ASSERT_NE(strip.get(), nullptr);
    EXPECT_EQ(BitmapPixel(strip.get(), 0, 0), kKeyColor);
    EXPECT_EQ(BitmapPixel(strip.get(), 227, 22), kKeyColor);
    EXPECT_NE(BitmapPixel(strip.get(), 28, 11), kKeyColor);
    // An opaque image has no key pixel at its corners.
    OwnedBitmap opaque(LoadSkinImage(Module(), 162));
    ASSERT_NE(opaque.get(), nullptr);
    EXPECT_NE(BitmapPixel(opaque.get(), 0, 0), kKeyColor);
}

TEST(SkinImage, MissingResourceOrModuleGivesNull) {
    EXPECT_EQ(LoadSkinImage(Module(), 999), nullptr);
    EXPECT_EQ(LoadSkinImage(nullptr, 131), nullptr);
}

TEST(SkinImage, CornerRegionCutsTheBackgroundsKeyCorners) {
    OwnedBitmap bg(LoadSkinImage(Module(), 131));
    ASSERT_NE(bg.get(), nullptr);
    ASSERT_EQ(BitmapPixel(bg.get(), 0, 0), kKeyColor);  // the dialog background has rounded corners
    HRGN rgn = MakeCornerRegion(bg.get(), 300, 200);
    ASSERT_NE(rgn, nullptr);
    struct Case { int x, y; bool inside; };
    const Case cases[] = {
        {0, 0, false}, {299, 0, false}, {0, 199, false}, {299, 199, false},  // corners mapped to the window's
        {150, 100, true}, {150, 0, true}, {0, 100, true}, {299, 100, true},   // centre and edges stay
        {20, 0, true},                                                         // past the 9 x 9 block
    };
    for (const Case& c : cases) EXPECT_EQ(::PtInRegion(rgn, c.x, c.y) != 0, c.inside) << c.x << "," << c.y;
    ::DeleteObject(rgn);
}

TEST(SkinImage, ImageFileIsDrawnOverWhite) {
    // The source tree's button strip, beside the build tree that holds Mrvn.exe.
    std::wstring exe = wt::MrvnExe();
    ASSERT_FALSE(exe.empty());
    std::wstring dir = exe.substr(0, exe.find_last_of(L'\\'));  // build\win32
    dir = dir.substr(0, dir.find_last_of(L'\\'));
    dir = dir.substr(0, dir.find_last_of(L'\\'));
    int w = -1, h = -1;
    OwnedBitmap bmp(LoadImageFileOnWhite(dir + L"\\res\\skin\\133_button.png", w, h));
    ASSERT_NE(bmp.get(), nullptr);
    EXPECT_EQ(w, 228);
    EXPECT_EQ(h, 23);
    EXPECT_EQ(BitmapPixel(bmp.get(), 0, 0), RGB(255, 255, 255)) << "transparent corner over white";
    EXPECT_EQ(BitmapPixel(bmp.get(), 28, 11), BitmapPixel(OwnedBitmap(LoadSkinImage(Module(), 133)).get(), 28, 11));

    OwnedBitmap none(LoadImageFileOnWhite(dir + L"\\res\\skin\\no_such.png", w, h));
    EXPECT_EQ(none.get(), nullptr);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
}

// ---- a skinned dialog on the screen

class CTestDlg : public CDlgEx {
public:
    CTestDlg() : CDlgEx(IDD_MESSAGE_BOX) {}
    BOOL OnInitDialog() override {
        CDlgEx::OnInitDialog();
        ::SetWindowPos(m_hWnd, nullptr, 100, 100, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
        m_nCaptionHeight = 30;
        m_nBorder = 4;
        m_nBtnRightMargin = 0;
        m_nBtnTop = 0;
        m_bResizable = resizable;
        HMODULE m = Module();
        close.reset(LoadSkinImage(m, 132));
        minimize.reset(LoadSkinImage(m, 136));
        strip.reset(LoadSkinImage(m, 133));
        SetSkin(win::OwnedBitmap(LoadSkinImage(m, 131)), false, true, minimize.get(),
                win::OwnedBitmap(LoadSkinImage(m, 135)), win::OwnedBitmap(LoadSkinImage(m, 137)), close.get());
        SetTitle(L"测试");
        button.Create(L"", WS_CHILD | WS_VISIBLE, RECT{50, 80, 107, 103}, this, 1000);
        button.SetImageStrip(strip.get(), true);
        progress.Create(WS_CHILD | WS_VISIBLE, RECT{10, 140, 400, 161}, this, 1001);
        progress.SetImages(win::OwnedBitmap(LoadSkinImage(m, 152)), win::OwnedBitmap(LoadSkinImage(m, 153)));
        return TRUE;
    }
    BOOL resizable = FALSE;
    OwnedBitmap close, minimize, strip;
    CBtnEx button;
    CImgProgress progress;
};

// The program runs with comctl32 6 (its manifest asks for it); this test program has no manifest,
// so the dialog tests take the same controls through an activation context of their own.
class CommonControls6 {
public:
    CommonControls6() {
        wchar_t dir[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, dir);
        path_ = std::wstring(dir) + L"mrvn_skin_cc6.manifest";
        const char manifest[] =
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
            "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\"><dependency>"
            "<dependentAssembly><assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" "
            "version=\"6.0.0.0\" processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/>"
            "</dependentAssembly></dependency></assembly>";
        HANDLE f = ::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return;
        DWORD written = 0;
        ::WriteFile(f, manifest, sizeof(manifest) - 1, &written, nullptr);
        ::CloseHandle(f);
        ACTCTXW ac{};
        ac.cbSize = sizeof(ac);
        ac.lpSource = path_.c_str();
        ctx_ = ::CreateActCtxW(&ac);
        if (ctx_ != INVALID_HANDLE_VALUE && !::ActivateActCtx(ctx_, &cookie_)) cookie_ = 0;
    }
    ~CommonControls6() {
        if (cookie_) ::DeactivateActCtx(0, cookie_);
        if (ctx_ != INVALID_HANDLE_VALUE) ::ReleaseActCtx(ctx_);
        ::DeleteFileW(path_.c_str());
    }
    bool Active() const { return cookie_ != 0; }

private:
    std::wstring path_;
    HANDLE ctx_ = INVALID_HANDLE_VALUE;
    ULONG_PTR cookie_ = 0;
};

class DlgSkin : public ::testing::Test {
protected:
    static void SetUpTestSuite() { cc6_ = new CommonControls6; }
    static void TearDownTestSuite() {
        delete cc6_;
        cc6_ = nullptr;
    }
    static CommonControls6* cc6_;
    void SetUp() override {
        ASSERT_TRUE(cc6_ && cc6_->Active());
        InitControls();
        ASSERT_TRUE(dlg.Create(IDD_MESSAGE_BOX));
        ::ShowWindow(dlg.m_hWnd, SW_SHOWNOACTIVATE);
        Pump();
    }
    void TearDown() override {
        if (dlg.m_hWnd) ::DestroyWindow(dlg.m_hWnd);
        Pump();
    }
    // The button's pixel at (x, y) of its own rectangle, as the screen shows it.
    COLORREF ButtonPixel(int x, int y) {
        dlg.button.Invalidate(FALSE);
        const Capture cap = CaptureWindow(dlg.m_hWnd);
        return cap.At(50 + x, 80 + y);
    }
    COLORREF StripPixel(int frame, int x, int y) { return BitmapPixel(dlg.strip.get(), frame * 57 + x, y); }
    CTestDlg dlg;
};

CommonControls6* DlgSkin::cc6_ = nullptr;

TEST_F(DlgSkin, FrameIsPaintedFromTheBackgroundWithoutKeyColour) {
    const Capture cap = CaptureWindow(dlg.m_hWnd);
    ASSERT_EQ(cap.width, 300);
    ASSERT_EQ(cap.height, 200);
    int key = 0;
    for (COLORREF c : cap.px) key += c == kKeyColor;
    EXPECT_EQ(key, 0) << "key-coloured pixels on the screen";
    // The window region leaves the key corners out.
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(::GetWindowRgn(dlg.m_hWnd, rgn), ERROR);
    EXPECT_FALSE(::PtInRegion(rgn, 0, 0));
    EXPECT_FALSE(::PtInRegion(rgn, 299, 199));
    EXPECT_TRUE(::PtInRegion(rgn, 150, 100));
    ::DeleteObject(rgn);
    // Bottom border copied from the image's bottom rows; the centre stretched from its centre.
    HBITMAP bg = dlg.m_bmpBackground.Get();
    EXPECT_EQ(cap.At(150, 198), BitmapPixel(bg, 15, 49));
    EXPECT_EQ(cap.At(200, 120), BitmapPixel(bg, 15, 40));
    // The caption band comes from the image's top rows (its left column is border, copied 1:1).
    EXPECT_EQ(cap.At(2, 20), BitmapPixel(bg, 2, 20));
}

TEST_F(DlgSkin, ButtonShowsTheFrameOfItsState) {
    // The frames must differ where the test looks, or the test could not tell them apart.
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b) ASSERT_NE(StripPixel(a, 28, 11), StripPixel(b, 28, 11)) << a << b;
    HWND btn = dlg.button.m_hWnd;

    EXPECT_EQ(ButtonPixel(28, 11), StripPixel(0, 28, 11)) << "normal";
    // The key corner of the frame shows the dialog's skin under the button.
    EXPECT_EQ(ButtonPixel(0, 0), CaptureWindow(dlg.m_hWnd).At(49, 80)) << "see-through corner";

    ::SendMessageW(btn, WM_MOUSEHOVER, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(ButtonPixel(28, 11), StripPixel(1, 28, 11)) << "hover";
    EXPECT_EQ(ButtonPixel(0, 0), CaptureWindow(dlg.m_hWnd).At(49, 80)) << "see-through corner, hover";

    ::SendMessageW(btn, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_EQ(ButtonPixel(28, 11), StripPixel(2, 28, 11)) << "pressed";
    // Off the button with the left button held: the system unhighlights it, the latch keeps frame 2.
    ::SendMessageW(btn, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 60));
    ASSERT_EQ(::SendMessageW(btn, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
    EXPECT_EQ(ButtonPixel(28, 11), StripPixel(2, 28, 11)) << "pressed, mouse away";
    ::SendMessageW(btn, WM_LBUTTONUP, 0, MAKELPARAM(200, 60));
    EXPECT_FALSE(dlg.button.m_bPressedLatch);
    EXPECT_EQ(ButtonPixel(28, 11), StripPixel(1, 28, 11)) << "released, still hovered";

    ::SendMessageW(btn, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(ButtonPixel(28, 11), StripPixel(0, 28, 11)) << "left";

    ::SendMessageW(btn, WM_MOUSEHOVER, 0, MAKELPARAM(5, 5));
    ::EnableWindow(btn, FALSE);
    EXPECT_EQ(ButtonPixel(28, 11), StripPixel(3, 28, 11)) << "disabled, under the mouse";
}

TEST_F(DlgSkin, DisabledLabelIsGrey) {
    dlg.button.m_strText = L"禁用禁用";
    dlg.button.m_crText = RGB(255, 0, 0);
    ::EnableWindow(dlg.button.m_hWnd, FALSE);
    dlg.button.Invalidate(FALSE);
    const Capture cap = CaptureWindow(dlg.m_hWnd);
    int grey = 0, red = 0;
    for (int y = 80; y < 103; ++y)
        for (int x = 50; x < 107; ++x) {
            grey += cap.At(x, y) == ::GetSysColor(COLOR_GRAYTEXT);
            red += cap.At(x, y) == RGB(255, 0, 0);
        }
    EXPECT_GT(grey, 0);
    EXPECT_EQ(red, 0);
}

TEST_F(DlgSkin, ProgressBarFollowsItsPosition) {
    CImgProgress& p = dlg.progress;
    RECT wr = p.GetWindowRect();
    EXPECT_EQ(wr.right - wr.left, 390);
    EXPECT_EQ(wr.bottom - wr.top, 21);
    const int row = 10;
    // The dialog is narrower than the bar; only columns inside it are looked at.
    const auto screenAt = [&](int x) { return CaptureWindow(dlg.m_hWnd).At(10 + x, 140 + row); };
    const COLORREF trackMid = BitmapPixel(p.m_hbmTrack.Get(), 280, row);
    const COLORREF barMid = BitmapPixel(p.m_hbmBar.Get(), 280, row);
    ASSERT_NE(trackMid, barMid);
    ::SendMessageW(p.m_hWnd, PBM_SETPOS, 50, 0);
    EXPECT_EQ(screenAt(280), trackMid) << "beyond the filled half";
    EXPECT_EQ(screenAt(60), BitmapPixel(p.m_hbmBar.Get(), 60, row)) << "inside the filled half";
    ::SendMessageW(p.m_hWnd, PBM_SETRANGE, 0, MAKELPARAM(0, 50));
    EXPECT_EQ(screenAt(280), barMid) << "full after the range shrank to the position";
}

TEST_F(DlgSkin, StaticWrapsChineseTextAndGrowsDownward) {
    CStaticEx text;
    ASSERT_TRUE(text.Create(L"", WS_CHILD | WS_VISIBLE | SS_NOTIFY, RECT{20, 40, 120, 50}, &dlg, 1100));
    ::SendMessageW(text.m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(dlg.GetFont()), FALSE);
    text.m_strText = std::wstring(20, L'汉');
    text.m_crText = RGB(200, 0, 0);
    text.Invalidate(FALSE);
    const Capture cap = CaptureWindow(dlg.m_hWnd);
    // A line height from the control's own font: the probe of the wrap walk.
    HDC dc = ::GetDC(text.m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, dlg.GetFont());
    GdiTextMeasurer measure(dc);
    const int ph = measure.Measure(std::wstring(L"测试用汉字来获取宽度") + L'\0').height;
    const int one = measure.Measure(L"汉").width;
    ::SelectObject(dc, old);
    ::ReleaseDC(text.m_hWnd, dc);
    ASSERT_GT(ph, 0);
    ASSERT_GT(one, 0);
    const int lines = (20 + 100 / one - 1) / (100 / one);  // the characters that fit 100 pixels, per line
    RECT r = text.GetWindowRect();
    EXPECT_EQ(r.bottom - r.top, ph + (lines - 1) * (ph + 3));
    // Text is drawn on the last line, and nothing beyond the 100-pixel width.
    int lastLine = 0, beyond = 0;
    const auto red = [](COLORREF c) { return GetRValue(c) > 120 && GetGValue(c) < 100 && GetBValue(c) < 100; };
    for (int y = 40 + (lines - 1) * (ph + 3); y < 40 + (lines - 1) * (ph + 3) + ph; ++y)
        for (int x = 20; x < 120; ++x) lastLine += red(cap.At(x, y));
    for (int y = 40; y < 40 + lines * (ph + 3); ++y)
        for (int x = 121; x < 200; ++x) beyond += red(cap.At(x, y));
    EXPECT_GT(lastLine, 0);
    EXPECT_EQ(beyond, 0);
    // The hand cursor answer.
    text.m_bHandCursor = TRUE;
    EXPECT_EQ(::SendMessageW(text.m_hWnd, WM_SETCURSOR, WPARAM(text.m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
}

TEST_F(DlgSkin, CaptionButtonsStandRightToLeftWithTips) {
    const auto rectOf = [&](CBtnEx& b) {
        RECT r = b.GetWindowRect();
        ::MapWindowPoints(nullptr, dlg.m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    ASSERT_TRUE(dlg.m_btnClose.m_hWnd && dlg.m_btnMax.m_hWnd && dlg.m_btnMin.m_hWnd);
    EXPECT_EQ(::GetDlgCtrlID(dlg.m_btnClose.m_hWnd), 50000);
    EXPECT_EQ(::GetDlgCtrlID(dlg.m_btnMin.m_hWnd), 50001);
    EXPECT_EQ(::GetDlgCtrlID(dlg.m_btnMax.m_hWnd), 50002);
    EXPECT_EQ(rectOf(dlg.m_btnClose).right, 300);
    EXPECT_EQ(rectOf(dlg.m_btnMax).right, rectOf(dlg.m_btnClose).left);
    EXPECT_EQ(rectOf(dlg.m_btnMin).right, rectOf(dlg.m_btnMax).left);
    EXPECT_EQ(dlg.m_btnClose.ToolTip().GetText(&dlg.m_btnClose, 0), L"关闭");
    EXPECT_EQ(dlg.m_btnMin.ToolTip().GetText(&dlg.m_btnMin, 0), L"最小化");
    EXPECT_EQ(dlg.m_btnMax.ToolTip().GetText(&dlg.m_btnMax, 0), L"最大化");
}

TEST_F(DlgSkin, MaximizeButtonTogglesWorkAreaAndBack) {
    RECT wa{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &wa, 0);
    ::SendMessageW(dlg.m_btnMax.m_hWnd, BM_CLICK, 0, 0);
    Pump();
    RECT r = dlg.GetWindowRect();
    EXPECT_TRUE(::EqualRect(&r, &wa));
    EXPECT_TRUE(dlg.m_bMaximized);
    EXPECT_EQ(dlg.m_btnMax.ToolTip().GetText(&dlg.m_btnMax, 0), L"还原");
    // WM_SIZE packed the buttons against the new right edge.
    RECT close = dlg.m_btnClose.GetWindowRect();
    EXPECT_EQ(close.right, wa.right);
    // While maximized the frame neither drags nor sizes.
    EXPECT_EQ(::SendMessageW(dlg.m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(wa.left + 100, wa.top + 10)), HTCLIENT);

    const RECT restore = dlg.m_rcRestore;
    ::SendMessageW(dlg.m_btnMax.m_hWnd, BM_CLICK, 0, 0);
    Pump();
    r = dlg.GetWindowRect();
    EXPECT_TRUE(::EqualRect(&r, &restore));
    EXPECT_FALSE(dlg.m_bMaximized);
    EXPECT_EQ(dlg.m_btnMax.ToolTip().GetText(&dlg.m_btnMax, 0), L"最大化");
}

TEST_F(DlgSkin, HitTestUsesScreenPointsOfTheFrame) {
    // Where the window really is: a window manager may place it elsewhere than it asked.
    const RECT frame = dlg.GetWindowRect();
    const auto hit = [&](int x, int y) {
        return ::SendMessageW(dlg.m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(frame.left + x, frame.top + y));
    };
    EXPECT_EQ(hit(150, 10), HTCAPTION);
    EXPECT_EQ(hit(150, 100), HTCLIENT);
    EXPECT_EQ(hit(1, 100), HTCLIENT) << "not resizable: the border is client";
    dlg.m_bResizable = TRUE;
    EXPECT_EQ(hit(1, 100), HTLEFT);
    EXPECT_EQ(hit(298, 198), HTBOTTOMRIGHT);
    EXPECT_EQ(hit(150, 1), HTTOP);
    EXPECT_EQ(hit(150, 197), HTBOTTOM);
}

// ---- the message box on a thread of its own

struct BoxRun {
    std::wstring text;
    std::wstring caption;
    int style = 0;
    int result = -100;
    SIZE size{};
};

DWORD WINAPI BoxThread(void* p) {
    auto* run = static_cast<BoxRun*>(p);
    InitControls();
    run->result = SkinMessageBox(nullptr, run->text, run->caption, run->style);
    return 0;
}

BOOL CALLBACK FindDialog(HWND h, LPARAM out) {
    wchar_t cls[16] = {};
    ::GetClassNameW(h, cls, 16);
    if (std::wstring(cls) == L"#32770" && ::IsWindowVisible(h)) {
        *reinterpret_cast<HWND*>(out) = h;
        return FALSE;
    }
    return TRUE;
}

HWND FindBox(DWORD threadId) {
    // Bounded wait for the box to come up; not an assertion on time.
    for (int i = 0; i < 500; ++i) {
        HWND found = nullptr;
        ::EnumThreadWindows(threadId, FindDialog, reinterpret_cast<LPARAM>(&found));
        if (found) return found;
        ::Sleep(20);
    }
    return nullptr;
}

// Runs a box, presses Enter and Esc (which must do nothing), then clicks `clickId`; the result.
int AnswerBox(BoxRun& run, int clickId, SIZE* size = nullptr, std::vector<RECT>* buttons = nullptr) {
    DWORD tid = 0;
    HANDLE thread = ::CreateThread(nullptr, 0, BoxThread, &run, 0, &tid);
    if (!thread) return -1;
    HWND box = FindBox(tid);
    if (box) {
        RECT wr{};
        ::GetWindowRect(box, &wr);
        if (size) *size = SIZE{wr.right - wr.left, wr.bottom - wr.top};
        if (buttons)
            for (int id : {kMsgBtn1, kMsgBtn2})
                if (HWND b = ::GetDlgItem(box, id)) {
                    RECT r{};
                    ::GetWindowRect(b, &r);
                    ::MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
                    buttons->push_back(r);
                }
        // Posted in order: had Enter or Esc ended the box, its result would be theirs, not the click's.
        for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE)}) {
            ::PostMessageW(box, WM_KEYDOWN, key, 1);
            ::PostMessageW(box, WM_KEYUP, key, 0xC0000001);
        }
        if (HWND target = ::GetDlgItem(box, clickId)) ::PostMessageW(target, BM_CLICK, 0, 0);
    }
    const bool ended = ::WaitForSingleObject(thread, 30000) == WAIT_OBJECT_0;
    if (!ended) {
        if (box) ::PostMessageW(box, WM_CLOSE, 0, 0);
        ::WaitForSingleObject(thread, 10000);
    }
    ::CloseHandle(thread);
    return box && ended ? run.result : -2;
}

TEST(MessageBoxAnswers, AnswersThroughEveryButtonAndTheCloseButton) {
    struct Case { int style; int click; int expected; };
    const Case cases[] = {
        {0, kMsgBtn1, 1}, {0, 50000, 2},
        {1, kMsgBtn1, 1}, {1, kMsgBtn2, 2}, {1, 50000, 2},
        {4, kMsgBtn1, 6}, {4, kMsgBtn2, 7}, {4, 50000, 2},
    };
    int n = 0;
    for (const Case& c : cases) {
        BoxRun run{L"是否继续？\r\n第二行", L"QuarnMorvane 测试 " + std::to_wstring(++n), c.style};
        EXPECT_EQ(AnswerBox(run, c.click), c.expected) << "style " << c.style << " button " << c.click;
    }
}

TEST(MessageBoxAnswers, ShortYesNoBoxTakesTheButtonsWidth) {
    BoxRun run{L"好", L"QuarnMorvane 尺寸", kMsgStyleYesNo};
    SIZE size{};
    std::vector<RECT> buttons;
    ASSERT_EQ(AnswerBox(run, kMsgBtn2, &size, &buttons), kIdNo);
    EXPECT_EQ(size.cx, 2 * 57 + 60);
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0].left, 20);
    EXPECT_EQ(buttons[0].right, 77);
    EXPECT_EQ(buttons[1].left, 97);
    EXPECT_EQ(buttons[1].right, 154);
    EXPECT_EQ(buttons[0].bottom, size.cy - 30);
    EXPECT_EQ(buttons[0].bottom - buttons[0].top, 23);
}

}  // namespace
}  // namespace mrvn::skin
