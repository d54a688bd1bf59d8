// Sound muting's costs, measured side by side and printed as ratios (medians of several runs):
//   the WM_SET_MUTE handler when the state does not change, against the posting and fetching of the
//   message itself (what the main window's timer costs a page anyway) and against an empty call;
//   one waveOutWrite of a 4 KiB buffer through the replacement, sound on and sound off, against the
//   same call before the interception is installed.
// Uses the first wave device when there is one (under Wine: a PulseAudio server), else the call's
// refusal of a null device, and says which. Not a test: it prints, it asserts nothing.
//   bench_sound_bench.exe [RUNS]   (default 7)
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "../bench_stats.h"
#include "gamewnd/private_messages.h"
#include "hotkeys/win/sound_mute.h"

namespace {

using mrvn::bench::Median;
double Now() { return mrvn::bench::NowSeconds(); }

__attribute__((noinline)) LRESULT EmptyHandler(WPARAM w) {
    asm volatile("" : : "r"(w) : "memory");
    return 0;
}

// Nanoseconds per call of f over n calls.
template <typename F>
double PerCall(int n, F f) {
    const double t0 = Now();
    for (int k = 0; k < n; ++k) f(k);
    return (Now() - t0) * 1e9 / n;
}

constexpr int kBuffers = 64;
constexpr DWORD kBytes = 4096;

struct Wave {
    HWAVEOUT out = nullptr;
    std::vector<char> data = std::vector<char>(kBuffers * kBytes);
    WAVEHDR headers[kBuffers]{};
    bool Open() {
        WAVEFORMATEX f{};
        f.wFormatTag = WAVE_FORMAT_PCM;
        f.nChannels = 1;
        f.nSamplesPerSec = 44100;
        f.wBitsPerSample = 16;
        f.nBlockAlign = 2;
        f.nAvgBytesPerSec = 88200;
        if (waveOutOpen(&out, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return false;
        waveOutPause(out);  // queued, never played: the write itself is measured
        for (int k = 0; k < kBuffers; ++k) {
            headers[k].lpData = data.data() + k * kBytes;
            headers[k].dwBufferLength = kBytes;
            waveOutPrepareHeader(out, &headers[k], sizeof(WAVEHDR));
        }
        return true;
    }
    // ns per waveOutWrite of one 4 KiB buffer: all buffers queued, then taken back.
    double Round() {
        std::fill(data.begin(), data.end(), 1);
        double total = 0;
        for (int rep = 0; rep < 8; ++rep) {
            const double t0 = Now();
            for (int k = 0; k < kBuffers; ++k) waveOutWrite(out, &headers[k], sizeof(WAVEHDR));
            total += Now() - t0;
            waveOutReset(out);
        }
        return total * 1e9 / (8 * kBuffers);
    }
};

double NullRound() {
    static std::vector<char> data(kBytes, 1);
    WAVEHDR h{};
    h.lpData = data.data();
    h.dwBufferLength = kBytes;
    return PerCall(20000, [&](int) { waveOutWrite(nullptr, &h, sizeof h); });
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    using mrvn::hotkeys::OnSetMuteMessage;

    // The handler with an unchanged state. Its first call applies (and, on an earlier system, installs
    // the interception), so it is made before measuring.
    OnSetMuteMessage(0);
    HWND wnd = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    std::vector<double> handler, empty, message;
    constexpr int n = 200000;
    for (int r = 0; r < runs; ++r) {
        handler.push_back(PerCall(n, [](int) { OnSetMuteMessage(0); }));
        empty.push_back(PerCall(n, [](int k) { EmptyHandler(static_cast<WPARAM>(k & 0)); }));
        message.push_back(PerCall(n / 20, [&](int) {
            MSG m;
            ::PostMessageW(wnd, mrvn::WM_SET_MUTE, 0, 0);
            ::PeekMessageW(&m, wnd, 0, 0, PM_REMOVE);
        }));
    }
    const double h = Median(handler), e = Median(empty), m = Median(message);
    std::printf("WM_SET_MUTE handler, state unchanged: %.1f ns per message (median of %d runs)\n", h, runs);
    std::printf("  against an empty handler call (%.1f ns): %.2fx\n", e, h / e);
    std::printf("  against posting and fetching the message (%.0f ns): 1/%.0f of it\n", m, m / h);

    Wave wave;
    const bool device = wave.Open();
    std::printf("waveOutWrite of a 4 KiB buffer (%s; %s path on this system's version):\n",
                device ? "wave device 0 through WAVE_MAPPER, paused" : "no wave device: the refusal of a null device",
                mrvn::hotkeys::UsesMixer() ? "mixer" : "interception");
    const auto round = [&] { return device ? wave.Round() : NullRound(); };
    // Before the interception (first), then with it, sound on and off taken in turn.
    std::vector<double> plain, on, off;
    for (int r = 0; r < 3; ++r) round();  // the device's start and the caches, not measured
    for (int r = 0; r < runs; ++r) plain.push_back(round());
    mrvn::hotkeys::SetInterceptedMute(0);
    const int patched = mrvn::hotkeys::PatchedFunctionCount();
    for (int r = 0; r < runs; ++r) {
        mrvn::hotkeys::SetInterceptedMute(0);
        on.push_back(round());
        mrvn::hotkeys::SetInterceptedMute(1);
        off.push_back(round());
    }
    mrvn::hotkeys::SetInterceptedMute(0);
    const double p = Median(plain), a = Median(on), b = Median(off);
    std::printf("  intercepted functions: %d of 3\n", patched);
    std::printf("  not intercepted: %.0f ns; sound on: %.0f ns (%.2fx); sound off (4 KiB zeroed): %.0f ns (%.2fx)\n", p,
                a, a / p, b, b / p);
    if (wnd) ::DestroyWindow(wnd);
    return 0;
}
