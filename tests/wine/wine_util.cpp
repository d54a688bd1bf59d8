#include "wine/wine_util.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>

#include "platform/win32/scoped.h"
#include "resource.h"
#include "util/http_probe.h"

namespace mrvn::wt {

namespace {
constexpr wchar_t kKey[] = L"Software\\Quarn\\GameLogin\\Mrvn";

// GDI+ for the whole test program, as the launcher's application object starts it for its process.
class GdiplusEnvironment : public ::testing::Environment {
public:
    void SetUp() override { gdiplus_.Start(); }
    void TearDown() override { gdiplus_.Stop(); }

private:
    win::ScopedGdiplus gdiplus_;
};
[[maybe_unused]] ::testing::Environment* const g_gdiplus = ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);
}

std::wstring WinPathFromEnv(const char* name) {
    const char* v = std::getenv(name);
    if (!v || !*v) return L"";
    std::wstring out = L"Z:";
    for (const char* p = v; *p; ++p) out.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(*p));
    return out;
}

std::wstring MrvnExe() { return WinPathFromEnv("MRVN_EXE"); }

uint16_t TestServerPort() {
    const char* v = std::getenv("MRVN_TEST_PORT");
    return v ? static_cast<uint16_t>(std::atoi(v)) : 0;
}

RunResult RunAndWait(const std::wstring& exe, const std::wstring& args, DWORD timeoutMs) {
    RunResult r;
    std::wstring cmd = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return r;
    r.started = true;
    CloseHandle(pi.hThread);
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        r.ended = true;
        GetExitCodeProcess(pi.hProcess, &r.exitCode);
    } else {
        TerminateProcess(pi.hProcess, 99);
    }
    CloseHandle(pi.hProcess);
    return r;
}

::testing::AssertionResult RunLauncher(const std::wstring& exe, const std::wstring& args, DWORD timeoutMs) {
    const RunResult r = RunAndWait(exe, args, timeoutMs);
    if (!r.started) return ::testing::AssertionFailure() << "could not start the launcher";
    if (!r.ended) return ::testing::AssertionFailure() << "the launcher did not end";
    if (r.exitCode != 0) return ::testing::AssertionFailure() << "the launcher ended with " << r.exitCode;
    if (!WaitForNoProcess(L"Mrvn.exe", timeoutMs)) return ::testing::AssertionFailure() << "a started copy did not end";
    return ::testing::AssertionSuccess();
}

namespace {
// The ids of the running processes of `exeName` (no path, any case).
std::vector<DWORD> ProcessesNamed(const std::wstring& exeName) {
    std::vector<DWORD> ids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32W pe = {};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe)) {
        if (lstrcmpiW(pe.szExeFile, exeName.c_str()) == 0) ids.push_back(pe.th32ProcessID);
    }
    CloseHandle(snap);
    return ids;
}
}  // namespace

bool WaitForNoProcess(const std::wstring& exeName, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!ProcessesNamed(exeName).empty()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(100);
    }
    return true;
}

size_t ProcessCount(const std::wstring& exeName) { return ProcessesNamed(exeName).size(); }

bool EndProcesses(const std::wstring& exeName, DWORD timeoutMs) {
    for (DWORD id : ProcessesNamed(exeName)) {
        if (HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, id)) {
            TerminateProcess(p, 1);
            CloseHandle(p);
        }
    }
    return WaitForNoProcess(exeName, timeoutMs);
}

namespace {
struct FoundWindow {
    DWORD pid;
    HWND hwnd;
};

BOOL CALLBACK FindTopLevelOf(HWND hwnd, LPARAM lp) {
    auto* f = reinterpret_cast<FoundWindow*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == f->pid && IsWindowVisible(hwnd)) {
        f->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND WaitForWindowOf(DWORD pid, DWORD timeoutMs) {
    FoundWindow f{pid, nullptr};
    for (DWORD waited = 0; waited < timeoutMs && !f.hwnd; waited += 100) {
        EnumWindows(FindTopLevelOf, reinterpret_cast<LPARAM>(&f));
        if (!f.hwnd) Sleep(100);
    }
    return f.hwnd;
}

HANDLE StartProcess(const std::wstring& exe, const std::wstring& args, DWORD* pid) {
    std::wstring cmd = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return nullptr;
    }
    CloseHandle(pi.hThread);
    if (pid) *pid = pi.dwProcessId;
    return pi.hProcess;
}

std::wstring CommonAppData() {
    wchar_t buf[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buf);
    return buf;
}

std::wstring InstallFolder() { return CommonAppData() + L"\\Quarn\\GameLogin"; }
std::wstring CountersFile() { return InstallFolder() + L"\\Statistic.ini"; }

bool ReadFileBytes(const std::wstring& path, std::string& out) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    out.clear();
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(f, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
    CloseHandle(f);
    return true;
}

bool WriteFileBytes(const std::wstring& path, const std::string& data) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const BOOL ok = WriteFile(f, data.data(), static_cast<DWORD>(data.size()), &n, nullptr);
    CloseHandle(f);
    return ok && n == data.size();
}

bool FileExists(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(path.c_str());
}

