// The main window's low-level keyboard hook: the boss and sound keys from any program. Windows
// silently removes a low-level hook that keeps a key waiting too long (LowLevelHooksTimeout), after
// which the keys would never work again; so the hook procedure only compares and posts
// WM_HOTKEY_ACTION to the main window, whose handler hides, restores or flips the sound.
#pragma once
#include <windows.h>

#include <functional>

#include "hotkeys/hotkey_format.h"
#include "hotkeys/hotkey_rules.h"

namespace mrvn::hotkeys {

// Hook -> main window, posted; wParam a HookAction.
inline constexpr UINT WM_HOTKEY_ACTION = WM_APP + 0x42;

struct HotkeyActions {
    std::function<int()> pageCount;  // the hook acts only while the window holds a page
    std::function<void()> boss;      // ToggleHideRestore
    std::function<void()> sound;     // flips m_bMuted
};

// One per process: a hook procedure has no context of its own.
class CKeyboardHook {
public:
    CKeyboardHook() = default;
    CKeyboardHook(const CKeyboardHook&) = delete;
    CKeyboardHook& operator=(const CKeyboardHook&) = delete;
    ~CKeyboardHook() { Remove(); }

    // Installs the hook for all threads; `target` gets WM_HOTKEY_ACTION. False when it failed or
    // another object holds this process's hook.
    bool Install(HWND target, HotkeyActions actions);
    void Remove();
    bool Installed() const;
    void SetKeys(const Hotkey& boss, const Hotkey& sound);

    // The target's handler: true when `msg` was the hook's (then answered 0).
    bool OnMessage(UINT msg, WPARAM wParam);

private:
    HotkeyActions actions_;
};

// The hook's decision for one event, as the hook procedure takes it (for the benchmark).
HookAction DecideForEvent(WPARAM message, const KBDLLHOOKSTRUCT& event);

}  // namespace mrvn::hotkeys
