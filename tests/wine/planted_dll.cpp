// A DLL that a local attacker would plant beside the program under a system DLL's name: loading
// it leaves "planted.txt" in its own folder, which is all the test needs to see.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return TRUE;
    wchar_t* slash = wcsrchr(path, L'\\');
    if (!slash || slash + 12 >= path + MAX_PATH) return TRUE;
    lstrcpyW(slash + 1, L"planted.txt");
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    return TRUE;
}
