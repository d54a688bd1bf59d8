#include "skin/win/skin_controls_win.h"

#include "skin/dlg_frame.h"
#include "skin/skin_controls.h"
#include "skin/win/skin_image.h"
#include "skin/win/skin_paint.h"

namespace mrvn::skin {

namespace {

constexpr DWORD kHoverMs = 10;

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

HoverChange TrackHover(HWND hwnd, UINT msg, BOOL& tracking, BOOL& hover) {
    switch (msg) {
    case WM_MOUSEMOVE:
        if (!tracking) {
            TRACKMOUSEEVENT tme{};
            tme.cbSize = sizeof(tme);
            tme.dwFlags = TME_HOVER | TME_LEAVE;
            tme.hwndTrack = hwnd;
            tme.dwHoverTime = kHoverMs;
            tracking = ::TrackMouseEvent(&tme);
        }
        return HoverChange::None;
    case WM_MOUSEHOVER:
        hover = TRUE;
        return HoverChange::Entered;
    case WM_MOUSELEAVE:
        hover = FALSE;
        tracking = FALSE;
        return HoverChange::Left;
    default:
        return HoverChange::None;
    }
}

// ---- CBtnEx

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

void CBtnEx::SetLabel(const std::wstring& text) {
    m_strText = text;
    if (m_hWnd) SetWindowText(text);
    Invalidate(FALSE);
}

BOOL CBtnEx::CreateImageButton(CBtnEx& button, HBITMAP strip, int x, int y, int id, fw::CWnd* parent) {
    const SIZE s = BitmapSize(strip);
    const SkinRect r = ImageButtonRect({s.cx, s.cy}, x, y);
    if (!button.Create(L"", WS_CHILD | WS_VISIBLE, ToRect(r), parent, id)) return FALSE;
    return button.SetImageStrip(strip, false);
}

BOOL CBtnEx::PreTranslateMessage(MSG* msg) {
    if (m_bToolTip && m_toolTip.m_hWnd) m_toolTip.RelayEvent(msg);
    return fw::CButton::PreTranslateMessage(msg);
}

void CBtnEx::DrawItem(DRAWITEMSTRUCT* dis) {
    const int w = m_rcStored.right - m_rcStored.left;
    const int h = m_rcStored.bottom - m_rcStored.top;
    ButtonDrawState state;
    state.disabled = (dis->itemState & (ODS_DISABLED | ODS_GRAYED)) != 0;
    state.selected = (dis->itemState & ODS_SELECTED) != 0;
    state.hover = m_bHover;
    bool latch = m_bPressedLatch;
    const ButtonFrame frame = ChooseButtonFrame(state, latch);
    m_bPressedLatch = latch;
    PaintBuffered(dis->hDC, m_hWnd, w, h, true, [&](HDC dc) {
        DrawFrame(dc, dis->hDC, frame, w, h);
        DrawLabel(dc, frame);
    });
}

void CBtnEx::DrawFrame(HDC dc, HDC ref, int frame, int w, int h) {
    IMAGEINFO info{};
    if (!m_imgList.GetSafeHandle() || !m_imgList.GetImageInfo(frame, &info)) return;
    const int fwid = info.rcImage.right - info.rcImage.left;
    const int fh = info.rcImage.bottom - info.rcImage.top;
    if (fwid == w && fh == h) {
        m_imgList.Draw(dc, frame, POINT{0, 0}, ILD_TRANSPARENT);
        return;
    }
    // Scaled through a key-coloured scratch frame so the key stays see-through.
    fw::CMemDC scratch(ref, fwid, fh);
    if (!scratch) return;
    win::OwnedBrush key(::CreateSolidBrush(kKeyColor));
    RECT all{0, 0, fwid, fh};
    ::FillRect(scratch.Dc(), &all, key.Get());
    m_imgList.Draw(scratch.Dc(), frame, POINT{0, 0}, ILD_TRANSPARENT);
    ::TransparentBlt(dc, 0, 0, w, h, scratch.Dc(), 0, 0, fwid, fh, kKeyColor);
}

void CBtnEx::DrawLabel(HDC dc, int frame) {
    if (m_strText.empty()) return;
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, frame == FrameDisabled ? ::GetSysColor(COLOR_GRAYTEXT) : m_crText);
    HFONT font = GetFont();
    if (!font) font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    win::ScopedSelect select(dc, font);
    RECT rc = GetClientRect();
    ::DrawTextW(dc, m_strText.c_str(), int(m_strText.size()), &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

LRESULT CBtnEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return TRUE;
    case WM_MOUSEMOVE:
    case WM_MOUSEHOVER:
    case WM_MOUSELEAVE:
        if (OnHover(msg)) return 0;
        break;
    case WM_LBUTTONUP:
        m_bPressedLatch = FALSE;
        break;
    case WM_NOTIFY:
        if (OnToolTipText(reinterpret_cast<NMHDR*>(lParam))) return 0;
        break;
    default:
        break;
    }
    return fw::CButton::WindowProc(msg, wParam, lParam);
}

bool CBtnEx::OnHover(UINT msg) {
    const HoverChange change = TrackHover(m_hWnd, msg, m_bTracking, m_bHover);
    if (change == HoverChange::None) return false;
    Invalidate(FALSE);
    if (change == HoverChange::Entered && m_bToolTip) m_toolTip.UpdateTipText(m_strToolTip, this, 0);
    return true;
}

bool CBtnEx::OnToolTipText(NMHDR* hdr) {
    // The callback text of the tool, asked before the first hover.
    if (!hdr || hdr->code != TTN_GETDISPINFOW || hdr->hwndFrom != m_toolTip.m_hWnd) return false;
    reinterpret_cast<NMTTDISPINFOW*>(hdr)->lpszText = const_cast<wchar_t*>(m_strToolTip.c_str());
    return true;
}

// ---- CStaticEx

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
    if (m_font) return m_font.Get();
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
    m_font.Reset(::CreateFontIndirectW(&lf));
    return m_font.Get();
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
        RECT r = ToRect(line.rect);
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
    PaintBuffered(target, m_hWnd, wr.right - wr.left, wr.bottom - wr.top, true, [&](HDC dc) {
        if (m_imgList.GetSafeHandle()) {
            const SkinPoint p = StaticImagePosition(wr.bottom - wr.top, m_nImageHeight);
            m_imgList.Draw(dc, 0, POINT{p.x, p.y}, ILD_TRANSPARENT);
        }
        DrawTextContent(dc);
    });
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
    case WM_MOUSEHOVER:
    case WM_MOUSELEAVE:
        if (TrackHover(m_hWnd, msg, m_bTracking, m_bHover) == HoverChange::None) break;
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

BOOL CImgProgress::SetImages(win::OwnedBitmap track, win::OwnedBitmap bar) {
    m_hbmTrack = std::move(track);
    m_hbmBar = std::move(bar);
    const SIZE t = BitmapSize(m_hbmTrack.Get()), b = BitmapSize(m_hbmBar.Get());
    if (m_hWnd) ::SetWindowPos(m_hWnd, nullptr, 0, 0, t.cx, t.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_rcClient = RECT{0, 0, t.cx, t.cy};
    m_rcBar = ToRect(ProgressBarRect({t.cx, t.cy}, {b.cx, b.cy}));
    return TRUE;
}

void CImgProgress::Paint(HDC target) {
    const int w = m_rcClient.right - m_rcClient.left, h = m_rcClient.bottom - m_rcClient.top;
    if (w <= 0 || h <= 0) return;
    PaintBuffered(target, m_hWnd, w, h, true, [&](HDC dc) {
        win::ScopedMemDc src(::CreateCompatibleDC(target));
        if (m_hbmTrack) {
            const SIZE t = BitmapSize(m_hbmTrack.Get());
            win::ScopedSelect select(src.Get(), m_hbmTrack.Get());
            ::TransparentBlt(dc, 0, 0, w, h, src.Get(), 0, 0, t.cx, t.cy, kKeyColor);
        }
        if (m_hbmBar) {
            int lower = 0, upper = 0;
            GetRange(lower, upper);
            win::ScopedSelect select(src.Get(), m_hbmBar.Get());
            const int bh = m_rcBar.bottom - m_rcBar.top;
            for (const BarColumns& c : ProgressBarColumns(ToSkin(m_rcBar), lower, upper, GetPos())) {
                const int cw = c.dst.Width();
                ::TransparentBlt(dc, c.dst.left, c.dst.top, cw, bh, src.Get(), c.srcX, 0, cw, bh, kKeyColor);
            }
        }
    });
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
