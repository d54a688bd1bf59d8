#include "hotkeys/win/keyboard_hook.h"

#include "hotkeys/win/key_state.h"

namespace mrvn::hotkeys {

namespace {

// Read and written on the main window's thread only: the hook procedure runs there too.
struct HookState {
    HHOOK hook = nullptr;
    HWND target = nullptr;
    CKeyboardHook* owner = nullptr;
    Hotkey boss;
    Hotkey sound;
    const std::function<int()>* pageCount = nullptr;
};
HookState g_hook;

LRESULT CALLBACK LowLevelKeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && lParam) {
        const HookAction action = DecideForEvent(wParam, *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam));
        if (action != HookAction::None) ::PostMessageW(g_hook.target, WM_HOTKEY_ACTION, WPARAM(action), 0);
    }
    // Never swallowed: the key reaches the focused program as usual.
    return ::CallNextHookEx(g_hook.hook, code, wParam, lParam);
}

}  // namespace

HookAction DecideForEvent(WPARAM message, const KBDLLHOOKSTRUCT& event) {
    if (message != WM_KEYDOWN && message != WM_SYSKEYDOWN) return HookAction::None;
    // Reading the modifiers asks the system (under Wine, the server): only for a hotkey's own key.
    const int32_t vk = int32_t(event.vkCode);
    if (vk == 0 || (vk != g_hook.boss.key && vk != g_hook.sound.key)) return HookAction::None;
    const int pages = g_hook.pageCount && *g_hook.pageCount ? (*g_hook.pageCount)() : 0;
    if (pages <= 0) return HookAction::None;
    return DecideHookAction(pages, uint32_t(message), vk, CurrentModifiersOfSystem(), g_hook.boss, g_hook.sound);
}

bool CKeyboardHook::Install(HWND target, HotkeyActions actions) {
    if (g_hook.hook) return false;
    actions_ = std::move(actions);
    g_hook.target = target;
    g_hook.owner = this;
    g_hook.pageCount = &actions_.pageCount;
    g_hook.hook = ::SetWindowsHookExW(WH_KEYBOARD_LL, LowLevelKeyboardProc, ::GetModuleHandleW(nullptr), 0);
    if (!g_hook.hook) {
        g_hook = HookState{};
        return false;
    }
    return true;
}

void CKeyboardHook::Remove() {
    if (g_hook.owner != this) return;
    if (g_hook.hook) ::UnhookWindowsHookEx(g_hook.hook);
    g_hook = HookState{};
}

bool CKeyboardHook::Installed() const { return g_hook.owner == this && g_hook.hook; }

void CKeyboardHook::SetKeys(const Hotkey& boss, const Hotkey& sound) {
    g_hook.boss = boss;
    g_hook.sound = sound;
}

bool CKeyboardHook::OnMessage(UINT msg, WPARAM wParam) {
    if (msg != WM_HOTKEY_ACTION) return false;
    // Another program may post it too; the page may have gone since the key.
    if (!actions_.pageCount || actions_.pageCount() <= 0) return true;
    const HookAction action = HookAction(wParam);
    if (action == HookAction::Boss && actions_.boss) actions_.boss();
    if (action == HookAction::Sound && actions_.sound) actions_.sound();
    return true;
}

}  // namespace mrvn::hotkeys
