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
#include "gamewnd/win/add_acc_dlg.h"
#include "gamewnd/win/page_processes.h"
#include "gamewnd/win/tab_strip_view.h"
#include "gamewnd/win/title_bar.h"
#include "hotkeys/hotkey_format.h"
#include "hotkeys/win/keyboard_hook.h"
#include "platform/process.h"
#include "platform/profile_file.h"
#include "platform/win32/scoped.h"
#include "skin/win/dlg_ex.h"
#include "skin/win/skin_controls_win.h"

namespace mrvn::gamewnd {

// What the main window is given by the application.
struct MainWindowSettings {
    ProfileFile* ini = nullptr;
    std::wstring settingsPath;             // the hotkeys' file
    ProcessLauncher* launcher = nullptr;   // every program the window starts
    std::wstring programPath;              // this program: a new launcher
    std::wstring pageProgram;              // what page and hall processes run
};

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
    // Hiding and restoring (also the boss key), and the settings dialog (menu command 5).
    void ToggleHideRestore();
    void OpenSettings();
    // Hooks for the window commands: the tray icon, the sound and menu buttons. They do nothing yet.
    void SetTrayIcon(bool /*add*/) {}
    void OnSoundButton() {}
    void OnMenuButton() {}
    void StartTimer(UINT_PTR id);

    // Timer ticks.
    void OnPagesTick();
    void OnPendingTick();
    void OnCacheCleanTick() {}

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
    int m_bMuted = 0;
    OSVERSIONINFOW m_osvi{};
    // Frames and labels in tab order, the current tab, hover and close-box state.
    GameTabs m_tabs;
    CPageProcesses m_pages;
    CTabStripView m_stripView;

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
