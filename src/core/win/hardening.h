// Defences against a local attacker: DLLs only from the system folder, and an installation folder
// that only administrators and the system can write into (the launcher runs elevated from it).
#pragma once
#include <windows.h>

#include <string>

namespace mrvn::core {

// LoadLibraryExW with LOAD_LIBRARY_SEARCH_SYSTEM32 (0x800). Where that flag is unknown (Windows 7
// without its loader update), the full path in the system folder instead; never a bare name.
HMODULE LoadSystemLibrary(const wchar_t* name);

// Limits the DLL search of every later load to the system folder. The call is looked up at run
// time, since Windows 7 has it only with an update. False when it is missing or refused.
bool RestrictDllSearch();

// Gives `folder` a protected access list (nothing inherited): administrators and the system have
// full control, users read and execute, for the folder, its files and its subfolders; its owner
// becomes the administrators group, so that an earlier owner cannot change the list back.
bool ProtectInstallFolder(const std::wstring& folder);

// True when the folder's list is protected and lets nobody but administrators and the system
// write, delete or change permissions.
bool IsInstallFolderProtected(const std::wstring& folder);

}  // namespace mrvn::core
