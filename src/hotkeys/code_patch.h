// Instruction lengths and the relocation of a function's first instructions, for intercepting audio
// functions in place on x86 and x64. Plain byte logic: the Win32 half writes what this plans.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace mrvn::patch {

enum class Arch { X86, X64 };

enum class Branch : uint8_t { None, Jump, Call, CondJump };

struct Instruction {
    uint8_t length = 0;
    Branch branch = Branch::None;
    uint8_t condition = 0;     // the low nibble of a conditional jump's opcode
    int32_t branchDisp = 0;    // of a relative branch, from the end of the instruction
    bool ripRelative = false;  // x64: a [rip+disp32] operand
    uint8_t dispOffset = 0;    // where that displacement starts
    bool endsFlow = false;     // ret, jmp, int3: what follows need not belong to the function
};

// The instruction at the start of code; nothing for one it does not know, or that runs past code.
// Knows the general-purpose instructions, x87 and the usual SSE forms; refuses far transfers,
// interrupts, loop/jcxz, VEX and 16-bit addressing.
std::optional<Instruction> DecodeInstruction(std::span<const uint8_t> code, Arch arch);

inline constexpr size_t kJumpRel32Size = 5;
inline constexpr size_t kJumpAbs64Size = 14;
// Enough for the worst relocation of the 5 bytes a patch takes: five instructions each growing to 16.
inline constexpr size_t kMaxRelocatedSize = 96;

// mov edi,edi at the start with five bytes of nop or int3 padding before it: a jump fits in the
// padding and a short jump back over the two bytes, written in one store.
bool IsHotPatchable(std::span<const uint8_t> fiveBefore, std::span<const uint8_t> start);

// E9 rel32 at address from, reaching to; nothing when x64 addresses are more than 2 GiB apart.
std::optional<std::vector<uint8_t>> JumpRel32(uint64_t from, uint64_t to, Arch arch);
// x64: jmp [rip+0] followed by the address.
std::vector<uint8_t> JumpAbs64(uint64_t to);
// The short jump over the padding of the hot-patch form: EB F9.
inline constexpr uint8_t kHotPatchShortJump[2] = {0xEB, 0xF9};

struct Relocated {
    std::vector<uint8_t> code;  // the copied instructions as they run at their new address, then the way back
    size_t stolen = 0;          // bytes taken from the function: whole instructions, at least the patch
};

// Copies whole instructions from the start of code (found at address from) until at least `need` bytes
// are taken, rewritten to run at address to, then a jump back to from + stolen. Relative jumps and calls
// are re-aimed (rel32, or an absolute form on x64 when rel32 cannot reach); RIP-relative operands keep
// their target while the displacement fits. Nothing, so that the function is left alone, for an unknown
// instruction, a branch back into the taken bytes, an operand that cannot be re-aimed, or a flow that ends
// before `need` bytes.
std::optional<Relocated> RelocatePrologue(std::span<const uint8_t> code, uint64_t from, uint64_t to, size_t need,
                                          Arch arch);

}  // namespace mrvn::patch
