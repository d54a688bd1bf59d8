// Shows the skinned toolkit for screenshots: a framed dialog with buttons in their four looks, a
// wrapping Chinese static and a half-full progress bar; /msgbox0, /msgbox1 or /msgbox4 show the
// message box in that style instead, and /fav the add-to-favourites dialog.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "extras/win/fav_dlg.h"
#include "platform/win32/scoped.h"
#include "resource.h"
#include "skin/skin_images.h"
#include "skin/win/dlg_ex.h"
#include "skin/win/message_box.h"
#include "skin/win/skin_controls_win.h"
#include "skin/win/skin_image.h"

using namespace mrvn;
using namespace mrvn::skin;

namespace {

class CSkinDemoDlg : public CDlgEx {
public:
    CSkinDemoDlg() : CDlgEx(IDD_MESSAGE_BOX) {}

    BOOL OnInitDialog() override {
        CDlgEx::OnInitDialog();
        HMODULE m = fw::ResourceInstance();
        HICON icon = static_cast<HICON>(::LoadImageW(m, MAKEINTRESOURCEW(128), IMAGE_ICON, 16, 16, 0));
        if (icon) ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        ::SetWindowPos(m_hWnd, nullptr, 60, 60, 480, 330, SWP_NOZORDER);
        m_nCaptionHeight = 30;
        m_nBorder = 4;
        m_nBtnRightMargin = 0;
        m_nBtnTop = 0;
        m_bResizable = TRUE;
        close_.Reset(LoadSkinImage(m, kImgClose));
        minimize_.Reset(LoadSkinImage(m, kImgMinimize));
        SetSkin(win::OwnedBitmap(LoadSkinImage(m, kImgDialogBg)), false, true, minimize_.Get(),
                win::OwnedBitmap(LoadSkinImage(m, kImgMaximize)), win::OwnedBitmap(LoadSkinImage(m, kImgRestore)),
                close_.Get());
        SetTitle(L"皮肤演示 QuarnMorvane");

        strip_.Reset(LoadSkinImage(m, kImgButton));
        const wchar_t* labels[] = {L"普通", L"悬停", L"按下", L"禁用"};
        for (int i = 0; i < 4; ++i) {
            CBtnEx& b = buttons_[i];
            b.Create(L"", WS_CHILD | WS_VISIBLE, RECT{30 + i * 80, 50, 87 + i * 80, 73}, this, 1000 + i);
            ::SendMessageW(b.m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetFont()), FALSE);
            b.SetImageStrip(strip_.Get(), true);
            b.SetLabel(labels[i]);
        }
        buttons_[1].m_bHover = TRUE;
        buttons_[2].m_bPressedLatch = TRUE;
        ::EnableWindow(buttons_[3].m_hWnd, FALSE);
        buttons_[0].SetToolTipText(L"普通按钮");

        text_.Create(L"", WS_CHILD | WS_VISIBLE | SS_NOTIFY, RECT{30, 95, 250, 110}, this, 1100);
        ::SendMessageW(text_.m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetFont()), FALSE);
        text_.m_strText = L"正在检查更新，请稍候。新版本下载完成后登录器会自动重新启动。\r\n第二段：按行分开。";
        text_.m_crText = RGB(40, 40, 40);

        progress_.Create(WS_CHILD | WS_VISIBLE, RECT{30, 230, 420, 251}, this, 1200);
        progress_.SetImages(win::OwnedBitmap(LoadSkinImage(m, kImgProgressTrack)),
                            win::OwnedBitmap(LoadSkinImage(m, kImgProgressBar)));
        progress_.SetPos(50);
        return TRUE;
    }

private:
    win::OwnedBitmap close_, minimize_, strip_;
    CBtnEx buttons_[4];
    CStaticEx text_;
    CImgProgress progress_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR cmd, int) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&icc);
    win::ScopedGdiplus gdiplus;
    gdiplus.Start();
    const std::wstring args = cmd ? cmd : L"";
    if (args.find(L"/msgbox") != std::wstring::npos) {
        const int style = args.find(L"/msgbox4") != std::wstring::npos   ? 4
                          : args.find(L"/msgbox1") != std::wstring::npos ? 1
                                                                         : 0;
        const wchar_t* text = style == 4   ? L"发现新版本，是否现在更新？"
                              : style == 1 ? L"确定要删除登录器吗？\n删除后需要重新下载。"
                                           : L"缓存清除完毕！";
        return SkinMessageBox(nullptr, text, L"QuarnMorvane", style);
    }
    if (args.find(L"/fav") != std::wstring::npos) {
        extras::CFavDlg fav(L"QuarnMorvane 游戏页", L"http://web.example/game.htm");
        return int(fav.DoModal());
    }
    CSkinDemoDlg dlg;
    return int(dlg.DoModal());
}
