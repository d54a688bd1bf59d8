// Usage reports: which counter each event bumps and the address its report goes to.
#pragma once
#include <cstdint>
#include <string>

#include "core/state_store.h"

namespace mrvn {

inline constexpr wchar_t kLauncherVersion[] = L"3.0.0.1";

enum class UsageEvent { Install, PlatformShortcut, GameStart, Removal };

struct ReportRule {
    const wchar_t* counterKey;
    const wchar_t* pathAndQuery;  // before "&count="
};

ReportRule ReportRuleOf(UsageEvent event);

// "http://" + host + path and query + "&count=" + count. False, with `out` empty, when that would
// not fit the 512-character address buffer: a cut address would lose the count.
bool ReportAddress(const std::wstring& clientHost, UsageEvent event, uint32_t count, std::wstring& out);

// Bumps the event's counter first, so a failed report is still counted, then builds the address.
bool PrepareReport(StateStore& store, const std::wstring& clientHost, UsageEvent event, std::wstring& address);

}  // namespace mrvn
