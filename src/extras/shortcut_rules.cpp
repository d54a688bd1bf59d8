#include "extras/shortcut_rules.h"

#include <string_view>

namespace mrvn {

namespace {

constexpr size_t kUrlTextUnits = 511;
constexpr size_t kFavoriteNameChars = 127;

std::wstring CutAtLastSlash(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? L"" : path.substr(0, slash);
}

}  // namespace

bool PathInFolder(const std::wstring& folder, const std::wstring& name, const std::wstring& ext, std::wstring& out) {
    out = folder + L"\\" + name + ext;
    if (out.size() < kLinkPathChars) return true;
    out.clear();
    return false;
}

std::wstring UserDesktopOf(const std::wstring& documents, const std::wstring& commonDesktop) {
    const size_t slash = commonDesktop.rfind(L'\\');
    const std::wstring parent = CutAtLastSlash(documents);
    if (slash == std::wstring::npos || parent.empty()) return L"";
    return parent + commonDesktop.substr(slash);
}

std::wstring StartMenuFolderOf(const std::wstring& commonPrograms) {
    std::wstring out;
    PathInFolder(commonPrograms, kStartMenuFolderName, L"", out);
    return out;
}

std::vector<ShortcutEntry> InstallShortcuts(const std::wstring& webHost) {
    return {
        {ShortcutPlace::Desktop, kGameShortcutName, L"/MrvnD", 0, kGameShortcutName},
        {ShortcutPlace::Desktop, kPlatformShortcutName, L"/webQuarnD", 1, webHost + kPlatformDescriptionTail},
        {ShortcutPlace::StartMenu, kGameShortcutName, L"/MrvnD", 0, L""},
        {ShortcutPlace::StartMenu, kUninstallShortcutName, L"/uninst", 0, L""},
    };
}

std::vector<ShortcutEntry> RemovalShortcuts() {
    return {
        {ShortcutPlace::Desktop, kPlatformShortcutName, L"", 0, L""},
        {ShortcutPlace::Desktop, kGameShortcutName, L"", 0, L""},
        {ShortcutPlace::StartMenu, kGameShortcutName, L"", 0, L""},
        {ShortcutPlace::StartMenu, kUninstallShortcutName, L"", 0, L""},
    };
}

bool FavoriteUrlText(CodePage& codePage, const std::wstring& address, std::string& out) {
    out.clear();
    const std::wstring text = L"[DEFAULT]\r\nBASEURL=" + address +
                              L"\r\n[{000214A0-0000-0000-C000-000000000046}]\r\n=19,2\r\n[InternetShortcut]\r\nURL=" +
                              address + L"\r\nIDList=\r\n";
    if (text.size() > kUrlTextUnits) return false;
    std::string ansi = codePage.ToAnsi(text);
    if (ansi.size() > kUrlTextUnits || codePage.FromAnsi(ansi) != text) return false;
    out = std::move(ansi);
    return true;
}

bool FavoriteFilePath(const std::wstring& favorites, const std::wstring& name, std::wstring& out) {
    out.clear();
    const std::wstring cut = name.substr(0, kFavoriteNameChars);
    for (wchar_t c : cut) {
        if (c < 0x20 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) return false;
    }
    return PathInFolder(favorites, cut, L".url", out);
}

}  // namespace mrvn
