// The window-free rules of CBtnEx, CStaticEx and CImgProgress.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/text_measurer.h"
#include "skin/skin_geometry.h"

namespace mrvn {

// ---- CBtnEx

enum ButtonFrame : int { FrameNormal = 0, FrameHover = 1, FramePressed = 2, FrameDisabled = 3 };

// A strip of `frames` equal frames side by side (integer division drops a ragged remainder).
SkinSize StripFrameSize(const SkinSize& strip, int frames = 4);
// Source rectangle of frame `index` inside the strip.
SkinRect StripFrameRect(const SkinSize& strip, int index, int frames = 4);

struct ButtonDrawState {
    bool disabled = false;  // ODS_DISABLED or ODS_GRAYED
    bool selected = false;  // ODS_SELECTED
    bool hover = false;     // m_bHover
};

// DrawItem's frame choice. Showing the pressed frame sets the latch, which only WM_LBUTTONUP clears,
// so a press that wanders off the button keeps looking pressed.
ButtonFrame ChooseButtonFrame(const ButtonDrawState& state, bool& pressedLatch);

// ---- CStaticEx

// Static control styles that steer the text flags.
inline constexpr uint32_t kSsCenter = 0x1;
inline constexpr uint32_t kSsRight = 0x2;
inline constexpr uint32_t kSsTypeMask = 0x1F;
inline constexpr uint32_t kSsCenterImage = 0x200;
inline constexpr uint32_t kSsEndEllipsis = 0x4000;
inline constexpr uint32_t kSsPathEllipsis = 0x8000;
inline constexpr uint32_t kSsEllipsisMask = 0xC000;

// DrawText flags of DrawTextContent for the static's style.
uint32_t StaticTextFlags(uint32_t style);

struct FontSpec {
    int height = 0;
    int width = 0;
    int weight = 400;
    bool underline = false;
    bool operator==(const FontSpec&) const = default;
};
struct StaticFontOverrides {
    int fontWidth = 0;    // m_nFontWidth, 0 = keep
    int fontWeight = -1;  // m_nFontWeight, -1 = keep
    int fontHeight = 0;   // m_nFontHeight, 0 = keep
    bool underline = false;  // m_bUnderline, only ever switches underlining on
};
FontSpec ApplyFontOverrides(FontSpec base, const StaticFontOverrides& o);

// The image left of the text: 3 pixels in, centred vertically.
SkinPoint StaticImagePosition(int controlHeight, int imageHeight);
// m_crHover only when hover colouring is on and the mouse is over the control.
uint32_t StaticTextColor(uint32_t textColor, uint32_t hoverColor, bool hoverColorOn, bool hover);

// The probe whose width / 11 is the smallest useful line width; measured with its terminating NUL.
std::wstring StaticWidthProbe();

struct StaticTextLine {
    std::wstring text;
    SkinRect rect;
    bool operator==(const StaticTextLine&) const = default;
};

struct StaticTextLayout {
    bool drawn = false;  // false when the control is too narrow for a character
    std::vector<StaticTextLine> lines;
    int lineHeight = 0;
    int neededHeight = 0;  // the control grows to this height, never shrinks
};

// DrawTextContent's character-by-character wrap. `client` is the control's client rectangle;
// `imageWidth` is 0 without an image. Carriage returns are skipped, line feeds end a line, and a
// character that does not fit moves to the next line. A character that is wider than the whole line
// on its own stays on a line of its own, so the walk always ends. A surrogate pair is one character.
StaticTextLayout LayoutStaticText(const std::wstring& text, const SkinRect& client, int imageWidth, int lineSpacing,
                                  TextMeasurer& measurer);

// The height the control takes: its own unless the text needs more.
int GrownStaticHeight(int currentHeight, const StaticTextLayout& layout);

// ---- CImgProgress

// m_rcBar: the bar image centred in the track.
SkinRect ProgressBarRect(const SkinSize& track, const SkinSize& bar);

struct BarColumns {
    SkinRect dst;
    int srcX = 0;
    bool operator==(const BarColumns&) const = default;
};

// The bar at `pos` of [lower, upper]: its image's leftmost half of the filled length and its
// rightmost rest, so both rounded ends always show. Nothing for an empty range; the filled length
// stays within the bar.
std::vector<BarColumns> ProgressBarColumns(const SkinRect& bar, int lower, int upper, int pos);

}  // namespace mrvn
