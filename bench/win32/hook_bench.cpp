// The keyboard hook's work per key event as the hook procedure does it (for a hotkey's key the page
// count asked and the current modifiers read from the system, then the decision), against the decision alone. A low-level hook
// that keeps a key waiting is removed by Windows, so this is what the hook may cost. Not a test.
//   bench_hook_bench.exe [RUNS]   (default 7)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "../bench_stats.h"
#include "hotkeys/hotkey_rules.h"
#include "hotkeys/win/keyboard_hook.h"

namespace {

using mrvn::bench::Median;
double Now() { return mrvn::bench::NowSeconds(); }

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    HWND target = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    mrvn::hotkeys::CKeyboardHook hook;
    const bool installed = hook.Install(target, {[] { return 1; }, [] {}, [] {}});
    const mrvn::Hotkey boss{0, 121}, sound{2, 81};
    hook.SetKeys(boss, sound);
    constexpr int kEvents = 20000;
    KBDLLHOOKSTRUCT event{};
    std::vector<double> full, hotkeyKey, decision;
    unsigned acted = 0;
    for (int r = 0; r < runs; ++r) {
        double t = Now();
        for (int i = 0; i < kEvents; ++i) {
            event.vkCode = DWORD(65 + i % 16);  // A to P: no hotkey's key
            acted += unsigned(mrvn::hotkeys::DecideForEvent(WM_KEYDOWN, event));
        }
        full.push_back((Now() - t) / kEvents);
        t = Now();
        for (int i = 0; i < kEvents / 20; ++i) {
            event.vkCode = 81;  // the sound key's key: the modifiers are read
            acted += unsigned(mrvn::hotkeys::DecideForEvent(WM_KEYDOWN, event));
        }
        hotkeyKey.push_back((Now() - t) / (kEvents / 20));
        t = Now();
        for (int i = 0; i < kEvents; ++i) {
            acted += unsigned(mrvn::DecideHookAction(1, WM_KEYDOWN, 65 + i % 16, 0, boss, sound));
        }
        decision.push_back((Now() - t) / kEvents);
    }
    const double f = Median(full) * 1e9, h = Median(hotkeyKey) * 1e9, d = Median(decision) * 1e9;
    std::printf("hook installed: %s; per key-down, median of %d runs of %d events\n", installed ? "yes" : "no", runs,
                kEvents);
    std::printf("as the hook procedure decides, letters (no hotkey's key):            %.1f ns\n", f);
    std::printf("as the hook procedure decides, a hotkey's key (modifiers read):       %.1f ns\n", h);
    std::printf("the decision alone:                                                 %.1f ns\n", d);
    std::printf("ratios to the decision alone: letters %.1f, a hotkey's key %.1f (actions %u)\n", d > 0 ? f / d : 0.0,
                d > 0 ? h / d : 0.0, acted);
    hook.Remove();
    ::DestroyWindow(target);
    return 0;
}
