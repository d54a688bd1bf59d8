// The style subset: UA defaults, legacy presentational attributes, <style> blocks with tag, class
// and id selectors (compound, descendant and child), inline style; one computed style per node.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "web/document.h"

namespace mrvn::web {

struct Length {
    enum class Unit { Auto, Px, Percent };
    Unit unit = Unit::Auto;
    float value = 0;
    static Length Px(float v) { return {Unit::Px, v}; }
    static Length Percent(float v) { return {Unit::Percent, v}; }
    bool IsAuto() const { return unit == Unit::Auto; }
    // Pixels against `base` for percentages; `autoValue` when auto.
    int Resolve(int base, int autoValue) const;
};

enum class Display { None, Inline, Block, InlineBlock, ListItem, Table, RowGroup, Row, Cell };
enum class TextAlign { Left, Center, Right };
enum class VAlign { Middle, Top, Bottom };
enum class BgRepeat { Repeat, RepeatX, RepeatY, NoRepeat };
enum class WhiteSpace { Normal, Pre, NoWrap };
enum class ListStyle { Disc, Decimal, None };
enum Side { kTop = 0, kRight = 1, kBottom = 2, kLeft = 3 };

struct ComputedStyle {
    Display display = Display::Inline;
    uint32_t color = 0x000000;  // 0xRRGGBB
    std::optional<uint32_t> background;
    std::wstring backgroundImage;  // absolute address
    Length bgPosX = Length::Px(0), bgPosY = Length::Px(0);
    BgRepeat bgRepeat = BgRepeat::Repeat;
    Length width, height;
    int fontSize = 16;
    int fontWeight = 400;
    bool italic = false;
    bool underline = false;
    TextAlign textAlign = TextAlign::Left;
    bool centerBlocks = false;  // <center> and align=center also centre narrower blocks inside
    VAlign valign = VAlign::Middle;
    WhiteSpace whiteSpace = WhiteSpace::Normal;
    ListStyle listStyle = ListStyle::Disc;
    Length margin[4] = {Length::Px(0), Length::Px(0), Length::Px(0), Length::Px(0)};
    Length padding[4] = {Length::Px(0), Length::Px(0), Length::Px(0), Length::Px(0)};
    int borderWidth = 0;
    uint32_t borderColor = 0x808080;
    bool handCursor = false;  // cursor: pointer (or IE's "hand"); links get the hand anyway
};

// One per node, by NodeId; text nodes carry their parent's.
using Styles = std::vector<ComputedStyle>;

// "#rgb", "#rrggbb", "rgb(r, g, b)", the named colours; legacy attributes also without "#".
bool ParseColor(const std::wstring& text, uint32_t& rgb, bool legacy = false);
// "12px", "12", "1.5em" (against `fontSize`), "9pt", "50%", "auto".
std::optional<Length> ParseLength(const std::wstring& text, int fontSize);

// The page's <style> blocks, all of them, in document order.
Styles ComputeStyles(const Document& doc, int defaultFontSize = 16);

}  // namespace mrvn::web
