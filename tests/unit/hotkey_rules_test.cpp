#include "hotkeys/hotkey_rules.h"

#include <gtest/gtest.h>

namespace mrvn {
namespace {

constexpr uint32_t kDown = kMsgKeyDownValue, kSysDown = kMsgSysKeyDownValue, kUp = 0x0101, kSysUp = 0x0105;
constexpr int32_t C = kModCtrl, S = kModShift, A = kModAlt;

TEST(HotkeyHook, DecidesByPagesMessageModifiersAndKey) {
    const Hotkey boss{0, 121}, sound{2, 81};  // F10, Ctrl+Q
    const struct {
        int pages;
        uint32_t msg;
        int32_t vk, mods;
        HookAction want;
    } rows[] = {
        {1, kDown, 121, 0, HookAction::Boss},
        {3, kSysDown, 121, 0, HookAction::Boss},  // F10 comes as a system key
        {0, kDown, 121, 0, HookAction::None},     // no page: nothing
        {0, kDown, 81, C, HookAction::None},
        {-1, kDown, 121, 0, HookAction::None},
        {1, kUp, 121, 0, HookAction::None},  // a key-up never acts
        {1, kSysUp, 121, 0, HookAction::None},
        {1, kDown, 121, C, HookAction::None},  // a plain hotkey does not fire with a modifier held
        {1, kDown, 121, A, HookAction::None},
        {1, kDown, 81, C, HookAction::Sound},
        {1, kDown, 81, 0, HookAction::None},      // Q alone
        {1, kDown, 81, C | S, HookAction::None},  // Ctrl+Shift+Q
        {1, kDown, 81, C | A, HookAction::None},
        {1, kDown, 'q', C, HookAction::None},  // codes, not characters
        {1, 0x0102, 81, C, HookAction::None},  // WM_CHAR
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.pages << " " << r.msg << " " << r.vk << " " << r.mods);
        EXPECT_EQ(DecideHookAction(r.pages, r.msg, r.vk, r.mods, boss, sound), r.want);
    }
}

TEST(HotkeyHook, BossComesFirstAndAClearedKeyNeverFires) {
    EXPECT_EQ(DecideHookAction(1, kDown, 81, C, {2, 81}, {2, 81}), HookAction::Boss);
    // Cleared in the settings dialog: stored 0,0; also a text that read as modifiers only.
    for (const Hotkey cleared : {Hotkey{0, 0}, Hotkey{7, 0}}) {
        for (int32_t mods : {0, C, S, A, C | S | A}) {
            EXPECT_EQ(DecideHookAction(1, kDown, 0, mods, cleared, cleared), HookAction::None);
        }
    }
    EXPECT_EQ(FlipMuted(0), 1);
    EXPECT_EQ(FlipMuted(1), 0);
    EXPECT_EQ(FlipMuted(-5), 0);
}

TEST(HotkeyCapture, TextForEachKeyAndModifiers) {
    using HK = HotkeyId;
    const struct {
        uint32_t msg;
        int32_t vk;
        HK field;
        int32_t mods;
        const wchar_t* text;
        int32_t newKey;  // 0: the captured key stays
    } rows[] = {
        {kDown, 114, HK::Sound, C | S, L"Ctrl  +  Shift  +  F3", 114},
        {kDown, 'A', HK::Boss, C | S | A, L"Ctrl  +  Shift  +  Alt  +  A", 'A'},  // the fixed order
        {kDown, 'X', HK::Boss, C | A, L"Ctrl  +  Alt  +  X", 'X'},  // Ctrl+Alt with a letter is a key-down
        {kDown, 121, HK::Boss, 0, L"F10", 121},
        {kSysDown, 121, HK::Boss, 0, L"F10", 121},  // F10 arrives as a system key
        {kSysDown, 18, HK::Sound, A, L"Alt  +  ", 0},
        {kDown, 17, HK::Boss, C, L"Ctrl  +  ", 0},  // Ctrl alone: a modifier without a key
        {kDown, 16, HK::Boss, S, L"Shift  +  ", 0},
        {kDown, 9, HK::Boss, 0, L"", 0},  // Tab: only the window-switch key takes it
        {kDown, 9, HK::Sound, C, L"Ctrl  +  ", 0},
        {kDown, 9, HK::WindowSwitch, 0, L"Tab", 9},
        {kDown, 9, HK::WindowSwitch, C, L"Ctrl  +  Tab", 9},
        {kDown, 8, HK::Boss, C, L"无", 0},  // the clearing keys, whatever the modifiers
        {kDown, 46, HK::WindowSwitch, 0, L"无", 0},
        {kDown, 91, HK::Sound, 0, L"无", 0},
        {kDown, 92, HK::Boss, 0, L"无", 0},
        {kDown, 123, HK::Boss, 0, L"无", 0},
        {kDown, 123, HK::Sound, S, L"无", 0},
        {kDown, 123, HK::WindowSwitch, C, L"Ctrl  +  ", 0},  // F12 is never a key
        {kDown, 122, HK::Boss, 0, L"F11", 122},
        {kDown, 187, HK::Sound, C, L"Ctrl  +  +", 187},
        {kDown, 110, HK::Sound, 0, L"Num Del", 110},
        {kDown, 144, HK::Boss, 0, L"Num Lock", 144},
        {kDown, 20, HK::Boss, 0, L"Caps", 20},
        {kDown, 108, HK::Boss, 0, L"", 0},  // the separator key has no name and is not taken
        {kDown, 145, HK::Boss, C, L"Ctrl  +  ", 0},  // Scroll Lock has a name but is not taken
        {kDown, 19, HK::Boss, 0, L"", 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.vk << " in field " << int(r.field) << " mods " << r.mods);
        const Capture c = DecideCapture(r.msg, r.vk, r.field, r.mods);
        ASSERT_EQ(c.kind, Capture::Kind::SetText);
        EXPECT_EQ(c.text, r.text);
        EXPECT_EQ(c.newKey.value_or(0), r.newKey);
    }
}

TEST(HotkeyCapture, WhatIsNotLookedAtOrOnlySwallowed) {
    const struct {
        uint32_t msg;
        int32_t vk;
        std::optional<HotkeyId> field;
        Capture::Kind want;
    } rows[] = {
        {kSysDown, 'A', HotkeyId::Boss, Capture::Kind::PassOn},  // Alt with a letter goes on
        {kSysDown, 120, HotkeyId::Boss, Capture::Kind::PassOn},  // a system F9 too
        {kUp, 'A', HotkeyId::Boss, Capture::Kind::PassOn},
        {0x0102, 'a', HotkeyId::Boss, Capture::Kind::PassOn},  // WM_CHAR
        {kDown, 'A', std::nullopt, Capture::Kind::PassOn},     // no field has the focus
        {kDown, 27, std::nullopt, Capture::Kind::Swallow},     // Escape and Enter never end the dialog
        {kDown, 13, HotkeyId::Sound, Capture::Kind::Swallow},
        {kDown, 27, HotkeyId::Boss, Capture::Kind::Swallow},
        {kSysDown, 13, HotkeyId::Boss, Capture::Kind::PassOn},  // Alt+Enter is a system key of no interest
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.msg << " " << r.vk);
        const Capture c = DecideCapture(r.msg, r.vk, r.field, C);
        EXPECT_EQ(c.kind, r.want);
        EXPECT_TRUE(c.text.empty());
        EXPECT_FALSE(c.newKey);
    }
}

