// The current modifiers, the one rule every hotkey matcher uses: the keyboard hook, the main
// window's and the page frame's pre-translation, and the settings dialog's capture.
#pragma once
#include <windows.h>

#include <cstdint>

#include "hotkeys/hotkey_format.h"

namespace mrvn::hotkeys {

// Down for this thread, or for the system: a key forwarded by a page process, or seen by the hook
// on its way to another program, arrives in a thread that never saw the modifier go down.
inline bool KeyDown(int vk) { return (::GetKeyState(vk) & 0x8000) || (::GetAsyncKeyState(vk) & 0x8000); }

// Ctrl 2, Shift 4, Alt 1; toggle states play no part.
inline int32_t CurrentModifiersNow() {
    return CurrentModifiers(KeyDown(VK_CONTROL), KeyDown(VK_SHIFT), KeyDown(VK_MENU));
}

}  // namespace mrvn::hotkeys
