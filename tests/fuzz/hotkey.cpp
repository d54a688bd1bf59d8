// The stored hotkey text, its display text and the key rules.
#include "hotkeys/hotkey_format.h"
#include "support/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mrvn;
    fuzz::FuzzInput in(data, size);
    const int32_t vk = in.Int();
    const int32_t held = in.Int();
    const Hotkey parsed = ParseHotkey(in.Line());
    // What is written reads back as the same hotkey.
    MRVN_FUZZ_CHECK(ParseHotkey(FormatHotkey(parsed)) == parsed);
    HotkeyText(parsed);
    MRVN_FUZZ_CHECK(KeyName(vk).size() <= 15);
    for (HotkeyId id : {HotkeyId::Boss, HotkeyId::WindowSwitch, HotkeyId::Sound}) IsCapturableKey(vk, id);
    if (parsed.key == 0) MRVN_FUZZ_CHECK(!HotkeyMatches(parsed, vk, held));
    return 0;
}
