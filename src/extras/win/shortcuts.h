// Shell links of the installation and their removal. The caller has initialised COM.
#pragma once
#include <windows.h>

#include <string>

namespace mrvn::extras {

// Saves a .lnk at `linkPath` for `target` with its icon taken from the target itself. False when
// there is no link path, or the shell has no link object or cannot save it.
bool CreateShellLink(const wchar_t* linkPath, const wchar_t* target, const wchar_t* description,
                     const wchar_t* arguments, int iconIndex);

// In the all-users desktop; the same-named link on the user's own desktop goes first.
bool CreateDesktopShortcut(const wchar_t* target, const wchar_t* arguments, const wchar_t* name, int iconIndex,
                           const wchar_t* description);
// In the start-menu folder "Quarn登录器", made when missing.
bool CreateStartMenuShortcut(const wchar_t* name, const wchar_t* target, const wchar_t* arguments);
bool DeleteDesktopShortcut(const wchar_t* name);
bool DeleteStartMenuShortcut(const wchar_t* name);

// The four links of an installation, pointing at `target`.
void CreateInstallShortcuts(const std::wstring& target, const std::wstring& webHost);

// The start-menu folder of the launcher; empty when the programs folder is unknown.
std::wstring StartMenuFolder();

// The four links and, when nothing is left in it, their start-menu folder.
void RemoveShortcuts();

}  // namespace mrvn::extras
