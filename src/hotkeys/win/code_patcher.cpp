#include "hotkeys/win/code_patcher.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "hotkeys/code_patch.h"

namespace mrvn::hotkeys {
namespace {

#if defined(_WIN64)
constexpr patch::Arch kArch = patch::Arch::X64;
#else
constexpr patch::Arch kArch = patch::Arch::X86;
#endif

// One slot per patched function: its relocated instructions, then (x64) a relay to a replacement that
// a 5-byte jump cannot reach.
constexpr size_t kSlotSize = 128;
constexpr size_t kRelayAt = patch::kMaxRelocatedSize;
static_assert(kRelayAt + patch::kJumpAbs64Size <= kSlotSize);
constexpr size_t kBlockSize = 64 * 1024;
// rel32 reach, less a block, so that anywhere in a block reaches anywhere near the function.
constexpr int64_t kReach = 0x7FFF0000 - static_cast<int64_t>(kBlockSize);

struct Block {
    uint8_t* base;
    size_t used;
};

struct Attached {
    uint8_t* target;
    uint8_t* patchAt;  // the function, or the padding before it for the hot-patch form
    std::vector<uint8_t> original;
    std::vector<uint8_t> written;
    void* callThrough;
    void* replacement;
};

std::mutex g_mu;
std::vector<Block> g_blocks;     // never freed: a thread may still be inside a trampoline
std::vector<Attached> g_attached;

uint64_t Addr(const void* p) { return reinterpret_cast<uintptr_t>(p); }

bool Near(uint64_t a, uint64_t b) {
    if (kArch == patch::Arch::X86) return true;
    const int64_t d = static_cast<int64_t>(a - b);
    return d > -kReach && d < kReach;
}

uint8_t* TryAlloc(uint64_t at) {
    return static_cast<uint8_t*>(::VirtualAlloc(reinterpret_cast<void*>(static_cast<uintptr_t>(at)), kBlockSize,
                                                MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
}

// x86: anywhere. x64: a free range within rel32 reach of the function, searched downwards then upwards.
uint8_t* AllocBlockNear(const uint8_t* target) {
    if (kArch == patch::Arch::X86) return TryAlloc(0);
    SYSTEM_INFO si;
    ::GetSystemInfo(&si);
    const uint64_t gran = si.dwAllocationGranularity;
    const uint64_t t = Addr(target);
    const uint64_t lo = std::max<uint64_t>(t > static_cast<uint64_t>(kReach) ? t - kReach : 0,
                                           Addr(si.lpMinimumApplicationAddress));
    const uint64_t hi = std::min<uint64_t>(t + kReach, Addr(si.lpMaximumApplicationAddress));
    MEMORY_BASIC_INFORMATION mbi;
    for (uint64_t a = t & ~(gran - 1); a >= lo && a >= gran;) {
        if (!::VirtualQuery(reinterpret_cast<void*>(static_cast<uintptr_t>(a)), &mbi, sizeof mbi)) break;
        const uint64_t base = Addr(mbi.BaseAddress);
        const uint64_t end = base + mbi.RegionSize;
        if (mbi.State == MEM_FREE && end >= kBlockSize) {
            const uint64_t at = std::min(a, end - kBlockSize) & ~(gran - 1);
            if (at >= base && at >= lo) {
                if (uint8_t* p = TryAlloc(at)) return p;
            }
        }
        if (base < gran) break;
        a = (base - 1) & ~(gran - 1);
    }
    for (uint64_t a = (t + gran - 1) & ~(gran - 1); a + kBlockSize <= hi;) {
        if (!::VirtualQuery(reinterpret_cast<void*>(static_cast<uintptr_t>(a)), &mbi, sizeof mbi)) break;
        const uint64_t end = Addr(mbi.BaseAddress) + mbi.RegionSize;
        if (mbi.State == MEM_FREE && a + kBlockSize <= end) {
            if (uint8_t* p = TryAlloc(a)) return p;
        }
        a = (end + gran - 1) & ~(gran - 1);
    }
    return nullptr;
}

uint8_t* TakeSlot(const uint8_t* target) {
    for (Block& b : g_blocks) {
        if (b.used + kSlotSize <= kBlockSize && Near(Addr(b.base), Addr(target))) {
            uint8_t* slot = b.base + b.used;
            b.used += kSlotSize;
            return slot;
        }
    }
    uint8_t* base = AllocBlockNear(target);
    if (!base) return nullptr;
    g_blocks.push_back({base, kSlotSize});
    return base;
}

// Copies what can be read at p, up to n bytes, without touching pages that are not there.
size_t CopyReadable(const uint8_t* p, uint8_t* out, size_t n) {
    size_t got = 0;
    while (got < n) {
        MEMORY_BASIC_INFORMATION mbi;
        if (!::VirtualQuery(p + got, &mbi, sizeof mbi)) break;
        if (mbi.State != MEM_COMMIT || (mbi.Protect & (PAGE_NOACCESS | PAGE_GUARD))) break;
        const size_t inRegion = static_cast<size_t>(Addr(mbi.BaseAddress) + mbi.RegionSize - Addr(p + got));
        const size_t take = std::min(n - got, inRegion);
        std::memcpy(out + got, p + got, take);
        got += take;
    }
    return got;
}

// Code pages are read-only: open them for the write, then put their protection back.
bool WriteCode(uint8_t* at, const uint8_t* bytes, size_t n) {
    DWORD old = 0;
    if (!::VirtualProtect(at, n, PAGE_EXECUTE_READWRITE, &old)) return false;
    std::memcpy(at, bytes, n);
    DWORD ignored = 0;
    ::VirtualProtect(at, n, old, &ignored);
    ::FlushInstructionCache(::GetCurrentProcess(), at, n);
    return true;
}

bool AttachOne(void** real, void* replacement) {
    uint8_t* target = static_cast<uint8_t*>(*real);
    if (!target || !replacement) return false;
    for (const Attached& a : g_attached) {
        if (a.target == target) return false;  // one interception per function
    }
    uint8_t code[32];
    const size_t n = CopyReadable(target, code, sizeof code);
    uint8_t before[5];
    const bool hot = n >= 2 && CopyReadable(target - 5, before, 5) == 5 &&
                     patch::IsHotPatchable(before, std::span<const uint8_t>(code, n));

    uint8_t* slot = TakeSlot(target);
    if (!slot) return false;
    Attached rec{target, hot ? target - 5 : target, {}, {}, nullptr, replacement};
    uint8_t* jumpTo = static_cast<uint8_t*>(replacement);
    if (!Near(Addr(jumpTo), Addr(rec.patchAt))) {
        const auto relay = patch::JumpAbs64(Addr(replacement));
        std::memcpy(slot + kRelayAt, relay.data(), relay.size());
        jumpTo = slot + kRelayAt;
    }
    const auto jump = patch::JumpRel32(Addr(rec.patchAt), Addr(jumpTo), kArch);
    if (!jump) return false;
    rec.written = *jump;
    if (hot) {
        // The real function is reached past its mov edi,edi; no instruction has to move.
        rec.original.assign(before, before + 5);
        rec.original.insert(rec.original.end(), code, code + 2);
        rec.written.insert(rec.written.end(), std::begin(patch::kHotPatchShortJump),
                           std::end(patch::kHotPatchShortJump));
        rec.callThrough = target + 2;
    } else {
        const auto moved = patch::RelocatePrologue(std::span<const uint8_t>(code, n), Addr(target), Addr(slot),
                                                   patch::kJumpRel32Size, kArch);
        if (!moved) return false;  // the slot stays unused in its block
        std::memcpy(slot, moved->code.data(), moved->code.size());
        rec.original.assign(code, code + patch::kJumpRel32Size);
        rec.callThrough = slot;
    }
    ::FlushInstructionCache(::GetCurrentProcess(), slot, kSlotSize);
    // The call-through pointer is in place before any call can reach the replacement.
    *real = rec.callThrough;
    if (!WriteCode(rec.patchAt, rec.written.data(), rec.written.size())) {
        *real = target;
        return false;
    }
    g_attached.push_back(std::move(rec));
    return true;
}

bool DetachOne(void** real, void* replacement) {
    const auto it = std::find_if(g_attached.begin(), g_attached.end(), [&](const Attached& a) {
        return a.callThrough == *real && a.replacement == replacement;
    });
    if (it == g_attached.end()) return false;
    // Someone who patched over us keeps their patch (and our trampoline stays for them).
    if (std::memcmp(it->patchAt, it->written.data(), it->written.size()) != 0) return false;
    if (!WriteCode(it->patchAt, it->original.data(), it->original.size())) return false;
    *real = it->target;
    g_attached.erase(it);
    return true;
}

}  // namespace

void PatchTransaction::Attach(void** real, void* replacement) { ops_.push_back({true, real, replacement}); }

void PatchTransaction::Detach(void** real, void* replacement) { ops_.push_back({false, real, replacement}); }

bool PatchTransaction::Commit() {
    std::lock_guard<std::mutex> lock(g_mu);
    bool all = true;
    for (const Op& op : ops_) {
        if (!op.real) {
            all = false;
            continue;
        }
        all = (op.attach ? AttachOne(op.real, op.replacement) : DetachOne(op.real, op.replacement)) && all;
    }
    ops_.clear();
    return all;
}

}  // namespace mrvn::hotkeys
