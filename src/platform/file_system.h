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
    virtual bool FileExists(const std::wstring& path) = 0;
    virtual bool RemoveFile(const std::wstring& path) = 0;
};

}  // namespace mrvn
