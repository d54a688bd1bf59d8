#include "net/http_rules.h"

#include "core/text.h"

namespace mrvn {

bool SplitHttpUrl(const std::wstring& rest, HttpTarget& out) {
    const size_t slash = rest.find(L'/');
    std::wstring host = rest.substr(0, slash);
    std::wstring object = slash == std::wstring::npos ? std::wstring() : rest.substr(slash + 1);
    uint16_t port = kDefaultHttpPort;
    const size_t colon = host.find(L':');
    if (colon != std::wstring::npos) {
        port = static_cast<uint16_t>(static_cast<uint32_t>(ParseLeadingInt(host.substr(colon + 1))) & 0xFFFFu);
        host.resize(colon);
    }
    if (host.size() >= kHostBufChars || object.size() >= kObjectBufChars) return false;
    out.host = std::move(host);
    out.port = port;
    out.object = std::move(object);
    return true;
}

bool HasHttpScheme(const std::wstring& address) {
    return address.size() >= kHttpSchemeChars && EqualsNoCase(address.substr(0, kHttpSchemeChars), kHttpScheme);
}

bool IsPlatformUrl(const std::wstring& address, const std::vector<std::wstring>& domains) {
    for (const auto& domain : domains) {
        if (!domain.empty() && address.find(domain) != std::wstring::npos) return true;
    }
    return false;
}

bool IsAcceptedStatus(uint32_t status) { return status != 0 && status != kStatusNotFound; }

uint32_t ProgressPercent(uint64_t received, uint32_t length) {
    if (length == 0) return 100;
    const uint64_t percent = received * 100u / length;
    return percent > 100 ? 100u : static_cast<uint32_t>(percent);
}

}  // namespace mrvn
