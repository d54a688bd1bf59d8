#include "gamewnd/win/window_commands.h"

#include <shellapi.h>

#include "extras/win/cache_clean.h"
#include "gamewnd/private_messages.h"
#include "hotkeys/win/setting_dlg.h"
#include "platform/win32/scoped.h"
#include "platform/win32/worker_thread.h"
#include "skin/win/message_box.h"

namespace mrvn::gamewnd {

namespace {
constexpr wchar_t kCaption[] = L"QuarnMorvane";
}  // namespace

win::ScopedMenu BuildPopupMenu(MenuKind kind, const Hotkey& bossKey) {
    win::ScopedMenu menu(::CreatePopupMenu());
    if (!menu) return menu;
    for (const MenuItem& item : MenuItems(kind, bossKey)) {
        if (item.text.empty()) {
            ::AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
        } else {
            ::AppendMenuW(menu.Get(), MF_STRING, UINT_PTR(item.id), item.text.c_str());
        }
    }
    return menu;
}

uint32_t CWindowCommands::TrackMenu(MenuKind kind, int x, int y, UINT flags) {
    // Read now: the settings may have changed the boss key since the last menu.
    const Hotkey boss = HotkeyStore(*m_settings.ini, m_settings.settingsPath).Read(HotkeyId::Boss);
    win::ScopedMenu menu = BuildPopupMenu(kind, boss);
    if (!menu) return 0;
    return uint32_t(::TrackPopupMenu(menu.Get(), flags | TPM_RETURNCMD, x, y, 0, m_hMain, nullptr));
}

void CWindowCommands::ShowSystemMenu() {
    const RECT button = m_titleBar.MenuButtonRect();
    Carry(MenuKind::System, TrackMenu(MenuKind::System, button.left, button.bottom + 2, 0));
}

void CWindowCommands::ShowTrayMenu() {
    // In front first, so that a click elsewhere closes the menu.
    ::SetForegroundWindow(m_hMain);
    POINT cursor{};
    ::GetCursorPos(&cursor);
    Carry(MenuKind::Tray, TrackMenu(MenuKind::Tray, cursor.x, cursor.y, TPM_BOTTOMALIGN | TPM_RIGHTALIGN));
}

void CWindowCommands::Carry(MenuKind kind, uint32_t id) {
    switch (DecideMenuCommand(kind, id)) {
    case MenuAction::Refresh:
        // The marker makes the page refresh even when F5 is taken as a hotkey.
        ::PostMessageW(m_hMain, WM_KEYDOWN, VK_F5, kLauncherMarker);
        break;
    case MenuAction::HideRestore:
        ToggleHideRestore();
        break;
    case MenuAction::ClearCache:
        CleanCache(true);
        break;
    case MenuAction::Update:
        StartUpdateCheck();
        break;
    case MenuAction::Settings:
        OpenSettings();
        break;
    case MenuAction::Exit:
        m_exitAll();
        break;
    case MenuAction::Nothing:
        break;
    }
}

void CWindowCommands::OpenSettings() {
    hotkeys::RunSettingsDialog(m_hMain, *m_settings.ini, m_settings.settingsPath);
}

void CWindowCommands::ToggleHideRestore() {
    if (::IsWindowVisible(m_hMain)) {
        // The page frames go with the window (CPageProcesses follows it); a pending page's login
        // window is not ours to hide.
        ::ShowWindow(m_hMain, SW_HIDE);
        for (const auto& putAway : m_companions) putAway();
        return;
    }
    ::ShowWindow(m_hMain, SW_RESTORE);
    ForceForeground();
}

void CWindowCommands::ForceForeground() {
    // The foreground lock is lifted for a thread that shares the foreground thread's input.
    HWND front = ::GetForegroundWindow();
    const DWORD frontThread = front ? ::GetWindowThreadProcessId(front, nullptr) : 0;
    const DWORD self = ::GetCurrentThreadId();
    const bool attached = frontThread && frontThread != self && ::AttachThreadInput(self, frontThread, TRUE);
    ::SetWindowPos(m_hMain, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetWindowPos(m_hMain, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetForegroundWindow(m_hMain);
    if (attached) ::AttachThreadInput(self, frontThread, FALSE);
}

void CWindowCommands::SetTrayIcon(bool add) {
    if (!add && !m_bTrayAdded) return;
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof(nid);
    nid.hWnd = m_hMain;
    nid.uID = 1;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = WM_TRAYICON;
    nid.hIcon = m_hIcon;
    wcsncpy_s(nid.szTip, kTrayTip, 127);
    // A shell without a notification area refuses; there is nothing to do about it.
    const BOOL done = ::Shell_NotifyIconW(add ? NIM_ADD : NIM_DELETE, &nid);
    m_bTrayAdded = add && done;
}

void CWindowCommands::CleanCache(bool tell) {
    // The cleaning owns everything it uses and may outlive the window; two may run side by side.
    extras::StartClearCache();
    if (tell) skin::SkinMessageBox(nullptr, kCacheClearedText, kCaption, 0);
}

void CWindowCommands::StartUpdateCheck() {
    // The check may take the configuration's whole deadline: the window goes on meanwhile, and a
    // second "更新" while it runs adds nothing.
    if (m_bUpdateChecking || !m_settings.checkForUpdate) return;
    HWND main = m_hMain;
    m_bUpdateChecking = win::StartDetached([check = m_settings.checkForUpdate, main] {
        const bool otherRelease = check();
        ::PostMessageW(main, WM_UPDATE_CHECKED, otherRelease ? 1 : 0, 0);
    });
}

void CWindowCommands::OnUpdateChecked(bool otherRelease) {
    m_bUpdateChecking = false;
    if (DecideUpdateAnswer(otherRelease) == UpdateAnswer::AlreadyLatest) {
        skin::SkinMessageBox(m_hMain, kAlreadyLatestText, kCaption, 0);
        return;
    }
    // A failure to start the updater is silent; the window ends all the same.
    m_settings.launcher->Launch(m_settings.programPath, UpdaterCommandLine(m_settings.programPath));
    m_exitAll();
}

void CWindowCommands::ShowLooks(int muted, bool hallVisible) {
    const TitleBarLooks::Change c = m_looks.Tick(muted, hallVisible);
    if (c.sound) m_titleBar.ShowSoundOff(c.muted);
    if (c.hall) m_titleBar.ShowHallShown(c.hallShown);
}

LRESULT CWindowCommands::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_UPDATE_CHECKED) {
        OnUpdateChecked(wParam != 0);
    } else if (msg == WM_SHOW_TRAY_MENU) {
        ShowTrayMenu();
    } else if (msg == WM_TRAYICON) {
        switch (DecideTrayMessage(uint32_t(lParam))) {
        case TrayAction::HideRestore:
            ToggleHideRestore();
            break;
        case TrayAction::ShowMenu:
            ::PostMessageW(m_hMain, WM_SHOW_TRAY_MENU, 0, 0);
            break;
        case TrayAction::Nothing:
            break;
        }
    }
    return 0;
}

}  // namespace mrvn::gamewnd
