#include "hotkeys/code_patch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace mrvn::patch {
namespace {

using Bytes = std::vector<uint8_t>;

// The first 32 bytes of Wine 8's own functions (Debian 12), taken with tools/prologue-bytes; the
// lengths are objdump's. The last instruction of each is cut by the 32-byte window.
struct RealPrologue {
    const char* name;
    Arch arch;
    Bytes bytes;
    std::vector<int> lengths;
    std::vector<int> ripRelativeAt;  // starts of the instructions with a [rip+x] operand
};

const RealPrologue kWine[] = {
    {"x86 winmm!waveOutWrite", Arch::X86,
     {0x8d, 0x4c, 0x24, 0x04, 0x83, 0xe4, 0xf0, 0xff, 0x71, 0xfc, 0x55, 0x89, 0xe5, 0x57, 0x56, 0x53,
      0x51, 0x83, 0xec, 0x38, 0x8b, 0x19, 0x8b, 0x71, 0x04, 0x8b, 0x41, 0x08, 0xf6, 0x05, 0x38, 0x64},
     {4, 3, 3, 1, 2, 1, 1, 1, 1, 3, 2, 3, 3},
     {}},
    {"x86 winmm!midiStreamOut", Arch::X86,
     {0x8d, 0x4c, 0x24, 0x04, 0x83, 0xe4, 0xf0, 0xff, 0x71, 0xfc, 0x55, 0x89, 0xe5, 0x57, 0x56, 0x53,
      0x51, 0x83, 0xec, 0x48, 0x8b, 0x01, 0x8b, 0x59, 0x04, 0x8b, 0x79, 0x08, 0x89, 0x45, 0xd4, 0xf6},
     {4, 3, 3, 1, 2, 1, 1, 1, 1, 3, 2, 3, 3, 3},
     {}},
    {"x86 dsound!#1 DirectSoundCreate", Arch::X86,
     {0x8d, 0x4c, 0x24, 0x04, 0x83, 0xe4, 0xf0, 0xff, 0x71, 0xfc, 0x55, 0x89, 0xe5, 0x57, 0x56, 0x53,
      0x51, 0x83, 0xec, 0x58, 0x8b, 0x19, 0x8b, 0x71, 0x04, 0x8b, 0x79, 0x08, 0xf6, 0x05, 0x78, 0xe2},
     {4, 3, 3, 1, 2, 1, 1, 1, 1, 3, 2, 3, 3},
     {}},
    {"x64 winmm!waveOutWrite", Arch::X64,
     {0x55, 0x57, 0x56, 0x53, 0x48, 0x83, 0xec, 0x48, 0x48, 0x8d, 0x3d, 0xe1, 0xa1, 0x00, 0x00, 0x48,
      0x89, 0xcb, 0x48, 0x89, 0xd6, 0xf6, 0x05, 0xd4, 0xa1, 0x00, 0x00, 0x08, 0x0f, 0x85, 0xee, 0x00},
     {1, 1, 1, 1, 4, 7, 3, 3, 7},
     {8, 21}},
    {"x64 winmm!midiStreamOut", Arch::X64,
     {0x41, 0x54, 0x55, 0x57, 0x56, 0x53, 0x48, 0x83, 0xec, 0x50, 0x4c, 0x8d, 0x25, 0x1f, 0x3e, 0x00,
      0x00, 0x48, 0x89, 0xcf, 0x48, 0x89, 0xd3, 0x44, 0x89, 0xc6, 0xf6, 0x05, 0x0f, 0x3e, 0x00, 0x00},
     {2, 1, 1, 1, 1, 4, 7, 3, 3, 3},
     {10}},
    {"x64 dsound!#1 DirectSoundCreate", Arch::X64,
     {0x55, 0x57, 0x56, 0x53, 0x48, 0x83, 0xec, 0x78, 0x48, 0x89, 0xcb, 0x48, 0x89, 0xd5, 0x4c, 0x89,
      0xc7, 0xf6, 0x05, 0x88, 0xfb, 0x00, 0x00, 0x08, 0x75, 0x76, 0x48, 0x85, 0xed, 0x0f, 0x84, 0x6e},
     {1, 1, 1, 1, 4, 3, 3, 3, 7, 2, 3},
     {17}},
};

TEST(CodePatchDecoder, WalksWinePrologues) {
    for (const auto& p : kWine) {
        SCOPED_TRACE(p.name);
        const std::span<const uint8_t> code(p.bytes);
        size_t at = 0;
        std::vector<int> lengths;
        std::vector<int> rip;
        while (auto ins = DecodeInstruction(code.subspan(at), p.arch)) {
            lengths.push_back(ins->length);
            if (ins->ripRelative) rip.push_back(static_cast<int>(at));
            at += ins->length;
        }
        EXPECT_EQ(lengths, p.lengths);
        EXPECT_EQ(rip, p.ripRelativeAt);
        EXPECT_LT(at, code.size());  // the cut instruction is refused, not read past the window
    }
}

struct One {
    const char* what;
    Arch arch;
    Bytes bytes;
    int length;  // 0: refused
    Branch branch = Branch::None;
    bool ends = false;
    bool rip = false;
};

// Lengths checked with objdump.
const One kSingles[] = {
    {"mov edi,edi (hot-patch start)", Arch::X86, {0x8b, 0xff}, 2},
    {"push r13", Arch::X64, {0x41, 0x55}, 2},
    {"sub rsp,imm32", Arch::X64, {0x48, 0x81, 0xec, 0x28, 0x01, 0x00, 0x00}, 7},
    {"sub esp,imm8", Arch::X86, {0x83, 0xec, 0x38}, 3},
    {"mov [rsp+8],rbx", Arch::X64, {0x48, 0x89, 0x5c, 0x24, 0x08}, 5},
    {"lea r8,[rsp+40h]", Arch::X64, {0x4c, 0x8d, 0x44, 0x24, 0x40}, 5},
    {"mov eax,[abs32] by SIB", Arch::X64, {0x8b, 0x04, 0x25, 0x78, 0x56, 0x34, 0x12}, 7},
    {"mov dword [esp+4],imm32", Arch::X86, {0xc7, 0x44, 0x24, 0x04, 1, 2, 3, 4}, 8},
    {"mov word [ebp],imm16", Arch::X86, {0x66, 0xc7, 0x45, 0x00, 0x34, 0x12}, 6},
    {"test ecx,imm32", Arch::X86, {0xf7, 0xc1, 1, 2, 3, 4}, 6},
    {"neg eax", Arch::X86, {0xf7, 0xd8}, 2},
    {"mov eax,moffs32", Arch::X86, {0xa1, 1, 2, 3, 4}, 5},
    {"mov rax,moffs64", Arch::X64, {0x48, 0xa1, 1, 2, 3, 4, 5, 6, 7, 8}, 10},
    {"mov rax,imm64", Arch::X64, {0x48, 0xb8, 1, 2, 3, 4, 5, 6, 7, 8}, 10},
    {"enter 10h,0", Arch::X86, {0xc8, 0x10, 0x00, 0x00}, 4},
    {"nopw [eax+eax]", Arch::X86, {0x66, 0x0f, 0x1f, 0x44, 0x00, 0x00}, 6},
    {"nopl [rax+0]", Arch::X64, {0x0f, 0x1f, 0x80, 0, 0, 0, 0}, 7},
    {"endbr64", Arch::X64, {0xf3, 0x0f, 0x1e, 0xfa}, 4},
    {"movups [rsp+20h],xmm0", Arch::X64, {0x0f, 0x11, 0x44, 0x24, 0x20}, 5},
    {"movq xmm0,rax", Arch::X64, {0x66, 0x48, 0x0f, 0x6e, 0xc0}, 5},
    {"fld qword [esp+4]", Arch::X86, {0xdd, 0x44, 0x24, 0x04}, 4},
    {"movsxd rdx,edx", Arch::X64, {0x48, 0x63, 0xd2}, 3},
    {"movzx eax,byte [esp+4]", Arch::X86, {0x0f, 0xb6, 0x44, 0x24, 0x04}, 5},
    {"nop", Arch::X86, {0x90}, 1},
    {"int3", Arch::X64, {0xcc}, 1, Branch::None, true},
    {"ret", Arch::X86, {0xc3}, 1, Branch::None, true},
    {"ret 8", Arch::X86, {0xc2, 0x08, 0x00}, 3, Branch::None, true},
    {"mov rax,[rip+10h]", Arch::X64, {0x48, 0x8b, 0x05, 0x10, 0, 0, 0}, 7, Branch::None, false, true},
    {"jmp [rip+x] (import thunk)", Arch::X64, {0xff, 0x25, 0x00, 0x10, 0, 0}, 6, Branch::None, true, true},
    {"jmp [abs32] (import thunk)", Arch::X86, {0xff, 0x25, 0x00, 0x10, 0x40, 0}, 6, Branch::None, true},
    {"call rel32", Arch::X64, {0xe8, 1, 2, 3, 4}, 5, Branch::Call},
    {"jmp rel32", Arch::X86, {0xe9, 1, 2, 3, 4}, 5, Branch::Jump, true},
    {"jmp rel8", Arch::X64, {0xeb, 0x10}, 2, Branch::Jump, true},
    {"jz rel8", Arch::X86, {0x74, 0x10}, 2, Branch::CondJump},
    {"jnz rel32", Arch::X64, {0x0f, 0x85, 1, 2, 3, 4}, 6, Branch::CondJump},
    {"far jmp", Arch::X86, {0xea, 1, 2, 3, 4, 5, 6}, 0},
    {"int 80h", Arch::X86, {0xcd, 0x80}, 0},
    {"loop", Arch::X86, {0xe2, 0xfe}, 0},
    {"VEX", Arch::X64, {0xc5, 0xf8, 0x77}, 0},
    {"ud2", Arch::X64, {0x0f, 0x0b}, 0},
    {"syscall", Arch::X64, {0x0f, 0x05}, 0},
    {"far call through memory", Arch::X86, {0xff, 0x1d, 1, 2, 3, 4}, 0},
    {"16-bit addressing", Arch::X86, {0x67, 0x8b, 0x07}, 0},
    {"jmp rel16", Arch::X86, {0x66, 0xe9, 1, 2}, 0},
    {"inc eax is a REX prefix on x64", Arch::X64, {0x40}, 0},
    {"cut ModRM", Arch::X86, {0x8b}, 0},
    {"cut immediate", Arch::X64, {0x48, 0x81, 0xec, 0x28, 0x01}, 0},
    {"prefixes only", Arch::X86, {0x66, 0x66, 0xf3}, 0},
};

TEST(CodePatchDecoder, KnowsPrologueInstructionsAndRefusesTheRest) {
    for (const auto& one : kSingles) {
        SCOPED_TRACE(one.what);
        const auto ins = DecodeInstruction(one.bytes, one.arch);
        if (one.length == 0) {
            EXPECT_FALSE(ins);
            continue;
        }
        ASSERT_TRUE(ins);
        EXPECT_EQ(ins->length, one.length);
        EXPECT_EQ(ins->branch, one.branch);
        EXPECT_EQ(ins->endsFlow, one.ends);
        EXPECT_EQ(ins->ripRelative, one.rip);
    }
}

TEST(CodePatchDecoder, InstructionLongerThan15BytesIsRefused) {
    Bytes code(14, 0x66);
    code.insert(code.end(), {0x05, 1, 2});  // prefixes then add ax,imm16: 17 bytes
    EXPECT_FALSE(DecodeInstruction(code, Arch::X86));
}

TEST(CodePatchHotPatch, OnlyTheDocumentedForm) {
    const Bytes start{0x8b, 0xff, 0x55, 0x8b, 0xec};
    EXPECT_TRUE(IsHotPatchable(Bytes(5, 0x90), start));
    EXPECT_TRUE(IsHotPatchable(Bytes(5, 0xcc), start));
    EXPECT_FALSE(IsHotPatchable(Bytes{0x90, 0x90, 0xcc, 0x90, 0x90}, start));
    EXPECT_FALSE(IsHotPatchable(Bytes(5, 0x90), Bytes{0x55, 0x8b, 0xec}));
    // Wine's winmm!waveOutWrite: the end of the previous function, then lea.
    EXPECT_FALSE(IsHotPatchable(Bytes{0x0c, 0x00, 0x8d, 0x76, 0x00}, kWine[0].bytes));
    EXPECT_FALSE(IsHotPatchable(Bytes(4, 0x90), start));
}

int32_t Rel32At(const Bytes& code, size_t at) {
    int32_t v;
    std::memcpy(&v, &code[at], 4);
    return v;
}
uint64_t Abs64At(const Bytes& code, size_t at) {
    uint64_t v;
    std::memcpy(&v, &code[at], 8);
    return v;
}

// Every relocated block is whole instructions again, apart from the addresses that absolute jumps
// and calls read from just behind themselves (jmp [rip+0], or the jmp +8 over the address of a call).
void ExpectWholeInstructions(const Bytes& code, Arch arch) {
    const Bytes readsNext{0xff, 0x25, 0, 0, 0, 0};
    size_t at = 0;
    while (at < code.size()) {
        const auto ins = DecodeInstruction(std::span<const uint8_t>(code).subspan(at), arch);
        ASSERT_TRUE(ins) << "at " << at;
        const bool address = (at + 6 <= code.size() && std::equal(readsNext.begin(), readsNext.end(), code.begin() + at)) ||
                             (ins->branch == Branch::Jump && ins->length == 2 && ins->branchDisp == 8);
        at += ins->length + (address ? 8 : 0);
    }
    EXPECT_EQ(at, code.size());
}

TEST(CodePatchRelocate, WineProloguesCopyWholeInstructionsAndJumpBack) {
    const struct {
        size_t which;
        size_t stolen;
    } rows[] = {{0, 7}, {1, 7}, {2, 7}, {3, 8}, {4, 5}, {5, 8}};
    for (const auto& row : rows) {
        const auto& p = kWine[row.which];
        SCOPED_TRACE(p.name);
        const uint64_t from = p.arch == Arch::X86 ? 0x6a41bc30 : 0x6fffe41a3a0;
        const uint64_t to = from - 0x10000;
        const auto r = RelocatePrologue(p.bytes, from, to, kJumpRel32Size, p.arch);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->stolen, row.stolen);
        ASSERT_EQ(r->code.size(), row.stolen + 5);
        EXPECT_TRUE(std::equal(r->code.begin(), r->code.begin() + row.stolen, p.bytes.begin()));
        EXPECT_EQ(r->code[row.stolen], 0xE9);
        EXPECT_EQ(to + r->code.size() + Rel32At(r->code, row.stolen + 1), from + row.stolen);
    }
}

