// Where the platform's servers are. Built-in defaults, overridden by an administrator (or a test)
// through string values under the launcher's registry key.
#pragma once
#include <string>
#include <vector>

#include "platform/registry.h"

namespace mrvn {

struct HostConfig {
    std::wstring clientHost;            // host[:port] of the client-service host
    std::wstring webHost;               // host[:port] of the web host
    std::vector<std::wstring> domains;  // allow-list, at most three
};

inline constexpr size_t kMaxPlatformDomains = 3;

HostConfig DefaultHostConfig();
// Splits "a;b;c": blanks around names are dropped, empty names skipped, at most three kept.
std::vector<std::wstring> SplitDomains(const std::wstring& text);
// Reads "ClientHost", "WebHost" and "PlatformDomains" (REG_SZ) under HKLM; a missing, empty,
// over-long or non-string value keeps its default.
HostConfig LoadHostConfig(Registry& reg);

}  // namespace mrvn
