// Stands in for another game's launcher, and for the program that opens web addresses: it appends
// its command line to "<its own path>.log" and ends.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t path[MAX_PATH + 8] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 1;
    lstrcatW(path, L".log");
    HANDLE f = ::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 1;
    const wchar_t* line = ::GetCommandLineW();
    DWORD written = 0;
    ::WriteFile(f, line, DWORD(lstrlenW(line) * sizeof(wchar_t)), &written, nullptr);
    ::WriteFile(f, L"\n", sizeof(wchar_t), &written, nullptr);
    ::CloseHandle(f);
    return 0;
}