bool MakeFolders(const std::wstring& path) {
    const int rc = SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    return rc == ERROR_SUCCESS || rc == ERROR_ALREADY_EXISTS || rc == ERROR_FILE_EXISTS;
}

std::wstring IniValue(const std::wstring& file, const std::wstring& key, const std::wstring& def) {
    wchar_t buf[256] = {};
    GetPrivateProfileStringW(L"Mrvn", key.c_str(), def.c_str(), buf, 256, file.c_str());
    return buf;
}

bool ReadLauncherValue(const std::wstring& name, std::vector<uint8_t>& data, DWORD& type) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        data.assign(size, 0);
        rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
        data.resize(size);
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

void SetLauncherString(const std::wstring& name, const std::wstring& value) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void DeleteLauncherKey() { SHDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Quarn"); }

}  // namespace mrvn::wt

namespace mrvn::wt {

namespace {
// Waits for the process's message box (another than `*previous`), checks its caption, reads its
// text and presses a button.
::testing::AssertionResult AnswerBox(DWORD pid, WORD button, HWND* previous, std::wstring* text) {
    const DWORD start = GetTickCount();
    HWND box = nullptr;
    while (GetTickCount() - start < 30000) {
        box = WaitForWindowOf(pid, 1000);
        if (box && box != *previous) break;
        box = nullptr;
    }
    if (!box) return ::testing::AssertionFailure() << "no message box";
    wchar_t title[64] = {};
    GetWindowTextW(box, title, 64);
    if (std::wstring(title) != L"QuarnMorvane") return ::testing::AssertionFailure() << "caption " << title;
    if (text) *text = TextOf(GetDlgItem(box, IDC_MSG_TEXT));
    *previous = box;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    return ::testing::AssertionSuccess();
}
}  // namespace

::testing::AssertionResult RemoveWithYes(const std::wstring& exe, std::wstring* closingText) {
    DWORD pid = 0;
    HANDLE process = StartProcess(exe, L"/uninst", &pid);
    if (!process) return ::testing::AssertionFailure() << "not started";
    HWND box = nullptr;
    auto result = AnswerBox(pid, IDC_MSG_BTN1, &box, nullptr);
    if (result) {
        // The first box must be gone before the second is looked for.
        WaitFor([&] { return !IsWindow(box); }, 6000);
        result = AnswerBox(pid, IDC_MSG_BTN1, &box, closingText);
    }
    if (result && WaitForSingleObject(process, 30000) != WAIT_OBJECT_0) {
        result = ::testing::AssertionFailure() << "the process did not end";
    }
    CloseHandle(process);
    return result;
}

bool ResetLauncherState(uint16_t port) {
    if (!WaitForNoProcess(L"Mrvn.exe", 30000)) return false;
    // The server is shared by every test of a run: a login page that another test left there would
    // log a started launcher in instead of letting it end.
    if (!test::ResetServer(port)) return false;
    DeleteLauncherKey();
    SetLauncherString(L"ClientHost", L"127.0.0.1:" + std::to_wstring(port));
    // Game pages then find the harness's login page, which cancels at once.
    SetLauncherString(L"WebHost", L"127.0.0.1:" + std::to_wstring(port));
    RemoveTree(CommonAppData() + L"\\Quarn");
    return true;
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

namespace {
struct EnumCtx {
    const std::function<bool(HWND)>* keep;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND h, LPARAM p) {
    auto* c = reinterpret_cast<EnumCtx*>(p);
    if ((*c->keep)(h)) c->found.push_back(h);
    return TRUE;
}
}  // namespace

std::vector<HWND> TopLevel(const std::function<bool(HWND)>& keep) {
    EnumCtx ctx{&keep, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

std::wstring ClassOf(HWND h) {
    wchar_t buf[64] = {};
    GetClassNameW(h, buf, 64);
    return buf;
}

std::wstring TextOf(HWND h) {
    wchar_t buf[256] = {};
    GetWindowTextW(h, buf, 256);
    return buf;
}

DWORD PidOf(HWND h) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    return pid;
}

HWND WaitForMainWindow(DWORD pid, DWORD timeoutMs) {
    HWND main = nullptr;
    WaitFor(
        [&] {
            const auto mains = TopLevel([&](HWND h) {
                return PidOf(h) == pid && ClassOf(h) == L"#32770" && TextOf(h) == L"QuarnMorvane" &&
                       !GetWindow(h, GW_OWNER);
            });
            if (!mains.empty()) main = mains.front();
            return main != nullptr;
        },
        timeoutMs);
    return main;
}

COLORREF ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 1, 1);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, 1, 1, screen, x, y, SRCCOPY);
    const COLORREF c = GetPixel(mem, 0, 0);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return c;
}

