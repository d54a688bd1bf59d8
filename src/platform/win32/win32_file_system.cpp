#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "platform/win32/win32_platform.h"

namespace mrvn::win {

std::wstring Win32ProfileFile::GetString(const std::wstring& file, const std::wstring& section,
                                         const std::wstring& key, const std::wstring& def, size_t bufChars) {
    if (bufChars == 0) return L"";
    std::vector<wchar_t> buf(bufChars, L'\0');
    const DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), def.c_str(), buf.data(),
                                             static_cast<DWORD>(bufChars), file.c_str());
    return std::wstring(buf.data(), n);
}

bool Win32ProfileFile::WriteString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                                   const std::wstring& value) {
    return WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

std::wstring Win32KnownFolders::Get(KnownFolder folder) {
    if (folder == KnownFolder::Temp) {
        wchar_t buf[MAX_PATH + 1] = {};
        const DWORD n = GetTempPathW(MAX_PATH + 1, buf);
        if (n == 0 || n > MAX_PATH) return L"";
        std::wstring path(buf, n);
        while (!path.empty() && path.back() == L'\\') path.pop_back();
        return path;
    }
    int csidl = CSIDL_COMMON_APPDATA;
    switch (folder) {
        case KnownFolder::CommonAppData: csidl = CSIDL_COMMON_APPDATA; break;
        case KnownFolder::CommonDesktop: csidl = CSIDL_COMMON_DESKTOPDIRECTORY; break;
        case KnownFolder::CommonPrograms: csidl = CSIDL_COMMON_PROGRAMS; break;
        case KnownFolder::AppData: csidl = CSIDL_APPDATA; break;
        case KnownFolder::InternetCache: csidl = CSIDL_INTERNET_CACHE; break;
        case KnownFolder::Favorites: csidl = CSIDL_FAVORITES; break;
        case KnownFolder::Personal: csidl = CSIDL_PERSONAL; break;
        case KnownFolder::Temp: break;
    }
    wchar_t buf[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) return L"";
    return buf;
}

namespace {

// Paths in a tree being cleaned may outgrow MAX_PATH; the extended form has no such limit. Folder
// calls stop 12 characters earlier than file calls.
std::wstring Extended(const std::wstring& path) {
    if (path.size() < MAX_PATH - 12 || path.starts_with(L"\\\\?\\")) return path;
    if (path.starts_with(L"\\\\")) return L"\\\\?\\UNC" + path.substr(1);
    return L"\\\\?\\" + path;
}

}  // namespace

bool Win32FileSystem::CreateFolder(const std::wstring& path) {
    if (CreateDirectoryW(path.c_str(), nullptr)) return true;
    const DWORD attrs = GetFileAttributesW(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::CopyFileTo(const std::wstring& from, const std::wstring& to, bool overwrite) {
    return CopyFileW(from.c_str(), to.c_str(), overwrite ? FALSE : TRUE) != FALSE;
}

bool Win32FileSystem::FileExists(const std::wstring& path) {
    const DWORD attrs = GetFileAttributesW(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::RemoveFile(const std::wstring& path) { return DeleteFileW(Extended(path).c_str()) != FALSE; }

bool Win32FileSystem::MoveReplace(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool Win32FileSystem::DeleteAtReboot(const std::wstring& path) {
    return MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool Win32FileSystem::ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    const std::wstring pattern = folder + (folder.ends_with(L'\\') ? L"*" : L"\\*");
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Extended(pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        entries.push_back({data.cFileName, data.dwFileAttributes});
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}

bool Win32FileSystem::SetAttributes(const std::wstring& path, uint32_t attributes) {
    return SetFileAttributesW(Extended(path).c_str(), attributes) != FALSE;
}

bool Win32FileSystem::RemoveFolder(const std::wstring& path) {
    return RemoveDirectoryW(Extended(path).c_str()) != FALSE;
}

std::wstring Win32FileSystem::ShortPath(const std::wstring& path) {
    const DWORD need = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (need == 0) return L"";
    std::wstring out(need, L'\0');
    const DWORD n = GetShortPathNameW(path.c_str(), out.data(), need);
    if (n == 0 || n >= need) return L"";
    out.resize(n);
    return out;
}

uint32_t Win32FileSystem::LastError() { return GetLastError(); }

}  // namespace mrvn::win
