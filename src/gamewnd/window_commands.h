// The main window's commands as plain decisions: the items of the "系统" and tray menus, what a
// chosen item or a tray click does, what "更新" does with the check's answer, and which title-bar
// looks timer 3 must change. The windows only carry these out.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "hotkeys/hotkey_format.h"

namespace mrvn {

enum class MenuKind { System, Tray };

// Item ids of both menus, as TrackPopupMenu returns them.
inline constexpr uint32_t kMenuRefresh = 1;
inline constexpr uint32_t kMenuHideRestore = 2;
inline constexpr uint32_t kMenuClearCache = 3;
inline constexpr uint32_t kMenuUpdate = 4;
inline constexpr uint32_t kMenuSettings = 5;
inline constexpr uint32_t kMenuExit = 6;
inline constexpr uint32_t kMenuVersion = 0xFFFFFFFF;

struct MenuItem {
    uint32_t id = 0;  // 0 with an empty text: a separator
    std::wstring text;
    bool operator==(const MenuItem&) const = default;
};

// The menu's items in order; the hide item names the boss key as it is stored now.
std::vector<MenuItem> MenuItems(MenuKind kind, const Hotkey& bossKey);

enum class MenuAction { Nothing, Refresh, HideRestore, ClearCache, Update, Settings, Exit };

// What the returned id does in that menu: 0 (dismissed), the version line and any id the menu does
// not hold do nothing.
MenuAction DecideMenuCommand(MenuKind kind, uint32_t id);

enum class TrayAction { Nothing, HideRestore, ShowMenu };

// WM_TRAYICON's lParam, the mouse message: left button up toggles, right button up opens the menu.
TrayAction DecideTrayMessage(uint32_t mouseMessage);

// "更新" once the forced check answered: another release starts "/update" and ends the window.
enum class UpdateAnswer { StartUpdaterAndExit, AlreadyLatest };
inline UpdateAnswer DecideUpdateAnswer(bool otherRelease) {
    return otherRelease ? UpdateAnswer::StartUpdaterAndExit : UpdateAnswer::AlreadyLatest;
}

// The updater's command line: the program, quoted so that a folder with blanks stays one argument,
// and "/update".
std::wstring UpdaterCommandLine(const std::wstring& programPath);

inline constexpr wchar_t kCacheClearedText[] = L"缓存清除完毕！";
inline constexpr wchar_t kAlreadyLatestText[] = L"已经是最新版本，无需进行更新。";
inline constexpr wchar_t kTrayTip[] = L"QuarnMorvane";

// The looks of the sound and hall buttons that timer 3 keeps in step with the window's state. The
// sound button counts as showing "off" at first, so the first tick gives it the strip it needs.
class TitleBarLooks {
public:
    struct Change {
        bool sound = false;  // give the sound button its strip for `muted`
        bool muted = false;
        bool hall = false;  // give the hall button its strip for `hallShown`
        bool hallShown = false;
        bool operator==(const Change&) const = default;
    };
    Change Tick(int muted, bool hallVisible);

private:
    int shownMuted_ = 1;
    bool shownHall_ = false;
};

}  // namespace mrvn
