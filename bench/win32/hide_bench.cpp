// What closing a window costs in this Wine world: a top-level window is shown, made active, then
// hidden or destroyed, ROUNDS times each; prints the time to activate, to hide and to destroy
// (median and worst), and the same hide for a window that was never active, as the yardstick.
//   hide_bench [ROUNDS]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

double Ms(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

HWND Make() {
    HWND h = CreateWindowExW(0, L"MrvnHideBench", L"hide bench", WS_OVERLAPPEDWINDOW, 100, 100, 300, 200, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    return h;
}

// Shows `h` and makes it the foreground window; the milliseconds it took, or -1 when it never was.
double Activate(HWND h) {
    const auto t0 = std::chrono::steady_clock::now();
    ShowWindow(h, SW_SHOW);
    SetForegroundWindow(h);
    while (GetForegroundWindow() != h) {
        if (Ms(t0) > 5000) return -1;
        Pump();
        Sleep(1);
    }
    return Ms(t0);
}

struct Figures {
    std::vector<double> v;
    void Print(const char* what) {
        if (v.empty()) {
            std::printf("%-28s no sample\n", what);
            return;
        }
        std::sort(v.begin(), v.end());
        std::printf("%-28s median %8.1f ms  worst %8.1f ms  (%zu runs)\n", what, v[v.size() / 2], v.back(), v.size());
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MrvnHideBench";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&wc);

    Figures activate, hideActive, destroyActive, hideNever;
    int neverActive = 0;
    for (int i = 0; i < rounds; ++i) {
        HWND h = Make();
        const double a = Activate(h);
        if (a < 0) ++neverActive; else activate.v.push_back(a);
        auto t0 = std::chrono::steady_clock::now();
        ShowWindow(h, SW_HIDE);
        hideActive.v.push_back(Ms(t0));
        Activate(h);
        t0 = std::chrono::steady_clock::now();
        DestroyWindow(h);
        destroyActive.v.push_back(Ms(t0));
        Pump();

        // Shown without activation and never made active.
        h = Make();
        SetWindowPos(h, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        Pump();
        t0 = std::chrono::steady_clock::now();
        ShowWindow(h, SW_HIDE);
        hideNever.v.push_back(Ms(t0));
        DestroyWindow(h);
        Pump();
    }
    activate.Print("show and activate");
    hideActive.Print("hide (was active)");
    destroyActive.Print("destroy (was active)");
    hideNever.Print("hide (never active)");
    if (neverActive) std::printf("not activated within 5 s: %d of %d\n", neverActive, rounds);
    return 0;
}
