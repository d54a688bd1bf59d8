// Geometry of the main window's caption band: the tab strip, its hit tests, the title-bar controls,
// the page area and the minimum size. Client coordinates in pixels; rectangles exclude right and bottom.
#pragma once
#include <string>

#include "platform/text_measurer.h"
#include "skin/skin_geometry.h"

namespace mrvn {

inline constexpr int kStripLeft = 120;
inline constexpr int kTabWidth = 189;
inline constexpr int kTabTop = 3;
inline constexpr int kTabBottom = 25;       // the tab image covers rows 3 to 24
inline constexpr int kCloseBoxSize = 13;    // the last 13 pixels of a tab
inline constexpr int kCloseHitBottom = 16;  // the close box answers on rows 3 to 15
inline constexpr int kLabelInset = 16;
inline constexpr int kLabelWidth = 160;
inline constexpr int kCaptionHeight = 30;

// Frames of the tab background strip and of the close box strip.
inline constexpr int kTabFrameNormal = 0, kTabFrameHover = 1, kTabFrameCurrent = 2;
inline constexpr int kCloseFrameNormal = 0, kCloseFrameHover = 1, kCloseFramePressed = 2;

SkinRect TabRect(int index);
SkinRect TabCloseRect(int index);
SkinRect TabLabelRect(int index);
// From the strip's left to the right end of `tabs` tabs: what attaching or closing repaints.
SkinRect StripRect(int tabs);

struct StripHit {
    int tab = -1;          // -1: the point is outside the strip's hit zone
    bool onClose = false;  // on that tab's close box
    bool operator==(const StripHit&) const = default;
};

// The strip answers for 120 < x < 120 + 189 n and 3 <= y <= 24; with no tab, nowhere.
StripHit HitTestStrip(SkinPoint client, int tabs);

// The part of a label that fits the 160-pixel text rectangle, cut without an ellipsis and never
// inside a surrogate pair.
std::wstring CutTabLabel(const std::wstring& label, TextMeasurer& measurer);

// Where the title-bar controls stand for client width W (the base's three caption buttons take the
// last 87 pixels).
struct TitleBarLayout {
    SkinRect hide, sound, menu, hall, otherAccount;
    bool operator==(const TitleBarLayout&) const = default;
};
TitleBarLayout LayoutTitleBar(int clientWidth);

// WM_SIZE bookkeeping: the controls move only when the client width changed.
class TitleBarWidth {
public:
    struct Change {
        bool relayout = false;       // move the five controls to LayoutTitleBar(width), repaint them
        bool repaintCorner = false;  // before Vista: have the desktop repaint the top-right 4 x 4 square
        bool operator==(const Change&) const = default;
    };
    Change OnSize(int clientWidth, bool controlsExist, int osMajorVersion);

private:
    int previous_ = 0;
};

// The screen square the desktop repaints after a narrowing, from the window's screen rectangle.
SkinRect CornerRepaintRect(const SkinRect& window);

// Where the current page frame or the hall frame is shown: 4 pixels in left, right and bottom, 30 at
// the top; never of negative size.
SkinRect PageArea(SkinSize client);

// The smallest window WM_WINDOWPOSCHANGING allows: 483 + 189 n by 260 with n pages; none without pages.
SkinSize MinimumWindowSize(int pages);

struct SizeClamp {
    bool raised = false;  // the proposed size was below the minimum: use cx, cy and stop there
    int cx = 0;
    int cy = 0;
};
SizeClamp ClampWindowSize(int cx, int cy, int pages);

}  // namespace mrvn
