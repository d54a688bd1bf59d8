#include "hotkeys/hotkey_format.h"

#include <climits>

#include "core/state_store.h"

namespace mrvn {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

// _wtoi: blanks, an optional sign, digits up to the first non-digit; saturates at the int range.
int32_t WtoiLike(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > int64_t{INT32_MAX} + 1) value = int64_t{INT32_MAX} + 1;  // stays past either limit
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

struct NamedKey {
    int32_t vk;
    const wchar_t* name;
};

// Codes whose names are not the character itself; digits, letters and F-keys are built below.
constexpr NamedKey kNames[] = {
    {8, L"Back"},       {9, L"Tab"},         {13, L"Enter"},     {16, L"Shift"},     {17, L"Ctrl"},
    {18, L"Alt"},       {19, L"Pause Break"}, {20, L"Caps"},     {27, L"Esc"},       {33, L"Page Up"},
    {34, L"Page Down"}, {35, L"End"},        {36, L"Home"},      {37, L"Left"},      {38, L"Up"},
    {39, L"Right"},     {40, L"Down"},       {45, L"Insert"},    {46, L"Del"},       {91, L"LWin"},
    {92, L"RWin"},      {106, L"Num *"},     {107, L"Num +"},    {109, L"Num -"},    {110, L"Num Del"},
    {111, L"Num /"},    {144, L"Num Lock"},  {145, L"Scroll Lock"}, {186, L";"},     {187, L"+"},
    {188, L","},        {189, L"-"},         {190, L"."},        {191, L"/"},        {192, L"`"},
    {219, L"["},        {220, L"\\"},        {221, L"]"},        {222, L"'"},
};

}  // namespace

const wchar_t* HotkeyIniKey(HotkeyId id) {
    switch (id) {
        case HotkeyId::Boss: return L"ShortKey";
        case HotkeyId::WindowSwitch: return L"AltWndKey";
        case HotkeyId::Sound: return L"SndKey";
    }
    return L"";
}

const wchar_t* HotkeyDefaultText(HotkeyId id) {
    switch (id) {
        case HotkeyId::Boss: return L"0,121";         // F10
        case HotkeyId::WindowSwitch: return L"2,9";   // Ctrl + Tab
        case HotkeyId::Sound: return L"2,81";         // Ctrl + Q
    }
    return L"";
}

Hotkey ParseHotkey(const std::wstring& stored) {
    const size_t comma = stored.find(L',');
    if (comma == std::wstring::npos) return {WtoiLike(stored), 0};
    return {WtoiLike(stored.substr(0, comma)), WtoiLike(stored.substr(comma + 1))};
}

std::wstring FormatHotkey(const Hotkey& hotkey) {
    return std::to_wstring(hotkey.modifiers) + L"," + std::to_wstring(hotkey.key);
}

std::wstring KeyName(int32_t vk) {
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return std::wstring(1, static_cast<wchar_t>(vk));
    if (vk >= 96 && vk <= 105) return L"Num " + std::wstring(1, static_cast<wchar_t>(L'0' + vk - 96));
    if (vk >= 112 && vk <= 123) return L"F" + std::to_wstring(vk - 111);
    for (const NamedKey& k : kNames) {
        if (k.vk == vk) return k.name;
    }
    return L"";
}

std::wstring HotkeyText(const Hotkey& hotkey) {
    if (hotkey.key == 0) return L"无";
    std::wstring text;
    if (hotkey.modifiers & kModCtrl) text += L"Ctrl  +  ";
    if (hotkey.modifiers & kModShift) text += L"Shift  +  ";
    if (hotkey.modifiers & kModAlt) text += L"Alt  +  ";
    return text + KeyName(hotkey.key);
}

bool IsCapturableKey(int32_t vk, HotkeyId id) {
    if (vk == kVkTab) return id == HotkeyId::WindowSwitch;
    return (vk >= 112 && vk <= 122) ||                 // F1-F11; F12 never
           (vk >= 48 && vk <= 57) || (vk >= 65 && vk <= 90) ||
           (vk >= 33 && vk <= 40) ||                   // page keys, End, Home, arrows
           vk == 20 || vk == 45 ||                     // Caps, Insert
           (vk >= 96 && vk <= 107) || (vk >= 109 && vk <= 111) || vk == 144 ||
           (vk >= 186 && vk <= 192) || (vk >= 219 && vk <= 222);
}

int32_t CurrentModifiers(bool ctrlDown, bool shiftDown, bool altDown) {
    return (ctrlDown ? kModCtrl : 0) | (shiftDown ? kModShift : 0) | (altDown ? kModAlt : 0);
}

bool HotkeyMatches(const Hotkey& hotkey, int32_t vk, int32_t currentModifiers) {
    return hotkey.key != 0 && hotkey.key == vk && hotkey.modifiers == currentModifiers;
}

Hotkey HotkeyStore::Read(HotkeyId id) {
    return ParseHotkey(ini_.GetString(path_, kIniSection, HotkeyIniKey(id), HotkeyDefaultText(id), kHotkeyBufChars));
}

bool HotkeyStore::Write(HotkeyId id, const Hotkey& hotkey) {
    return ini_.WriteString(path_, kIniSection, HotkeyIniKey(id), FormatHotkey(hotkey));
}

}  // namespace mrvn
