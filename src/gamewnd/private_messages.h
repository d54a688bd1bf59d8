// The launcher's private window messages: the same numbers in every process (main window, page and
// hall processes, login window, settings dialog). Plain constants, so Win32 and portable code share them.
#pragma once

namespace mrvn {

inline constexpr unsigned WM_TRAYICON = 0x0401;         // shell -> main window; lParam the mouse message
inline constexpr unsigned WM_PAGE_CREATED = 0x0402;     // page/hall -> main window; wParam frame, lParam 1 hall
inline constexpr unsigned WM_SHOW_TRAY_MENU = 0x0403;   // main window -> itself
inline constexpr unsigned WM_HOTKEYS_CHANGED = 0x0404;  // settings dialog -> every main window
inline constexpr unsigned WM_SET_MUTE = 0x0405;         // main window -> page frames; wParam 1 sound off
inline constexpr unsigned WM_ADD_ACCOUNT = 0x0406;      // add-account prompt -> main window; wParam 1 new tab
inline constexpr unsigned WM_RELOAD_HOTKEYS = 0x0407;   // main window -> page and hall frames

// lParam of the messages the launcher makes up itself: the cancelled-login SC_CLOSE and the menu's F5.
// Hotkey matching ignores key messages that carry it.
inline constexpr long kLauncherMarker = 6825;

}  // namespace mrvn
