// The role of a process, decided once from its command line and its location.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace mrvn {

enum RunMode {
    RunInstall = 0,
    RunPlatformShortcut = 1,
    RunGameShortcut = 2,
    RunInstalled = 3,
    RunUninstall = 4,
    RunUpdate = 5,
    RunGamePage = 6,
    RunGameHall = 7,
};

struct RunModeInfo {
    RunMode mode = RunInstall;
    int32_t mainWnd = 0;    // "/newgm" and "/gmhall": the main window's handle value
    int32_t pageCount = 0;  // "/newgm": the pages that window already held
};

// Buffer sizes of the two numeric arguments, NUL included: a longer argument is refused (value 0).
inline constexpr size_t kHandleArgChars = 16;
inline constexpr size_t kCountArgChars = 8;

// `argv[0]` is the program. `installFolder` is the installation folder path.
RunModeInfo ParseRunModeArgs(const std::vector<std::wstring>& argv, const std::wstring& programPath,
                             const std::wstring& installFolder);

// "/<number>" as the main window writes it: the first character is skipped whatever it is.
// Missing or longer than `bufChars - 1` characters gives 0.
int32_t ParseSlashNumber(const std::vector<std::wstring>& argv, size_t index, size_t bufChars);

}  // namespace mrvn
