// The three hotkeys: stored form, defaults, key names, display text and the keys that may be captured.
#pragma once
#include <cstdint>
#include <string>

#include "platform/profile_file.h"

namespace mrvn {

// Modifier bits, the values of MOD_ALT, MOD_CONTROL and MOD_SHIFT.
inline constexpr int32_t kModAlt = 1;
inline constexpr int32_t kModCtrl = 2;
inline constexpr int32_t kModShift = 4;

inline constexpr int32_t kVkTab = 9;

// Key 0 means "no hotkey".
struct Hotkey {
    int32_t modifiers = 0;
    int32_t key = 0;
    bool operator==(const Hotkey&) const = default;
};

enum class HotkeyId { Boss, WindowSwitch, Sound };

// Key in the "Mrvn" section of the settings file and the stored text used when it is absent.
const wchar_t* HotkeyIniKey(HotkeyId id);
const wchar_t* HotkeyDefaultText(HotkeyId id);

// The profile call reads into 32 wide characters, so at most 31 are ever parsed.
inline constexpr size_t kHotkeyBufChars = 32;

// "m,k": both parts converted as _wtoi does; no comma makes the whole text the modifiers.
Hotkey ParseHotkey(const std::wstring& stored);
// The stored form: decimal modifiers, ",", decimal key.
std::wstring FormatHotkey(const Hotkey& hotkey);

// The name of a virtual-key code (at most 15 characters); empty for a code without one.
std::wstring KeyName(int32_t vk);

// "无" for key 0; otherwise "Ctrl  +  ", "Shift  +  ", "Alt  +  " as set, in that order, and the key name.
std::wstring HotkeyText(const Hotkey& hotkey);

// Whether the settings dialog takes `vk` as the key part of hotkey `id`. Tab only for the window switch.
bool IsCapturableKey(int32_t vk, HotkeyId id);

// Modifier value of the keys held down now (the one rule every matcher uses).
int32_t CurrentModifiers(bool ctrlDown, bool shiftDown, bool altDown);
// A key-down of `vk` with `currentModifiers` held fires `hotkey`; a hotkey without a key never fires.
bool HotkeyMatches(const Hotkey& hotkey, int32_t vk, int32_t currentModifiers);

// Reads and writes the hotkeys in the settings file (Statistic.ini beside the running program).
class HotkeyStore {
public:
    HotkeyStore(ProfileFile& ini, std::wstring settingsPath) : ini_(ini), path_(std::move(settingsPath)) {}

    Hotkey Read(HotkeyId id);
    bool Write(HotkeyId id, const Hotkey& hotkey);

private:
    ProfileFile& ini_;
    std::wstring path_;
};

}  // namespace mrvn
