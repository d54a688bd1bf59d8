// The page frame's sound-state decision: the main window repeats its state every 400 ms, and only a
// change (or the first message, whatever it says) switches the sound.
#pragma once
#include <cstdint>

namespace mrvn {

class MuteLatch {
public:
    // True when the state must be applied now; it is then the last applied state.
    bool Take(uintptr_t wParam) {
        const int32_t state = wParam ? 1 : 0;
        if (!started_) {
            last_ = !state;
            started_ = true;
        }
        if (state == last_) return false;
        last_ = state;
        return true;
    }
    int32_t Last() const { return last_; }

private:
    int32_t last_ = 0;
    bool started_ = false;
};

}  // namespace mrvn
