// File seam: the file operations of the launcher, with Win32 meanings.
#pragma once
#include <string>

namespace mrvn {

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
};

}  // namespace mrvn
