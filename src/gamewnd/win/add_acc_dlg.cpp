#include "gamewnd/win/add_acc_dlg.h"

#include "framework/winapp.h"
#include "gamewnd/add_account_prompt.h"
#include "gamewnd/private_messages.h"
#include "resource.h"
#include "skin/skin_images.h"
#include "skin/win/skin_image.h"

namespace mrvn::gamewnd {

namespace {
constexpr int kPromptWidth = 284;  // the background image's size
constexpr int kPromptHeight = 150;
}  // namespace

CAddAccDlg::CAddAccDlg() : CDlgEx(IDD_ADD_ACCOUNT, static_cast<fw::CWnd*>(nullptr)) {}

BOOL CAddAccDlg::Create(fw::CWnd* parent) { return CDialog::Create(IDD_ADD_ACCOUNT, parent); }

void CAddAccDlg::DoDataExchange(fw::CDataExchange* dx) {
    fw::DDX_Control(dx, IDC_ADD_ACCOUNT_TEXT, m_lblText);
    fw::DDX_Control(dx, IDC_ADD_ACCOUNT_YES, m_btnYes);
    fw::DDX_Control(dx, IDC_ADD_ACCOUNT_NO, m_btnNo);
}

BOOL CAddAccDlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    SetTitle(L"登录其他账号");
    m_nCaptionHeight = 30;
    m_nBorder = 3;
    m_nBtnRightMargin = 5;
    m_nBtnTop = 1;
    m_nBtnSpacing = 0;
    // No caption buttons: the prompt is answered or left, never closed or sized.
    SetSkin(win::OwnedBitmap(skin::LoadSkinImage(fw::ResourceInstance(), kImgAddAccountBg)), true, false, nullptr,
            {}, {}, nullptr);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, kPromptWidth, kPromptHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_bmpButton.Reset(skin::LoadSkinImage(fw::ResourceInstance(), kImgButton));
    // Both buttons take one frame of the strip as their size.
    if (m_bmpButton) {
        m_btnYes.SetImageStrip(m_bmpButton.Get(), true);
        m_btnNo.SetImageStrip(m_bmpButton.Get(), true);
    }
    m_btnYes.SetLabel(L"是");
    m_btnNo.SetLabel(L"否");
    m_lblText.m_nLineSpacing = 5;
    return TRUE;
}

BOOL CAddAccDlg::PreTranslateMessage(MSG* msg) {
    // Escape leaves the question unanswered; the dialog manager would make it a "否".
    if (msg->message == WM_KEYDOWN && AddAccountPromptReaction(msg->message, msg->wParam) == PromptReaction::Hide) {
        Hide();
        return TRUE;
    }
    return CDlgEx::PreTranslateMessage(msg);
}

BOOL CAddAccDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (AddAccountPromptReaction(WM_COMMAND, wParam)) {
    case PromptReaction::AnswerNewTab:
        Answer(1);
        return TRUE;
    case PromptReaction::AnswerNewWindow:
        Answer(0);
        return TRUE;
    default:
        return CDlgEx::OnCommand(wParam, lParam);
    }
}

LRESULT CAddAccDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ACTIVATE: {
        const LRESULT r = Default();
        if (AddAccountPromptReaction(msg, wParam) == PromptReaction::HideAfterDefault) Hide();
        return r;
    }
    case WM_NCHITTEST:
        // Not draggable: the caption band is only a title.
        return HTCLIENT;
    case WM_CLOSE:
    case WM_SYSCOMMAND:
        // Alt+F4, the system menu and any WM_CLOSE: the dialog manager would answer "否" for them.
        if (AddAccountPromptReaction(msg, wParam) == PromptReaction::Hide) {
            Hide();
            return 0;
        }
        break;
    default:
        break;
    }
    return CDlgEx::WindowProc(msg, wParam, lParam);
}

void CAddAccDlg::Answer(WPARAM newTab) {
    ::PostMessageW(::GetParent(m_hWnd), WM_ADD_ACCOUNT, newTab, 0);
    Hide();
}

void CAddAccDlg::Hide() { ::ShowWindow(m_hWnd, SW_HIDE); }

}  // namespace mrvn::gamewnd
