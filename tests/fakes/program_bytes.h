// Small Windows program images for the completeness rules: headers as the loader reads them, and
// each section's raw data where its header says.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace mrvn::test {

struct SectionSpec {
    uint32_t rawAt;
    uint32_t rawSize;
};

// "MZ", e_lfanew = `peAt`, "PE\0\0", a file header naming the sections, an optional header of
// `optionalBytes`, the section table, then zeros up to the end of the last section's data.
inline std::string ProgramImage(const std::vector<SectionSpec>& sections, uint32_t peAt = 0x80,
                                uint16_t optionalBytes = 0xE0) {
    const auto put16 = [](std::string& s, size_t at, uint32_t v) {
        s[at] = static_cast<char>(v & 0xFF);
        s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
    };
    const auto put32 = [&](std::string& s, size_t at, uint32_t v) {
        put16(s, at, v & 0xFFFF);
        put16(s, at + 2, v >> 16);
    };
    size_t size = peAt + 24 + optionalBytes + sections.size() * 40;
    for (const auto& sec : sections) size = std::max<size_t>(size, size_t{sec.rawAt} + sec.rawSize);
    std::string s(size, '\0');
    s[0] = 'M';
    s[1] = 'Z';
    put32(s, 0x3C, peAt);
    s[peAt] = 'P';
    s[peAt + 1] = 'E';
    put16(s, peAt + 4, 0x14C);  // i386
    put16(s, peAt + 6, static_cast<uint32_t>(sections.size()));
    put16(s, peAt + 20, optionalBytes);
    size_t table = peAt + 24 + optionalBytes;
    for (const auto& sec : sections) {
        put32(s, table + 16, sec.rawSize);
        put32(s, table + 20, sec.rawAt);
        table += 40;
    }
    return s;
}

// A plausible small program: two sections after 1 KiB of headers.
inline std::string SmallProgram() { return ProgramImage({{0x400, 0x600}, {0xA00, 0x200}}); }

}  // namespace mrvn::test
