// Plays a game page process for the main window until the real page exists. Started by the main
// window with "/newgm /<hwnd> /<count>" (or "/gmhall /<hwnd>"), it waits to be told by a test what
// to do (log in with a label, cancel, die), then does what a page does: the label by WM_COPYDATA,
// a frame in a colour of its own announced with WM_PAGE_CREATED and placed through the placement
// seam, the window-switch key forwarded, and a record of what the main window posts it.
// MRVN_PAGE_DOUBLE_AUTO=1 logs in at once with a made-up label (a quick look by hand).
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "gamewnd/private_messages.h"
#include "gamewnd/win/placement.h"
#include "hotkeys/hotkey_format.h"
#include "hotkeys/win/key_state.h"
#include "wine/page_double.h"

using namespace mrvn;
using namespace mrvn::wt;

namespace {

constexpr UINT_PTR kTimerWatchMain = 2;  // 800 ms, as a page watches its main window
constexpr UINT_PTR kTimerPageLoaded = 9;  // stands in for the page's first completed navigation

HWND g_main = nullptr;
HWND g_ctrl = nullptr;
HWND g_frame = nullptr;
int g_pageCount = 0;
bool g_hall = false;
std::wstring g_label;
COLORREF g_colour = RGB(40, 80, 200);
Hotkey g_switchKey = ParseHotkey(HotkeyDefaultText(HotkeyId::WindowSwitch));
LRESULT g_mutes = 0, g_lastMute = -1, g_mutedCount = 0, g_reloads = 0, g_f5 = 0, g_lastF5LParam = 0, g_ctrlD = 0,
        g_forwarded = 0, g_keyDowns = 0;

COLORREF ColourOf(DWORD pid) {
    static const COLORREF palette[] = {RGB(200, 40, 40), RGB(40, 160, 60), RGB(40, 80, 200),
                                       RGB(220, 140, 20), RGB(140, 40, 180), RGB(20, 160, 160)};
    return palette[(pid / 4) % 6];
}

void EndPage() {
    if (g_frame) ::DestroyWindow(g_frame);
    ::PostQuitMessage(0);
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        RECT rc;
        ::GetClientRect(hwnd, &rc);
        HBRUSH brush = ::CreateSolidBrush(g_colour);
        ::FillRect(dc, &rc, brush);
        ::DeleteObject(brush);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, RGB(255, 255, 255));
        rc.left += 40;
        rc.top += 40;
        const std::wstring text = L"page double: " + g_label;
        ::DrawTextW(dc, text.c_str(), -1, &rc, DT_SINGLELINE);
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_TIMER:
        if (wParam == kTimerPageLoaded) {
            ::KillTimer(hwnd, kTimerPageLoaded);
            gamewnd::ShowFrame(hwnd, g_main);
        }
        return 0;
    default:
        break;
    }
    if (msg == WM_SET_MUTE) {
        ++g_mutes;
        g_lastMute = LRESULT(wParam);
        if (wParam) ++g_mutedCount;
        return 0;
    }
    if (msg == WM_RELOAD_HOTKEYS) {
        ++g_reloads;
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

void CreateFrame() {
    g_frame = ::CreateWindowExW(WS_EX_TOOLWINDOW, kDoubleFrameClass, L"QuarnMorvane", WS_POPUP | WS_CLIPCHILDREN, 0, 0,
                                10, 10, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!g_frame) return;
    if (::IsWindow(g_main)) {
        ::PostMessageW(g_main, WM_PAGE_CREATED, reinterpret_cast<WPARAM>(g_frame), g_hall ? 1 : 0);
        gamewnd::AttachFrame(g_frame, g_main);
    }
    ::SetTimer(g_frame, kTimerPageLoaded, 100, nullptr);
}

LRESULT Login(const COPYDATASTRUCT* in, bool nameSender, bool makeFrame = true) {
    if (!in || !in->lpData || in->cbData < 2) return 0;
    g_label.assign(static_cast<const wchar_t*>(in->lpData), in->cbData / 2);
    while (!g_label.empty() && g_label.back() == L'\0') g_label.pop_back();
    COPYDATASTRUCT cds{0, DWORD((g_label.size() + 1) * 2), const_cast<wchar_t*>(g_label.c_str())};
    const LRESULT answer = ::SendMessageW(g_main, WM_COPYDATA, nameSender ? WPARAM(g_ctrl) : 0,
                                          reinterpret_cast<LPARAM>(&cds));
    if (answer) {
        if (makeFrame) CreateFrame();
    } else {
        // A refused login ends as a cancelled one.
        ::PostMessageW(g_main, WM_SYSCOMMAND, SC_CLOSE, kLauncherMarker);
        EndPage();
    }
    return answer;
}

LRESULT Answer(WPARAM question) {
    switch (question) {
    case kAskFrame: return reinterpret_cast<LRESULT>(g_frame);
    case kAskMuteCount: return g_mutes;
    case kAskLastMute: return g_lastMute;
    case kAskReloadCount: return g_reloads;
    case kAskF5Count: return g_f5;
    case kAskCtrlDCount: return g_ctrlD;
    case kAskPriorityClass: return LRESULT(::GetPriorityClass(::GetCurrentProcess()));
    case kAskForwardedKeys: return g_forwarded;
    case kAskColour: return LRESULT(g_colour);
    case kAskMutedCount: return g_mutedCount;
    case kAskLastF5LParam: return g_lastF5LParam;
    case kAskKeyDownCount: return g_keyDowns;
    default: return -1;
    }
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COPYDATA: {
        const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (g_frame || !cds) return 0;
        if (cds->dwData == kDoubleLogin) return Login(cds, true);
        if (cds->dwData == kDoubleLoginAnon) return Login(cds, false);
        if (cds->dwData == kDoubleLabelOnly) return Login(cds, true, false);
        return 0;
    }
    case kDoubleQuery:
        return Answer(wParam);
    case kDoubleCancel:
        ::PostMessageW(g_main, WM_SYSCOMMAND, SC_CLOSE, kLauncherMarker);
        EndPage();
        return 0;
    case kDoubleDie:
        ::TerminateProcess(::GetCurrentProcess(), 9);
        return 0;
    case WM_TIMER:
        if (wParam == kTimerWatchMain && !::IsWindow(g_main)) EndPage();
        return 0;
    default:
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// What a page frame takes before dispatching: the switch key goes to the main window; F5, Ctrl+D
// and the close command are recorded.
bool PreTranslate(const MSG& msg) {
    if (!g_frame || (msg.hwnd != g_frame && !::IsChild(g_frame, msg.hwnd))) return false;
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) ++g_keyDowns;
    if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && msg.lParam != kLauncherMarker) {
        if (HotkeyMatches(g_switchKey, int32_t(msg.wParam), hotkeys::CurrentModifiersNow())) {
            ++g_forwarded;
            ::PostMessageW(g_main, msg.message, msg.wParam, msg.lParam);
            return true;
        }
    }
    if (msg.message == WM_CHAR && msg.wParam == 4 && HIWORD(msg.lParam) == 0x0020) {
        ++g_ctrlD;
        return true;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_F5) {
        ++g_f5;
        g_lastF5LParam = msg.lParam;
        return true;
    }
    if (msg.message == WM_SYSCOMMAND && (msg.wParam & 0xFFF0) == SC_CLOSE) {
        EndPage();
        return true;
    }
    return false;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv || argc < 3) return 2;
    g_hall = ::_wcsicmp(argv[1], L"/gmhall") == 0;
    if (!g_hall && ::_wcsicmp(argv[1], L"/newgm") != 0) return 2;
    g_main = reinterpret_cast<HWND>(static_cast<intptr_t>(std::wcstol(argv[2] + 1, nullptr, 10)));
    if (!g_hall && argc > 3) g_pageCount = int(std::wcstol(argv[3] + 1, nullptr, 10));
    ::LocalFree(argv);

    WNDCLASSW wc{};
    wc.hInstance = instance;
    wc.lpfnWndProc = ControlProc;
    wc.lpszClassName = kDoubleClass;
    ::RegisterClassW(&wc);
    wc.lpfnWndProc = FrameProc;
    wc.lpszClassName = kDoubleFrameClass;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    ::RegisterClassW(&wc);

    const DWORD pid = ::GetCurrentProcessId();
    g_colour = g_hall ? RGB(128, 128, 128) : ColourOf(pid);
    const std::wstring title = L"page " + std::to_wstring(pid);
    g_ctrl = ::CreateWindowExW(WS_EX_TOOLWINDOW, kDoubleClass, title.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               instance, nullptr);
    if (!g_ctrl) return 3;
    ::SetTimer(g_ctrl, kTimerWatchMain, 800, nullptr);

    wchar_t autoLogin[8] = {};
    if (g_hall) {
        g_label = L"大厅";
        CreateFrame();
    } else if (::GetEnvironmentVariableW(L"MRVN_PAGE_DOUBLE_AUTO", autoLogin, 8) > 0) {
        const std::wstring label = std::to_wstring(g_pageCount + 1) + L"服-双线-玩家" + std::to_wstring(pid);
        COPYDATASTRUCT cds{kDoubleLogin, DWORD((label.size() + 1) * 2), const_cast<wchar_t*>(label.c_str())};
        Login(&cds, true);
    }

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (PreTranslate(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
