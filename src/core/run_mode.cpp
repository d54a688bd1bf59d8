#include "core/run_mode.h"

#include "core/text.h"

namespace mrvn {

int32_t ParseSlashNumber(const std::vector<std::wstring>& argv, size_t index, size_t bufChars) {
    if (index >= argv.size()) return 0;
    const std::wstring& arg = argv[index];
    // The main window never writes more than the buffer holds; anything longer is not ours.
    if (arg.size() + 1 > bufChars || arg.empty()) return 0;
    return ParseLeadingInt(arg.substr(1));
}

RunModeInfo ParseRunModeArgs(const std::vector<std::wstring>& argv, const std::wstring& programPath,
                             const std::wstring& installFolder) {
    static const struct {
        const wchar_t* sw;
        RunMode mode;
    } kSwitches[] = {
        {L"/webQuarnD", RunPlatformShortcut}, {L"/MrvnD", RunGameShortcut}, {L"/uninst", RunUninstall},
        {L"/update", RunUpdate},              {L"/newgm", RunGamePage},     {L"/gmhall", RunGameHall},
    };
    RunModeInfo info;
    if (argv.size() >= 2) {
        for (const auto& s : kSwitches) {
            if (!EqualsNoCase(argv[1], s.sw)) continue;
            info.mode = s.mode;
            if (s.mode == RunGamePage) {
                info.mainWnd = ParseSlashNumber(argv, 2, kHandleArgChars);
                info.pageCount = ParseSlashNumber(argv, 3, kCountArgChars);
            } else if (s.mode == RunGameHall) {
                info.mainWnd = ParseSlashNumber(argv, 2, kHandleArgChars);
            }
            return info;
        }
    }
    const std::wstring folder = UpperAscii(installFolder);
    const bool inside = !folder.empty() && UpperAscii(programPath).find(folder) != std::wstring::npos;
    info.mode = inside ? RunInstalled : RunInstall;
    return info;
}

}  // namespace mrvn
