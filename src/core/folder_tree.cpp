#include "core/folder_tree.h"

#include <vector>

namespace mrvn {

namespace {

bool IsDots(const std::wstring& name) { return name == L"." || name == L".."; }

std::wstring WithSlash(const std::wstring& folder) {
    return !folder.empty() && folder.back() == L'\\' ? folder : folder + L'\\';
}

}  // namespace

bool DeleteFolderTree(FileSystem& fs, const std::wstring& folder, uint32_t* error) {
    const std::wstring base = WithSlash(folder);
    std::vector<FolderEntry> entries;
    if (!fs.ListFolder(base, entries)) {
        const bool removed = fs.RemoveFolder(folder);
        if (!removed && error) *error = fs.LastError();
        return removed;
    }
    bool fileFailed = false;
    uint32_t fileError = 0;
    for (const FolderEntry& e : entries) {
        if (IsDots(e.name)) continue;
        const std::wstring path = base + e.name;
        const bool link = (e.attributes & kAttrReparsePoint) != 0;
        bool gone = true;
        if (e.attributes & kAttrDirectory) {
            // Following a link would delete whatever it points to, far outside this folder.
            if (link) gone = fs.RemoveFolder(path);
            else DeleteFolderTree(fs, path);
        } else {
            // The attributes of a file link would be set on its target; the link goes as it is.
            if (!link && (e.attributes & kAttrReadOnly)) fs.SetAttributes(path, e.attributes & ~kAttrReadOnly);
            gone = fs.RemoveFile(path);
        }
        if (!gone) {
            fileFailed = true;
            fileError = fs.LastError();
        }
    }
    const bool removed = fs.RemoveFolder(folder);
    const uint32_t folderError = removed ? 0 : fs.LastError();
    if (removed && !fileFailed) return true;
    if (error) *error = fileFailed ? fileError : folderError;
    return false;
}

int CountFilesRecursive(FileSystem& fs, const std::wstring& folder) {
    const std::wstring base = WithSlash(folder);
    std::vector<FolderEntry> entries;
    if (!fs.ListFolder(base, entries)) return 1;
    int count = 0;
    for (const FolderEntry& e : entries) {
        if (IsDots(e.name)) continue;
        if ((e.attributes & kAttrDirectory) && !(e.attributes & kAttrReparsePoint)) {
            count += CountFilesRecursive(fs, base + e.name);
        } else {
            ++count;
        }
    }
    return count;
}

}  // namespace mrvn
