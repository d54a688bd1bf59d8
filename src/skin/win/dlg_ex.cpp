#include "skin/win/dlg_ex.h"

#include <windowsx.h>

#include <cstdlib>

#include "skin/win/skin_image.h"
#include "skin/win/skin_paint.h"

namespace mrvn::skin {

namespace {

SkinRect WorkArea() {
    RECT wa{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &wa, 0);
    return ToSkin(wa);
}

void DestroyButton(CBtnEx& b) {
    if (b.m_hWnd) ::DestroyWindow(b.m_hWnd);
}

void MoveTo(HWND h, const SkinRect& r) {
    ::MoveWindow(h, r.left, r.top, r.Width(), r.Height(), TRUE);
}

}  // namespace

CDlgEx::CDlgEx(UINT templateId, fw::CWnd* parent) : fw::CDialog(templateId, parent) {}

CDlgEx::CDlgEx(UINT templateId, HWND owner) : fw::CDialog(templateId, owner) {}

DlgFrameStyle CDlgEx::FrameStyle() const {
    DlgFrameStyle s;
    s.showTitle = m_bShowTitle != 0;
    s.captionHeight = m_nCaptionHeight;
    s.btnRightMargin = m_nBtnRightMargin;
    s.btnTop = m_nBtnTop;
    s.btnSpacing = m_nBtnSpacing;
    s.border = m_nBorder;
    s.titleColor = m_crTitle;
    s.titleWeight = m_nTitleWeight;
    s.maxWidth = m_nMaxWidth;
    s.maxHeight = m_nMaxHeight;
    s.resizable = m_bResizable != 0;
    s.stretchSkin = m_bStretchSkin != 0;
    return s;
}

BOOL CDlgEx::OnInitDialog() {
    fw::CDialog::OnInitDialog();
    const DWORD style = DWORD(::GetWindowLongPtrW(m_hWnd, GWL_STYLE));
    const DWORD exStyle = DWORD(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE));
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, LONG_PTR(FramelessStyle(style)));
    ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, LONG_PTR(FramelessExStyle(exStyle)));
    // The frame change takes effect only once the system recomputes the non-client area.
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    const SkinRect wa = WorkArea();
    m_nMaxWidth = wa.Width();
    m_nMaxHeight = wa.Height();
    const SkinRect r = InitialRestoreRect(wa);
    m_rcRestore = ToRect(r);
    return TRUE;
}

BOOL CDlgEx::SetSkin(win::OwnedBitmap background, bool resizeToBackground, bool stretchSkin, HBITMAP minimize,
                     win::OwnedBitmap maximize, win::OwnedBitmap restore, HBITMAP close) {
    m_bStretchSkin = stretchSkin;
    m_bmpBackground = std::move(background);
    RECT layout = GetClientRect();
    if (resizeToBackground && m_bmpBackground) {
        const SIZE s = BitmapSize(m_bmpBackground.Get());
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        layout = RECT{0, 0, s.cx, s.cy};
    }
    UpdateWindowRegion();

    const SIZE cs = BitmapSize(close), xs = BitmapSize(maximize.Get()), ns = BitmapSize(minimize);
    const CaptionButtons place =
        PlaceCaptionButtons(FrameStyle(), layout.right, {{cs.cx, cs.cy}, {xs.cx, xs.cy}, {ns.cx, ns.cy}});
    if (close && place.close) {
        DestroyButton(m_btnClose);
        CBtnEx::CreateImageButton(m_btnClose, close, place.close->right, place.close->top, kSkinCloseId, this);
        m_btnClose.SetToolTipText(kTipClose);
        m_btnClose.SetWindowText(kTipClose);  // its name for screen readers; the image is its look
    }
    if (maximize && place.maximize) {
        DestroyButton(m_btnMax);
        CBtnEx::CreateImageButton(m_btnMax, maximize.Get(), place.maximize->right, place.maximize->top,
                                  kSkinMaximizeId, this);
        m_btnMax.SetToolTipText(MaximizeTip(false));
        m_btnMax.SetWindowText(MaximizeTip(false));
        m_bmpMaximize = std::move(maximize);
        m_bmpRestore = std::move(restore);
    }
    if (minimize && place.minimize) {
        DestroyButton(m_btnMin);
        CBtnEx::CreateImageButton(m_btnMin, minimize, place.minimize->right, place.minimize->top, kSkinMinimizeId, this);
        m_btnMin.SetToolTipText(kTipMinimize);
        m_btnMin.SetWindowText(kTipMinimize);
    }
    return TRUE;
}

