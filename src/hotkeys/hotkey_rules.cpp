#include "hotkeys/hotkey_rules.h"

namespace mrvn {

namespace {
constexpr int32_t kVkBack = 8, kVkEnter = 13, kVkAlt = 18, kVkEscape = 27, kVkDelete = 46, kVkLWin = 91,
                  kVkRWin = 92, kVkF10 = 121, kVkF12 = 123;

bool Contains(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }
}  // namespace

Capture DecideCapture(uint32_t message, int32_t vk, std::optional<HotkeyId> focused, int32_t modifiers) {
    Capture c;
    const bool examined = message == kMsgKeyDownValue || (message == kMsgSysKeyDownValue && (vk == kVkF10 || vk == kVkAlt));
    if (!examined) return c;
    if (vk == kVkEscape || vk == kVkEnter) {
        c.kind = Capture::Kind::Swallow;
        return c;
    }
    if (!focused) return c;
    c.kind = Capture::Kind::SetText;
    const bool clears = vk == kVkBack || vk == kVkDelete || vk == kVkLWin || vk == kVkRWin ||
                        (vk == kVkF12 && *focused != HotkeyId::WindowSwitch);
    if (clears) {
        c.text = L"无";
        return c;
    }
    std::wstring keyPart;
    if (IsCapturableKey(vk, *focused)) {
        c.newKey = vk;
        keyPart = KeyName(vk);
    }
    if (modifiers & kModCtrl) c.text += L"Ctrl  +  ";
    if (modifiers & kModShift) c.text += L"Shift  +  ";
    if (modifiers & kModAlt) c.text += L"Alt  +  ";
    c.text += keyPart;
    return c;
}

bool HotkeyTextsConflict(const std::wstring& boss, const std::wstring& windowSwitch, const std::wstring& sound) {
    return boss == windowSwitch || boss == sound || windowSwitch == sound;
}

std::optional<Hotkey> HotkeyToSave(const std::wstring& text, int32_t capturedKey) {
    if (text.empty() || text.back() == L' ') return std::nullopt;
    Hotkey h;
    h.key = Contains(text, L"无") ? 0 : capturedKey;
    if (Contains(text, L"Ctrl")) h.modifiers += kModCtrl;
    if (Contains(text, L"Shift")) h.modifiers += kModShift;
    if (Contains(text, L"Alt")) h.modifiers += kModAlt;
    return h;
}

}  // namespace mrvn
