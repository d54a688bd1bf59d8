// Walks over a folder tree through the file seam: counting its files and deleting it. Neither walk
// ever passes through a junction, symbolic link or mount point: a link is an entry of its own.
#pragma once
#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace mrvn {

// Deletes everything below `folder` and then the folder. Read-only files lose that attribute
// first; files in use stay and the walk goes on. A link inside the tree is removed as a link.
// True only when every file and the folder went away; otherwise `*error` (when given) holds the
// error of the last file that stayed, or of the folder's removal when every file went.
bool DeleteFolderTree(FileSystem& fs, const std::wstring& folder, uint32_t* error = nullptr);

// Files below `folder`, sub-folders included. A folder that cannot be listed counts as one file,
// and so does a link, so that a doubtful folder never looks empty.
int CountFilesRecursive(FileSystem& fs, const std::wstring& folder);

}  // namespace mrvn
