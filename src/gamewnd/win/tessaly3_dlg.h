// CTessaly3Dlg: the launcher's main window. It holds up to three game pages as tabs (frames of page
// processes placed over its page area), paints the tab strip in its caption band and talks with the
// page and hall processes only through window messages. The tab rules are GameTabs', the page
// processes CPageProcesses'; this class routes messages to them and paints.
#pragma once
#include <windows.h>

#include <string>

#include "framework/controls.h"
#include "gamewnd/game_tabs.h"
#include "gamewnd/tab_strip.h"
#include "extras/win/notice_popup.h"
#include "gamewnd/win/add_acc_dlg.h"
#include "gamewnd/win/main_window_settings.h"
#include "gamewnd/win/page_processes.h"
#include "gamewnd/win/tab_strip_view.h"
#include "gamewnd/win/title_bar.h"
#include "gamewnd/win/window_commands.h"
#include "hotkeys/hotkey_format.h"
#include "hotkeys/win/keyboard_hook.h"
#include "platform/process.h"
#include "platform/profile_file.h"
#include "platform/win32/scoped.h"
#include "skin/win/dlg_ex.h"
#include "skin/win/skin_controls_win.h"

namespace mrvn::gamewnd {

class CTessaly3Dlg : public skin::CDlgEx {
public:
    explicit CTessaly3Dlg(const MainWindowSettings& settings);
    ~CTessaly3Dlg() override;

protected:
    void DoDataExchange(fw::CDataExchange* dx) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    struct TimerEntry;
    struct CommandEntry;
    static const TimerEntry kTimers[];
    static const CommandEntry kCommands[];

    // Actions.
    void SwitchToNextPage();
    void ClosePage(int index);
    void ExitAll();
    void ToggleHall();
    void ReloadHotkeys();
    // Drops the add-account prompt down under its link.
    void ShowAddAccount();
    // The window commands (menus, tray, hiding and restoring) are CWindowCommands'.
    void ToggleHideRestore() { m_commands.ToggleHideRestore(); }
    void SetTrayIcon(bool add) { m_commands.SetTrayIcon(add); }
    // The sound key toggles the same flag; timer 3 broadcasts it.
    void OnSoundButton() { m_bMuted = m_bMuted ? 0 : 1; }
    void OnMenuButton() { m_commands.ShowSystemMenu(); }
    void OpenSettings() { m_commands.OpenSettings(); }
    void StartTimer(UINT_PTR id);

    // Timer ticks.
    void OnPagesTick();
    void OnPendingTick();
    void OnCacheCleanTick() { m_commands.CleanCache(false); }
    void OnNoticeTick();

    // Message handlers.
    LRESULT OnPageCreated(HWND frame, bool hall);
    LRESULT OnCopyData(HWND sender, const COPYDATASTRUCT* data);
    LRESULT OnAddAccount(WPARAM wParam);
    void OnTimer(UINT_PTR id);
    BOOL OnEraseBkgnd(HDC dc);
    LRESULT OnNcHitTest(LPARAM lParam);
    bool OnStripLeftDown(POINT client);
    bool OnStripLeftUp(POINT client);
    bool OnStripMiddleUp(POINT client);
    bool InStrip(POINT client) const;
    void OnMouseLeave(bool clientForm);
    LRESULT OnSize(UINT type, int width, int height);
    bool OnWindowPosChanging(WINDOWPOS* pos);
    bool OnPaintMinimized();
    bool OnCloseCommand(LPARAM lParam);

    void SetupAppearance();
    void LayoutTitleBar(int width);
    void Repaint(const SkinRect& r, BOOL erase = TRUE);
    POINT ClientPoint(LPARAM lParam, bool screen) const;

    MainWindowSettings m_settings;
    HICON m_hIcon = nullptr;
    CTitleBar m_titleBar;
    CAddAccDlg m_dlgAddAcc;
    // The notice pop-up; ToggleHideRestore hides it with the window (ShowPopup).
    extras::CNoticePopup m_dlgPopInfo;
    int m_bMuted = 0;
    OSVERSIONINFOW m_osvi{};
    // Frames and labels in tab order, the current tab, hover and close-box state.
    GameTabs m_tabs;
    CPageProcesses m_pages;
    CTabStripView m_stripView;
    CWindowCommands m_commands;

    Hotkey m_bossKey;
    Hotkey m_switchKey;
    Hotkey m_soundKey;
    hotkeys::CKeyboardHook m_hook;

    win::OwnedBitmap m_bmpClose, m_bmpMinimize;
};

extern CTessaly3Dlg* g_pMainDlg;

// Runs the main window modally until it ends (run modes 2, 3 and 5).
void RunMainWindow(const MainWindowSettings& settings);

}  // namespace mrvn::gamewnd
