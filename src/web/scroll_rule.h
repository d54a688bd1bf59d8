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

}  // namespace mrvn::web
