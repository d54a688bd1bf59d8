#include "core/state_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "fakes/fake_platform.h"

namespace mrvn {
namespace {


const std::wstring kCounters = L"C:\\ProgramData\\Quarn\\GameLogin\\Statistic.ini";

class StateStoreTest : public testing::Test, protected test::FakeState {
protected:

    void PutDays(std::vector<uint8_t> bytes) {
        reg.Put(RegRoot::LocalMachine, kLauncherKey, L"DisableDays", kRegBinary, std::move(bytes));
    }
};

TEST(GetExeSiblingPath, Cases) {
    std::wstring out = L"junk";
    EXPECT_TRUE(GetExeSiblingPath(L"C:\\a\\b\\Mrvn.exe", L"Statistic.ini", out));
    EXPECT_EQ(out, L"C:\\a\\b\\Statistic.ini");
    EXPECT_TRUE(GetExeSiblingPath(L"C:\\a\\b\\Mrvn.exe", nullptr, out));
    EXPECT_EQ(out, L"C:\\a\\b\\Mrvn.exe");
    EXPECT_TRUE(GetExeSiblingPath(L"C:\\Mrvn.exe", L"x", out));
    EXPECT_EQ(out, L"C:\\x");
    EXPECT_FALSE(GetExeSiblingPath(L"Mrvn.exe", L"x", out));
    EXPECT_EQ(out, L"");
    // 259 characters fit a 260-character buffer; 260 do not.
    const std::wstring folder = L"C:\\" + std::wstring(250, L'd') + L"\\";
    EXPECT_TRUE(GetExeSiblingPath(folder + L"p.exe", std::wstring(259 - folder.size(), L'n').c_str(), out));
    EXPECT_EQ(out.size(), 259u);
    EXPECT_FALSE(GetExeSiblingPath(folder + L"p.exe", std::wstring(260 - folder.size(), L'n').c_str(), out));
    EXPECT_EQ(out, L"");
}

TEST_F(StateStoreTest, PathsOfBothFiles) {
    EXPECT_EQ(store.CountersPath(), kCounters);
    proc.programPath = L"D:\\Games\\Mrvn.exe";
    EXPECT_EQ(store.SettingsPath(), L"D:\\Games\\Statistic.ini");
    proc.programPath = L"C:\\ProgramData\\Quarn\\GameLogin\\Mrvn.exe";
    EXPECT_EQ(store.SettingsPath(), kCounters);
}

TEST_F(StateStoreTest, BumpCounterParsesWhatIsStored) {
    const struct {
        const wchar_t* stored;  // nullptr: no key
        uint32_t next;
        const wchar_t* written;
    } rows[] = {
        {nullptr, 1, L"1"},
        {L"41", 42, L"42"},
        {L"  7", 8, L"8"},
        {L"12abc", 13, L"13"},
        {L"abc", 1, L"1"},  // not a number: restarts at 1
        {L"", 1, L"1"},
        {L"-1", 0, L"0"},
        {L"-5", 4294967292u, L"4294967292"},  // written unsigned, as "%u" does
        {L"4294967295", 0, L"0"},             // wraps in 32 bits
        {L"2147483647", 2147483648u, L"2147483648"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stored ? row.stored : L"(none)");
        ini.values.clear();
        if (row.stored) ini.WriteString(kCounters, L"Mrvn", L"Game", row.stored);
        EXPECT_EQ(store.BumpCounter(L"Game"), row.next);
        ASSERT_NE(ini.Find(kCounters, L"Mrvn", L"Game"), nullptr);
        EXPECT_EQ(*ini.Find(kCounters, L"Mrvn", L"Game"), row.written);
    }
}

TEST_F(StateStoreTest, CountersAreIndependentAndUseTheCountersFileWhereverTheProgramIs) {
    proc.programPath = L"D:\\elsewhere\\Mrvn.exe";
    EXPECT_EQ(store.BumpCounter(L"Inst"), 1u);
    EXPECT_EQ(store.BumpCounter(L"Inst"), 2u);
    EXPECT_EQ(store.BumpCounter(L"Game"), 1u);
    EXPECT_EQ(ini.Find(L"D:\\elsewhere\\Statistic.ini", L"Mrvn", L"Inst"), nullptr);
    EXPECT_EQ(*ini.Find(kCounters, L"Mrvn", L"Inst"), L"2");
}

TEST(DisableDaysValue, WeekdayArithmetic) {
    const struct {
        int r1, r2;
        unsigned ms;
        uint8_t dayB, dayA, dayC;
    } rows[] = {
        {41, 18467, 0, 1, 6, 0},     // msvcrt's first two values, ms 0
        {0, 0, 0, 1, 0, 6},          // all equal: dayC moves back one day, dayB forward one
        {3, 3, 999, 3, 2, 5},        // (3 + 7 - 999) wraps in 32 bits before the modulo
        {1, 2, 500, 3, 2, 3},
        {6, 5, 6, 6, 0, 6},          // dayB and dayC may coincide
        {32767, 32767, 998, 4, 3, 4},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.r1 << "," << row.r2 << "," << row.ms);
        const uint32_t v = DisableDaysValue(row.r1, row.r2, row.ms);
        EXPECT_EQ(v & 0xFF, row.dayB);
        EXPECT_EQ((v >> 8) & 0xFF, row.dayA);
        EXPECT_EQ((v >> 16) & 0xFF, row.dayC);
        EXPECT_EQ(v >> 24, 0u);
    }
}

TEST(DisableDaysValue, DayADiffersFromTheOthersForEveryInput) {
    for (int r1 = 0; r1 < 40; ++r1)
        for (int r2 = 0; r2 < 14; ++r2)
            for (unsigned ms = 0; ms < 1000; ms += 37) {
                const uint32_t v = DisableDaysValue(r1, r2, ms);
                const uint32_t b = v & 0xFF, a = (v >> 8) & 0xFF, c = (v >> 16) & 0xFF;
                ASSERT_LT(a, 7u);
                ASSERT_LT(b, 7u);
                ASSERT_LT(c, 7u);
                ASSERT_NE(a, b);
                ASSERT_NE(a, c);
            }
}

TEST_F(StateStoreTest, WriteDisableDaysStoresFourBytesFromTwoRandsAndTheMilliseconds) {
    random.values = {1, 2};
    clock.utc.milliseconds = 500;
    ASSERT_TRUE(store.WriteDisableDays());
    const auto* v = reg.Find(RegRoot::LocalMachine, kLauncherKey, L"DisableDays");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->type, kRegBinary);
    EXPECT_EQ(v->data, (std::vector<uint8_t>{3, 2, 3, 0}));
    EXPECT_TRUE(random.values.empty());
    reg.failCreate = true;
    EXPECT_FALSE(store.WriteDisableDays());
}

