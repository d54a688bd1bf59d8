// Times HttpDownloadToFile of the URL on the command line, in 512-byte chunks as the update does,
// RUNS times (default 3); prints each run and the median.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/http_transfer.h"
#include "platform/win32/win32_file_io.h"
#include "platform/win32/win32_http.h"

int main() {
    // The program is built without -municode, so the wide arguments come from the command line.
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3) {
        std::fprintf(stderr, "usage: http_bench URL OUTPUT_FILE [RUNS]\n");
        return 2;
    }
    const int runs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 3;
    std::vector<double> seconds;
    bool allOk = true;
    for (int i = 0; i < runs; ++i) {
        mrvn::win::Win32HttpSession session;
        mrvn::win::Win32FileSink sink;
        mrvn::DownloadOptions options;
        options.chunk = 512;
        uint32_t last = 0;
        options.progress = [&last](uint32_t percent) { last = percent; };
        const auto t0 = std::chrono::steady_clock::now();
        const bool ok = mrvn::HttpDownloadToFile(session, sink, argv[1], argv[2], options);
        const double sec = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        allOk = allOk && ok;
        seconds.push_back(sec);

        WIN32_FILE_ATTRIBUTE_DATA attrs{};
        unsigned long long size = 0;
        if (GetFileAttributesExW(argv[2], GetFileExInfoStandard, &attrs)) {
            size = (static_cast<unsigned long long>(attrs.nFileSizeHigh) << 32) | attrs.nFileSizeLow;
        }
        std::printf("HttpDownloadToFile run %d: %s, %llu bytes, progress %u%%, %.3f s\n", i + 1,
                    ok ? "ok" : "FAILED", size, last, sec);
    }
    std::sort(seconds.begin(), seconds.end());
    const size_t n = seconds.size();
    const double median = n % 2 ? seconds[n / 2] : (seconds[n / 2 - 1] + seconds[n / 2]) / 2;
    std::printf("HttpDownloadToFile median: %.3f s\n", median);
    LocalFree(argv);
    return allOk ? 0 : 1;
}
