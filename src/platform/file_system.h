// File seam: the file operations of the launcher, with Win32 meanings.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace mrvn {

// File attributes as the system numbers them.
inline constexpr uint32_t kAttrReadOnly = 0x1;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrReparsePoint = 0x400;  // junction, symbolic link or mount point

struct FolderEntry {
    std::wstring name;
    uint32_t attributes = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // True when the folder exists afterwards (an existing folder is not an error).
    virtual bool CreateFolder(const std::wstring& path) = 0;
    virtual bool CopyFileTo(const std::wstring& from, const std::wstring& to, bool overwrite) = 0;
    // True for a file, not for a folder.
    virtual bool FileExists(const std::wstring& path) = 0;
    virtual bool RemoveFile(const std::wstring& path) = 0;
    // Renames `from` to `to`, replacing an existing `to` (MOVEFILE_REPLACE_EXISTING). A running
    // program file may be renamed, though not deleted or overwritten.
    virtual bool MoveReplace(const std::wstring& from, const std::wstring& to) = 0;
    // Deletes `path` at the next restart of the machine (MOVEFILE_DELAY_UNTIL_REBOOT).
    virtual bool DeleteAtReboot(const std::wstring& path) = 0;

    // The entries of `folder` as the system lists them ("." and ".." may be among them). False
    // when the listing cannot start.
    virtual bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) = 0;
    virtual bool SetAttributes(const std::wstring& path, uint32_t attributes) = 0;
    // RemoveDirectoryW: an empty folder, or a link to a folder (the link, never what it points to).
    virtual bool RemoveFolder(const std::wstring& path) = 0;
    // The 8.3 form of an existing path; empty when the system has none.
    virtual std::wstring ShortPath(const std::wstring& path) = 0;
    // The calling thread's error code after a failed call.
    virtual uint32_t LastError() = 0;
};

}  // namespace mrvn
