// Pixel geometry shared by the skin rules: RECT-shaped rectangles (right and bottom exclusive).
#pragma once
#include <compare>
#include <cstdint>

namespace mrvn {

struct SkinPoint {
    int x = 0;
    int y = 0;
    auto operator<=>(const SkinPoint&) const = default;
};

struct SkinSize {
    int width = 0;
    int height = 0;
    bool operator==(const SkinSize&) const = default;
};

struct SkinRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const SkinRect&) const = default;
};

inline SkinRect RectXywh(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }

// The key colour as a COLORREF (0x00BBGGRR): magenta marks pixels that are not there.
inline constexpr uint32_t kKeyColorRef = 0x00FF00FF;

}  // namespace mrvn
