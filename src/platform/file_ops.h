// File-name operations of the self-update swap, with MoveFileExW meanings.
#pragma once
#include <string>

namespace mrvn {

class FileOps {
public:
    virtual ~FileOps() = default;
    virtual bool Exists(const std::wstring& path) = 0;
    // Renames `from` to `to`, replacing an existing `to` (MOVEFILE_REPLACE_EXISTING). A running
    // program file may be renamed, though not deleted or overwritten.
    virtual bool MoveReplace(const std::wstring& from, const std::wstring& to) = 0;
    virtual bool Delete(const std::wstring& path) = 0;
    // Deletes `path` at the next restart of the machine (MOVEFILE_DELAY_UNTIL_REBOOT).
    virtual bool DeleteAtReboot(const std::wstring& path) = 0;
};

}  // namespace mrvn
