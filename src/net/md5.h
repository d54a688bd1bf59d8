// MD5 message digest (RFC 1321): the release key of the self-update is built from it.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace mrvn {

class Md5 {
public:
    using Digest = std::array<uint8_t, 16>;

    Md5();
    void Update(const void* data, size_t size);
    // Pads, appends the bit length and returns the digest. The object is spent afterwards.
    Digest Final();

private:
    // `count` 64-byte blocks from `p`, which need not be aligned.
    void Blocks(const uint8_t* p, size_t count);

    uint32_t state_[4];
    uint64_t bytes_ = 0;  // message length so far; the bit length is taken modulo 2^64
    uint8_t pending_[64];
    size_t pendingSize_ = 0;
};

// 32 lower-case hexadecimal digits, two per byte as "%02x" writes them.
std::wstring HexLower(const Md5::Digest& digest);

Md5::Digest Md5Of(const void* data, size_t size);

}  // namespace mrvn
