// Times one HttpDownloadToFile of the URL on the command line, in 512-byte chunks as the update does.
#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "net/http_transfer.h"
#include "platform/win32/win32_file_io.h"
#include "platform/win32/win32_http.h"

int main() {
    // The program is built without -municode, so the wide arguments come from the command line.
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3) {
        std::fprintf(stderr, "usage: http_bench URL OUTPUT_FILE\n");
        return 2;
    }
    mrvn::win::Win32HttpSession session;
    mrvn::win::Win32FileSink sink;
    mrvn::DownloadOptions options;
    options.chunk = 512;
    uint32_t last = 0;
    options.progress = [&last](uint32_t percent) { last = percent; };
    const auto t0 = std::chrono::steady_clock::now();
    const bool ok = mrvn::HttpDownloadToFile(session, sink, argv[1], argv[2], options);
    const double sec = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

    WIN32_FILE_ATTRIBUTE_DATA attrs{};
    unsigned long long size = 0;
    if (GetFileAttributesExW(argv[2], GetFileExInfoStandard, &attrs)) {
        size = (static_cast<unsigned long long>(attrs.nFileSizeHigh) << 32) | attrs.nFileSizeLow;
    }
    std::printf("HttpDownloadToFile: %s, %llu bytes, progress %u%%, %.3f s\n", ok ? "ok" : "FAILED", size, last, sec);
    LocalFree(argv);
    return ok ? 0 : 1;
}
