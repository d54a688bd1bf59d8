// Installation of the running copy into the installation folder.
#pragma once
#include <functional>
#include <string>

#include "platform/file_system.h"
#include "platform/process.h"

namespace mrvn {

// The command line that starts `path` with no arguments: the path in quotes, so that a folder
// with blanks still reads as one argument in the new process.
std::wstring PlainCommandLine(const std::wstring& path);

// The installation folder followed by the running program's file name.
std::wstring InstallTargetOf(const std::wstring& installFolder, const std::wstring& programPath);

// Creates the folders, copies the program there unless it already is the target, hands the target
// to `beforeStart` (the shortcuts) and starts the installed copy. A failed copy does not stop the
// rest. Returns the target path.
std::wstring InstallSelfFiles(FileSystem& fs, ProcessLauncher& launcher, const std::wstring& commonAppData,
                              const std::wstring& programPath,
                              const std::function<void(const std::wstring&)>& beforeStart = {});

}  // namespace mrvn
