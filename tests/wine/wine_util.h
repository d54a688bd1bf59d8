// Helpers for tests that drive Mrvn.exe under Wine as the player or the platform would.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mrvn::wt {

// A Unix path from the environment as a Windows path on drive Z:.
std::wstring WinPathFromEnv(const char* name);
std::wstring MrvnExe();
uint16_t TestServerPort();

struct RunResult {
    bool started = false;
    bool ended = false;
    DWORD exitCode = 0;
};
// Starts `exe` with `args` and waits up to `timeoutMs` for it to end.
RunResult RunAndWait(const std::wstring& exe, const std::wstring& args, DWORD timeoutMs = 60000);
// Runs `exe` and then waits for every copy of the launcher it started, as a player's start would.
::testing::AssertionResult RunLauncher(const std::wstring& exe, const std::wstring& args, DWORD timeoutMs = 60000);
// Waits until no process runs from a program file of this name (case-insensitive).
bool WaitForNoProcess(const std::wstring& exeName, DWORD timeoutMs = 60000);
// Ends every process of `exeName` and waits until none is left.
bool EndProcesses(const std::wstring& exeName, DWORD timeoutMs = 10000);
// How many processes run from a program file of this name (case-insensitive).
size_t ProcessCount(const std::wstring& exeName);

// The first visible top-level window of process `pid`, waiting for it to appear; null if none came.
HWND WaitForWindowOf(DWORD pid, DWORD timeoutMs = 30000);
// Starts `exe` with `args` without waiting; the caller closes the returned process handle.
HANDLE StartProcess(const std::wstring& exe, const std::wstring& args, DWORD* pid);

std::wstring CommonAppData();
std::wstring InstallFolder();
std::wstring CountersFile();

bool ReadFileBytes(const std::wstring& path, std::string& out);
bool WriteFileBytes(const std::wstring& path, const std::string& data);
bool FileExists(const std::wstring& path);
void RemoveTree(const std::wstring& path);
bool MakeFolders(const std::wstring& path);

// Section "Mrvn" of an INI file; `def` when missing.
std::wstring IniValue(const std::wstring& file, const std::wstring& key, const std::wstring& def = L"<none>");

// A value under HKLM\Software\Quarn\GameLogin\Mrvn; false when missing.
bool ReadLauncherValue(const std::wstring& name, std::vector<uint8_t>& data, DWORD& type);
void SetLauncherString(const std::wstring& name, const std::wstring& value);
void DeleteLauncherKey();

// Runs `exe /uninst`, answers Yes to the question and OK to the closing message, whose text goes to
// `closingText` when given. Succeeds once the process has ended.
::testing::AssertionResult RemoveWithYes(const std::wstring& exe, std::wstring* closingText = nullptr);

// A machine without the launcher: no copy running, no registry key, no installation folder, and
// reports pointed at the loopback server on `port`. False when an old copy would not end.
bool ResetLauncherState(uint16_t port);

// What a test waits before it takes a window, or the process behind it, for not going away: under
// this Wine, with no window manager, hiding or destroying a window that was ever active takes about
// 2 s, and a process's end comes after its windows.
inline constexpr DWORD kWindowGoesMs = 5000;

// Polls `done` every 20 ms; false when it is still false after `timeoutMs`.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 20000);
// The top-level windows that `keep` accepts, in z order.
std::vector<HWND> TopLevel(const std::function<bool(HWND)>& keep);
std::wstring ClassOf(HWND h);
std::wstring TextOf(HWND h);
DWORD PidOf(HWND h);
// The launcher's main window (an unowned dialog titled "QuarnMorvane") of process `pid`, once it
// exists; nullptr after `timeoutMs`.
HWND WaitForMainWindow(DWORD pid, DWORD timeoutMs = 20000);
// Makes top-level window `h` (of any process) the foreground window, so that its focus gets what
// `xdotool key` types: pumps this thread's messages until Wine reports it in front; false after
// `timeoutMs`. Works with and without a window manager; see docs/testing.md.
bool FocusForKeys(HWND h, DWORD timeoutMs = 5000);
// Types `keys` (xdotool key names, space-separated) into whatever has the keyboard focus. Wine runs
// the Unix program without a process handle, so the caller waits for what the keys do.
bool TypeKeys(const std::wstring& keys);
// What the screen shows at a point (read through a copy: Wine's GetPixel on the screen DC may lag).
COLORREF ScreenPixel(int x, int y);

// The system's own MD5 of `data` as 32 lower-case hex digits, to check ours against.
std::string Md5HexOf(const std::string& data);
// The machine's pending renames and deletions at restart, "|" after each path; and clearing them.
std::wstring PendingRenames();
void ClearPendingRenames();

// A Unix path as a Windows path on drive Z:.
std::wstring WinPathOfUnix(const std::string& unixPath);
// Starts a shell command line of the Unix side (xdotool, parec, kill). Wine gives no process handle
// for a Unix program, so callers wait for what the command does.
bool RunUnix(const std::wstring& script);
inline bool RunUnix(const std::string& script) { return RunUnix(std::wstring(script.begin(), script.end())); }
// Runs a shell script on the Unix side and waits for it through a file it writes last (Wine gives
// no process handle for a Unix program). Its output goes to `logFile`. True when it ended with 0.
bool RunUnixScript(const std::string& script, const std::string& workDir, const std::string& logFile,
                   DWORD timeoutMs = 120000);

// The screen's pixels inside `area` as NAME.bmp in MRVN_GALLERY_DIR, for the gallery (converted to
// PNG outside); nothing without that folder.
void SaveGalleryBmp(const RECT& area, const std::wstring& name);

// `opener` opens http addresses in place of the browser until the end of the scope.
class HttpOpener {
public:
    explicit HttpOpener(const std::wstring& opener);
    ~HttpOpener();
    HttpOpener(const HttpOpener&) = delete;
    HttpOpener& operator=(const HttpOpener&) = delete;
    bool Ok() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
    wchar_t saved_[512] = {};
    DWORD savedSize_ = sizeof saved_;
};

}  // namespace mrvn::wt
