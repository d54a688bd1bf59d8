#include "login/win/login_bk_dlg.h"

#include "framework/wnd.h"
#include "skin/win/skin_image.h"

namespace mrvn::login {

CLoginBkDlg::CLoginBkDlg(HWND mainWnd, int pageCount, std::wstring loginUrl)
    : CDialog(kLoginTemplate, mainWnd), m_dlgPage(std::move(loginUrl), mainWnd, pageCount) {}

BOOL CLoginBkDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(L"QuarnMorvane");
    SIZE size{};
    m_bmpBackground.Reset(skin::LoadPremultipliedImage(fw::ResourceInstance(), kLoginBackgroundImage, size));
    m_nImageWidth = size.cx;
    m_nImageHeight = size.cy;
    DrawBackground();
    m_dlgPage.Create(kLoginTemplate, this);
    ModifyStyle(0, WS_MINIMIZEBOX);
    return FALSE;
}

// The window takes the image's size and shape: fully clear pixels are not part of it.
void CLoginBkDlg::DrawBackground() {
    if (!m_bmpBackground) return;
    if (!(::GetWindowLongW(m_hWnd, GWL_EXSTYLE) & WS_EX_LAYERED)) ModifyStyleEx(0, WS_EX_LAYERED);
    win::ScopedWindowDc windowDc(m_hWnd);
    win::ScopedMemDc memDc(::CreateCompatibleDC(windowDc.Get()));
    if (!memDc) return;
    win::ScopedSelect select(memDc.Get(), m_bmpBackground.Get());
    const RECT rc = GetWindowRect();
    POINT dest{rc.left, rc.top};
    SIZE size{m_nImageWidth, m_nImageHeight};
    POINT src{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::UpdateLayeredWindow(m_hWnd, windowDc.Get(), &dest, &size, memDc.Get(), &src, 0xFFFFFFFF, &blend, ULW_ALPHA);
}

BOOL CLoginBkDlg::PreTranslateMessage(MSG* msg) {
    // Enter does nothing here.
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) return TRUE;
    return CDialog::PreTranslateMessage(msg);
}

void CLoginBkDlg::OnWindowPosChanged(const WINDOWPOS* pos) {
    if (!m_dlgPage.IsWindow() || !pos) return;
    // The window's rectangle is the new position whatever the flags of this change left out.
    const RECT rc = GetWindowRect();
    ::MoveWindow(m_dlgPage.m_hWnd, rc.left + kPageOffsetX, rc.top + kPageOffsetY, rc.right - rc.left,
                 rc.bottom - rc.top, TRUE);
}

LRESULT CLoginBkDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_LBUTTONDOWN: {
            const LRESULT r = Default();
            // A press anywhere drags the window, as a caption would.
            ::SendMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
            return r;
        }
        case WM_WINDOWPOSCHANGED: {
            const LRESULT r = Default();
            OnWindowPosChanged(reinterpret_cast<const WINDOWPOS*>(lParam));
            return r;
        }
        default: break;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
}

int RunLoginWindow(HWND mainWnd, int pageCount, const std::wstring& loginUrl, std::wstring& gameAddress) {
    CLoginBkDlg dialog(mainWnd, pageCount, loginUrl);
    const INT_PTR result = dialog.DoModal();
    if (result != 1) return 2;
    gameAddress = dialog.Page().GameAddress();
    return 1;
}

}  // namespace mrvn::login
