#include "core/host_config.h"

#include "core/state_store.h"
#include "core/text.h"
#include "core/text_encoding.h"

namespace mrvn {

namespace {

// Hosts go into 260-character buffers when addresses are split.
constexpr size_t kMaxHostChars = 259;

std::wstring Trim(const std::wstring& s) {
    const size_t b = s.find_first_not_of(L" \t");
    if (b == std::wstring::npos) return L"";
    const size_t e = s.find_last_not_of(L" \t");
    return s.substr(b, e - b + 1);
}

// Blanks around the value are no part of it: a value of blanks only is as good as none.
bool ReadString(RegistryKey& key, const wchar_t* name, std::wstring& out) {
    std::vector<uint8_t> data;
    uint32_t type = 0;
    if (!key.Query(name, data, type) || type != kRegSz) return false;
    std::wstring value = Trim(WideFromUtf16Le(data));
    if (value.empty() || value.size() > kMaxHostChars) return false;
    out = std::move(value);
    return true;
}

}  // namespace

HostConfig DefaultHostConfig() {
    HostConfig c;
    c.clientHost = L"client.quarn.com";
    c.webHost = L"www.quarn.com";
    c.domains = {L"quarn.com"};
    return c;
}

std::vector<std::wstring> SplitDomains(const std::wstring& text) {
    std::vector<std::wstring> out;
    size_t start = 0;
    while (start <= text.size() && out.size() < kMaxPlatformDomains) {
        size_t end = text.find(L';', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring name = Trim(text.substr(start, end - start));
        if (!name.empty()) out.push_back(std::move(name));
        start = end + 1;
    }
    return out;
}

HostConfig LoadHostConfig(Registry& reg) {
    HostConfig c = DefaultHostConfig();
    auto key = reg.OpenKey(RegRoot::LocalMachine, kLauncherKey);
    if (!key) return c;
    std::wstring value;
    if (ReadString(*key, L"ClientHost", value)) c.clientHost = value;
    if (ReadString(*key, L"WebHost", value)) c.webHost = value;
    if (ReadString(*key, L"PlatformDomains", value)) {
        auto domains = SplitDomains(value);
        if (!domains.empty()) c.domains = std::move(domains);
    }
    return c;
}

}  // namespace mrvn
