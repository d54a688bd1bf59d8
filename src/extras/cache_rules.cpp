#include "extras/cache_rules.h"

namespace mrvn {

std::wstring FlashDataFolderOf(const std::wstring& appData) {
    return appData + L"\\Macromedia\\Flash Player\\#SharedObjects";
}

bool SetBrowserCacheLimit(Registry& reg) {
    if (!reg.OpenKey(RegRoot::CurrentUser, kCacheContentKey)) return false;
    auto key = reg.CreateKey(RegRoot::CurrentUser, kCacheContentKey, true);
    const uint32_t value = kCacheLimitKb;
    return key && key->Set(L"CacheLimit", kRegDword, &value, sizeof value);
}

}  // namespace mrvn
