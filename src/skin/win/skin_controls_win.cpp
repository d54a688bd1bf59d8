#include "skin/win/skin_controls_win.h"


#include "skin/dlg_frame.h"
#include "skin/skin_controls.h"
#include "skin/win/skin_image.h"

namespace mrvn::skin {

namespace {

constexpr DWORD kHoverMs = 10;

BOOL TrackMouse(HWND hwnd) {
    TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_HOVER | TME_LEAVE;
    tme.hwndTrack = hwnd;
    tme.dwHoverTime = kHoverMs;
    return ::TrackMouseEvent(&tme);
}

SkinRect ToSkin(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// The strip goes in one frame at a time: comctl32 6 as Wine ships it masks only the first image
// of a multi-image AddMasked, and frame by frame is the same list on every system.
void AddFramesMasked(fw::CImageList& list, HBITMAP strip, int frameW, int fh, int frames) {
    HDC screen = ::GetDC(nullptr);
    HDC src = ::CreateCompatibleDC(screen);
    HDC dst = ::CreateCompatibleDC(screen);
    HGDIOBJ oldSrc = ::SelectObject(src, strip);
    for (int i = 0; i < frames; ++i) {
        HBITMAP one = ::CreateCompatibleBitmap(screen, frameW, fh);
        if (!one) break;
        HGDIOBJ oldDst = ::SelectObject(dst, one);
        ::BitBlt(dst, 0, 0, frameW, fh, src, i * frameW, 0, SRCCOPY);
        ::SelectObject(dst, oldDst);
        list.Add(one, kKeyColor);
        ::DeleteObject(one);
    }
    ::SelectObject(src, oldSrc);
    ::DeleteDC(dst);
    ::DeleteDC(src);
    ::ReleaseDC(nullptr, screen);
}

}  // namespace

// ---- CBtnEx

CBtnEx::~CBtnEx() {
    if (m_toolTip.m_hWnd && ::IsWindow(m_toolTip.m_hWnd)) ::DestroyWindow(m_toolTip.m_hWnd);
    m_toolTip.m_hWnd = nullptr;
}

void CBtnEx::PreSubclassWindow() {
    m_strText = GetWindowText();
    ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW);
    UpdateStoredRect();
}

void CBtnEx::UpdateStoredRect() { m_rcStored = GetWindowRect(); }

BOOL CBtnEx::SetImageStrip(HBITMAP strip, bool resize) {
    m_imgList.DeleteImageList();
    const SIZE s = BitmapSize(strip);
    const SkinSize frame = StripFrameSize({s.cx, s.cy});
    if (strip && frame.width > 0 && frame.height > 0 && m_imgList.Create(frame.width, frame.height, ILC_COLOR24 | ILC_MASK, 4, 0)) {
        AddFramesMasked(m_imgList, strip, frame.width, frame.height, 4);
        if (resize && m_hWnd)
            ::SetWindowPos(m_hWnd, nullptr, 0, 0, frame.width, frame.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    UpdateStoredRect();
    return TRUE;
}

void CBtnEx::SetToolTipText(const std::wstring& text) {
    m_strToolTip = text;
    m_bToolTip = TRUE;
    if (!m_toolTip.m_hWnd && m_toolTip.Create(this, TTS_ALWAYSTIP)) {
        m_toolTip.AddTool(this, nullptr, 0);
        m_toolTip.SetDelayTime(TTDT_AUTOMATIC, 660);
    }
    // A tip already shown or queried keeps the old text until told.
    if (m_toolTip.m_hWnd) m_toolTip.UpdateTipText(m_strToolTip, this, 0);
}

BOOL CBtnEx::CreateImageButton(CBtnEx& button, HBITMAP strip, int x, int y, int id, fw::CWnd* parent) {
    const SIZE s = BitmapSize(strip);
    const SkinRect r = ImageButtonRect({s.cx, s.cy}, x, y);
    if (!button.Create(L"", WS_CHILD | WS_VISIBLE, RECT{r.left, r.top, r.right, r.bottom}, parent, id)) return FALSE;
    return button.SetImageStrip(strip, false);
}

BOOL CBtnEx::PreTranslateMessage(MSG* msg) {
    if (m_bToolTip && m_toolTip.m_hWnd) m_toolTip.RelayEvent(msg);
    return fw::CButton::PreTranslateMessage(msg);
}

void CBtnEx::DrawItem(DRAWITEMSTRUCT* dis) {
    const int w = m_rcStored.right - m_rcStored.left;
    const int h = m_rcStored.bottom - m_rcStored.top;
    fw::CMemDC mem(dis->hDC, w, h);
    if (!mem) return;
    ButtonDrawState state;
    state.disabled = (dis->itemState & (ODS_DISABLED | ODS_GRAYED)) != 0;
    state.selected = (dis->itemState & ODS_SELECTED) != 0;
    state.hover = m_bHover;
    bool latch = m_bPressedLatch;
    const ButtonFrame frame = ChooseButtonFrame(state, latch);
    m_bPressedLatch = latch;

    PaintParentBackground(m_hWnd, mem.Dc());
    IMAGEINFO info{};
    if (m_imgList.GetSafeHandle() && m_imgList.GetImageInfo(frame, &info)) {
        const int fwid = info.rcImage.right - info.rcImage.left;
        const int fh = info.rcImage.bottom - info.rcImage.top;
        if (fwid == w && fh == h) {
            m_imgList.Draw(mem.Dc(), frame, POINT{0, 0}, ILD_TRANSPARENT);
        } else {
            // Scaled through a key-coloured scratch frame so the key stays see-through.
            fw::CMemDC scratch(dis->hDC, fwid, fh);
            if (scratch) {
                HBRUSH key = ::CreateSolidBrush(kKeyColor);
                RECT all{0, 0, fwid, fh};
                ::FillRect(scratch.Dc(), &all, key);
                ::DeleteObject(key);
                m_imgList.Draw(scratch.Dc(), frame, POINT{0, 0}, ILD_TRANSPARENT);
                ::TransparentBlt(mem.Dc(), 0, 0, w, h, scratch.Dc(), 0, 0, fwid, fh, kKeyColor);
            }
        }
    }
    if (!m_strText.empty()) {
        ::SetBkMode(mem.Dc(), TRANSPARENT);
        ::SetTextColor(mem.Dc(), frame == FrameDisabled ? ::GetSysColor(COLOR_GRAYTEXT) : m_crText);
        HFONT font = GetFont();
        if (!font) font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
        HGDIOBJ old = ::SelectObject(mem.Dc(), font);
        RECT rc = GetClientRect();
        ::DrawTextW(mem.Dc(), m_strText.c_str(), int(m_strText.size()), &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        ::SelectObject(mem.Dc(), old);
    }
    ::BitBlt(dis->hDC, 0, 0, w, h, mem.Dc(), 0, 0, SRCCOPY);
}

LRESULT CBtnEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return TRUE;
    case WM_MOUSEMOVE:
        if (!m_bTracking) m_bTracking = TrackMouse(m_hWnd);
        break;
    case WM_MOUSEHOVER:
        m_bHover = TRUE;
        Invalidate(FALSE);
        if (m_bToolTip) m_toolTip.UpdateTipText(m_strToolTip, this, 0);
        return 0;
    case WM_MOUSELEAVE:
        m_bHover = FALSE;
        m_bTracking = FALSE;
        Invalidate(FALSE);
        return 0;
    case WM_LBUTTONUP:
        m_bPressedLatch = FALSE;
        break;
    case WM_NOTIFY: {
        // The callback text of the tool, asked before the first hover.
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (hdr && hdr->code == TTN_GETDISPINFOW && hdr->hwndFrom == m_toolTip.m_hWnd) {
            reinterpret_cast<NMTTDISPINFOW*>(lParam)->lpszText = const_cast<wchar_t*>(m_strToolTip.c_str());
            return 0;
        }
        break;
    }
    default:
        break;
    }
    return fw::CButton::WindowProc(msg, wParam, lParam);
}

// ---- CStaticEx

CStaticEx::~CStaticEx() {
    if (m_font) ::DeleteObject(m_font);
}

void CStaticEx::PreSubclassWindow() { m_strText = GetWindowText(); }

BOOL CStaticEx::SetImage(HBITMAP bmp) {
    if (!bmp) return FALSE;
    const SIZE s = BitmapSize(bmp);
    m_nImageWidth = s.cx;
    m_nImageHeight = s.cy;
    if (m_imgList.Create(s.cx, s.cy, ILC_COLOR24 | ILC_MASK, 1, 0)) m_imgList.Add(bmp, kKeyColor);
    return TRUE;
}

HFONT CStaticEx::EnsureFont() {
    if (m_font) return m_font;
    HFONT base = GetFont();
    if (!base) base = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
    LOGFONTW lf{};
    ::GetObjectW(base, sizeof(lf), &lf);
    FontSpec font{int(lf.lfHeight), int(lf.lfWidth), int(lf.lfWeight), lf.lfUnderline != 0};
    font = ApplyFontOverrides(font, {m_nFontWidth, m_nFontWeight, m_nFontHeight, m_bUnderline != 0});
    lf.lfHeight = font.height;
    lf.lfWidth = font.width;
    lf.lfWeight = font.weight;
    lf.lfUnderline = font.underline ? 1 : 0;
    m_font = ::CreateFontIndirectW(&lf);
    return m_font;
}

void CStaticEx::DrawTextContent(HDC dc) {
    const RECT client = GetClientRect();
    const DWORD style = DWORD(::GetWindowLongPtrW(m_hWnd, GWL_STYLE));
    const UINT flags = StaticTextFlags(style);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, StaticTextColor(m_crText, m_crHover, m_bHoverColor != 0, m_bHover != 0));
    HGDIOBJ old = ::SelectObject(dc, EnsureFont());
    GdiTextMeasurer measurer(dc);
    const StaticTextLayout layout =
        LayoutStaticText(m_strText, ToSkin(client), m_imgList.GetSafeHandle() ? m_nImageWidth : 0, m_nLineSpacing, measurer);
    for (const StaticTextLine& line : layout.lines) {
        RECT r{line.rect.left, line.rect.top, line.rect.right, line.rect.bottom};
        ::DrawTextW(dc, line.text.c_str(), int(line.text.size()), &r, flags);
    }
    ::SelectObject(dc, old);
    const int height = client.bottom - client.top;
    const int grown = GrownStaticHeight(height, layout);
    if (grown > height) {
        RECT wr = GetWindowRect();
        POINT tl{wr.left, wr.top};
        ::ScreenToClient(GetParent(), &tl);
        ::MoveWindow(m_hWnd, tl.x, tl.y, wr.right - wr.left, grown, TRUE);
    }
}

void CStaticEx::Paint(HDC target) {
    const RECT wr = GetWindowRect();
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    fw::CMemDC mem(target, w, h);
    if (!mem) return;
    const int saved = ::SaveDC(mem.Dc());
    PaintParentBackground(m_hWnd, mem.Dc());
    ::RestoreDC(mem.Dc(), saved);
    if (m_imgList.GetSafeHandle()) {
        const SkinPoint p = StaticImagePosition(h, m_nImageHeight);
        m_imgList.Draw(mem.Dc(), 0, POINT{p.x, p.y}, ILD_TRANSPARENT);
    }
    DrawTextContent(mem.Dc());
    ::BitBlt(target, 0, 0, w, h, mem.Dc(), 0, 0, SRCCOPY);
}

namespace {

// The controls paint everything themselves in one blit: no erase, and the same drawing for
// WM_PAINT and for WM_PRINTCLIENT (a parent or a capture asking for our pixels).
template <typename PaintFn>
LRESULT PaintMessage(HWND hwnd, UINT msg, WPARAM wParam, PaintFn paint) {
    if (msg == WM_ERASEBKGND) return TRUE;
    if (msg == WM_PRINTCLIENT) {
        paint(reinterpret_cast<HDC>(wParam));
        return 0;
    }
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd, &ps);
    paint(dc);
    ::EndPaint(hwnd, &ps);
    return 0;
}

}  // namespace