void CDlgEx::UpdateWindowRegion() {
    if (!m_bmpBackground) return;
    const RECT wr = GetWindowRect();
    win::OwnedRegion rgn(MakeCornerRegion(m_bmpBackground.Get(), wr.right - wr.left, wr.bottom - wr.top));
    // The system owns the region once it has taken it.
    if (rgn && ::SetWindowRgn(m_hWnd, rgn.Get(), FALSE)) rgn.Release();
}

HICON CDlgEx::SmallIcon() const {
    return reinterpret_cast<HICON>(::SendMessageW(m_hWnd, WM_GETICON, ICON_SMALL, 0));
}

int CDlgEx::WindowFontHeight() const {
    LOGFONTW lf{};
    HFONT f = GetFont();
    if (!f || !::GetObjectW(f, sizeof(lf), &lf)) return 0;
    return std::abs(int(lf.lfHeight));
}

void CDlgEx::SetTitle(const std::wstring& text) {
    SetWindowText(text);
    RECT calc{0, 0, 0, 0};
    {
        win::ScopedWindowDc dc(m_hWnd);
        win::ScopedSelect select(dc.Get(), GetFont() ? GetFont() : ::GetStockObject(DEFAULT_GUI_FONT));
        ::DrawTextW(dc.Get(), text.c_str(), int(text.size()), &calc, DT_CALCRECT);
    }
    const RECT rc = ToRect(TitleRepaintRect(FrameStyle(), SmallIcon() != nullptr, WindowFontHeight(),
                                            calc.bottom - calc.top, GetClientRect().right));
    ::InvalidateRect(m_hWnd, &rc, TRUE);
}

void CDlgEx::DrawBackground(HDC dc, int w, int h) {
    const SIZE bs = BitmapSize(m_bmpBackground.Get());
    win::ScopedMemDc mem(::CreateCompatibleDC(dc));
    win::ScopedSelect select(mem.Get(), m_bmpBackground.Get());
    HDC src = mem.Get();
    for (const BlitOp& op :
         BackgroundBlitPlan(bs.cx, bs.cy, w, h, m_nBorder, m_nCaptionHeight, m_bStretchSkin != 0)) {
        if (op.kind == BlitKind::Copy) {
            ::BitBlt(dc, op.dst.left, op.dst.top, op.dst.Width(), op.dst.Height(), src, op.src.left, op.src.top, SRCCOPY);
        } else {
            ::StretchBlt(dc, op.dst.left, op.dst.top, op.dst.Width(), op.dst.Height(), src, op.src.left, op.src.top,
                         op.src.Width(), op.src.Height(), SRCCOPY);
        }
    }
}

void CDlgEx::DrawIconAndTitle(HDC dc) {
    const DlgFrameStyle style = FrameStyle();
    HICON icon = SmallIcon();
    if (icon) {
        const SkinPoint p = IconPosition(style);
        ::DrawIconEx(dc, p.x, p.y, icon, 16, 16, 0, nullptr, DI_NORMAL);
    }
    if (!m_bShowTitle) return;
    const std::wstring title = GetWindowText();
    HFONT base = GetFont() ? GetFont() : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW lf{};
    ::GetObjectW(base, sizeof(lf), &lf);
    lf.lfWeight = m_nTitleWeight;
    win::OwnedFont font(::CreateFontIndirectW(&lf));
    win::ScopedSaveDc saved(dc);
    ::SelectObject(dc, font.Get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, m_crTitle);
    const SkinPoint p = TitlePosition(style, icon != nullptr, int(lf.lfHeight));
    ::TextOutW(dc, p.x, p.y, title.c_str(), int(title.size()));
}

BOOL CDlgEx::PaintFrame(HDC dc) {
    if (!m_bmpBackground) return FALSE;
    const RECT wr = GetWindowRect();
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    return PaintBuffered(dc, m_hWnd, w, h, false, [&](HDC mem) {
        DrawBackground(mem, w, h);
        DrawIconAndTitle(mem);
    });
}

void CDlgEx::OnCloseButton() { ::PostMessageW(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); }

void CDlgEx::OnMinimizeButton() { ::PostMessageW(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0); }

