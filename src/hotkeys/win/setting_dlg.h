// CSettingDlg: the dialog in which the player sets the three hotkeys. Each field shows the key
// combination pressed while it has the focus; OK checks that the three differ, stores them and
// tells every running main window to reload.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/profile_file.h"
#include "platform/win32/scoped.h"
#include "skin/win/dlg_ex.h"
#include "skin/win/skin_controls_win.h"

namespace mrvn::hotkeys {

class CSettingDlg : public skin::CDlgEx {
public:
    // `settingsPath` is the hotkeys' file (Statistic.ini beside the program).
    CSettingDlg(ProfileFile& ini, std::wstring settingsPath, HWND owner);

    // Ends the dialog with IDCANCEL from outside (the boss key), and any box it shows first: a
    // conflict message left up would stand there without its dialog.
    void CancelFromOutside();

    skin::CStaticEx m_lblBoss, m_lblBossExample, m_lblSwitch, m_lblSwitchExample, m_lblSound, m_lblSoundExample;
    skin::CBtnEx m_btnOK;
    skin::CBtnEx m_btnCancel;
    // The virtual-key code last accepted in each field: boss, window switch, sound.
    int32_t m_nKey[3] = {};

protected:
    void DoDataExchange(fw::CDataExchange* dx) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    std::wstring FieldText(int index) const;
    void CentreOverOwner();
    ProfileFile& m_ini;
    std::wstring m_settingsPath;
    win::OwnedBitmap m_bmpClose;
    win::OwnedBitmap m_bmpButton;
    win::OwnedBrush m_brGroup;
    bool m_bCancelledFromOutside = false;
};

// The dialog while the main window runs it, else null.
extern CSettingDlg* g_pOpenSettingDlg;

// Runs the settings dialog modally over `owner` with g_pOpenSettingDlg set; IDOK after a save,
// IDCANCEL otherwise.
INT_PTR RunSettingsDialog(HWND owner, ProfileFile& ini, const std::wstring& settingsPath);
// The boss key's part: ends the open settings dialog, if it is shown, with IDCANCEL.
void CancelOpenSettingsDialog();
// Posts WM_HOTKEYS_CHANGED to the main windows found among the top-level windows (at most 10, in
// the order found); the number told.
int TellMainWindows();

}  // namespace mrvn::hotkeys
