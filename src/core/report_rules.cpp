#include "core/report_rules.h"

namespace mrvn {

namespace {
constexpr size_t kReportBufChars = 512;
}

ReportRule ReportRuleOf(ReportEvent event) {
    switch (event) {
        case ReportEvent::Install: return {kKeyInst, L"/install.htm?tag=mrvn&ver=3.0.0.1"};
        case ReportEvent::PlatformShortcut: return {kKeyQuarn, L"/active.htm?tag=webQuarn&ver=3.0.0.1"};
        case ReportEvent::GameStart: return {kKeyGame, L"/active.htm?tag=mrvn&ver=3.0.0.1"};
        case ReportEvent::Removal: return {kKeyUnInst, L"/uninstall.htm?tag=mrvn&ver=3.0.0.1"};
    }
    return {kKeyGame, L""};
}

std::optional<ReportEvent> ReportEventOf(RunMode mode) {
    switch (mode) {
        case RunInstall: return ReportEvent::Install;
        case RunPlatformShortcut: return ReportEvent::PlatformShortcut;
        case RunGameShortcut:
        case RunInstalled: return ReportEvent::GameStart;
        case RunUninstall: return ReportEvent::Removal;
        default: return std::nullopt;
    }
}

bool ReportAddress(const std::wstring& clientHost, ReportEvent event, uint32_t count, std::wstring& out) {
    std::wstring address = L"http://" + clientHost + ReportRuleOf(event).pathAndQuery + L"&count=" +
                           std::to_wstring(count);
    if (address.size() >= kReportBufChars) {
        out.clear();
        return false;
    }
    out = std::move(address);
    return true;
}

bool PrepareReport(StateStore& store, const std::wstring& clientHost, ReportEvent event, std::wstring& address) {
    const uint32_t count = store.BumpCounter(ReportRuleOf(event).counterKey);
    return ReportAddress(clientHost, event, count, address);
}

}  // namespace mrvn
