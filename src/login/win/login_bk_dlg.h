// CLoginBkDlg: the login window's shaped background, one PNG with per-pixel alpha drawn as a
// layered window. It owns the page window and keeps it over itself wherever it is dragged.
#pragma once
#include <windows.h>

#include <string>

#include "framework/dialog.h"
#include "login/win/login_dlg.h"
#include "platform/win32/scoped.h"

namespace mrvn::login {

inline constexpr int kLoginBackgroundImage = 129;
// Where the page lies relative to the background's top-left corner.
inline constexpr int kPageOffsetX = 1;
inline constexpr int kPageOffsetY = -50;

class CLoginBkDlg : public fw::CDialog {
public:
    // `mainWnd` is the main window of another process (or null), held as a plain owner handle.
    CLoginBkDlg(HWND mainWnd, int pageCount, std::wstring loginUrl);

    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    CLoginDlg& Page() { return m_dlgPage; }
    SIZE ImageSize() const { return {m_nImageWidth, m_nImageHeight}; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void DrawBackground();
    void OnWindowPosChanged(const WINDOWPOS* pos);

    win::OwnedBitmap m_bmpBackground;
    int m_nImageWidth = 0;
    int m_nImageHeight = 0;
    CLoginDlg m_dlgPage;
};

// Runs the login window modally over `mainWnd`: 1 when the main window accepted the login
// (`gameAddress` is then the page to open), 2 when it was cancelled or refused.
int RunLoginWindow(HWND mainWnd, int pageCount, const std::wstring& loginUrl, std::wstring& gameAddress);

}  // namespace mrvn::login
