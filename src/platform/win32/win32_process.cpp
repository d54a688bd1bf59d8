#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <vector>

#include "platform/win32/process_start.h"
#include "platform/win32/scoped.h"
#include "platform/win32/win32_platform.h"

namespace mrvn::win {

std::wstring Win32ProcessEnv::ProgramPath() {
    // Long paths are possible on newer systems; grow until the name fits.
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return L"";
        if (n < buf.size()) return std::wstring(buf.data(), n);
        if (buf.size() >= 32768) return L"";
        buf.resize(buf.size() * 2);
    }
}

std::vector<std::wstring> Win32ProcessEnv::Arguments() {
    std::vector<std::wstring> args;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return args;
    for (int i = 0; i < argc; ++i) args.emplace_back(argv[i]);
    LocalFree(argv);
    return args;
}

ScopedHandle StartProcess(const ProcessStart& start, bool keepHandle, bool* started) {
    if (started) *started = false;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(start.show);
    PROCESS_INFORMATION pi = {};
    std::vector<wchar_t> cmd(start.commandLine.begin(), start.commandLine.end());
    cmd.push_back(L'\0');  // CreateProcessW may write into its command line
    const DWORD priority = start.idleClass ? IDLE_PRIORITY_CLASS : 0;
    // Wine ignores the priority class of CreateProcess, so it is set again before the process runs.
    if (!CreateProcessW(start.application.empty() ? nullptr : start.application.c_str(), cmd.data(), nullptr,
                        nullptr, FALSE, priority | CREATE_SUSPENDED, nullptr, nullptr, &si, &pi)) {
        return ScopedHandle();
    }
    if (start.idleClass) SetPriorityClass(pi.hProcess, IDLE_PRIORITY_CLASS);
    if (start.idleThread) SetThreadPriority(pi.hThread, THREAD_PRIORITY_IDLE);
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    if (started) *started = true;
    ScopedHandle process(pi.hProcess);
    if (!keepHandle) process.Reset();
    return process;
}

bool Win32ProcessLauncher::Launch(const std::wstring& path, const std::wstring& commandLine) {
    bool started = false;
    StartProcess(ProcessStart{path, commandLine}, false, &started);
    return started;
}

namespace {

class Win32StartedProcess final : public StartedProcess {
public:
    explicit Win32StartedProcess(ScopedHandle process) : process_(std::move(process)) {}
    bool Ended() override { return WaitForSingleObject(process_.Get(), 0) == WAIT_OBJECT_0; }
    uint32_t Id() override { return GetProcessId(process_.Get()); }
    void Terminate() override { TerminateProcess(process_.Get(), 0); }

private:
    ScopedHandle process_;
};

}  // namespace

std::unique_ptr<StartedProcess> Win32ProcessLauncher::LaunchWatched(const std::wstring& path,
                                                                    const std::wstring& commandLine) {
    ScopedHandle process = StartProcess(ProcessStart{path, commandLine}, true);
    if (!process) return nullptr;
    return std::make_unique<Win32StartedProcess>(std::move(process));
}

namespace {
SystemTime FromWin(const SYSTEMTIME& st) {
    SystemTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.dayOfWeek = st.wDayOfWeek;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.milliseconds = st.wMilliseconds;
    return t;
}
}  // namespace

SystemTime Win32Clock::UtcNow() {
    SYSTEMTIME st;
    GetSystemTime(&st);
    return FromWin(st);
}

SystemTime Win32Clock::LocalNow() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return FromWin(st);
}

int CrtRandom::Next() { return std::rand(); }

std::string AnsiCodePage::ToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) {
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    }
    return out;
}

std::wstring AnsiCodePage::FromAnsi(const std::string& text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

bool AnsiCodePage::Decode(unsigned codePage, const std::string& bytes, std::wstring& text) {
    text.clear();
    if (!IsValidCodePage(codePage)) return false;
    if (bytes.empty()) return true;
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return false;
    text.assign(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return true;
}

bool AnsiCodePage::Encode(unsigned codePage, const std::wstring& text, std::string& bytes) {
    bytes.clear();
    if (!IsValidCodePage(codePage)) return false;
    if (text.empty()) return true;
    const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    if (n <= 0) return false;
    bytes.assign(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
    return true;
}

}  // namespace mrvn::win
