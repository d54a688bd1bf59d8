#include <gtest/gtest.h>

#include "core/report_rules.h"
#include "fakes/fake_platform.h"

namespace mrvn {
namespace {

TEST(ReportAddress, EachEventWithItsCount) {
    const struct {
        UsageEvent event;
        uint32_t count;
        const wchar_t* address;
    } rows[] = {
        {UsageEvent::Install, 1, L"http://c.qsvc.net/install.htm?tag=mrvn&ver=3.0.0.1&count=1"},
        {UsageEvent::PlatformShortcut, 7, L"http://c.qsvc.net/active.htm?tag=webQuarn&ver=3.0.0.1&count=7"},
        {UsageEvent::GameStart, 42, L"http://c.qsvc.net/active.htm?tag=mrvn&ver=3.0.0.1&count=42"},
        {UsageEvent::Removal, 4294967295u, L"http://c.qsvc.net/uninstall.htm?tag=mrvn&ver=3.0.0.1&count=4294967295"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.event));
        std::wstring out;
        ASSERT_TRUE(ReportAddress(L"c.qsvc.net", row.event, row.count, out));
        EXPECT_EQ(out, row.address);
    }
}

TEST(ReportAddress, MustFitItsBuffer) {
    // "http://" + host + "/install.htm?tag=mrvn&ver=3.0.0.1" (33) + "&count=1" (8): 48 + host.
    std::wstring out = L"junk";
    EXPECT_TRUE(ReportAddress(std::wstring(463, L'h'), UsageEvent::Install, 1, out));
    EXPECT_EQ(out.size(), 511u);
    EXPECT_FALSE(ReportAddress(std::wstring(464, L'h'), UsageEvent::Install, 1, out));
    EXPECT_EQ(out, L"");
}

TEST(PrepareReport, CountsBeforeReportingAndUsesTheEventsCounter) {
    test::FakeState state;
    auto& ini = state.ini;
    auto& store = state.store;
    const std::wstring counters = L"C:\\ProgramData\\Quarn\\GameLogin\\Statistic.ini";
    ini.WriteString(counters, L"Mrvn", L"Game", L"41");

    std::wstring address;
    ASSERT_TRUE(PrepareReport(store, L"c.qsvc.net", UsageEvent::GameStart, address));
    EXPECT_EQ(address, L"http://c.qsvc.net/active.htm?tag=mrvn&ver=3.0.0.1&count=42");
    EXPECT_EQ(*ini.Find(counters, L"Mrvn", L"Game"), L"42");

    // A second installation reports 2, whatever became of the first report.
    ASSERT_TRUE(PrepareReport(store, L"c.qsvc.net", UsageEvent::Install, address));
    ASSERT_TRUE(PrepareReport(store, L"c.qsvc.net", UsageEvent::Install, address));
    EXPECT_EQ(address, L"http://c.qsvc.net/install.htm?tag=mrvn&ver=3.0.0.1&count=2");
    EXPECT_EQ(*ini.Find(counters, L"Mrvn", L"Game"), L"42");

    ASSERT_TRUE(PrepareReport(store, L"c.qsvc.net", UsageEvent::Removal, address));
    EXPECT_EQ(*ini.Find(counters, L"Mrvn", L"UnInst"), L"1");
    ASSERT_TRUE(PrepareReport(store, L"c.qsvc.net", UsageEvent::PlatformShortcut, address));
    EXPECT_EQ(*ini.Find(counters, L"Mrvn", L"Quarn"), L"1");
}

}  // namespace
}  // namespace mrvn
