// Start-up time and memory of programs under one warm Wine: each program on the command line is
// started RUNS times in turn and waited for; prints the median time from CreateProcess to its end,
// then, from one more run sampled every millisecond, its peak private bytes and working set.
//   startup_bench RUNS PROGRAM [PROGRAM...]
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Memory {
    SIZE_T peakPrivate = 0;
    SIZE_T peakWorkingSet = 0;
};

// A program that has not ended by then is stopped, and the run counts as failed.
constexpr DWORD kRunLimitMs = 120000;

// Starts `program` in its own folder and waits for its end; the time includes both.
bool RunOnce(const std::wstring& program, double& seconds, Memory* memory) {
    std::wstring commandLine = L"\"" + program + L"\"";
    std::wstring folder = program.substr(0, program.find_last_of(L"\\/"));
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    const auto t0 = std::chrono::steady_clock::now();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                        &pi)) {
        return false;
    }
    const ULONGLONG deadline = GetTickCount64() + kRunLimitMs;
    bool ended = true;
    if (memory) {
        // Sampled while it runs: an ended process has no counters left under Wine.
        do {
            if (GetTickCount64() > deadline) {
                ended = false;
                break;
            }
            PROCESS_MEMORY_COUNTERS_EX pmc{};
            if (GetProcessMemoryInfo(pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc))) {
                memory->peakPrivate = std::max({memory->peakPrivate, pmc.PeakPagefileUsage, pmc.PrivateUsage});
                memory->peakWorkingSet = std::max(memory->peakWorkingSet, pmc.PeakWorkingSetSize);
            }
        } while (WaitForSingleObject(pi.hProcess, 1) == WAIT_TIMEOUT);
    } else {
        ended = WaitForSingleObject(pi.hProcess, kRunLimitMs) == WAIT_OBJECT_0;
    }
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (!ended) {
        std::fprintf(stderr, "startup_bench: %ls did not end within %lu s; stopped\n", program.c_str(),
                     kRunLimitMs / 1000);
        TerminateProcess(pi.hProcess, 1);
        SetLastError(ERROR_TIMEOUT);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ended;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3) {
        std::fprintf(stderr, "usage: startup_bench RUNS PROGRAM [PROGRAM...]\n");
        return 2;
    }
    const int runs = std::max(1, _wtoi(argv[1]));
    std::vector<std::vector<double>> times(static_cast<size_t>(argc - 2));
    for (int r = 0; r < runs; ++r) {
        for (int p = 2; p < argc; ++p) {
            double sec = 0;
            if (!RunOnce(argv[p], sec, nullptr)) {
                std::fprintf(stderr, "startup_bench: no run of %ls (error %lu)\n", argv[p], GetLastError());
                return 1;
            }
            times[static_cast<size_t>(p - 2)].push_back(sec);
        }
    }
    for (int p = 2; p < argc; ++p) {
        double sec = 0;
        Memory memory;
        if (!RunOnce(argv[p], sec, &memory)) return 1;
        std::printf("start-up %ls: median %.3f s of %d, peak private %.1f MiB, peak working set %.1f MiB\n", argv[p],
                    Median(times[static_cast<size_t>(p - 2)]), runs, memory.peakPrivate / 1048576.0,
                    memory.peakWorkingSet / 1048576.0);
    }
    LocalFree(argv);
    return 0;
}
