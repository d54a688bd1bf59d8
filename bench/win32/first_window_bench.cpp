// The player's first wait, side by side under one warm Wine: the time from starting a program to
// its windows on screen. Each command line is started RUNS times in turn; a run watches the started
// process and every process it starts, notes when the first and when the COUNT-th visible top-level
// window of at least 200 x 200 pixels is there, and then ends those processes.
//   first_window_bench RUNS COUNT1 "COMMAND LINE 1" COUNT2 "COMMAND LINE 2" ...
// (the launcher's game shortcut counts 2: the login window's background, then its page).
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kRunLimit = std::chrono::seconds(120);

// The started process and its descendants, as far as they are known now.
std::set<DWORD> Family(DWORD root) {
    std::set<DWORD> family{root};
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return family;
    std::vector<std::pair<DWORD, DWORD>> all;  // pid, parent
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof pe;
    for (BOOL ok = ::Process32FirstW(snap, &pe); ok; ok = ::Process32NextW(snap, &pe))
        all.emplace_back(pe.th32ProcessID, pe.th32ParentProcessID);
    ::CloseHandle(snap);
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& [pid, parent] : all)
            if (family.count(parent) && family.insert(pid).second) grew = true;
    }
    return family;
}

struct Seen {
    const std::set<DWORD>* family;
    int count = 0;
};

BOOL CALLBACK CountWindow(HWND h, LPARAM p) {
    auto* seen = reinterpret_cast<Seen*>(p);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(h, &pid);
    RECT rc{};
    if (seen->family->count(pid) && ::IsWindowVisible(h) && ::GetWindowRect(h, &rc) && rc.right - rc.left >= 200 &&
        rc.bottom - rc.top >= 200)
        ++seen->count;
    return TRUE;
}

void EndFamily(const std::set<DWORD>& family) {
    for (DWORD pid : family) {
        HANDLE h = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (!h) continue;
        ::TerminateProcess(h, 1);
        ::WaitForSingleObject(h, 10000);
        ::CloseHandle(h);
    }
}

// Seconds to the first and to the `count`-th window; false when they did not come in time.
bool RunOnce(const std::wstring& commandLine, int count, double& first, double& all) {
    std::wstring cmd = commandLine;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const auto t0 = Clock::now();
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    ::CloseHandle(pi.hThread);
    first = all = -1;
    std::set<DWORD> family{pi.dwProcessId};
    while (Clock::now() - t0 < kRunLimit) {
        family = Family(pi.dwProcessId);
        Seen seen{&family};
        ::EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&seen));
        const double now = std::chrono::duration<double>(Clock::now() - t0).count();
        if (seen.count >= 1 && first < 0) first = now;
        if (seen.count >= count) {
            all = now;
            break;
        }
        ::Sleep(2);
    }
    EndFamily(Family(pi.dwProcessId));
    ::TerminateProcess(pi.hProcess, 1);
    ::WaitForSingleObject(pi.hProcess, 10000);
    ::CloseHandle(pi.hProcess);
    return all >= 0;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv || argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: first_window_bench RUNS COUNT \"COMMAND LINE\" [COUNT \"COMMAND LINE\"...]\n");
        return 2;
    }
    const int runs = std::max(1, _wtoi(argv[1]));
    const size_t programs = size_t(argc - 2) / 2;
    std::vector<std::vector<double>> firsts(programs), alls(programs);
    for (int r = 0; r < runs; ++r) {
        for (size_t p = 0; p < programs; ++p) {
            const int count = std::max(1, _wtoi(argv[2 + 2 * p]));
            double first = 0, all = 0;
            if (!RunOnce(argv[3 + 2 * p], count, first, all)) {
                std::fprintf(stderr, "first_window_bench: %ls showed no %d windows\n", argv[3 + 2 * p], count);
                return 1;
            }
            firsts[p].push_back(first);
            alls[p].push_back(all);
        }
    }
    for (size_t p = 0; p < programs; ++p)
        std::printf("first window %ls: median %.3f s, window %d: median %.3f s, of %d\n", argv[3 + 2 * p],
                    Median(firsts[p]), _wtoi(argv[2 + 2 * p]), Median(alls[p]), runs);
    ::LocalFree(argv);
    return 0;
}
