#include "net/md5.h"

#include <bit>
#include <cstring>

namespace mrvn {

namespace {

// Little-endian 32-bit load from any address; one plain load on x86.
[[gnu::always_inline]] inline uint32_t Load32(const uint8_t* p) {
    if constexpr (std::endian::native == std::endian::little) {
        uint32_t v;
        std::memcpy(&v, p, sizeof(v));
        return v;
    } else {
        return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
    }
}

// One step of each round, with its message word, constant and shift written in place by the caller:
// the block function is the hot loop of the update check, and constants in the instruction stream
// with fixed rotates are about a third of the instructions of a table-driven loop.
[[gnu::always_inline]] inline void StepF(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t,
                                         int s) {
    a = b + std::rotl(a + (d ^ (b & (c ^ d))) + x + t, s);
}
[[gnu::always_inline]] inline void StepG(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t,
                                         int s) {
    a = b + std::rotl(a + (c ^ (d & (b ^ c))) + x + t, s);
}
[[gnu::always_inline]] inline void StepH(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t,
                                         int s) {
    a = b + std::rotl(a + (b ^ c ^ d) + x + t, s);
}
[[gnu::always_inline]] inline void StepI(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t,
                                         int s) {
    a = b + std::rotl(a + (c ^ (b | ~d)) + x + t, s);
}

}  // namespace

Md5::Md5() : state_{0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u}, pending_{} {}

void Md5::Blocks(const uint8_t* p, size_t count) {
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (; count > 0; --count, p += 64) {
        const uint32_t x0 = Load32(p), x1 = Load32(p + 4), x2 = Load32(p + 8), x3 = Load32(p + 12);
        const uint32_t x4 = Load32(p + 16), x5 = Load32(p + 20), x6 = Load32(p + 24), x7 = Load32(p + 28);
        const uint32_t x8 = Load32(p + 32), x9 = Load32(p + 36), x10 = Load32(p + 40), x11 = Load32(p + 44);
        const uint32_t x12 = Load32(p + 48), x13 = Load32(p + 52), x14 = Load32(p + 56), x15 = Load32(p + 60);
        const uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

        // T[i] = floor(2^32 * |sin(i + 1)|).
        StepF(a, b, c, d, x0, 0xd76aa478, 7);
        StepF(d, a, b, c, x1, 0xe8c7b756, 12);
        StepF(c, d, a, b, x2, 0x242070db, 17);
        StepF(b, c, d, a, x3, 0xc1bdceee, 22);
        StepF(a, b, c, d, x4, 0xf57c0faf, 7);
        StepF(d, a, b, c, x5, 0x4787c62a, 12);
        StepF(c, d, a, b, x6, 0xa8304613, 17);
        StepF(b, c, d, a, x7, 0xfd469501, 22);
        StepF(a, b, c, d, x8, 0x698098d8, 7);
        StepF(d, a, b, c, x9, 0x8b44f7af, 12);
        StepF(c, d, a, b, x10, 0xffff5bb1, 17);
        StepF(b, c, d, a, x11, 0x895cd7be, 22);
        StepF(a, b, c, d, x12, 0x6b901122, 7);
        StepF(d, a, b, c, x13, 0xfd987193, 12);
        StepF(c, d, a, b, x14, 0xa679438e, 17);
        StepF(b, c, d, a, x15, 0x49b40821, 22);

        StepG(a, b, c, d, x1, 0xf61e2562, 5);
        StepG(d, a, b, c, x6, 0xc040b340, 9);
        StepG(c, d, a, b, x11, 0x265e5a51, 14);
        StepG(b, c, d, a, x0, 0xe9b6c7aa, 20);
        StepG(a, b, c, d, x5, 0xd62f105d, 5);
        StepG(d, a, b, c, x10, 0x02441453, 9);
        StepG(c, d, a, b, x15, 0xd8a1e681, 14);
        StepG(b, c, d, a, x4, 0xe7d3fbc8, 20);
        StepG(a, b, c, d, x9, 0x21e1cde6, 5);
        StepG(d, a, b, c, x14, 0xc33707d6, 9);
        StepG(c, d, a, b, x3, 0xf4d50d87, 14);
        StepG(b, c, d, a, x8, 0x455a14ed, 20);
        StepG(a, b, c, d, x13, 0xa9e3e905, 5);
        StepG(d, a, b, c, x2, 0xfcefa3f8, 9);
        StepG(c, d, a, b, x7, 0x676f02d9, 14);
        StepG(b, c, d, a, x12, 0x8d2a4c8a, 20);

        StepH(a, b, c, d, x5, 0xfffa3942, 4);
        StepH(d, a, b, c, x8, 0x8771f681, 11);
        StepH(c, d, a, b, x11, 0x6d9d6122, 16);
        StepH(b, c, d, a, x14, 0xfde5380c, 23);
        StepH(a, b, c, d, x1, 0xa4beea44, 4);
        StepH(d, a, b, c, x4, 0x4bdecfa9, 11);
        StepH(c, d, a, b, x7, 0xf6bb4b60, 16);
        StepH(b, c, d, a, x10, 0xbebfbc70, 23);
        StepH(a, b, c, d, x13, 0x289b7ec6, 4);
        StepH(d, a, b, c, x0, 0xeaa127fa, 11);
        StepH(c, d, a, b, x3, 0xd4ef3085, 16);
        StepH(b, c, d, a, x6, 0x04881d05, 23);
        StepH(a, b, c, d, x9, 0xd9d4d039, 4);
        StepH(d, a, b, c, x12, 0xe6db99e5, 11);
        StepH(c, d, a, b, x15, 0x1fa27cf8, 16);
        StepH(b, c, d, a, x2, 0xc4ac5665, 23);

        StepI(a, b, c, d, x0, 0xf4292244, 6);
        StepI(d, a, b, c, x7, 0x432aff97, 10);
        StepI(c, d, a, b, x14, 0xab9423a7, 15);
        StepI(b, c, d, a, x5, 0xfc93a039, 21);
        StepI(a, b, c, d, x12, 0x655b59c3, 6);
        StepI(d, a, b, c, x3, 0x8f0ccc92, 10);
        StepI(c, d, a, b, x10, 0xffeff47d, 15);
        StepI(b, c, d, a, x1, 0x85845dd1, 21);
        StepI(a, b, c, d, x8, 0x6fa87e4f, 6);
        StepI(d, a, b, c, x15, 0xfe2ce6e0, 10);
        StepI(c, d, a, b, x6, 0xa3014314, 15);
        StepI(b, c, d, a, x13, 0x4e0811a1, 21);
        StepI(a, b, c, d, x4, 0xf7537e82, 6);
        StepI(d, a, b, c, x11, 0xbd3af235, 10);
        StepI(c, d, a, b, x2, 0x2ad7d2bb, 15);
        StepI(b, c, d, a, x9, 0xeb86d391, 21);

        a += a0;
        b += b0;
        c += c0;
        d += d0;
    }
    state_[0] = a;
    state_[1] = b;
    state_[2] = c;
    state_[3] = d;
}

void Md5::Update(const void* data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    bytes_ += size;
    if (pendingSize_ > 0) {
        const size_t take = size < sizeof(pending_) - pendingSize_ ? size : sizeof(pending_) - pendingSize_;
        std::memcpy(pending_ + pendingSize_, p, take);
        pendingSize_ += take;
        p += take;
        size -= take;
        if (pendingSize_ < sizeof(pending_)) return;
        Blocks(pending_, 1);
        pendingSize_ = 0;
    }
    // Whole blocks straight from the caller's buffer.
    const size_t whole = size / sizeof(pending_);
    Blocks(p, whole);
    p += whole * sizeof(pending_);
    size -= whole * sizeof(pending_);
    if (size > 0) {
        std::memcpy(pending_, p, size);
        pendingSize_ = size;
    }
}

Md5::Digest Md5::Final() {
    const uint64_t bits = bytes_ * 8u;
    uint8_t tail[72] = {0x80};  // the 1 bit, zeros up to 56 mod 64, then the length
    const size_t zeros = (pendingSize_ < 56 ? 56 : 120) - pendingSize_;
    for (int i = 0; i < 8; ++i) tail[zeros + static_cast<size_t>(i)] = static_cast<uint8_t>(bits >> (8 * i));
    Update(tail, zeros + 8);
    Digest out{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) out[static_cast<size_t>(4 * i + j)] = static_cast<uint8_t>(state_[i] >> (8 * j));
    }
    return out;
}

std::wstring HexLower(const Md5::Digest& digest) {
    static const wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring out;
    for (uint8_t byte : digest) {
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0xF];
    }
    return out;
}

Md5::Digest Md5Of(const void* data, size_t size) {
    Md5 md5;
    md5.Update(data, size);
    return md5.Final();
}

}  // namespace mrvn
