#include "net/md5.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mrvn {

namespace {

// T[i] = floor(2^32 * |sin(i + 1)|), i in radians, as the algorithm defines its constants.
const uint32_t* SineTable() {
    static const auto table = [] {
        std::array<uint32_t, 64> t{};
        for (int i = 0; i < 64; ++i) {
            t[static_cast<size_t>(i)] = static_cast<uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));
        }
        return t;
    }();
    return table.data();
}

constexpr int kShifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

uint32_t Rotl(uint32_t x, int s) { return (x << s) | (x >> (32 - s)); }

}  // namespace

Md5::Md5() : state_{0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u}, pending_{} {}

void Md5::Block(const uint8_t* block) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) {
        const uint8_t* p = block + 4 * i;
        x[i] = p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
    }
    const uint32_t* t = SineTable();
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int i = 0; i < 64; ++i) {
        const int round = i / 16;
        uint32_t f = 0;
        int k = 0;
        switch (round) {
            case 0: f = (b & c) | (~b & d); k = i; break;
            case 1: f = (b & d) | (c & ~d); k = (1 + 5 * i) % 16; break;
            case 2: f = b ^ c ^ d; k = (5 + 3 * i) % 16; break;
            default: f = c ^ (b | ~d); k = (7 * i) % 16; break;
        }
        const uint32_t sum = a + f + x[k] + t[i];
        a = d;
        d = c;
        c = b;
        b = b + Rotl(sum, kShifts[round][i % 4]);
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

void Md5::Update(const void* data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    bytes_ += size;
    while (size > 0) {
        const size_t take = std::min(size, sizeof(pending_) - pendingSize_);
        std::memcpy(pending_ + pendingSize_, p, take);
        pendingSize_ += take;
        p += take;
        size -= take;
        if (pendingSize_ == sizeof(pending_)) {
            Block(pending_);
            pendingSize_ = 0;
        }
    }
}

Md5::Digest Md5::Final() {
    const uint64_t bits = bytes_ * 8u;
    const uint8_t one = 0x80;
    Update(&one, 1);
    const uint8_t zero = 0;
    while (pendingSize_ != 56) Update(&zero, 1);
    uint8_t length[8];
    for (int i = 0; i < 8; ++i) length[i] = static_cast<uint8_t>(bits >> (8 * i));
    Update(length, sizeof(length));
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
