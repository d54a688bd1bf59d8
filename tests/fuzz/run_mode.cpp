// The command line: program path, installation folder, then one argument per line.
#include "core/run_mode.h"
#include "support/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mrvn;
    fuzz::FuzzInput in(data, size);
    const std::wstring programPath = in.Line();
    const std::wstring installFolder = in.Line();
    std::vector<std::wstring> argv = in.Lines();
    const RunModeInfo info = ParseRunModeArgs(argv, programPath, installFolder);
    MRVN_FUZZ_CHECK(info.mode >= RunInstall && info.mode <= RunGameHall);
    // Only the page and hall switches carry numbers.
    if (info.mode != RunGamePage && info.mode != RunGameHall) MRVN_FUZZ_CHECK(info.mainWnd == 0 && info.pageCount == 0);
    for (size_t i = 0; i <= argv.size(); ++i) {
        if (i < argv.size() && argv[i].size() >= kHandleArgChars) MRVN_FUZZ_CHECK(ParseSlashNumber(argv, i, kHandleArgChars) == 0);
        ParseSlashNumber(argv, i, kCountArgChars);
    }
    return 0;
}
