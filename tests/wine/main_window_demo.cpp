// Sets the main window up for the gallery's screenshots: starts Mrvn.exe with the page-process
// double as its page program, logs doubles in with chosen labels and puts the window in one scene.
//   main_window_demo.exe MRVN.EXE PAGE_DOUBLE.EXE SCENE
// Scenes: tabs1, tabs2, tabs3, hover (three tabs, the first hovered), long (a label past 160 pixels),
// narrow (two tabs, then the window made narrower), addacc (one tab and the add-account prompt), menu (two
// tabs and the "系统" menu open), traymenu (two tabs and the tray icon's menu open at the cursor), hidden
// (two tabs, then hidden with the hide button: what stays is the tray icon). It stays until killed
// (tools/screenshot does).
#include <windows.h>

#include <string>
#include <vector>

#include "resource.h"
#include "wine/page_double.h"

using namespace mrvn::wt;

namespace {

std::vector<HWND> g_seen;

struct MainSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchMain(HWND h, LPARAM p) {
    auto* c = reinterpret_cast<MainSearch*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(h, &owner);
    wchar_t text[64] = {}, cls[64] = {};
    GetWindowTextW(h, text, 64);
    GetClassNameW(h, cls, 64);
    if (owner == c->pid && std::wstring(cls) == L"#32770" && std::wstring(text) == L"QuarnMorvane" &&
        !GetWindow(h, GW_OWNER))
        c->found = h;
    return TRUE;
}

BOOL CALLBACK MatchNewDouble(HWND h, LPARAM p) {
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    if (std::wstring(cls) != kDoubleClass) return TRUE;
    for (HWND s : g_seen)
        if (s == h) return TRUE;
    *reinterpret_cast<HWND*>(p) = h;
    return FALSE;
}

HWND FindMain(DWORD pid) {
    MainSearch ctx{pid, nullptr};
    EnumWindows(MatchMain, reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

HWND NextDouble() {
    for (int i = 0; i < 500; ++i) {
        HWND found = nullptr;
        EnumWindows(MatchNewDouble, reinterpret_cast<LPARAM>(&found));
        if (found) {
            g_seen.push_back(found);
            return found;
        }
        Sleep(20);
    }
    return nullptr;
}

void LogIn(HWND main, const std::wstring& label, bool first) {
    if (!first) PostMessageW(main, 0x0406 /* WM_ADD_ACCOUNT */, 1, 0);
    HWND dbl = NextDouble();
    if (!dbl) return;
    COPYDATASTRUCT cds{kDoubleLogin, DWORD((label.size() + 1) * 2), const_cast<wchar_t*>(label.c_str())};
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(dbl, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL, 10000, &answer);
    Sleep(300);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 4) return 2;
    const std::wstring mrvn = argv[1], program = argv[2], scene = argv[3];

    // No platform here: point the launcher at a closed local port so its requests fail at once.
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Quarn\\GameLogin\\Mrvn", 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
        const wchar_t host[] = L"127.0.0.1:9";
        RegSetValueExW(key, L"ClientHost", 0, REG_SZ, reinterpret_cast<const BYTE*>(host), sizeof(host));
        RegSetValueExW(key, L"WebHost", 0, REG_SZ, reinterpret_cast<const BYTE*>(host), sizeof(host));
        RegCloseKey(key);
    }
    SetEnvironmentVariableW(L"MRVN_PAGE_PROGRAM", program.c_str());
    std::wstring cmd = L"\"" + mrvn + L"\" /MrvnD";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(mrvn.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 3;
    HWND main = nullptr;
    for (int i = 0; i < 1000 && !main; ++i) {
        Sleep(20);
        main = FindMain(pi.dwProcessId);
    }
    if (!main) return 4;

    const std::vector<std::wstring> labels = {L"1服-双线-青锋", L"3服-电信-晚照", L"12服-网通-Alice"};
    int tabs = 1;
    if (scene == L"tabs2" || scene == L"narrow" || scene == L"menu" || scene == L"traymenu" ||
        scene == L"hidden")
        tabs = 2;
    if (scene == L"tabs3" || scene == L"hover") tabs = 3;
    if (scene == L"long") {
        LogIn(main, L"8服-电信一区-averyveryverylongaccountname_0123456789", true);
    } else {
        for (int i = 0; i < tabs; ++i) LogIn(main, labels[size_t(i)], i == 0);
    }
    Sleep(500);
    if (scene == L"narrow") {
        RECT r{};
        GetWindowRect(main, &r);
        SetWindowPos(main, nullptr, 0, 0, 900, 420, SWP_NOMOVE | SWP_NOZORDER);
    }
    if (scene == L"hover") {
        POINT p{120 + 60, 12};
        ClientToScreen(main, &p);
        SetCursorPos(p.x, p.y);
        SendMessageW(main, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
    }
    if (scene == L"addacc") {
        HWND link = GetDlgItem(main, IDC_LBL_OTHER_ACCOUNT);
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_LBL_OTHER_ACCOUNT, STN_CLICKED), LPARAM(link));
    }
    if (scene == L"hidden") PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_BTN_HIDE, BN_CLICKED), 0);
    if (scene == L"menu") PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_BTN_MENU, BN_CLICKED), 0);
    if (scene == L"traymenu") {
        SetCursorPos(900, 500);
        PostMessageW(main, 0x0401 /* WM_TRAYICON */, 1, WM_RBUTTONUP);
    }
    for (;;) Sleep(1000);
}
