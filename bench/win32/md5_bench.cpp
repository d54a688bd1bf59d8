// Times FileMd5Hex of the file on the command line through the Win32 file source, RUNS times
// (default 5); prints the digest and the median, for tools/bench to set against md5sum.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/update_rules.h"
#include "platform/win32/win32_file_io.h"

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2) {
        std::fprintf(stderr, "usage: md5_bench FILE [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, _wtoi(argv[2])) : 5;
    mrvn::win::Win32FileSource source;
    std::vector<double> seconds;
    std::wstring digest;
    bool ok = true;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        ok = mrvn::FileMd5Hex(source, argv[1], digest) && ok;
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(seconds.begin(), seconds.end());
    const size_t n = seconds.size();
    const double median = n % 2 ? seconds[n / 2] : (seconds[n / 2 - 1] + seconds[n / 2]) / 2;
    std::printf("FileMd5Hex median of %d: %.3f s %ls\n", runs, median, digest.c_str());
    LocalFree(argv);
    return ok ? 0 : 1;
}
