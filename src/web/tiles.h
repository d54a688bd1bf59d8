// Which tiles of a background image a paint has to draw: only those that meet both the item's box
// and the area being painted. A 1 x 1 tile over a whole page would otherwise be hundreds of
// thousands of draws for every repaint.
#pragma once
#include "web/layout.h"
#include "web/style.h"

namespace mrvn::web {

struct TileRange {
    int x = 0, y = 0;          // the top-left corner of the first tile to draw
    int across = 0, down = 0;  // how many tiles; 0 when none shows
    Rect area;                 // the part of box and clip that these tiles cover
    bool Empty() const { return across <= 0 || down <= 0; }
    long long Count() const { return Empty() ? 0 : static_cast<long long>(across) * down; }
};

// A `tileW` x `tileH` image whose one tile sits at (originX, originY), repeated as `repeat` says,
// shown inside `box` only; `clip` is what the paint covers. All in the same coordinates.
TileRange VisibleTiles(const Rect& box, const Rect& clip, int originX, int originY, int tileW, int tileH,
                       BgRepeat repeat);

}  // namespace mrvn::web