TEST(CodePatchRelocate, FarTrampolineOnX64ReturnsByAbsoluteJump) {
    const auto& p = kWine[4];  // midiStreamOut: no RIP-relative operand in its first 5 bytes
    const uint64_t from = 0x6fffe4207e0;
    const uint64_t to = 0x140010000;
    const auto r = RelocatePrologue(p.bytes, from, to, 5, Arch::X64);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->code.size(), 5 + kJumpAbs64Size);
    EXPECT_EQ(Bytes(r->code.begin() + 5, r->code.begin() + 11), (Bytes{0xff, 0x25, 0, 0, 0, 0}));
    EXPECT_EQ(Abs64At(r->code, 11), from + 5);
    ExpectWholeInstructions(r->code, Arch::X64);
}

TEST(CodePatchRelocate, RipRelativeOperandKeepsItsTargetOrIsRefused) {
    const auto& p = kWine[3];  // waveOutWrite x64: lea rdi,[rip+0xa1e1] at 8
    const uint64_t from = 0x6fffe41a3a0;
    const uint64_t target = from + 8 + 7 + 0xa1e1;
    const uint64_t near = from + 0x7000;
    const auto r = RelocatePrologue(p.bytes, from, near, 9, Arch::X64);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->stolen, 15u);
    EXPECT_EQ(near + 8 + 7 + Rel32At(r->code, 8 + 3), target);
    ExpectWholeInstructions(r->code, Arch::X64);
    // The operand cannot reach its data from 4 GiB away: the function is left alone.
    EXPECT_FALSE(RelocatePrologue(p.bytes, from, from - 0x100000000ull, 9, Arch::X64));
    // Only what the patch covers matters: five bytes do not reach the lea.
    EXPECT_TRUE(RelocatePrologue(p.bytes, from, from - 0x100000000ull, 5, Arch::X64));
}

