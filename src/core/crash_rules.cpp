#include "core/crash_rules.h"

#include "core/state_store.h"

namespace mrvn {

bool DumpPathFor(const std::wstring& programPath, std::wstring& out) {
    out.clear();
    // Only a dot in the file name counts: one in a folder name would put the dump elsewhere.
    const size_t slash = programPath.rfind(L'\\');
    const size_t dot = programPath.rfind(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return false;
    std::wstring path = programPath.substr(0, dot) + L".dmp";
    if (path.size() + 1 > kMaxPath) return false;
    out = std::move(path);
    return true;
}

int64_t WriteWithFallback(const std::function<bool(uint32_t)>& attempt) {
    for (uint32_t type : kDumpTypes) {
        if (attempt(type)) return type;
    }
    return -1;
}

}  // namespace mrvn