TEST_F(StateStoreTest, DisabledDays) {
    const struct {
        const char* name;
        std::optional<std::vector<uint8_t>> bytes;  // nullopt: no value
        std::vector<unsigned> disabled;
    } rows[] = {
        {"no value", std::nullopt, {}},
        {"zero disables nothing, not Sunday", std::vector<uint8_t>{0, 0, 0, 0}, {}},
        {"three days", std::vector<uint8_t>{1, 3, 5, 0}, {1, 3, 5}},
        {"a nonzero value with Sunday in it", std::vector<uint8_t>{0, 2, 0, 0}, {0, 2}},
        {"too long for the 4-byte buffer", std::vector<uint8_t>(8, 4), {}},
        {"shorter than 4 bytes: the rest of the buffer is 0", std::vector<uint8_t>{4, 4}, {0, 4}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        reg.keys.clear();
        if (row.bytes) PutDays(*row.bytes);
        for (unsigned d = 0; d < 7; ++d) {
            const bool disabled = std::find(row.disabled.begin(), row.disabled.end(), d) != row.disabled.end();
            EXPECT_EQ(store.IsDisabledDay(d), disabled) << d;
        }
    }
    PutDays({4, 4});
    reg.failCreate = true;
    EXPECT_FALSE(store.IsDisabledDay(4));
}

TEST_F(StateStoreTest, UpdateScheduleComparesUtcDates) {
    clock.utc = {2026, 12, 2, 8, 0, 1, 0, 0};  // Tuesday, just after UTC midnight
    EXPECT_TRUE(store.IsUpdateCheckDue()) << "no UpdTime";

    PutUpdTime({2026, 12, 2, 8, 23, 59, 59, 999});
    EXPECT_FALSE(store.IsUpdateCheckDue()) << "today at any hour";

    // Yesterday in UTC, though the local date (UTC+8) of that moment was today.
    PutUpdTime({2026, 12, 1, 7, 16, 30, 0, 0});
    EXPECT_TRUE(store.IsUpdateCheckDue());

    const SystemTime others[] = {{2025, 12, 1, 8, 0, 0, 0, 0}, {2026, 11, 0, 8, 0, 0, 0, 0}};
    for (const auto& t : others) {
        PutUpdTime(t);
        EXPECT_TRUE(store.IsUpdateCheckDue());
    }

    PutDays({2, 0, 0, 0});
    EXPECT_FALSE(store.IsUpdateCheckDue()) << "Tuesday is disabled";
    PutDays({6, 5, 4, 0});
    EXPECT_TRUE(store.IsUpdateCheckDue());
    reg.failCreate = true;
    EXPECT_FALSE(store.IsUpdateCheckDue());
}

TEST_F(StateStoreTest, WriteUpdTimeStoresTheUtcSystemTime) {
    clock.utc = {2027, 1, 5, 1, 2, 3, 4, 0x0506};
    ASSERT_TRUE(store.WriteUpdTime());
    const auto* v = reg.Find(RegRoot::LocalMachine, kLauncherKey, L"UpdTime");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->type, kRegBinary);
    EXPECT_EQ(v->data, (std::vector<uint8_t>{0xEB, 0x07, 1, 0, 5, 0, 1, 0, 2, 0, 3, 0, 4, 0, 6, 5}));
    EXPECT_FALSE(store.IsUpdateCheckDue());
}

}  // namespace
}  // namespace mrvn
