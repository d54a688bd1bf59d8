#include "gamewnd/window_commands.h"

#include "core/install.h"

namespace mrvn {

std::vector<MenuItem> MenuItems(MenuKind kind, const Hotkey& bossKey) {
    std::vector<MenuItem> items = {
        {kMenuRefresh, L"刷新 (F5)"},
        {kMenuHideRestore, L"隐藏/恢复(" + HotkeyText(bossKey) + L")"},
        {kMenuClearCache, L"清除缓存"},
        {0, L""},
        {kMenuUpdate, L"更新"},
        {kMenuSettings, L"设置..."},
    };
    if (kind == MenuKind::System) {
        items.push_back({kMenuVersion, L"版本号: 3.0.0.1"});
    } else {
        items.push_back({kMenuExit, L"退出"});
    }
    return items;
}

MenuAction DecideMenuCommand(MenuKind kind, uint32_t id) {
    switch (id) {
    case kMenuRefresh:
        return MenuAction::Refresh;
    case kMenuHideRestore:
        return MenuAction::HideRestore;
    case kMenuClearCache:
        return MenuAction::ClearCache;
    case kMenuUpdate:
        return MenuAction::Update;
    case kMenuSettings:
        return MenuAction::Settings;
    case kMenuExit:
        // Only the tray menu holds "退出".
        return kind == MenuKind::Tray ? MenuAction::Exit : MenuAction::Nothing;
    default:
        return MenuAction::Nothing;
    }
}

TrayAction DecideTrayMessage(uint32_t mouseMessage) {
    constexpr uint32_t kLeftButtonUp = 0x0202;   // WM_LBUTTONUP
    constexpr uint32_t kRightButtonUp = 0x0205;  // WM_RBUTTONUP
    if (mouseMessage == kLeftButtonUp) return TrayAction::HideRestore;
    if (mouseMessage == kRightButtonUp) return TrayAction::ShowMenu;
    return TrayAction::Nothing;
}

std::wstring UpdaterCommandLine(const std::wstring& programPath) { return PlainCommandLine(programPath) + L" /update"; }

TitleBarLooks::Change TitleBarLooks::Tick(int muted, bool hallVisible) {
    Change c;
    if (muted != shownMuted_) {
        shownMuted_ = muted;
        c.sound = true;
        c.muted = muted != 0;
    }
    if (hallVisible != shownHall_) {
        shownHall_ = hallVisible;
        c.hall = true;
        c.hallShown = hallVisible;
    }
    return c;
}

}  // namespace mrvn