TEST(CodePatchRelocate, ConditionalJumpIsReaimed) {
    // DirectSoundCreate x64 taken far enough to include its jne rel8 at 0x18.
    const auto& p = kWine[5];
    const uint64_t from = 0x6fffe40b600;
    const uint64_t target = from + 0x1a + 0x76;
    const auto nearR = RelocatePrologue(p.bytes, from, from + 0x1000, 0x19, Arch::X64);
    ASSERT_TRUE(nearR);
    EXPECT_EQ(nearR->stolen, 0x1au);
    // testb [rip+x] moved with it; jne rel8 became jne rel32.
    EXPECT_EQ(nearR->code[0x18], 0x0f);
    EXPECT_EQ(nearR->code[0x19], 0x85);
    EXPECT_EQ(from + 0x1000 + 0x18 + 6 + Rel32At(nearR->code, 0x1a), target);
    ExpectWholeInstructions(nearR->code, Arch::X64);

    // x86: rel32 always reaches.
    const Bytes x86{0x85, 0xc0, 0x74, 0x10, 0x55, 0x89, 0xe5};  // test eax,eax; jz +16; push ebp; mov ebp,esp
    const auto r86 = RelocatePrologue(x86, 0x1000, 0x7ff00000, 5, Arch::X86);
    ASSERT_TRUE(r86);
    EXPECT_EQ(r86->stolen, 5u);
    EXPECT_EQ(Bytes(r86->code.begin(), r86->code.begin() + 4), (Bytes{0x85, 0xc0, 0x0f, 0x84}));
    EXPECT_EQ(static_cast<uint32_t>(0x7ff00000 + 8 + Rel32At(r86->code, 4)), 0x1014u);

    // x64 out of rel32 reach: the opposite condition skips an absolute jump.
    const Bytes x64{0x48, 0x85, 0xc9, 0x74, 0x10, 0x55};  // test rcx,rcx; jz +16; push rbp
    const auto far = RelocatePrologue(x64, 0x6fffe400000, 0x140000000, 5, Arch::X64);
    ASSERT_TRUE(far);
    EXPECT_EQ(far->code[3], 0x75);
    EXPECT_EQ(far->code[4], kJumpAbs64Size);
    EXPECT_EQ(Abs64At(far->code, 3 + 2 + 6), 0x6fffe400000u + 5 + 0x10);
    ExpectWholeInstructions(far->code, Arch::X64);
}

