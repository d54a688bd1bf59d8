#include "extras/win/shortcuts.h"

#include <objbase.h>
#include <shlobj.h>

#include "core/folder_tree.h"
#include "extras/shortcut_rules.h"
#include "platform/win32/scoped.h"
#include "platform/win32/win32_platform.h"

namespace mrvn::extras {

namespace {

// Releases a COM interface on every path.
template <typename T>
class ComPtr {
public:
    ~ComPtr() {
        if (p_) p_->Release();
    }
    T* operator->() const { return p_; }
    T** Put() { return &p_; }
    void** PutVoid() { return reinterpret_cast<void**>(&p_); }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

bool IsFile(const wchar_t* path) {
    const DWORD attrs = GetFileAttributesW(path);
    return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

bool Empty(const wchar_t* text) { return !text || !*text; }

std::wstring Folder(KnownFolder which) { return win::Win32KnownFolders().Get(which); }

}  // namespace

bool CreateShellLink(const wchar_t* linkPath, const wchar_t* target, const wchar_t* description,
                     const wchar_t* arguments, int iconIndex) {
    if (!linkPath) return false;
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid()))) {
        return false;
    }
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) return false;
    link->SetPath(target);
    link->SetIconLocation(target, iconIndex);
    link->SetArguments(arguments ? arguments : L"");
    if (!Empty(description)) link->SetDescription(description);
    // Whether the save went through is not looked at; the installation goes on either way.
    file->Save(linkPath, TRUE);
    return true;
}

bool CreateDesktopShortcut(const wchar_t* target, const wchar_t* arguments, const wchar_t* name, int iconIndex,
                           const wchar_t* description) {
    if (Empty(target) || Empty(name) || !IsFile(target)) return false;
    const std::wstring desktop = Folder(KnownFolder::CommonDesktop);
    if (desktop.empty()) return false;
    const std::wstring userDesktop = UserDesktopOf(Folder(KnownFolder::Personal), desktop);
    std::wstring userLink;
    if (!userDesktop.empty() && PathInFolder(userDesktop, name, L".lnk", userLink)) DeleteFileW(userLink.c_str());
    std::wstring link;
    if (!PathInFolder(desktop, name, L".lnk", link)) return false;
    return CreateShellLink(link.c_str(), target, description, arguments, iconIndex);
}

std::wstring StartMenuFolder() {
    const std::wstring programs = Folder(KnownFolder::CommonPrograms);
    return programs.empty() ? L"" : StartMenuFolderOf(programs);
}

bool CreateStartMenuShortcut(const wchar_t* name, const wchar_t* target, const wchar_t* arguments) {
    if (Empty(name) || Empty(target) || !IsFile(target)) return false;
    const std::wstring folder = StartMenuFolder();
    if (folder.empty()) return false;
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring link;
    if (!PathInFolder(folder, name, L".lnk", link)) return false;
    return CreateShellLink(link.c_str(), target, nullptr, arguments, 0);
}

bool DeleteDesktopShortcut(const wchar_t* name) {
    if (Empty(name)) return false;
    const std::wstring desktop = Folder(KnownFolder::CommonDesktop);
    std::wstring link;
    if (desktop.empty() || !PathInFolder(desktop, name, L".lnk", link)) return false;
    return DeleteFileW(link.c_str()) != FALSE;
}

bool DeleteStartMenuShortcut(const wchar_t* name) {
    if (Empty(name)) return false;
    const std::wstring folder = StartMenuFolder();
    std::wstring link;
    if (folder.empty() || !PathInFolder(folder, name, L".lnk", link)) return false;
    return DeleteFileW(link.c_str()) != FALSE;
}

void CreateInstallShortcuts(const std::wstring& target, const std::wstring& webHost) {
    for (const ShortcutEntry& s : InstallShortcuts(webHost)) {
        if (s.place == ShortcutPlace::Desktop) {
            CreateDesktopShortcut(target.c_str(), s.arguments.c_str(), s.name.c_str(), s.iconIndex,
                                  s.description.c_str());
        } else {
            CreateStartMenuShortcut(s.name.c_str(), target.c_str(), s.arguments.c_str());
        }
    }
}

void RemoveShortcuts() {
    win::ScopedComInit com;
    for (const ShortcutEntry& s : RemovalShortcuts()) {
        if (s.place == ShortcutPlace::Desktop) DeleteDesktopShortcut(s.name.c_str());
        else DeleteStartMenuShortcut(s.name.c_str());
    }
    const std::wstring folder = StartMenuFolder();
    win::Win32FileSystem fs;
    // A user's own link in the folder keeps it; empty sub-folders make the removal fail harmlessly.
    if (!folder.empty() && CountFilesRecursive(fs, folder) == 0) RemoveDirectoryW(folder.c_str());
}

}  // namespace mrvn::extras
