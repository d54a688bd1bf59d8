// Turns a fuzzer's bytes into the texts and numbers a parser takes, so that one input file reads as
// plain text: fields end at a line feed, bytes stand for the characters of the same code, and
// 0xFF followed by two bytes (little-endian) is any UTF-16 code unit, a line feed or surrogate included.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace mrvn::fuzz {

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}

    bool Empty() const { return p_ == end_; }

    uint8_t Byte() { return p_ == end_ ? 0 : *p_++; }

    int32_t Int() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t{Byte()} << (8 * i);
        return static_cast<int32_t>(v);
    }

    // One field: up to the next line feed byte (dropped) or the end.
    std::wstring Line() {
        std::wstring out;
        while (p_ != end_) {
            const uint8_t b = *p_++;
            if (b == '\n') break;
            if (b == 0xFF) {
                const uint8_t lo = Byte();
                const uint8_t hi = Byte();
                out += static_cast<wchar_t>(lo | (hi << 8));
            } else {
                out += static_cast<wchar_t>(b);
            }
        }
        return out;
    }

    // The same field as bytes, for the parsers that take narrow text.
    std::string NarrowLine() {
        std::string out;
        while (p_ != end_ && *p_ != '\n') out += static_cast<char>(*p_++);
        if (p_ != end_) ++p_;
        return out;
    }

    // Every field that is left.
    std::vector<std::wstring> Lines() {
        std::vector<std::wstring> out;
        while (!Empty()) out.push_back(Line());
        return out;
    }

    std::vector<uint8_t> Rest() {
        std::vector<uint8_t> out(p_, end_);
        p_ = end_;
        return out;
    }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

// A property that must hold for every input; a failure is a finding like a crash.
#define MRVN_FUZZ_CHECK(cond)                                                                   \
    do {                                                                                        \
        if (!(cond)) {                                                                          \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (0)

}  // namespace mrvn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
