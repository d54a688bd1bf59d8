// The instruction-length decoder and the relocation of a prologue, over any bytes and addresses.
#include "hotkeys/code_patch.h"
#include "support/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mrvn::patch;
    mrvn::fuzz::FuzzInput in(data, size);
    const Arch arch = (in.Byte() & 1) ? Arch::X64 : Arch::X86;
    const uint64_t from = (uint64_t{static_cast<uint32_t>(in.Int())} << 16) ^ static_cast<uint32_t>(in.Int());
    const uint64_t to = (uint64_t{static_cast<uint32_t>(in.Int())} << 16) ^ static_cast<uint32_t>(in.Int());
    const size_t need = 1 + in.Byte() % 16;
    const std::vector<uint8_t> code = in.Rest();

    if (const auto ins = DecodeInstruction(code, arch)) {
        MRVN_FUZZ_CHECK(ins->length >= 1 && ins->length <= 15 && ins->length <= code.size());
        if (ins->ripRelative) MRVN_FUZZ_CHECK(arch == Arch::X64 && ins->dispOffset + 4u <= ins->length);
        if (ins->branch != Branch::None) MRVN_FUZZ_CHECK(ins->dispOffset < ins->length);
    }
    if (const auto r = RelocatePrologue(code, from, to, need, arch)) {
        MRVN_FUZZ_CHECK(r->stolen >= need && r->stolen <= code.size());
        MRVN_FUZZ_CHECK(r->code.size() <= kMaxRelocatedSize);
        // The taken bytes are whole instructions.
        size_t at = 0;
        while (at < r->stolen) {
            const auto ins = DecodeInstruction(std::span<const uint8_t>(code).subspan(at), arch);
            MRVN_FUZZ_CHECK(ins.has_value());
            at += ins->length;
        }
        MRVN_FUZZ_CHECK(at == r->stolen);
    }
    return 0;
}
