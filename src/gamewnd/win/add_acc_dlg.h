// CAddAccDlg: the prompt under "登录其他账号" that asks whether a new login goes into a tab of this
// window or into a separate launcher. It only answers; the main window does the work.
#pragma once
#include <windows.h>

#include "platform/win32/scoped.h"
#include "skin/win/dlg_ex.h"
#include "skin/win/skin_controls_win.h"

namespace mrvn::gamewnd {

class CAddAccDlg : public skin::CDlgEx {
public:
    CAddAccDlg();

    // Modeless, owned by `parent`, hidden until the main window places and shows it.
    BOOL Create(fw::CWnd* parent);

    skin::CBtnEx m_btnYes;
    skin::CBtnEx m_btnNo;
    skin::CStaticEx m_lblText;

protected:
    void DoDataExchange(fw::CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // A modeless prompt is never ended, only hidden.
    void OnOK() override {}
    void OnCancel() override { Hide(); }

private:
    void Answer(WPARAM newTab);
    void Hide();

    win::OwnedBitmap m_bmpButton;
};

}  // namespace mrvn::gamewnd