TEST(HotkeySave, WhatEachFieldTextWrites) {
    const struct {
        const wchar_t* text;
        int32_t captured;
        std::optional<Hotkey> want;
    } rows[] = {
        {L"Ctrl  +  Shift  +  F3", 114, Hotkey{6, 114}},
        {L"F10", 121, Hotkey{0, 121}},
        {L"无", 121, Hotkey{0, 0}},  // cleared: the captured key does not count
        {L"Ctrl  +  Alt  +  X", 'X', Hotkey{3, 'X'}},
        {L"Ctrl  +  Shift  +  Alt  +  Tab", 9, Hotkey{7, 9}},
        {L"Ctrl  +  ", 81, std::nullopt},  // a modifier without a key leaves the stored one
        {L"Alt  +  ", 81, std::nullopt},
        {L"", 121, std::nullopt},  // Tab in the boss field
        {L"Ctrl  +  +", 187, Hotkey{2, 187}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(HotkeyToSave(r.text, r.captured), r.want);
    }
}

TEST(HotkeySave, AnyTwoEqualTextsConflict) {
    const struct {
        const wchar_t *boss, *sw, *sound;
        bool conflict;
    } rows[] = {
        {L"F10", L"Ctrl  +  Tab", L"Ctrl  +  Q", false},
        {L"Ctrl  +  Q", L"Ctrl  +  Tab", L"Ctrl  +  Q", true},
        {L"F10", L"F10", L"Ctrl  +  Q", true},
        {L"F10", L"无", L"无", true},  // two cleared keys are a conflict too
        {L"无", L"Ctrl  +  Tab", L"Ctrl  +  Q", false},
        {L"", L"Ctrl  +  Tab", L"", true},
        {L"Ctrl  +  Q", L"Ctrl  +  Tab", L"Ctrl  +  q", false},  // exact comparison
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.boss << "|" << r.sw << "|" << r.sound);
        EXPECT_EQ(HotkeyTextsConflict(r.boss, r.sw, r.sound), r.conflict);
    }
}

}  // namespace
}  // namespace mrvn
