// Which scroll bars a page gets: the body's scroll attribute first, then the host's wish.
#pragma once
#include <string>

namespace mrvn::web {

struct ScrollBars {
    bool vertical = false;
    bool horizontal = false;
    bool operator==(const ScrollBars&) const = default;
};

// `bodyScroll` lower-cased: "no" never, "yes" always the vertical bar (the horizontal on overflow),
// "auto" on overflow; anything else leaves it to the host (`hostNoScroll`: none at all). A bar takes
// room from the other direction, so a second look decides whether that made the other overflow too.
ScrollBars ChooseScrollBars(const std::wstring& bodyScroll, bool hostNoScroll, int docWidth, int docHeight,
                            int viewWidth, int viewHeight, int barSize);

// Wheel turns to pixels. A notch is 120; high-resolution wheels send much less per message, so the
// turn is kept until it makes whole pixels, and the rest carries over. Turning back drops the rest.
class WheelAccumulator {
public:
    // Pixels to scroll for `delta` (positive: towards the top), `pixelsPerNotch` a notch's worth.
    int Take(int delta, int pixelsPerNotch);
    void Reset() { rest_ = 0; }

private:
    long long rest_ = 0;  // in 1/120 pixels
};

}  // namespace mrvn::web
