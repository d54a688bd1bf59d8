#include "skin/win/message_box.h"

#include "resource.h"
#include "skin/message_box_layout.h"
#include "skin/skin_images.h"
#include "skin/win/skin_image.h"
#include "skin/win/skin_paint.h"

namespace mrvn::skin {

CMessageBox::CMessageBox(HWND owner) : CDlgEx(IDD_MESSAGE_BOX, owner) {}

BOOL CMessageBox::OnInitDialog() {
    CDlgEx::OnInitDialog();
    UseDialogFrame();
    SetSkin(std::move(m_hbmBackground), false, true, nullptr, {}, {}, m_hbmClose.Get());
    SetTitle(m_strCaption);
    m_hTextFont = GetFont();

    const SIZE strip = BitmapSize(m_hbmButton1.Get());
    MessageBoxLayout layout;
    {
        win::ScopedWindowDc dc(m_hWnd);
        win::ScopedSelect select(dc.Get(), m_hTextFont ? m_hTextFont : ::GetStockObject(DEFAULT_GUI_FONT));
        GdiTextMeasurer measurer(dc.Get());
        layout = LayoutMessageBox(m_strText, m_nStyle, {strip.cx, strip.cy}, measurer);
    }
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, layout.size.width, layout.size.height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The text is painted, not a control: a hidden static names it for screen readers.
    ::CreateWindowExW(0, L"STATIC", m_strText.c_str(), WS_CHILD | SS_NOPREFIX, 0, 0, 0, 0, m_hWnd,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MSG_TEXT)), fw::ResourceInstance(), nullptr);

    for (const MessageButton& b : layout.buttons) {
        CBtnEx& btn = b.id == kMsgBtn1 ? m_btn1 : m_btn2;
        HBITMAP strip = (b.id == kMsgBtn1 ? m_hbmButton1 : m_hbmButton2).Get();
        if (!btn.Create(L"", WS_CHILD | WS_VISIBLE, ToRect(b.rect), this, b.id)) continue;
        ::SendMessageW(btn.m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_hTextFont), FALSE);
        if (strip) btn.SetImageStrip(strip, true);
        btn.SetLabel(b.label);
    }
    return TRUE;
}

void CMessageBox::PaintText(HDC dc) {
    win::ScopedSelect select(dc, m_hTextFont ? m_hTextFont : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(0, 0, 0));
    GdiTextMeasurer measurer(dc);
    const TextExtent t = measurer.Measure(m_strText);
    for (const MessageTextLine& line : MessageTextLines(m_strText, GetClientRect().right, t.width, t.height)) {
        RECT r = ToRect(line.rect);
        ::DrawTextW(dc, line.text.c_str(), int(line.text.size()), &r, 0);
    }
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
        win::ScopedWindowDc dc(m_hWnd);
        PaintText(dc.Get());
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
    CMessageBox box(parent);
    box.m_hbmBackground.Reset(LoadSkinImage(module, kImgDialogBg));
    box.m_hbmClose.Reset(LoadSkinImage(module, kImgClose));
    box.m_hbmButton1.Reset(LoadSkinImage(module, kImgButton));
    box.m_hbmButton2.Reset(LoadSkinImage(module, kImgButton));
    box.m_nStyle = style;
    box.m_strText = text;
    box.m_strCaption = caption;
    return int(box.DoModal());
}

}  // namespace mrvn::skin
