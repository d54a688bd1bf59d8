#include "skin/win/message_box.h"

#include "skin/message_box_layout.h"
#include "skin/win/skin_image.h"

namespace mrvn::skin {

namespace {
constexpr int kBackgroundImage = 131;
constexpr int kCloseImage = 132;
constexpr int kButtonImage = 133;
}  // namespace

CMessageBox::CMessageBox(fw::CWnd* parent) : CDlgEx(kMessageBoxTemplate, parent) {}

CMessageBox::~CMessageBox() {
    if (m_hbmClose) ::DeleteObject(m_hbmClose);
    if (m_hbmButton1) ::DeleteObject(m_hbmButton1);
    if (m_hbmButton2) ::DeleteObject(m_hbmButton2);
    // A box that never reached SetSkin still owns its background.
    if (m_hbmBackground && m_hbmBackground != m_bmpBackground) ::DeleteObject(m_hbmBackground);
}

BOOL CMessageBox::OnInitDialog() {
    CDlgEx::OnInitDialog();
    m_nCaptionHeight = 30;
    m_nBorder = 4;
    m_nBtnRightMargin = 0;
    m_nBtnTop = 0;
    m_nBtnSpacing = 0;
    SetSkin(m_hbmBackground, false, true, nullptr, nullptr, nullptr, m_hbmClose);
    SetTitle(m_strCaption);
    m_hTextFont = GetFont();

    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, m_hTextFont ? m_hTextFont : ::GetStockObject(DEFAULT_GUI_FONT));
    GdiTextMeasurer measurer(dc);
    const SIZE strip = BitmapSize(m_hbmButton1);
    const MessageBoxLayout layout = LayoutMessageBox(m_strText, m_nStyle, {strip.cx, strip.cy}, measurer);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
    m_nLineCount = MessageLineCount(m_strText);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, layout.size.width, layout.size.height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    for (const MessageButton& b : layout.buttons) {
        CBtnEx& btn = b.id == kMsgBtn1 ? m_btn1 : m_btn2;
        HBITMAP strip = b.id == kMsgBtn1 ? m_hbmButton1 : m_hbmButton2;
        if (!btn.Create(L"", WS_CHILD | WS_VISIBLE, RECT{b.rect.left, b.rect.top, b.rect.right, b.rect.bottom}, this, b.id))
            continue;
        ::SendMessageW(btn.m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_hTextFont), FALSE);
        if (strip) btn.SetImageStrip(strip, true);
        btn.m_strText = b.label;
        btn.Invalidate(TRUE);
    }
    return TRUE;
}

void CMessageBox::PaintText(HDC dc) {
    HGDIOBJ old = ::SelectObject(dc, m_hTextFont ? m_hTextFont : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(0, 0, 0));
    GdiTextMeasurer measurer(dc);
    const TextExtent t = measurer.Measure(m_strText);
    for (const MessageTextLine& line : MessageTextLines(m_strText, GetClientRect().right, t.width, t.height)) {
        RECT r{line.rect.left, line.rect.top, line.rect.right, line.rect.bottom};
        ::DrawTextW(dc, line.text.c_str(), int(line.text.size()), &r, 0);
    }
    ::SelectObject(dc, old);
}

BOOL CMessageBox::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    if ((id == kMsgBtn1 || id == kMsgBtn2) && HIWORD(wParam) == BN_CLICKED) {
        EndDialog(MessageBoxResult(m_nStyle, id));
        return TRUE;
    }
    return CDlgEx::OnCommand(wParam, lParam);
}

LRESULT CMessageBox::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        const LRESULT r = Default();
        HDC dc = ::GetDC(m_hWnd);
        PaintText(dc);
        ::ReleaseDC(m_hWnd, dc);
        return r;
    }
    case WM_CLOSE:
        CDialog::OnCancel();  // the dialog's own cancel, not the box's empty one
        return 0;
    default:
        break;
    }
    return CDlgEx::WindowProc(msg, wParam, lParam);
}

int SkinMessageBox(HWND parent, const std::wstring& text, const std::wstring& caption, int style) {
    HMODULE module = fw::ResourceInstance();
    // A handle holder for a window this program has no object for.
    fw::CWnd holder;
    fw::CWnd* parentWnd = fw::CWnd::FromHandle(parent);
    if (!parentWnd && parent) {
        holder.m_hWnd = parent;
        parentWnd = &holder;
    }
    INT_PTR result = -1;
    {
        CMessageBox box(parentWnd);
        box.m_hbmBackground = LoadSkinImage(module, kBackgroundImage);
        box.m_hbmClose = LoadSkinImage(module, kCloseImage);
        box.m_hbmButton1 = LoadSkinImage(module, kButtonImage);
        box.m_hbmButton2 = LoadSkinImage(module, kButtonImage);
        box.m_nStyle = style;
        box.m_strText = text;
        box.m_strCaption = caption;
        result = box.DoModal();
    }
    holder.m_hWnd = nullptr;
    return int(result);
}

}  // namespace mrvn::skin