TEST(CodePatchRelocate, CallsAndJumpsKeepTheirTargets) {
    const Bytes call{0xe8, 0x00, 0x01, 0x00, 0x00, 0x90};  // call +0x100
    const auto r86 = RelocatePrologue(call, 0x10000000, 0x20000000, 5, Arch::X86);
    ASSERT_TRUE(r86);
    EXPECT_EQ(r86->code[0], 0xe8);
    EXPECT_EQ(0x20000000u + 5 + Rel32At(r86->code, 1), 0x10000105u);

    const auto r64 = RelocatePrologue(call, 0x6fffe400000, 0x140000000, 5, Arch::X64);
    ASSERT_TRUE(r64);
    // call [rip+2]; jmp +8; the address; then the way back.
    EXPECT_EQ(Bytes(r64->code.begin(), r64->code.begin() + 8), (Bytes{0xff, 0x15, 2, 0, 0, 0, 0xeb, 8}));
    EXPECT_EQ(Abs64At(r64->code, 8), 0x6fffe400105u);
    ExpectWholeInstructions(r64->code, Arch::X64);

    // A function that is only a jump (a thunk): re-aimed, and no way back is needed.
    const Bytes thunk{0xe9, 0x00, 0x10, 0x00, 0x00};
    const auto t = RelocatePrologue(thunk, 0x10000000, 0x10200000, 5, Arch::X86);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->code.size(), 5u);
    EXPECT_EQ(0x10200000u + 5 + Rel32At(t->code, 1), 0x10001005u);

    // jmp [rip+x] of an import thunk keeps the pointer it reads.
    const Bytes imp{0xff, 0x25, 0x00, 0x10, 0x00, 0x00};
    const auto i = RelocatePrologue(imp, 0x140001000, 0x140800000, 5, Arch::X64);
    ASSERT_TRUE(i);
    EXPECT_EQ(i->code.size(), 6u);
    EXPECT_EQ(0x140800000u + 6 + Rel32At(i->code, 2), 0x140001000u + 6 + 0x1000);
}

