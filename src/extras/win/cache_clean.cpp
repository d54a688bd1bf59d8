#include "extras/win/cache_clean.h"

#include <shlobj.h>
#include <wininet.h>

#include <string>
#include <vector>

#include "extras/cache_rules.h"
#include "core/folder_tree.h"
#include "platform/win32/worker_thread.h"
#include "platform/win32/win32_platform.h"

namespace mrvn::extras {

DWORD WINAPI ClearCacheThread(void*) {
    DeleteFlashData();
    return ClearBrowserCache() ? 1 : 0;
}

bool DeleteFlashData() {
    std::wstring appData;
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &items))) {
        wchar_t buf[MAX_PATH] = {};
        if (SHGetPathFromIDListW(items, buf)) appData = buf;
        CoTaskMemFree(items);
    }
    return DeleteFolderTree(FlashDataFolderOf(appData).c_str());
}

bool ClearBrowserCache() {
    // Entries come one at a time in a buffer sized for each.
    DWORD size = 0;
    FindFirstUrlCacheEntryW(nullptr, nullptr, &size);
    if (size > 0) {
        std::vector<BYTE> buf(size);
        auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buf.data());
        HANDLE find = FindFirstUrlCacheEntryW(nullptr, entry, &size);
        while (find) {
            if (!(entry->CacheEntryType & kCookieCacheEntry)) DeleteUrlCacheEntryW(entry->lpszSourceUrlName);
            size = 0;
            FindNextUrlCacheEntryW(find, nullptr, &size);
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) break;
            buf.assign(size, 0);
            entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buf.data());
            if (!FindNextUrlCacheEntryW(find, entry, &size)) break;
        }
        if (find) FindCloseUrlCache(find);
    }
    wchar_t folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_INTERNET_CACHE, FALSE)) return false;
    return DeleteFolderTree(folder);
}

bool DeleteFolderTree(const wchar_t* folder) {
    win::Win32FileSystem fs;
    uint32_t error = 0;
    if (mrvn::DeleteFolderTree(fs, folder, &error)) return true;
    SetLastError(error);
    return false;
}

bool SetBrowserCacheLimit() {
    win::Win32Registry reg;
    return mrvn::SetBrowserCacheLimit(reg);
}

bool StartClearCache() {
    // Nobody waits for a cleaning: it owns nothing of its starter and may outlive it.
    return win::StartDetached([] { ClearCacheThread(nullptr); });
}

}  // namespace mrvn::extras
