// The window-free rules of CDlgEx: how the skin is blitted, where the frame answers the mouse, where
// the icon, title and caption buttons stand, and where ToggleMaximize puts the window.
#pragma once
#include <optional>
#include <vector>

#include "resource.h"
#include "skin/skin_geometry.h"

namespace mrvn {

// CDlgEx's frame members with the constructor's defaults (m_nCaptionHeight and so on).
struct DlgFrameStyle {
    bool showTitle = true;
    int captionHeight = -1;  // -1: the whole window is caption
    int btnRightMargin = 5;
    int btnTop = 1;
    int btnSpacing = 0;
    int border = 3;
    uint32_t titleColor = 0xFFFFFF;
    int titleWeight = 400;
    int maxWidth = 1440;
    int maxHeight = 900;
    bool resizable = false;
    bool stretchSkin = false;
};

// Caption button control ids and their tooltips.
inline constexpr int kSkinCloseId = IDC_SKIN_CLOSE;
inline constexpr int kSkinMinimizeId = IDC_SKIN_MIN;
inline constexpr int kSkinMaximizeId = IDC_SKIN_MAX;
inline constexpr wchar_t kTipClose[] = L"关闭";
inline constexpr wchar_t kTipMinimize[] = L"最小化";
// The maximize button's tooltip names what a click will do.
const wchar_t* MaximizeTip(bool maximized);

// OnInitDialog throws the system frame away: no caption or modal frame, but a minimize box so the
// taskbar can still minimize the window; no dialog or window edge.
uint32_t FramelessStyle(uint32_t style);
uint32_t FramelessExStyle(uint32_t exStyle);

// PaintParentBackground: the child's offset inside its parent, from both screen rectangles.
SkinPoint ParentPaintOffset(const SkinRect& childScreen, const SkinRect& parentScreen);

enum class BlitKind { Copy, Stretch };

// One BitBlt (Copy: source of the destination's size) or StretchBlt of the background image.
struct BlitOp {
    BlitKind kind = BlitKind::Copy;
    SkinRect dst;
    SkinRect src;
    bool operator==(const BlitOp&) const = default;
};

// The background blits of WM_ERASEBKGND for a bw x bh image on a W x H window, in drawing order.
// Blits of no area are left out (a negative extent would mirror the image); the 1:1 copy is clipped
// to the image, since nothing lies beyond it.
std::vector<BlitOp> BackgroundBlitPlan(int bw, int bh, int W, int H, int border, int captionHeight,
                                       bool stretchSkin);

// Hit codes with their Win32 values; HitDefault asks for the system's own answer.
enum FrameHit : int {
    HitDefault = -1,
    HitCaption = 2,
    HitLeft = 10,
    HitRight = 11,
    HitTop = 12,
    HitTopLeft = 13,
    HitTopRight = 14,
    HitBottom = 15,
    HitBottomLeft = 16,
    HitBottomRight = 17,
};

// WM_NCHITTEST for client point (x, y) of a W x H client area.
FrameHit FrameHitTest(const DlgFrameStyle& style, bool maximized, int x, int y, int W, int H);

// The SC_SIZE command (0xF001..0xF008) that WM_NCLBUTTONDOWN sends for a border hit, else 0.
unsigned SizeCommandForHit(int hit);

// Whether a caption double click (non-client, with its hit code) toggles the maximized state.
bool NcDoubleClickToggles(const DlgFrameStyle& style, int hit);
// Whether a client double click at client row y toggles (it only happens while maximized).
bool ClientDoubleClickToggles(const DlgFrameStyle& style, bool maximized, int y);

// Icon at (border, 6) for a whole-window caption, else centred in the caption band.
SkinPoint IconPosition(const DlgFrameStyle& style);
// Title origin for a font of height `fontHeight` (LOGFONT sign ignored).
SkinPoint TitlePosition(const DlgFrameStyle& style, bool hasIcon, int fontHeight);
// The area SetTitle repaints: from the title origin to the client's right edge, one text high.
SkinRect TitleRepaintRect(const DlgFrameStyle& style, bool hasIcon, int fontHeight, int textHeight,
                          int clientWidth);

// The restore rectangle OnInitDialog takes from the work area.
SkinRect InitialRestoreRect(const SkinRect& workArea);
// The maximized rectangle: the work area, centred down to at most maxWidth x maxHeight.
SkinRect MaximizedRect(const SkinRect& workArea, int maxWidth, int maxHeight);

// Caption buttons from strips; a strip of width 0 means no such button. Frames are strip width / 4.
struct CaptionStrips {
    SkinSize close;
    SkinSize maximize;
    SkinSize minimize;
};
struct CaptionButtons {
    std::optional<SkinRect> close;
    std::optional<SkinRect> maximize;
    std::optional<SkinRect> minimize;
    bool operator==(const CaptionButtons&) const = default;
};

// CreateImageButton: one frame of the strip with its right edge at x and its top at y.
SkinRect ImageButtonRect(const SkinSize& strip, int rightX, int top);

// SetSkin's first placement, right to left: close, maximize, minimize, spaced by btnSpacing.
// The spacing only follows a button that was placed.
CaptionButtons PlaceCaptionButtons(const DlgFrameStyle& style, int layoutRight, const CaptionStrips& strips);
// WM_SIZE's re-layout: the same order packed against the right margin, tops and sizes kept.
CaptionButtons RelayoutCaptionButtons(const DlgFrameStyle& style, int clientWidth, const CaptionButtons& current);

}  // namespace mrvn