TEST(CodePatchRelocate, LeavesAloneWhatItCannotMove) {
    const struct {
        const char* what;
        Arch arch;
        Bytes bytes;
    } rows[] = {
        {"ret before five bytes", Arch::X86, {0x31, 0xc0, 0xc3, 0x90, 0x90, 0x90}},
        {"short jmp is the whole function", Arch::X64, {0xeb, 0x10, 0xcc, 0xcc, 0xcc}},
        {"int3 at the start (a breakpoint)", Arch::X86, {0xcc, 0x55, 0x89, 0xe5, 0x90}},
        {"branch back into the patched bytes", Arch::X86, {0x31, 0xc0, 0x74, 0xfc, 0x90, 0x90}},
        {"loop in the prologue", Arch::X86, {0x49, 0xe2, 0xfd, 0x90, 0x90, 0x90}},
        {"unknown instruction", Arch::X64, {0x55, 0x0f, 0x0b, 0x90, 0x90}},
        {"too short", Arch::X86, {0x55, 0x89, 0xe5}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_FALSE(RelocatePrologue(row.bytes, 0x10001000, 0x10002000, 5, row.arch));
    }
}

TEST(CodePatchJumps, Rel32WrapsOnX86AndHasReachOnX64) {
    const auto wrap = JumpRel32(0xfffff000, 0x1000, Arch::X86);
    ASSERT_TRUE(wrap);
    EXPECT_EQ(*wrap, (Bytes{0xe9, 0xfb, 0x1f, 0x00, 0x00}));
    const auto back = JumpRel32(0x2000, 0x1000, Arch::X64);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, (Bytes{0xe9, 0xfb, 0xef, 0xff, 0xff}));
    EXPECT_FALSE(JumpRel32(0x6fffe400000, 0x140000000, Arch::X64));
    EXPECT_TRUE(JumpRel32(0x100000000, 0x100000005 + 0x7fffffff, Arch::X64));
    EXPECT_FALSE(JumpRel32(0x100000000, 0x100000005 + 0x80000000ull, Arch::X64));
    EXPECT_EQ(JumpAbs64(0x1122334455667788), (Bytes{0xff, 0x25, 0, 0, 0, 0, 0x88, 0x77, 0x66, 0x55, 0x44, 0x33,
                                                   0x22, 0x11}));
}

}  // namespace
}  // namespace mrvn::patch
