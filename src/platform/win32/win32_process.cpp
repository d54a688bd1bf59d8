#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <vector>

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

bool Win32ProcessLauncher::Launch(const std::wstring& path, const std::wstring& commandLine) {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi = {};
    std::vector<wchar_t> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back(L'\0');  // CreateProcessW may write into its command line
    if (!CreateProcessW(path.c_str(), cmd.data(), nullptr, nullptr, FALSE, IDLE_PRIORITY_CLASS, nullptr, nullptr,
                        &si, &pi)) {
        return false;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
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