void CDlgEx::ToggleMaximize() {
    if (m_bMaximized) {
        const RECT& r = m_rcRestore;
        ::MoveWindow(m_hWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        UpdateMaximizeButton(false);
    } else {
        const SkinRect r = MaximizedRect(WorkArea(), m_nMaxWidth, m_nMaxHeight);
        ::MoveWindow(m_hWnd, r.left, r.top, r.Width(), r.Height(), TRUE);
        UpdateMaximizeButton(true);
    }
    m_btnMax.m_bHover = FALSE;
    m_btnMax.m_bTracking = FALSE;
    m_bMaximized = !m_bMaximized;
}

void CDlgEx::UpdateMaximizeButton(bool maximized) {
    if (!m_btnMax.m_hWnd) return;
    m_btnMax.SetImageStrip(maximized ? m_bmpRestore.Get() : m_bmpMaximize.Get(), false);
    m_btnMax.SetToolTipText(MaximizeTip(maximized));
    m_btnMax.SetWindowText(MaximizeTip(maximized));
    m_btnMax.Invalidate(FALSE);
}

BOOL CDlgEx::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case kSkinCloseId:
            OnCloseButton();
            return TRUE;
        case kSkinMinimizeId:
            OnMinimizeButton();
            return TRUE;
        case kSkinMaximizeId:
            ToggleMaximize();
            return TRUE;
        default:
            break;
        }
    }
    return fw::CDialog::OnCommand(wParam, lParam);
}

LRESULT CDlgEx::OnNcHitTest(POINT screen) {
    if (m_bMaximized) return Default();
    POINT pt = screen;
    ::ScreenToClient(m_hWnd, &pt);
    const RECT rc = GetClientRect();
    const FrameHit hit = FrameHitTest(FrameStyle(), false, pt.x, pt.y, rc.right, rc.bottom);
    return hit == HitDefault ? Default() : LRESULT(hit);
}

LRESULT CDlgEx::OnNcLButtonDown(int hit, LPARAM lParam) {
    LRESULT r = 0;
    if (const unsigned cmd = SizeCommandForHit(hit)) {
        ::SendMessageW(m_hWnd, WM_SYSCOMMAND, cmd, lParam);
    } else {
        r = Default();
    }
    m_rcRestore = GetWindowRect();
    return r;
}

bool CDlgEx::OnNcLButtonDblClk(int hit) {
    if (!NcDoubleClickToggles(FrameStyle(), hit)) return false;
    ToggleMaximize();
    return true;
}

void CDlgEx::OnLButtonDblClk(POINT client) {
    if (ClientDoubleClickToggles(FrameStyle(), m_bMaximized != 0, client.y)) ToggleMaximize();
}

void CDlgEx::MoveCaptionButtons(int width) {
    CaptionButtons current;
    const auto rectOf = [this](CBtnEx& b) -> std::optional<SkinRect> {
        if (!b.m_hWnd) return std::nullopt;
        RECT wr = b.GetWindowRect();
        POINT tl{wr.left, wr.top};
        ::ScreenToClient(m_hWnd, &tl);
        return RectXywh(tl.x, tl.y, wr.right - wr.left, wr.bottom - wr.top);
    };
    current.close = rectOf(m_btnClose);
    current.maximize = rectOf(m_btnMax);
    current.minimize = rectOf(m_btnMin);
    const CaptionButtons next = RelayoutCaptionButtons(FrameStyle(), width, current);
    if (next.close) MoveTo(m_btnClose.m_hWnd, *next.close);
    if (next.maximize) MoveTo(m_btnMax.m_hWnd, *next.maximize);
    if (next.minimize) MoveTo(m_btnMin.m_hWnd, *next.minimize);
    for (CBtnEx* b : {&m_btnClose, &m_btnMax, &m_btnMin})
        if (b->m_hWnd) b->UpdateStoredRect();
}

LRESULT CDlgEx::OnSize(int width) {
    const LRESULT r = Default();
    if (!m_bmpBackground) return r;
    UpdateWindowRegion();
    Invalidate(TRUE);
    MoveCaptionButtons(width);
    return r;
}

LRESULT CDlgEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_NCHITTEST:
        return OnNcHitTest(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_NCLBUTTONDOWN:
        return OnNcLButtonDown(int(wParam), lParam);
    case WM_NCLBUTTONDBLCLK:
        if (OnNcLButtonDblClk(int(wParam))) return 0;
        break;
    case WM_LBUTTONDBLCLK:
        OnLButtonDblClk(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        break;
    case WM_SIZE:
        return OnSize(LOWORD(lParam));
    default:
        break;
    }
    return fw::CDialog::WindowProc(msg, wParam, lParam);
}

}  // namespace mrvn::skin
