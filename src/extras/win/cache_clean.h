// Cleaning of the browser's cache and the Flash player's stored data, on a worker of its own.
#pragma once
#include <windows.h>

namespace mrvn::extras {

// Thread procedure; the parameter is not used. Flash data first, then the cache.
DWORD WINAPI ClearCacheThread(void* unused);
bool DeleteFlashData();
// Every cache entry but the cookies, then the temporary files folder.
bool ClearBrowserCache();
// The whole tree below `folder` and the folder; links inside are removed, never followed. False,
// with the thread's last error set, when anything stayed.
bool DeleteFolderTree(const wchar_t* folder);
bool SetBrowserCacheLimit();

// What the clear-cache command and its timer start: a worker that nobody waits for. False when no
// thread could be started.
bool StartClearCache();

}  // namespace mrvn::extras