LRESULT CStaticEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintMessage(m_hWnd, msg, wParam, [this](HDC dc) { Paint(dc); });
    case WM_MOUSEMOVE:
        if (!m_bTracking) m_bTracking = TrackMouse(m_hWnd);
        break;
    case WM_MOUSEHOVER:
        m_bHover = TRUE;
        Invalidate(FALSE);
        return 0;
    case WM_MOUSELEAVE:
        m_bHover = FALSE;
        m_bTracking = FALSE;
        Invalidate(FALSE);
        return 0;
    case WM_SETCURSOR:
        if (m_bHandCursor) ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    default:
        break;
    }
    return fw::CStatic::WindowProc(msg, wParam, lParam);
}

// ---- CImgProgress

CImgProgress::~CImgProgress() {
    if (m_hbmTrack) ::DeleteObject(m_hbmTrack);
    if (m_hbmBar) ::DeleteObject(m_hbmBar);
}

BOOL CImgProgress::SetImages(HBITMAP track, HBITMAP bar) {
    if (m_hbmTrack && m_hbmTrack != track) ::DeleteObject(m_hbmTrack);
    if (m_hbmBar && m_hbmBar != bar) ::DeleteObject(m_hbmBar);
    m_hbmTrack = track;
    m_hbmBar = bar;
    const SIZE t = BitmapSize(track), b = BitmapSize(bar);
    if (m_hWnd) ::SetWindowPos(m_hWnd, nullptr, 0, 0, t.cx, t.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_rcClient = RECT{0, 0, t.cx, t.cy};
    const SkinRect r = ProgressBarRect({t.cx, t.cy}, {b.cx, b.cy});
    m_rcBar = RECT{r.left, r.top, r.right, r.bottom};
    return TRUE;
}

void CImgProgress::Paint(HDC target) {
    const int w = m_rcClient.right - m_rcClient.left, h = m_rcClient.bottom - m_rcClient.top;
    if (w <= 0 || h <= 0) return;
    fw::CMemDC mem(target, w, h);
    if (!mem) return;
    PaintParentBackground(m_hWnd, mem.Dc());
    HDC src = ::CreateCompatibleDC(target);
    if (m_hbmTrack) {
        const SIZE t = BitmapSize(m_hbmTrack);
        HGDIOBJ old = ::SelectObject(src, m_hbmTrack);
        ::TransparentBlt(mem.Dc(), 0, 0, w, h, src, 0, 0, t.cx, t.cy, kKeyColor);
        ::SelectObject(src, old);
    }
    if (m_hbmBar) {
        int lower = 0, upper = 0;
        GetRange(lower, upper);
        HGDIOBJ old = ::SelectObject(src, m_hbmBar);
        const int bh = m_rcBar.bottom - m_rcBar.top;
        for (const BarColumns& c : ProgressBarColumns(ToSkin(m_rcBar), lower, upper, GetPos())) {
            const int cw = c.dst.Width();
            ::TransparentBlt(mem.Dc(), c.dst.left, c.dst.top, cw, bh, src, c.srcX, 0, cw, bh, kKeyColor);
        }
        ::SelectObject(src, old);
    }
    ::DeleteDC(src);
    ::BitBlt(target, 0, 0, w, h, mem.Dc(), 0, 0, SRCCOPY);
}

LRESULT CImgProgress::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintMessage(m_hWnd, msg, wParam, [this](HDC dc) { Paint(dc); });
    case PBM_SETPOS:
    case PBM_SETRANGE:
    case PBM_SETRANGE32:
    case PBM_DELTAPOS:
    case PBM_STEPIT: {
        const LRESULT r = Default();
        Invalidate(FALSE);
        return r;
    }
    default:
        break;
    }
    return fw::CProgressCtrl::WindowProc(msg, wParam, lParam);
}

}  // namespace mrvn::skin
