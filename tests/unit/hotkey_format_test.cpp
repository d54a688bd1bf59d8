#include "hotkeys/hotkey_format.h"

#include <gtest/gtest.h>

#include "fakes/fake_platform.h"

namespace mrvn {
namespace {

const std::wstring kSettings = L"D:\\Games\\Statistic.ini";

TEST(HotkeyFormat, StoredTextReadsAndShows) {
    const struct {
        const wchar_t* stored;
        Hotkey read;
        const wchar_t* shown;
    } rows[] = {
        {L"2,81", {2, 81}, L"Ctrl  +  Q"},
        {L"0,121", {0, 121}, L"F10"},
        {L"5,65", {5, 65}, L"Shift  +  Alt  +  A"},
        {L"7,9", {7, 9}, L"Ctrl  +  Shift  +  Alt  +  Tab"},
        {L"7", {7, 0}, L"无"},  // no comma: all of it is the modifiers
        {L",65", {0, 65}, L"A"},
        {L"2,124", {2, 124}, L"Ctrl  +  "},  // F13 has no name
        {L"abc", {0, 0}, L"无"},
        {L"", {0, 0}, L"无"},
        {L" 2 , 81x", {2, 81}, L"Ctrl  +  Q"},  // blanks before, anything after the digits
        {L"2,81,4", {2, 81}, L"Ctrl  +  Q"},    // only the first comma splits
        {L"+4,-9", {4, -9}, L"Shift  +  "},
        {L"2,0x51", {2, 0}, L"无"},
        {L"99999999999,-99999999999", {INT32_MAX, INT32_MIN}, L"Ctrl  +  Shift  +  Alt  +  "},  // _wtoi saturates
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stored);
        const Hotkey hotkey = ParseHotkey(row.stored);
        EXPECT_EQ(hotkey, row.read);
        EXPECT_EQ(HotkeyText(hotkey), row.shown);
    }
}

TEST(HotkeyFormat, StoreReadsDefaultsAndWritesTheStoredForm) {
    test::FakeProfileFile ini;
    HotkeyStore store(ini, kSettings);
    EXPECT_EQ(store.Read(HotkeyId::Boss), (Hotkey{0, 121}));
    EXPECT_EQ(store.Read(HotkeyId::WindowSwitch), (Hotkey{2, 9}));
    EXPECT_EQ(store.Read(HotkeyId::Sound), (Hotkey{2, 81}));

    EXPECT_TRUE(store.Write(HotkeyId::WindowSwitch, {6, 9}));
    ASSERT_NE(ini.Find(kSettings, L"Mrvn", L"AltWndKey"), nullptr);
    EXPECT_EQ(*ini.Find(kSettings, L"Mrvn", L"AltWndKey"), L"6,9");
    EXPECT_EQ(store.Read(HotkeyId::WindowSwitch), (Hotkey{6, 9}));
    EXPECT_TRUE(store.Write(HotkeyId::Boss, {0, 0}));  // cleared in the settings dialog
    EXPECT_EQ(*ini.Find(kSettings, L"Mrvn", L"ShortKey"), L"0,0");
    EXPECT_TRUE(store.Write(HotkeyId::Sound, {-3, 116}));
    EXPECT_EQ(*ini.Find(kSettings, L"Mrvn", L"SndKey"), L"-3,116");

    // The reading buffer keeps 31 characters: the digits from the 32nd on are not part of the key.
    ini.WriteString(kSettings, L"Mrvn", L"SndKey", L"4," + std::wstring(29, L'0') + L"123456789");
    EXPECT_EQ(store.Read(HotkeyId::Sound), (Hotkey{4, 0}));
    ini.failWrites = true;
    EXPECT_FALSE(store.Write(HotkeyId::Sound, {2, 81}));
}

TEST(HotkeyFormat, KeyNamesAndCapturableKeys) {
    const struct {
        int32_t vk;
        const wchar_t* name;
        bool boss, windowSwitch;  // capturable
    } rows[] = {
        {8, L"Back", false, false},       {9, L"Tab", false, true},  // Tab: window switch only
        {19, L"Pause Break", false, false}, {20, L"Caps", true, true},   {33, L"Page Up", true, true},
        {40, L"Down", true, true},        {45, L"Insert", true, true},    {46, L"Del", false, false},
        {48, L"0", true, true},           {90, L"Z", true, true},         {96, L"Num 0", true, true},
        {107, L"Num +", true, true},      {108, L"", false, false},       {110, L"Num Del", true, true},
        {111, L"Num /", true, true},      {122, L"F11", true, true},      {123, L"F12", false, false},
        {124, L"", false, false},         {144, L"Num Lock", true, true}, {145, L"Scroll Lock", false, false},
        {186, L";", true, true},          {187, L"+", true, true},        {192, L"`", true, true},
        {193, L"", false, false},         {219, L"[", true, true},        {220, L"\\", true, true},
        {222, L"'", true, true},          {223, L"", false, false},       {17, L"Ctrl", false, false},
        {0, L"", false, false},           {93, L"", false, false},        {256 + 65, L"", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.vk);
        EXPECT_EQ(KeyName(row.vk), row.name);
        EXPECT_EQ(IsCapturableKey(row.vk, HotkeyId::Boss), row.boss);
        EXPECT_EQ(IsCapturableKey(row.vk, HotkeyId::Sound), row.boss);
        EXPECT_EQ(IsCapturableKey(row.vk, HotkeyId::WindowSwitch), row.windowSwitch);
    }
    for (int32_t vk = 0; vk < 256; ++vk) EXPECT_LE(KeyName(vk).size(), 15u) << vk;  // fits 16 characters
}

TEST(HotkeyFormat, MatchingNeedsTheExactModifiers) {
    EXPECT_EQ(CurrentModifiers(true, true, true), 7);
    EXPECT_EQ(CurrentModifiers(false, true, false), kModShift);
    EXPECT_TRUE(HotkeyMatches({2, 81}, 81, CurrentModifiers(true, false, false)));
    EXPECT_FALSE(HotkeyMatches({2, 81}, 81, CurrentModifiers(true, true, false)));  // Ctrl+Shift+Q
    EXPECT_FALSE(HotkeyMatches({0, 121}, 121, kModAlt));
    EXPECT_TRUE(HotkeyMatches({0, 121}, 121, 0));
    EXPECT_FALSE(HotkeyMatches({0, 0}, 0, 0));  // a cleared hotkey never fires
}

}  // namespace
}  // namespace mrvn
