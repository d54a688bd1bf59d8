#include "web/tiles.h"

#include <algorithm>

namespace mrvn::web {

namespace {

long long FloorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }

// One direction: the span [lo, hi) to cover; the first tile's start and the count, narrowing the span
// to what the tiles cover.
bool Axis(long long lo, long long hi, long long origin, long long size, bool repeat, int& first, int& count,
          int& spanLo, int& spanHi) {
    if (size <= 0 || lo >= hi) return false;
    long long start = origin, n = 1;
    if (repeat) {
        const long long k0 = FloorDiv(lo - origin, size), k1 = FloorDiv(hi - 1 - origin, size);
        start = origin + k0 * size;
        n = k1 - k0 + 1;
    } else if (origin >= hi || origin + size <= lo) {
        return false;
    }
    first = static_cast<int>(start);
    count = static_cast<int>(n);
    spanLo = static_cast<int>(std::max(lo, start));
    spanHi = static_cast<int>(std::min(hi, start + n * size));
    return true;
}

}  // namespace

TileRange VisibleTiles(const Rect& box, const Rect& clip, int originX, int originY, int tileW, int tileH,
                       BgRepeat repeat) {
    TileRange r;
    const long long left = std::max(box.x, clip.x), right = std::min<long long>(box.Right(), clip.Right());
    const long long top = std::max(box.y, clip.y), bottom = std::min<long long>(box.Bottom(), clip.Bottom());
    const bool repX = repeat == BgRepeat::Repeat || repeat == BgRepeat::RepeatX;
    const bool repY = repeat == BgRepeat::Repeat || repeat == BgRepeat::RepeatY;
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    if (!Axis(left, right, originX, tileW, repX, r.x, r.across, x0, x1) ||
        !Axis(top, bottom, originY, tileH, repY, r.y, r.down, y0, y1))
        return TileRange{};
    r.area = Rect{x0, y0, x1 - x0, y1 - y0};
    return r;
}

}  // namespace mrvn::web
