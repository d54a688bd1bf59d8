// The keyboard hook's decision per key event (DecideHookAction), against a loop that only reads the
// same events. Side by side in one run, each the median of RUNS; a low-level hook must return at
// once, or Windows removes it.
//   hook_bench [RUNS]   (default 5)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "hotkeys/hotkey_rules.h"

namespace {

struct Event {
    uint32_t message;
    int32_t vk;
    int32_t modifiers;
};

// Typing as a player does: mostly letters, key-ups as often as key-downs, some modifiers, and
// now and then a hotkey.
std::vector<Event> MakeEvents(size_t n) {
    std::vector<Event> events(n);
    uint32_t x = 0x9E3779B9;
    for (Event& e : events) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        e.message = (x & 1) ? mrvn::kMsgKeyDownValue : 0x0101;
        e.vk = int32_t(65 + (x >> 8) % 26);
        e.modifiers = int32_t((x >> 16) % 16 == 0 ? mrvn::kModCtrl : 0);
        if ((x >> 20) % 64 == 0) e.vk = 121;
    }
    return events;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

template <typename F>
double NsPerEvent(const std::vector<Event>& events, F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::nano>(end - start).count() / double(events.size());
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::vector<Event> events = MakeEvents(size_t{1} << 22);
    const mrvn::Hotkey boss{0, 121}, sound{2, 81};
    volatile int pages = 1;  // as the hook reads it: through the window, each time
    std::vector<double> decide, read;
    uint64_t acted = 0, seen = 0;
    for (int r = 0; r < runs; ++r) {
        decide.push_back(NsPerEvent(events, [&] {
            for (const Event& e : events)
                acted += uint64_t(mrvn::DecideHookAction(pages, e.message, e.vk, e.modifiers, boss, sound));
        }));
        read.push_back(NsPerEvent(events, [&] {
            for (const Event& e : events) seen += uint64_t(pages) + e.message + uint32_t(e.vk) + uint32_t(e.modifiers);
        }));
    }
    const double d = Median(decide), b = Median(read);
    std::printf("hook decision per key event, median of %d runs over %zu events: %.2f ns\n", runs, events.size(), d);
    std::printf("reading the same events alone:                                  %.2f ns\n", b);
    std::printf("ratio decision / reading: %.2f (actions %llu, checksum %llu)\n", b > 0 ? d / b : 0.0,
                static_cast<unsigned long long>(acted), static_cast<unsigned long long>(seen));
    return 0;
}
