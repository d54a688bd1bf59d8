#include "skin/keyed_image.h"

#include <algorithm>

namespace mrvn {

namespace {
constexpr int kCornerBlock = 9;
}

uint32_t DibPixelOf(uint32_t colorRef) {
    const uint32_t r = colorRef & 0xFF;
    const uint32_t g = (colorRef >> 8) & 0xFF;
    const uint32_t b = (colorRef >> 16) & 0xFF;
    return (r << 16) | (g << 8) | b;
}

uint8_t BlendOverWhite(uint8_t channel, uint8_t alpha) {
    return static_cast<uint8_t>((65025 - int(alpha) * (255 - int(channel))) / 255);
}

bool ArgbToKeyedPixels(const std::vector<uint32_t>& argb, int width, int height, uint32_t keyColorRef,
                       std::vector<uint32_t>& dib) {
    dib.clear();
    if (width <= 0 || height <= 0) return false;
    const size_t count = size_t(width) * size_t(height);
    if (argb.size() < count) return false;
    const uint32_t key = DibPixelOf(keyColorRef);
    dib.resize(count);
    for (int i = 0; i < height; ++i) {
        const uint32_t* src = argb.data() + size_t(i) * width;
        uint32_t* dst = dib.data() + size_t(height - 1 - i) * width;  // bottom-up keeps the picture upright
        for (int j = 0; j < width; ++j) {
            const uint32_t s = src[j];
            const uint8_t a = uint8_t(s >> 24);
            if (a == 255) {
                dst[j] = s & 0x00FFFFFF;
            } else if (a == 0) {
                dst[j] = key;
            } else {
                const uint32_t b = BlendOverWhite(uint8_t(s), a);
                const uint32_t g = BlendOverWhite(uint8_t(s >> 8), a);
                const uint32_t r = BlendOverWhite(uint8_t(s >> 16), a);
                dst[j] = (r << 16) | (g << 8) | b;
            }
        }
    }
    return true;
}

std::vector<SkinPoint> CornerRegionHoles(int bw, int bh, int W, int H, const KeyPixelTest& isKey) {
    std::vector<SkinPoint> holes;
    const auto cut = [&](int x, int y) {
        if (x >= 0 && x < W && y >= 0 && y < H) holes.push_back({x, y});
    };
    const int cols = std::min(kCornerBlock, bw);
    // Top corners, then bottom corners; for images under 9 rows the two passes overlap.
    for (int y = 0; y < kCornerBlock && y < bh; ++y) {
        for (int j = 0; j < cols; ++j) {
            if (isKey(j, y)) cut(j, y);
            if (isKey(bw - 1 - j, y)) cut(W - 1 - j, y);
        }
    }
    for (int y = std::max(0, bh - kCornerBlock); y < bh; ++y) {
        const int wy = H - bh + y;
        for (int j = 0; j < cols; ++j) {
            if (isKey(j, y)) cut(j, wy);
            if (isKey(bw - 1 - j, y)) cut(W - 1 - j, wy);
        }
    }
    std::sort(holes.begin(), holes.end());
    holes.erase(std::unique(holes.begin(), holes.end()), holes.end());
    return holes;
}

}  // namespace mrvn
