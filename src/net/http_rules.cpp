#include "net/http_rules.h"

#include <algorithm>

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

bool IsRedirectStatus(uint32_t status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::wstring ResolveRedirect(const std::wstring& from, const std::wstring& location) {
    const size_t b = location.find_first_not_of(L" \t");
    if (b == std::wstring::npos) return L"";
    std::wstring loc = location.substr(b, location.find_last_not_of(L" \t") + 1 - b);
    if (const size_t hash = loc.find(L'#'); hash != std::wstring::npos) loc.resize(hash);
    if (HasHttpScheme(loc)) return kHttpScheme + loc.substr(kHttpSchemeChars);
    if (loc.starts_with(L"//")) return kHttpScheme + loc.substr(2);
    // A scheme is letters, digits, "+", "-" or "." before the first ":" that comes before any "/".
    const size_t colon = loc.find(L':');
    if (colon != std::wstring::npos && colon < loc.find_first_of(L"/?")) return L"";
    const std::wstring rest = from.substr(std::min(from.size(), kHttpSchemeChars));
    const size_t slash = rest.find(L'/');
    const std::wstring authority = kHttpScheme + rest.substr(0, slash);
    if (loc.starts_with(L"/")) return authority + loc;
    std::wstring path = slash == std::wstring::npos ? L"/" : rest.substr(slash);
    path.resize(std::min(path.size(), path.find(L'?')));
    path.resize(path.rfind(L'/') + 1);
    return authority + path + loc;
}

bool IsAcceptedStatus(uint32_t status) { return status != 0 && status != kStatusNotFound; }

uint32_t ProgressPercent(uint64_t received, uint32_t length) {
    if (length == 0) return 100;
    const uint64_t percent = received * 100u / length;
    return percent > 100 ? 100u : static_cast<uint32_t>(percent);
}

}  // namespace mrvn
