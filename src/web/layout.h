// Layout of a styled tree into a display list: block and inline flow with word wrap, simple
// tables, images, form fields as boxes for the host's own controls, link areas.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/image_sizes.h"
#include "platform/text_measurer.h"
#include "web/document.h"
#include "web/style.h"

namespace mrvn::web {

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    int Right() const { return x + w; }
    int Bottom() const { return y + h; }
    bool Contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
    bool operator==(const Rect&) const = default;
};

enum class ItemKind { Fill, Border, Image, Text, Control, Link };
enum class ControlKind { Text, Password, Checkbox, Radio, Select, ListBox, TextArea, Submit, Reset, Button, ImageSubmit };

// One thing to paint (or, for Link, to hit test), in paint order; coordinates are the document's.
struct DisplayItem {
    ItemKind kind = ItemKind::Fill;
    Rect rect;
    NodeId node = kNoNode;  // the element (the text node for Text)
    uint32_t color = 0;     // Fill, Border, Text: 0xRRGGBB
    int borderWidth = 0;    // Border: a frame of this width inside rect
    std::wstring text;      // Text: one line's run; Control: the button's label
    TextFont font;          // Text
    // Image: either drawn scaled into rect (an <img>), or a background whose origin is at
    // rect.x + imageX, rect.y + imageY, tiled by `repeat` and clipped to rect.
    std::wstring url;
    bool stretch = false;
    int imageX = 0, imageY = 0;
    BgRepeat repeat = BgRepeat::NoRepeat;
    ControlKind control = ControlKind::Text;  // Control
    std::wstring href;                        // Link: absolute address
};

struct PageLayout {
    std::vector<DisplayItem> items;
    std::vector<Rect> boxes;  // by NodeId: the element's border box; empty for what is not shown
    std::vector<char> placed;
    int width = 0, height = 0;  // the document's size, for scroll bars
    // The root's or body's background fills the whole window; its image, if any, is the first item,
    // as large as the document (at least the viewport).
    uint32_t canvasColor = 0xFFFFFF;
    std::wstring bodyScroll;  // the body's scroll attribute, lower-cased ("" when absent)
    std::vector<std::wstring> missingImages;  // addresses the image-size seam did not know yet

    bool IsPlaced(NodeId n) const { return n >= 0 && static_cast<size_t>(n) < placed.size() && placed[static_cast<size_t>(n)]; }
    Rect Box(NodeId n) const { return IsPlaced(n) ? boxes[static_cast<size_t>(n)] : Rect{}; }
};

struct LayoutOptions {
    int viewportWidth = 800;
    int viewportHeight = 600;
};

PageLayout LayoutPage(const Document& doc, const Styles& styles, TextMeasurer& measurer, ImageSizes& images,
                      const LayoutOptions& options);

// The innermost shown element at a document point (the body when nothing else is there).
NodeId HitTest(const Document& doc, const PageLayout& layout, int x, int y);
// The link (<a href>) under a point, or kNoNode.
NodeId LinkAt(const PageLayout& layout, int x, int y);

// offsetLeft/Top/Width/Height: against the offset parent (the nearest td, th or table above, else
// the document itself).
struct ElementOffsets {
    int left = 0, top = 0, width = 0, height = 0;
    NodeId offsetParent = kNoNode;
};
ElementOffsets OffsetsOf(const Document& doc, const PageLayout& layout, NodeId n);

// Whether a line may break between two neighbouring characters with no blank between them:
// around CJK characters, but never before closing punctuation nor after opening punctuation.
bool CanBreakBetween(char32_t before, char32_t after);

}  // namespace mrvn::web
