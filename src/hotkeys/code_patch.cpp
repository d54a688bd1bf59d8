#include "hotkeys/code_patch.h"

namespace mrvn::patch {
namespace {

constexpr size_t kMaxInstruction = 15;

bool IsLegacyPrefix(uint8_t b) {
    switch (b) {
    case 0x26: case 0x2E: case 0x36: case 0x3E: case 0x64: case 0x65:
    case 0x66: case 0x67: case 0xF0: case 0xF2: case 0xF3:
        return true;
    default:
        return false;
    }
}

bool FitsRel32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

void PutLe(std::vector<uint8_t>& out, uint64_t v, int bytes) {
    for (int k = 0; k < bytes; ++k) out.push_back(static_cast<uint8_t>(v >> (8 * k)));
}

int32_t ReadLe32(std::span<const uint8_t> code, size_t at) {
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = (v << 8) | code[at + k];
    return static_cast<int32_t>(v);
}

// Operand shape of one opcode: whether a ModRM byte follows, and how many immediate bytes.
struct Shape {
    bool valid = true;
    bool modrm = false;
    int imm = 0;
};

// Two-byte map (0F xx).
Shape TwoByteShape(uint8_t op, int immZ, Instruction& ins) {
    Shape s;
    if (op >= 0x80 && op <= 0x8F) {
        ins.branch = Branch::CondJump;
        ins.condition = op & 0x0F;
        s.imm = 4;
        return s;
    }
    if (op == 0x38) return {true, true, 0};  // three-byte map, ModRM follows the third byte
    if (op == 0x3A) return {true, true, 1};
    if ((op >= 0x10 && op <= 0x17) || (op >= 0x18 && op <= 0x1F) || (op >= 0x28 && op <= 0x2F) ||
        (op >= 0x40 && op <= 0x6F) || (op >= 0x74 && op <= 0x76) || op == 0x7E || op == 0x7F ||
        (op >= 0x90 && op <= 0x9F) || op == 0xA3 || op == 0xA5 || op == 0xAB || op == 0xAD || op == 0xAE ||
        op == 0xAF || op == 0xB0 || op == 0xB1 || op == 0xB3 || (op >= 0xB6 && op <= 0xB8) ||
        (op >= 0xBB && op <= 0xC1) || op == 0xC3 || op == 0xC7 || (op >= 0xD0 && op <= 0xFE) || op == 0x0D) {
        s.modrm = true;
        return s;
    }
    if (op == 0x70 || (op >= 0x71 && op <= 0x73) || op == 0xA4 || op == 0xAC || op == 0xBA || op == 0xC2 ||
        (op >= 0xC4 && op <= 0xC6)) {
        s.modrm = true;
        s.imm = 1;
        return s;
    }
    if (op == 0x31 || op == 0xA2 || op == 0x77 || op == 0xA0 || op == 0xA1 || op == 0xA8 || op == 0xA9 ||
        (op >= 0xC8 && op <= 0xCF)) {
        return s;
    }
    (void)immZ;
    s.valid = false;  // system instructions, syscall, ud2 and the rest: never met in a prologue
    return s;
}

}  // namespace

std::optional<Instruction> DecodeInstruction(std::span<const uint8_t> code, Arch arch) {
    const bool x64 = arch == Arch::X64;
    const size_t limit = code.size() < kMaxInstruction ? code.size() : kMaxInstruction;
    size_t i = 0;
    bool opsize16 = false;
    bool addrPrefix = false;
    bool rexW = false;
    while (i < limit && IsLegacyPrefix(code[i])) {
        if (code[i] == 0x66) opsize16 = true;
        if (code[i] == 0x67) addrPrefix = true;
        ++i;
    }
    if (i >= limit) return std::nullopt;
    if (x64 && (code[i] & 0xF0) == 0x40) {
        rexW = (code[i] & 0x08) != 0;
        if (++i >= limit) return std::nullopt;
    }
    // 16-bit addressing is never used by 32-bit code that we would patch.
    if (!x64 && addrPrefix) return std::nullopt;
    const int immZ = opsize16 ? 2 : 4;

    Instruction ins;
    Shape s;
    const uint8_t op = code[i++];
    bool twoByte = false;
    uint8_t op2 = 0;
    if (op == 0x0F) {
        if (i >= limit) return std::nullopt;
        op2 = code[i++];
        twoByte = true;
        s = TwoByteShape(op2, immZ, ins);
        if (op2 == 0x38 || op2 == 0x3A) {
            if (i >= limit) return std::nullopt;
            ++i;
        }
    } else if (op < 0x40) {
        const int low = op & 7;
        if (low < 4) s.modrm = true;
        else if (low == 4) s.imm = 1;
        else if (low == 5) s.imm = immZ;
        else if (x64) s.valid = false;  // push/pop of segments and BCD adjustments: gone on x64
    } else if (op < 0x50) {
        if (x64) s.valid = false;  // a second REX
    } else if (op < 0x60) {
    } else if (op == 0x60 || op == 0x61) {
        if (x64) s.valid = false;
    } else if (op == 0x63) {
        s.modrm = true;
    } else if (op == 0x68) {
        s.imm = immZ;
    } else if (op == 0x69) {
        s = {true, true, immZ};
    } else if (op == 0x6A) {
        s.imm = 1;
    } else if (op == 0x6B) {
        s = {true, true, 1};
    } else if (op >= 0x6C && op <= 0x6F) {
    } else if (op >= 0x70 && op <= 0x7F) {
        ins.branch = Branch::CondJump;
        ins.condition = op & 0x0F;
        s.imm = 1;
    } else if (op == 0x80 || op == 0x83 || (op == 0x82 && !x64)) {
        s = {true, true, 1};
    } else if (op == 0x81) {
        s = {true, true, immZ};
    } else if (op >= 0x84 && op <= 0x8F) {
        s.modrm = true;
    } else if ((op >= 0x90 && op <= 0x99) || (op >= 0x9B && op <= 0x9F)) {
    } else if (op >= 0xA0 && op <= 0xA3) {
        s.imm = x64 ? (addrPrefix ? 4 : 8) : 4;  // the absolute address of mov al/eax, moffs
    } else if ((op >= 0xA4 && op <= 0xA7) || (op >= 0xAA && op <= 0xAF)) {
    } else if (op == 0xA8) {
        s.imm = 1;
    } else if (op == 0xA9) {
        s.imm = immZ;
    } else if (op >= 0xB0 && op <= 0xB7) {
        s.imm = 1;
    } else if (op >= 0xB8 && op <= 0xBF) {
        s.imm = rexW ? 8 : immZ;
    } else if (op == 0xC0 || op == 0xC1 || op == 0xC6) {
        s = {true, true, 1};
    } else if (op == 0xC7) {
        s = {true, true, immZ};
    } else if (op == 0xC2) {
        s.imm = 2;
        ins.endsFlow = true;
    } else if (op == 0xC3) {
        ins.endsFlow = true;
    } else if (op == 0xC8) {
        s.imm = 3;
    } else if (op == 0xC9) {
    } else if (op == 0xCC) {
        ins.endsFlow = true;  // a breakpoint or padding: nothing after it is known to run
    } else if ((op >= 0xD0 && op <= 0xD3) || (op >= 0xD8 && op <= 0xDF)) {
        s.modrm = true;
    } else if (op >= 0xE4 && op <= 0xE7) {
        s.imm = 1;
    } else if (op == 0xE8 || op == 0xE9) {
        if (opsize16) return std::nullopt;  // rel16 forms
        ins.branch = op == 0xE8 ? Branch::Call : Branch::Jump;
        ins.endsFlow = op == 0xE9;
        s.imm = 4;
    } else if (op == 0xEB) {
        ins.branch = Branch::Jump;
        ins.endsFlow = true;
        s.imm = 1;
    } else if ((op >= 0xEC && op <= 0xEF) || op == 0xF4 || op == 0xF5 || (op >= 0xF8 && op <= 0xFD)) {
    } else if (op == 0xF6 || op == 0xF7 || op == 0xFE || op == 0xFF) {
        s.modrm = true;
    } else {
        s.valid = false;  // bound, VEX/les/lds, far transfers, int, iret, loop/jcxz, int1, ...
    }
    if (!s.valid) return std::nullopt;

    if (s.modrm) {
        if (i >= limit) return std::nullopt;
        const uint8_t modrm = code[i++];
        const int mod = modrm >> 6;
        const int reg = (modrm >> 3) & 7;
        const int rm = modrm & 7;
        if (!twoByte) {
            if (op == 0xF6 && reg < 2) s.imm = 1;  // test r/m8, imm8
            if (op == 0xF7 && reg < 2) s.imm = immZ;
            if (op == 0xFE && reg > 1) return std::nullopt;
            if (op == 0xFF) {
                if (reg == 7) return std::nullopt;
                if (reg == 3 || reg == 5) return std::nullopt;  // far call/jmp through memory
                if (reg == 4) ins.endsFlow = true;              // jmp [..]: an import thunk ends here
            }
            if (op == 0x8F && reg != 0) return std::nullopt;  // XOP on x64, invalid elsewhere
            if ((op == 0xC6 || op == 0xC7) && reg != 0) return std::nullopt;  // xabort/xbegin
        } else if (op2 == 0xFF) {
            return std::nullopt;
        }
        if (mod != 3) {
            int disp = 0;
            if (rm == 4) {
                if (i >= limit) return std::nullopt;
                const uint8_t sib = code[i++];
                if (mod == 0 && (sib & 7) == 5) disp = 4;
            }
            if (mod == 0 && rm == 5) {
                disp = 4;
                if (x64) {
                    ins.ripRelative = true;
                    ins.dispOffset = static_cast<uint8_t>(i);
                }
            }
            if (mod == 1) disp = 1;
            if (mod == 2) disp = 4;
            i += disp;
        }
    }
    const size_t immAt = i;
    i += s.imm;
    if (i > limit) return std::nullopt;
    ins.length = static_cast<uint8_t>(i);
    if (ins.branch != Branch::None) {
        ins.dispOffset = static_cast<uint8_t>(immAt);
        ins.branchDisp = s.imm == 1 ? static_cast<int8_t>(code[immAt]) : ReadLe32(code, immAt);
    }
    return ins;
}

bool IsHotPatchable(std::span<const uint8_t> fiveBefore, std::span<const uint8_t> start) {
    if (fiveBefore.size() < 5 || start.size() < 2) return false;
    if (start[0] != 0x8B || start[1] != 0xFF) return false;
    const uint8_t pad = fiveBefore[0];
    if (pad != 0x90 && pad != 0xCC) return false;
    for (size_t k = 0; k < 5; ++k) {
        if (fiveBefore[k] != pad) return false;
    }
    return true;
}

std::optional<std::vector<uint8_t>> JumpRel32(uint64_t from, uint64_t to, Arch arch) {
    const uint64_t next = from + kJumpRel32Size;
    int64_t disp;
    if (arch == Arch::X86) {
        disp = static_cast<int32_t>(static_cast<uint32_t>(to - next));  // wraps within 4 GiB
    } else {
        disp = static_cast<int64_t>(to - next);
        if (!FitsRel32(disp)) return std::nullopt;
    }
    std::vector<uint8_t> out{0xE9};
    PutLe(out, static_cast<uint64_t>(disp), 4);
    return out;
}

std::vector<uint8_t> JumpAbs64(uint64_t to) {
    std::vector<uint8_t> out{0xFF, 0x25, 0, 0, 0, 0};
    PutLe(out, to, 8);
    return out;
}

std::optional<Relocated> RelocatePrologue(std::span<const uint8_t> code, uint64_t from, uint64_t to, size_t need,
                                          Arch arch) {
    const bool x64 = arch == Arch::X64;
    Relocated r;
    std::vector<uint64_t> targets;
    bool ended = false;
    // A displacement from the end of an instruction that will sit at `at` in the output.
    auto relFrom = [&](uint64_t at, uint64_t target, int64_t& disp) {
        if (!x64) {
            disp = static_cast<int32_t>(static_cast<uint32_t>(target - at));
            return true;
        }
        disp = static_cast<int64_t>(target - at);
        return FitsRel32(disp);
    };
    while (r.stolen < need) {
        if (ended) return std::nullopt;  // the function's flow left before the patch was covered
        const auto ins = DecodeInstruction(code.subspan(r.stolen), arch);
        if (!ins) return std::nullopt;
        const auto bytes = code.subspan(r.stolen, ins->length);
        const uint64_t here = from + r.stolen;
        const uint64_t out = to + r.code.size();
        if (ins->branch != Branch::None) {
            uint64_t target = here + ins->length + static_cast<int64_t>(ins->branchDisp);
            if (!x64) target &= 0xFFFFFFFFu;
            targets.push_back(target);
            int64_t disp = 0;
            if (ins->branch == Branch::Jump) {
                if (relFrom(out + 5, target, disp)) {
                    r.code.push_back(0xE9);
                    PutLe(r.code, static_cast<uint64_t>(disp), 4);
                } else {
                    const auto abs = JumpAbs64(target);
                    r.code.insert(r.code.end(), abs.begin(), abs.end());
                }
            } else if (ins->branch == Branch::Call) {
                if (relFrom(out + 5, target, disp)) {
                    r.code.push_back(0xE8);
                    PutLe(r.code, static_cast<uint64_t>(disp), 4);
                } else {
                    // call [rip+2]; jmp over the address; the address.
                    const uint8_t call[] = {0xFF, 0x15, 0x02, 0, 0, 0, 0xEB, 0x08};
                    r.code.insert(r.code.end(), std::begin(call), std::end(call));
                    PutLe(r.code, target, 8);
                }
            } else {
                if (relFrom(out + 6, target, disp)) {
                    r.code.push_back(0x0F);
                    r.code.push_back(static_cast<uint8_t>(0x80 | ins->condition));
                    PutLe(r.code, static_cast<uint64_t>(disp), 4);
                } else {
                    // The opposite condition skips an absolute jump to the target.
                    r.code.push_back(static_cast<uint8_t>(0x70 | (ins->condition ^ 1)));
                    r.code.push_back(static_cast<uint8_t>(kJumpAbs64Size));
                    const auto abs = JumpAbs64(target);
                    r.code.insert(r.code.end(), abs.begin(), abs.end());
                }
            }
        } else if (ins->ripRelative) {
            const uint64_t target = here + ins->length + static_cast<int64_t>(ReadLe32(bytes, ins->dispOffset));
            int64_t disp = 0;
            if (!relFrom(out + ins->length, target, disp)) return std::nullopt;
            const size_t at = r.code.size();
            r.code.insert(r.code.end(), bytes.begin(), bytes.end());
            for (int k = 0; k < 4; ++k) r.code[at + ins->dispOffset + k] = static_cast<uint8_t>(disp >> (8 * k));
        } else {
            r.code.insert(r.code.end(), bytes.begin(), bytes.end());
        }
        r.stolen += ins->length;
        ended = ins->endsFlow;
    }
    // A branch back into the bytes the patch replaces would land in the middle of the jump.
    for (uint64_t t : targets) {
        const uint64_t off = x64 ? t - from : (t - from) & 0xFFFFFFFFu;
        if (off < r.stolen) return std::nullopt;
    }
    if (!ended) {
        const uint64_t back = from + r.stolen;
        if (auto rel = JumpRel32(to + r.code.size(), back, arch)) {
            r.code.insert(r.code.end(), rel->begin(), rel->end());
        } else {
            const auto abs = JumpAbs64(back);
            r.code.insert(r.code.end(), abs.begin(), abs.end());
        }
    }
    if (r.code.size() > kMaxRelocatedSize) return std::nullopt;
    return r;
}

}  // namespace mrvn::patch
