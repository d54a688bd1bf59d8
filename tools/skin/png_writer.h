// A small PNG writer for the skin generator: CRC-32, Adler-32, a fixed-Huffman deflate with greedy
// LZ77, and PNG files in RGB, palette (with per-entry alpha) or RGBA form. Standard library only.
#pragma once
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace pngw {

using Bytes = std::vector<uint8_t>;

inline uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

inline uint32_t Adler32(const uint8_t* data, size_t size) {
    uint32_t a = 1, b = 0;
    for (size_t i = 0; i < size; ++i) {
        a = (a + data[i]) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

namespace detail {

class BitWriter {
public:
    explicit BitWriter(Bytes& out) : out_(out) {}
    void Bits(uint32_t value, int count) {  // least significant bit first
        for (int i = 0; i < count; ++i) {
            if (value & (1u << i)) cur_ |= uint8_t(1u << used_);
            if (++used_ == 8) Flush();
        }
    }
    void Huffman(uint32_t code, int length) {  // Huffman codes go most significant bit first
        for (int i = length - 1; i >= 0; --i) Bits((code >> i) & 1, 1);
    }
    void Finish() {
        if (used_) Flush();
    }

private:
    void Flush() {
        out_.push_back(cur_);
        cur_ = 0;
        used_ = 0;
    }
    Bytes& out_;
    uint8_t cur_ = 0;
    int used_ = 0;
};

inline void Literal(BitWriter& w, int sym) {
    if (sym < 144) w.Huffman(0x30 + sym, 8);
    else if (sym < 256) w.Huffman(0x190 + sym - 144, 9);
    else if (sym < 280) w.Huffman(sym - 256, 7);
    else w.Huffman(0xC0 + sym - 280, 8);
}

inline void Match(BitWriter& w, int length, int distance) {
    static const int lenBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const int lenExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static const int distBase[] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                   193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    static const int distExtra[] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
    int l = 28;
    while (lenBase[l] > length) --l;
    Literal(w, 257 + l);
    w.Bits(uint32_t(length - lenBase[l]), lenExtra[l]);
    int d = 29;
    while (distBase[d] > distance) --d;
    w.Huffman(uint32_t(d), 5);
    w.Bits(uint32_t(distance - distBase[d]), distExtra[d]);
}

}  // namespace detail

// One final fixed-Huffman block; matches from a 32 KiB window found through 3-byte hash chains.
inline Bytes Deflate(const Bytes& in) {
    Bytes out;
    detail::BitWriter w(out);
    w.Bits(1, 1);  // final block
    w.Bits(1, 2);  // fixed Huffman codes
    constexpr int kWindow = 32768, kHashSize = 1 << 15, kMaxChain = 128, kMaxLen = 258;
    std::vector<int> head(kHashSize, -1), prev(in.size(), -1);
    const auto hashAt = [&](size_t i) {
        return ((uint32_t(in[i]) << 10) ^ (uint32_t(in[i + 1]) << 5) ^ in[i + 2]) & (kHashSize - 1);
    };
    const auto insert = [&](size_t i) {
        if (i + 2 >= in.size()) return;
        const uint32_t h = hashAt(i);
        prev[i] = head[h];
        head[h] = int(i);
    };
    size_t i = 0;
    while (i < in.size()) {
        int bestLen = 0, bestDist = 0;
        if (i + 2 < in.size()) {
            int cand = head[hashAt(i)];
            const int limit = int(std::min<size_t>(kMaxLen, in.size() - i));
            for (int chain = 0; cand >= 0 && chain < kMaxChain && int(i) - cand <= kWindow; ++chain) {
                int len = 0;
                while (len < limit && in[cand + len] == in[i + len]) ++len;
                if (len > bestLen) {
                    bestLen = len;
                    bestDist = int(i) - cand;
                    if (len == limit) break;
                }
                cand = prev[cand];
            }
        }
        if (bestLen >= 3) {
            detail::Match(w, bestLen, bestDist);
            for (int k = 0; k < bestLen; ++k) insert(i + k);
            i += bestLen;
        } else {
            detail::Literal(w, in[i]);
            insert(i);
            ++i;
        }
    }
    detail::Literal(w, 256);
    w.Finish();
    return out;
}

inline void PutBe32(Bytes& v, uint32_t x) {
    for (int s = 24; s >= 0; s -= 8) v.push_back(uint8_t(x >> s));
}

// zlib wrapper: header (deflate, 32 KiB window, no dictionary), data, Adler-32 of the input.
inline Bytes ZlibCompress(const Bytes& in) {
    Bytes out = {0x78, 0x01};
    const Bytes body = Deflate(in);
    out.insert(out.end(), body.begin(), body.end());
    PutBe32(out, Adler32(in.data(), in.size()));
    return out;
}

inline void Chunk(Bytes& png, const char type[5], const Bytes& data) {
    PutBe32(png, uint32_t(data.size()));
    const size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    PutBe32(png, Crc32(png.data() + start, png.size() - start));
}

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 0;
    bool operator==(const Rgba&) const = default;
};

enum class PngForm { Rgb, Palette, Rgba };

// Adds a filter byte per row, choosing the filter (none, sub, up, average, Paeth) that gives the
// smallest sum of absolute residuals, which is the usual cheap guess.
// Palette images keep filter 0 on every row: prediction between palette indices means nothing.
inline Bytes FilterRows(const Bytes& raw, int width, int height, int bpp, bool adaptive = true) {
    const size_t stride = size_t(width) * bpp;
    Bytes out;
    out.reserve((stride + 1) * height);
    Bytes zero(stride, 0), cand(stride);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = raw.data() + y * stride;
        const uint8_t* up = y ? row - stride : zero.data();
        int bestType = 0;
        long bestCost = -1;
        Bytes best;
        for (int type = 0; type < (adaptive ? 5 : 1); ++type) {
            long cost = 0;
            for (size_t x = 0; x < stride; ++x) {
                const int a = x >= size_t(bpp) ? row[x - bpp] : 0;
                const int b = up[x];
                const int c = x >= size_t(bpp) ? up[x - bpp] : 0;
                int pred = 0;
                if (type == 1) pred = a;
                if (type == 2) pred = b;
                if (type == 3) pred = (a + b) / 2;
                if (type == 4) {
                    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                    pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
                }
                cand[x] = uint8_t(row[x] - pred);
                cost += cand[x] < 128 ? cand[x] : 256 - cand[x];
            }
            if (bestCost < 0 || cost < bestCost) {
                bestCost = cost;
                bestType = type;
                best = cand;
            }
        }
        out.push_back(uint8_t(bestType));
        out.insert(out.end(), best.begin(), best.end());
    }
    return out;
}

// Encodes top-down pixels. Palette form fails (empty result, `error` set) beyond 256 colours.
inline Bytes EncodePng(const std::vector<Rgba>& px, int width, int height, PngForm form, std::string* error = nullptr) {
    Bytes raw, plte, trns;
    int bpp = 4, colorType = 6;
    if (form == PngForm::Rgba) {
        for (const Rgba& p : px) raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
    } else if (form == PngForm::Rgb) {
        bpp = 3;
        colorType = 2;
        for (const Rgba& p : px) raw.insert(raw.end(), {p.r, p.g, p.b});
    } else {
        bpp = 1;
        colorType = 3;
        std::vector<Rgba> palette;
        for (const Rgba& p : px) {
            size_t k = 0;
            while (k < palette.size() && !(palette[k] == p)) ++k;
            if (k == palette.size()) {
                if (palette.size() == 256) {
                    if (error) *error = "more than 256 colours";
                    return {};
                }
                palette.push_back(p);
            }
            raw.push_back(uint8_t(k));
        }
        for (const Rgba& p : palette) {
            plte.insert(plte.end(), {p.r, p.g, p.b});
            trns.push_back(p.a);
        }
    }
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    PutBe32(ihdr, uint32_t(width));
    PutBe32(ihdr, uint32_t(height));
    ihdr.insert(ihdr.end(), {8, uint8_t(colorType), 0, 0, 0});
    Chunk(png, "IHDR", ihdr);
    if (form == PngForm::Palette) {
        Chunk(png, "PLTE", plte);
        Chunk(png, "tRNS", trns);
    }
    Chunk(png, "IDAT", ZlibCompress(FilterRows(raw, width, height, bpp, form != PngForm::Palette)));
    Chunk(png, "IEND", {});
    return png;
}

}  // namespace pngw
