#include "core/report_rules.h"

namespace mrvn {

namespace {
constexpr size_t kReportBufChars = 512;
}

ReportRule ReportRuleOf(UsageEvent event) {
    switch (event) {
        case UsageEvent::Install: return {kKeyInst, L"/install.htm?tag=mrvn&ver=3.0.0.1"};
        case UsageEvent::PlatformShortcut: return {kKeyQuarn, L"/active.htm?tag=webQuarn&ver=3.0.0.1"};
        case UsageEvent::GameStart: return {kKeyGame, L"/active.htm?tag=mrvn&ver=3.0.0.1"};
        case UsageEvent::Removal: return {kKeyUnInst, L"/uninstall.htm?tag=mrvn&ver=3.0.0.1"};
    }
    return {kKeyGame, L""};
}

bool ReportAddress(const std::wstring& clientHost, UsageEvent event, uint32_t count, std::wstring& out) {
    std::wstring address = L"http://" + clientHost + ReportRuleOf(event).pathAndQuery + L"&count=" +
                           std::to_wstring(count);
    if (address.size() >= kReportBufChars) {
        out.clear();
        return false;
    }
    out = std::move(address);
    return true;
}

bool PrepareReport(StateStore& store, const std::wstring& clientHost, UsageEvent event, std::wstring& address) {
    const uint32_t count = store.BumpCounter(ReportRuleOf(event).counterKey);
    return ReportAddress(clientHost, event, count, address);
}

}  // namespace mrvn
