// Intercepting a function of a loaded module in place: its first instructions are replaced by a jump
// to a replacement, and a trampoline (those instructions, relocated, then a jump back) is the way to
// the real function. Attach and detach go by transaction; a function whose start cannot be moved
// safely is left alone.
#pragma once
#include <vector>

namespace mrvn::hotkeys {

class PatchTransaction {
public:
    // *real names the function; once the commit patched it, *real is the call-through pointer that
    // reaches the real function, and calls of the function go to replacement.
    void Attach(void** real, void* replacement);
    // Undoes an Attach of this pair: *real names the function again. Pairs never attached are skipped.
    void Detach(void** real, void* replacement);
    // Carries out the queued operations, each on its own: a function that cannot be patched stays as
    // it was while the others are patched. True when every operation was carried out.
    bool Commit();
    // Drops the queued operations.
    void Abort() { ops_.clear(); }

private:
    struct Op {
        bool attach;
        void** real;
        void* replacement;
    };
    std::vector<Op> ops_;
};

}  // namespace mrvn::hotkeys
