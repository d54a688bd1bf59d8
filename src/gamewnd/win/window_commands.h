// The main window's commands: the "系统" and tray menus and what their items do, the tray icon,
// hiding and restoring the window with its companions, the cache cleaning, the forced update, and
// the title-bar looks that timer 3 keeps in step. The decisions are gamewnd/window_commands.h's;
// the dialog only routes its buttons, timers and messages here.
#pragma once
#include <windows.h>

#include <functional>
#include <vector>

#include "gamewnd/window_commands.h"
#include "gamewnd/win/main_window_settings.h"
#include "gamewnd/win/title_bar.h"
#include "platform/win32/scoped.h"

namespace mrvn::gamewnd {

// The forced update check's answer, posted by its worker to the main window: wParam 1 when the
// server names another release.
inline constexpr UINT WM_UPDATE_CHECKED = WM_APP + 0x61;

// The popup menu of `kind` with its items in order, the hide item naming `bossKey`.
win::ScopedMenu BuildPopupMenu(MenuKind kind, const Hotkey& bossKey);

class CWindowCommands {
public:
    CWindowCommands(const MainWindowSettings& settings, CTitleBar& titleBar, std::function<void()> exitAll)
        : m_settings(settings), m_titleBar(titleBar), m_exitAll(std::move(exitAll)) {}

    void SetMainWindow(HWND mainWnd, HICON icon) {
        m_hMain = mainWnd;
        m_hIcon = icon;
    }
    // A window that goes away when the main window hides; `putAway` hides it (or, for a modal
    // dialog, ends it with IDCANCEL) when it is there.
    void AddCompanion(std::function<void()> putAway) { m_companions.push_back(std::move(putAway)); }

    void ShowSystemMenu();
    void ShowTrayMenu();
    void ToggleHideRestore();
    void ForceForeground();
    // Menu command 5: the settings dialog, modal over the main window.
    void OpenSettings();
    void SetTrayIcon(bool add);
    // A cleaning on a worker that nobody waits for; with `tell`, the player is told at once.
    void CleanCache(bool tell);
    // Timer 3's looks: the sound button for `muted`, the hall button for the hall's visibility.
    void ShowLooks(int muted, bool hallVisible);
    // WM_TRAYICON, WM_SHOW_TRAY_MENU and WM_UPDATE_CHECKED.
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    // Builds the menu with the boss key as stored now, tracks it and returns the chosen id.
    uint32_t TrackMenu(MenuKind kind, int x, int y, UINT flags);
    void Carry(MenuKind kind, uint32_t id);
    void StartUpdateCheck();
    void OnUpdateChecked(bool otherRelease);

    const MainWindowSettings& m_settings;
    CTitleBar& m_titleBar;
    std::function<void()> m_exitAll;
    HWND m_hMain = nullptr;
    HICON m_hIcon = nullptr;
    std::vector<std::function<void()>> m_companions;
    TitleBarLooks m_looks;
    bool m_bTrayAdded = false;
    bool m_bUpdateChecking = false;
};

}  // namespace mrvn::gamewnd
