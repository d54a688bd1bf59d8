// Browser housekeeping that needs no window: the Flash data folder and the cache size limit.
#pragma once
#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace mrvn {

inline constexpr wchar_t kCacheContentKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\5.0\\Cache\\Content";
inline constexpr uint32_t kCacheLimitKb = 0x00100000;  // 1 GB
inline constexpr uint32_t kCookieCacheEntry = 0x00100000;

// The Flash player's stored objects below the roaming application data folder (which may be
// unknown: the suffix alone then names nothing that exists).
std::wstring FlashDataFolderOf(const std::wstring& appData);

// Sets "CacheLimit" only where the browser has made the key: a missing key stays missing.
bool SetBrowserCacheLimit(Registry& reg);

}  // namespace mrvn
