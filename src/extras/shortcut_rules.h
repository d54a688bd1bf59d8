// Where the launcher's shortcuts go and what they say, and the Internet shortcut of a favourite.
#pragma once
#include <string>
#include <vector>

#include "platform/code_page.h"

namespace mrvn {

inline constexpr wchar_t kGameShortcutName[] = L"QuarnMorvane极速登录器";
inline constexpr wchar_t kPlatformShortcutName[] = L"Quarn网页游戏";
inline constexpr wchar_t kUninstallShortcutName[] = L"卸载 QuarnMorvane极速登录器";
inline constexpr wchar_t kStartMenuFolderName[] = L"Quarn登录器";
inline constexpr wchar_t kPlatformDescriptionTail[] = L"中国最大的网页游戏平台";

// Paths are built for buffers of 260 wide characters, the NUL included.
inline constexpr size_t kLinkPathChars = 260;

// folder + "\" + name + `ext`. False, with `out` empty, when it would not fit a path buffer: a cut
// path would name another file.
bool PathInFolder(const std::wstring& folder, const std::wstring& name, const std::wstring& ext, std::wstring& out);

// The user's own desktop as the system derives it: the parent of the documents folder followed by
// the last component of the all-users desktop. Empty when either folder has no "\".
std::wstring UserDesktopOf(const std::wstring& documents, const std::wstring& commonDesktop);

// The all-users programs folder + "\Quarn登录器"; empty when that would not fit a path buffer.
std::wstring StartMenuFolderOf(const std::wstring& commonPrograms);

enum class ShortcutPlace { Desktop, StartMenu };

struct ShortcutEntry {
    ShortcutPlace place;
    std::wstring name;
    std::wstring arguments;
    int iconIndex;
    std::wstring description;  // empty: none
};

// The four shortcuts of an installation, in the order they are made; the platform shortcut names
// the configured web host.
std::vector<ShortcutEntry> InstallShortcuts(const std::wstring& webHost);

// The four shortcut names in the order the removal deletes them.
std::vector<ShortcutEntry> RemovalShortcuts();

// The Internet shortcut's text in the ANSI code page, byte for byte. False when the text would not
// fit its 511 units, or when the address does not survive the code page: a cut or altered address
// would open another page.
bool FavoriteUrlText(CodePage& codePage, const std::wstring& address, std::string& out);

// The favourites folder + "\" + name + ".url". False for a name with a character that file names
// do not allow (a "\" would put the file into another folder) or a path too long for its buffer.
// The name is cut to the 127 characters the edit box gives.
bool FavoriteFilePath(const std::wstring& favorites, const std::wstring& name, std::wstring& out);

}  // namespace mrvn
