// The current modifiers for every hotkey matcher (CurrentModifiers, Ctrl 2, Shift 4, Alt 1, matched
// exactly): the keyboard hook, the main window's and the page frame's pre-translation, and the
// settings dialog's capture. Only where "down" is read from differs: the key's own thread or the system.
#pragma once
#include <windows.h>

#include <cstdint>

#include "hotkeys/hotkey_format.h"

namespace mrvn::hotkeys {

// Down for this thread, or for the system: a key forwarded by a page process arrives in a thread
// that never saw the modifier go down.
inline bool KeyDown(int vk) { return (::GetKeyState(vk) & 0x8000) || (::GetAsyncKeyState(vk) & 0x8000); }

// Ctrl 2, Shift 4, Alt 1; toggle states play no part. For a key message this thread is handling.
inline int32_t CurrentModifiersNow() {
    return CurrentModifiers(KeyDown(VK_CONTROL), KeyDown(VK_SHIFT), KeyDown(VK_MENU));
}

// The same for a key on its way to any program (the keyboard hook): only the system's state counts.
// This thread's state is that of the last key it handled, and a modifier let go in another program
// would stay down in it.
inline int32_t CurrentModifiersOfSystem() {
    const auto down = [](int vk) { return (::GetAsyncKeyState(vk) & 0x8000) != 0; };
    return CurrentModifiers(down(VK_CONTROL), down(VK_SHIFT), down(VK_MENU));
}

}  // namespace mrvn::hotkeys
