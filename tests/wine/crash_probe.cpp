// A small program with the launcher's crash filter, for the dump tests.
//   crash_probe fault   one unhandled access violation
//   crash_probe twice   the filter runs once by hand, then a real fault follows
//   crash_probe search  restricts the DLL search as the launcher does, then loads "planted.dll" by
//                       bare name: exit code 0 when the load was refused, 1 when it loaded
//   crash_probe open    the same load without the restriction
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/win/crash_dump.h"
#include "core/win/hardening.h"

namespace {

[[noreturn]] void Fault() {
    volatile int* p = nullptr;
    *p = 42;
    ExitProcess(3);  // not reached
}

std::wstring Sibling(const wchar_t* ext) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s = path;
    return s.substr(0, s.rfind(L'.')) + ext;
}

}  // namespace

int main(int argc, char** argv) {
    mrvn::core::InstallCrashFilter();
    if (argc < 2) return 2;
    if (!std::strcmp(argv[1], "fault")) Fault();
    if (!std::strcmp(argv[1], "search") || !std::strcmp(argv[1], "open")) {
        if (!std::strcmp(argv[1], "search") && !mrvn::core::RestrictDllSearch()) return 3;
        return LoadLibraryW(L"planted.dll") ? 1 : 0;
    }
    if (!std::strcmp(argv[1], "twice")) {
        CONTEXT context = {};
        context.ContextFlags = CONTEXT_FULL;
        RtlCaptureContext(&context);
        EXCEPTION_RECORD record = {};
        record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
        EXCEPTION_POINTERS pointers = {&record, &context};
        const LONG first = mrvn::core::CrashFilter(&pointers);
        // Report what the first pass did, then clear the dump so that a second one would show.
        char sig[5] = {};
        HANDLE f = CreateFileW(Sibling(L".dmp").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                               nullptr);
        DWORD n = 0;
        if (f != INVALID_HANDLE_VALUE) {
            ReadFile(f, sig, 4, &n, nullptr);
            CloseHandle(f);
        }
        DeleteFileW(Sibling(L".dmp").c_str());
        char line[64];
        const int len = std::snprintf(line, sizeof line, "filter=%ld dump=%s", first, sig);
        HANDLE out = CreateFileW(Sibling(L".txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        WriteFile(out, line, static_cast<DWORD>(len), &n, nullptr);
        CloseHandle(out);
        Fault();
    }
    return 2;
}