std::string Md5HexOf(const std::string& data) {
    HCRYPTPROV prov = 0;
    HCRYPTHASH hash = 0;
    std::string hex;
    if (CryptAcquireContextW(&prov, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
        CryptCreateHash(prov, CALG_MD5, 0, 0, &hash) &&
        CryptHashData(hash, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0)) {
        BYTE digest[16];
        DWORD len = sizeof digest;
        if (CryptGetHashParam(hash, HP_HASHVAL, digest, &len, 0)) {
            for (BYTE b : digest) {
                char two[3];
                snprintf(two, sizeof two, "%02x", b);
                hex += two;
            }
        }
    }
    if (hash) CryptDestroyHash(hash);
    if (prov) CryptReleaseContext(prov, 0);
    return hex;
}

std::wstring PendingRenames() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return L"";
    wchar_t buf[16384] = {};
    DWORD size = sizeof buf - sizeof(wchar_t) * 2;
    DWORD type = 0;
    std::wstring out;
    if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(buf),
                         &size) == ERROR_SUCCESS) {
        for (const wchar_t* p = buf; *p; p += wcslen(p) + 1) out += std::wstring(p) + L"|";
    }
    RegCloseKey(key);
    return out;
}

void ClearPendingRenames() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_WRITE,
                      &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, L"PendingFileRenameOperations");
        RegCloseKey(key);
    }
}

std::wstring WinPathOfUnix(const std::string& unixPath) {
    std::wstring out = L"Z:";
    for (char c : unixPath) out.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return out;
}

bool RunUnixScript(const std::string& script, const std::string& workDir, const std::string& logFile,
                   DWORD timeoutMs) {
    static int runs = 0;
    const std::string done = workDir + "/unix-done." + std::to_string(GetCurrentProcessId()) + "." +
                             std::to_string(++runs);
    const std::wstring doneWin = WinPathOfUnix(done);
    DeleteFileW(doneWin.c_str());
    // The status is written to a temporary name and renamed, so a half-written file is never read.
    const std::string line = "PATH=/usr/bin:/bin; (" + script + ") >>'" + logFile + "' 2>&1; echo $? >'" + done +
                             ".tmp'; mv '" + done + ".tmp' '" + done + "'";
    std::wstring cmd = L"\"Z:\\bin\\sh\" -c \"" + std::wstring(line.begin(), line.end()) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(L"Z:\\bin\\sh", cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (!WaitFor([&] { return FileExists(doneWin); }, timeoutMs)) return false;
    std::string status;
    ReadFileBytes(doneWin, status);
    DeleteFileW(doneWin.c_str());
    return status == "0\n";
}

bool RunUnix(const std::wstring& script) {
    std::wstring cmd = L"\"Z:\\bin\\sh\" -c \"PATH=/usr/bin:/bin; " + script + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(L"Z:\\bin\\sh", cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    if (pi.hThread) ::CloseHandle(pi.hThread);
    if (pi.hProcess) ::CloseHandle(pi.hProcess);
    return true;
}

bool FocusForKeys(HWND h, DWORD timeoutMs) {
    // Without a window manager Wine moves the X focus itself. Under openbox, SetForegroundWindow on
    // another process's window leaves it behind, so the window is also activated the way a pager
    // would (xdotool windowactivate, refused without a manager). A bare XSetInputFocus (xdotool
    // windowfocus) never moves Wine's foreground.
    // Wine may call a window foreground before the manager has given it the X focus, so the manager
    // is always asked.
    ::SetForegroundWindow(h);
    const auto xid = reinterpret_cast<ULONG_PTR>(::GetPropW(h, L"__wine_x11_whole_window"));
    if (xid) RunUnix(L"xdotool windowactivate " + std::to_wstring(xid) + L" 2>/dev/null");
    const DWORD start = GetTickCount();
    while (::GetForegroundWindow() != h) {
        if (GetTickCount() - start > timeoutMs) return false;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

bool TypeKeys(const std::wstring& keys) {
    // No --window: xdotool would then send synthetic events to that X window, which Wine hands to
    // its own foreground window whatever they were sent to.
    return RunUnix(L"xdotool key --delay 30 " + keys);
}

void SaveGalleryBmp(const RECT& area, const std::wstring& name) {
    const std::wstring dir = WinPathFromEnv("MRVN_GALLERY_DIR");
    if (dir.empty()) return;
    const int w = area.right - area.left, h = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = DWORD((w * 3 + 3) & ~3), size = stride * DWORD(h);
    BITMAPFILEHEADER fh{0x4D42, DWORD(sizeof fh + sizeof bi.bmiHeader + size), 0, 0,
                        DWORD(sizeof fh + sizeof bi.bmiHeader)};
    std::string data(reinterpret_cast<const char*>(&fh), sizeof fh);
    data.append(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    data.append(static_cast<const char*>(bits), size);
    WriteFileBytes(dir + L"\\" + name + L".bmp", data);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
}

HttpOpener::HttpOpener(const std::wstring& opener) {
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                        nullptr) != ERROR_SUCCESS) {
        key_ = nullptr;
        return;
    }
    RegQueryValueExW(key_, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(saved_), &savedSize_);
    const std::wstring command = L"\"" + opener + L"\" \"%1\"";
    RegSetValueExW(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   DWORD((command.size() + 1) * sizeof(wchar_t)));
}

HttpOpener::~HttpOpener() {
    if (!key_) return;
    RegSetValueExW(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(saved_), savedSize_);
    RegCloseKey(key_);
}

}  // namespace mrvn::wt
