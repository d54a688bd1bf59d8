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

TEST(HotkeyFormat, KeyNames) {
    const struct {
        int32_t vk;
        const wchar_t* name;
    } rows[] = {
        {8, L"Back"},     {9, L"Tab"},           {19, L"Pause Break"}, {27, L"Esc"},    {33, L"Page Up"},
        {40, L"Down"},    {46, L"Del"},          {48, L"0"},           {57, L"9"},      {65, L"A"},
        {90, L"Z"},       {92, L"RWin"},         {96, L"Num 0"},       {105, L"Num 9"}, {106, L"Num *"},
        {110, L"Num Del"}, {111, L"Num /"},      {112, L"F1"},         {121, L"F10"},   {123, L"F12"},
        {144, L"Num Lock"}, {145, L"Scroll Lock"}, {187, L"+"},        {192, L"`"},     {219, L"["},
        {220, L"\\"},     {222, L"'"},
        // no name
        {0, L""},         {7, L""},              {58, L""},            {93, L""},       {108, L""},
        {124, L""},       {146, L""},            {193, L""},           {223, L""},      {-65, L""},
        {256 + 65, L""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.vk);
        EXPECT_EQ(KeyName(row.vk), row.name);
    }
    for (int32_t vk = 0; vk < 256; ++vk) EXPECT_LE(KeyName(vk).size(), 15u) << vk;  // fits 16 characters
}

TEST(HotkeyFormat, CapturableKeys) {
    const struct {
        int32_t vk;
        bool boss, windowSwitch;
    } rows[] = {
        {9, false, true},  // Tab: window switch only
        {112, true, true}, {122, true, true},  {123, false, false},  // F12 never
        {48, true, true},  {90, true, true},   {33, true, true},     {40, true, true},
        {20, true, true},  {45, true, true},   {46, false, false},   {96, true, true},
        {107, true, true}, {108, false, false}, {109, true, true},   {111, true, true},
        {144, true, true}, {145, false, false}, {186, true, true},   {192, true, true},
        {193, false, false}, {219, true, true}, {222, true, true},   {223, false, false},
        {16, false, false}, {17, false, false}, {18, false, false},  // modifiers alone
        {13, false, false}, {27, false, false}, {0, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.vk);
        EXPECT_EQ(IsCapturableKey(row.vk, HotkeyId::Boss), row.boss);
        EXPECT_EQ(IsCapturableKey(row.vk, HotkeyId::Sound), row.boss);
        EXPECT_EQ(IsCapturableKey(row.vk, HotkeyId::WindowSwitch), row.windowSwitch);
    }
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
