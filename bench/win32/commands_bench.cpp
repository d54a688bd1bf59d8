// The main window's periodic and player-facing costs, with the window's own classes: timer 3's tick
// with three pages and nothing changed (dead-page check, the mute broadcast, the button looks) against
// an empty call and against one PostMessage, and ToggleHideRestore from visible to hidden (the page
// frame in the page area hidden with the window) against a bare ShowWindow(SW_HIDE) of a plain window.
// The page frames are windows of another thread that fetches and drops what they are sent, as a page
// does with an unchanged WM_SET_MUTE.
//   commands_bench [ROUNDS]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "gamewnd/private_messages.h"
#include "gamewnd/win/page_processes.h"
#include "gamewnd/win/title_bar.h"
#include "gamewnd/win/window_commands.h"

using namespace mrvn;
using namespace mrvn::gamewnd;

namespace {

using SteadyClock = std::chrono::steady_clock;
double Us(SteadyClock::time_point t0) { return std::chrono::duration<double, std::micro>(SteadyClock::now() - t0).count(); }

class NoLauncher : public ProcessLauncher {
public:
    bool Launch(const std::wstring&, const std::wstring&) override { return false; }
};

LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

CPageProcesses* g_pages = nullptr;
LRESULT CALLBACK MainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    // As the main window does: the frame in the page area follows it.
    if (m == WM_SHOWWINDOW && g_pages) g_pages->OnMainShown(w != 0);
    return DefWindowProcW(h, m, w, l);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

HWND Make(const wchar_t* cls, DWORD style = WS_OVERLAPPEDWINDOW) {
    return CreateWindowExW(0, cls, L"bench", style, 100, 100, 600, 400, nullptr, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

bool Activate(HWND h) {
    ShowWindow(h, SW_SHOW);
    SetForegroundWindow(h);
    const auto t0 = SteadyClock::now();
    while (GetForegroundWindow() != h) {
        if (Us(t0) > 5e6) return false;
        Pump();
        Sleep(1);
    }
    return true;
}

struct Figures {
    std::vector<double> v;
    double Median() {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
};

void Noop() { asm volatile(""); }

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MrvnCmdBenchPage";
    RegisterClassW(&wc);
    wc.lpfnWndProc = MainProc;
    wc.lpszClassName = L"MrvnCmdBenchMain";
    RegisterClassW(&wc);

    // Three page frames on a thread of their own, which drops what it is sent.
    HWND frames[3] = {};
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD pageThread = 0;
    std::thread pages([&] {
        pageThread = GetCurrentThreadId();
        for (HWND& f : frames) f = Make(L"MrvnCmdBenchPage", WS_POPUP);
        SetEvent(ready);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        for (HWND f : frames) DestroyWindow(f);
    });
    WaitForSingleObject(ready, INFINITE);

    HWND main = Make(L"MrvnCmdBenchMain");
    GameTabs tabs;
    NoLauncher launcher;
    CPageProcesses pageProcs(tabs, launcher, L"page.exe");
    pageProcs.SetMainWindow(main);
    g_pages = &pageProcs;
    for (int i = 0; i < 3; ++i) {
        tabs.AddLabel(L"1服-bench-" + std::to_wstring(i), GetCurrentProcessId(), true);
        tabs.AttachFrame(ToFrame(frames[i]), GetCurrentProcessId());
    }
    MainWindowSettings settings;
    CTitleBar titleBar;
    CWindowCommands commands(settings, titleBar, [] {});
    commands.SetMainWindow(main, nullptr);
    int muted = 0;
    const auto tick = [&] {
        pageProcs.DropDeadPages();
        pageProcs.PostToFrames(WM_SET_MUTE, muted ? 1 : 0, 0, false);
        commands.ShowLooks(muted, pageProcs.HallVisible());
    };
    tick();  // the first tick sets the looks; the measured ones change nothing

    constexpr int kTicks = 2000;
    Figures tickUs, emptyUs, postUs;
    for (int r = 0; r < rounds; ++r) {
        auto t0 = SteadyClock::now();
        for (int i = 0; i < kTicks; ++i) tick();
        tickUs.v.push_back(Us(t0) / kTicks);
        Sleep(50);  // let the page thread drain its queue
        t0 = SteadyClock::now();
        for (int i = 0; i < kTicks; ++i) Noop();
        emptyUs.v.push_back(Us(t0) / kTicks);
        t0 = SteadyClock::now();
        for (int i = 0; i < kTicks; ++i) PostMessageW(frames[0], WM_SET_MUTE, 0, 0);
        postUs.v.push_back(Us(t0) / kTicks);
        Sleep(50);
    }
    const double tk = tickUs.Median(), em = emptyUs.Median(), po = postUs.Median();
    std::printf("timer 3 tick, 3 pages, no change: %8.2f us   empty call %6.3f us   one PostMessage %6.2f us"
                "   tick/post %.1f\n",
                tk, em, po, tk / po);

    // Hide: the window commands' ToggleHideRestore (frame shown over the page area), against a bare hide
    // of a plain window; both were active.
    HWND plain = Make(L"MrvnCmdBenchPage");
    Figures toggleMs, plainMs;
    for (int r = 0; r < rounds; ++r) {
        if (!Activate(main)) break;
        pageProcs.ShowPage(frames[2]);
        Pump();
        auto t0 = SteadyClock::now();
        commands.ToggleHideRestore();
        toggleMs.v.push_back(Us(t0) / 1000);
        Pump();
        commands.ToggleHideRestore();  // back, for the next round
        Pump();
        if (!Activate(plain)) break;
        t0 = SteadyClock::now();
        ShowWindow(plain, SW_HIDE);
        plainMs.v.push_back(Us(t0) / 1000);
        Pump();
    }
    const double tg = toggleMs.Median(), pl = plainMs.Median();
    std::printf("ToggleHideRestore to hidden:   %8.1f ms   bare hide of a window %8.1f ms   ratio %.2f   (%zu runs)\n",
                tg, pl, pl > 0 ? tg / pl : 0.0, toggleMs.v.size());

    PostThreadMessageW(pageThread, WM_QUIT, 0, 0);
    pages.join();
    return 0;
}
