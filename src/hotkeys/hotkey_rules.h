// The hotkeys' decisions: what the keyboard hook does with a key event, what the settings dialog
// shows for a key press, and what its save writes.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "hotkeys/hotkey_format.h"

namespace mrvn {

inline constexpr uint32_t kMsgKeyDownValue = 0x0100;     // WM_KEYDOWN
inline constexpr uint32_t kMsgSysKeyDownValue = 0x0104;  // WM_SYSKEYDOWN

// ---- the keyboard hook

enum class HookAction : uint32_t { None = 0, Boss = 1, Sound = 2 };

// A key event seen by the hook: acts only while the main window holds a page, only on a key-down
// (a held key repeats its action); the boss key before the sound key.
inline HookAction DecideHookAction(int pageCount, uint32_t message, int32_t vk, int32_t modifiers, const Hotkey& boss,
                                   const Hotkey& sound) {
    if (pageCount <= 0 || (message != kMsgKeyDownValue && message != kMsgSysKeyDownValue)) return HookAction::None;
    if (HotkeyMatches(boss, vk, modifiers)) return HookAction::Boss;
    if (HotkeyMatches(sound, vk, modifiers)) return HookAction::Sound;
    return HookAction::None;
}

// The sound key's flip of m_bMuted: any value but 0 counts as off.
inline int FlipMuted(int muted) { return muted ? 0 : 1; }

// ---- the settings dialog's key capture

struct Capture {
    enum class Kind { PassOn, Swallow, SetText } kind = Kind::PassOn;
    std::wstring text;              // SetText: the field's new text
    std::optional<int32_t> newKey;  // SetText: the field's new captured key, when the key counts
};

// A message before dispatch: `focused` is the field that has the focus, if any; `modifiers` the
// current modifiers. Only WM_KEYDOWN, and WM_SYSKEYDOWN of F10 or Alt, are looked at.
Capture DecideCapture(uint32_t message, int32_t vk, std::optional<HotkeyId> focused, int32_t modifiers);

// ---- the settings dialog's save

// Any two of the three field texts equal, letter for letter.
bool HotkeyTextsConflict(const std::wstring& boss, const std::wstring& windowSwitch, const std::wstring& sound);
// What a field's text stores: nothing for an empty text or one ending in a blank (a modifier
// without its key); key 0 for "无", else the field's captured key, with the modifiers named in it.
std::optional<Hotkey> HotkeyToSave(const std::wstring& text, int32_t capturedKey);

// The settings dialog's title and the conflict message.
inline constexpr wchar_t kSettingsTitle[] = L"设置";
inline constexpr wchar_t kHotkeyConflictText[] = L"热键冲突，请重新设置不同热键值";
// The main windows that a save tells: top-level dialogs with exactly this title, at most this many.
inline constexpr wchar_t kMainWindowTitle[] = L"QuarnMorvane";
inline constexpr wchar_t kMainWindowClass[] = L"#32770";
inline constexpr int kMaxMainWindowsTold = 10;

}  // namespace mrvn
