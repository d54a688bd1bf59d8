#include "web/layout.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "web/charset.h"
#include "web/web_text.h"

namespace mrvn::web {
namespace {

constexpr int kMaxColumns = 500;
constexpr int kMaxSpan = 500;
constexpr int kMaxSize = 1000000;  // any one width or height, so sums cannot overflow
constexpr int kMaxCoord = 1 << 28;  // any position; a page longer than this is cut

int Clamp(long long v) { return static_cast<int>(std::clamp<long long>(v, -kMaxSize, kMaxSize)); }
// Adds to a position without leaving the page's range.
int Advance(int pos, long long by) { return static_cast<int>(std::clamp<long long>(pos + by, -kMaxCoord, kMaxCoord)); }
bool IsCjk(char32_t c) {
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}

// Characters that may not start a line.
bool NoStart(char32_t c) {
    static const char32_t kSet[] = {U'，', U'。', U'、', U'；', U'：', U'？', U'！', U'）', U'】', U'》', U'」',
                                    U'』', U'〉', U'”', U'’', U'…', U'·', U'～', U'％', U'〕', U'｝', U'］',
                                    U'.',  U',',  U';',  U':',  U'?',  U'!',  U')',  U']',  U'}',  U'%',  U'ー'};
    return std::find(std::begin(kSet), std::end(kSet), c) != std::end(kSet);
}
// Characters that may not end a line.
bool NoEnd(char32_t c) {
    static const char32_t kSet[] = {U'（', U'【', U'《', U'「', U'『', U'〈', U'“', U'‘', U'〔', U'｛', U'［',
                                    U'(',  U'[',  U'{'};
    return std::find(std::begin(kSet), std::end(kSet), c) != std::end(kSet);
}

TextFont FontOf(const ComputedStyle& s) { return {s.fontSize, s.fontWeight, s.italic, s.underline}; }

struct Piece {
    std::wstring text;
    int width = 0;        // with its trailing blank
    int spaceWidth = 0;   // of that blank
    int height = 0;
    bool breakBefore = false;
    bool forcedBreak = false;  // a line feed in preformatted text, after this piece
};

class Engine;

// Collapses and splits one text node's text into pieces between break opportunities.
struct Segmenter {
    bool lastSpace = true;  // the previous character shown was a blank (or the line just began)
    char32_t prev = 0;
    bool breakNext = false;  // a break is allowed before the next piece
};

struct LineItem {
    enum class Kind { Text, Atomic } kind = Kind::Text;
    Piece piece;
    TextFont font;
    uint32_t color = 0;
    NodeId node = kNoNode;
    std::vector<NodeId> inlines;  // open inline elements, outermost first
    int width = 0, height = 0;
    int marginLeft = 0;
    size_t itemBegin = 0, itemEnd = 0, logBegin = 0, logEnd = 0;  // Atomic: what to move into place
    bool breakBefore = false;
};

class Engine {
public:
    Engine(const Document& d, const Styles& s, TextMeasurer& tm, ImageSizes& im, PageLayout& out)
        : d_(d), st_(s), tm_(tm), im_(im), out_(out), minmax_(d.nodes.size(), {-1, -1}) {
        out_.boxes.assign(d.nodes.size(), Rect{});
        out_.placed.assign(d.nodes.size(), 0);
    }

    const ComputedStyle& S(NodeId n) const { return st_[static_cast<size_t>(n)]; }
    const Document& Doc() const { return d_; }
    PageLayout& Out() { return out_; }

    TextExtent Measure(const TextFont& f, const std::wstring& text) {
        std::wstring key = text;
        key += L'\x1';
        key += std::to_wstring(f.size) + L"," + std::to_wstring(f.weight) + (f.italic ? L"i" : L"");
        auto it = cache_.find(key);
        if (it != cache_.end()) return it->second;
        if (!(f == font_)) {
            tm_.UseFont(f);
            font_ = f;
        }
        TextExtent e = tm_.Measure(text);
        e.width = std::clamp(e.width, 0, kMaxSize);
        e.height = std::clamp(e.height, 0, kMaxSize);
        cache_.emplace(std::move(key), e);
        return e;
    }
    int LineHeight(const TextFont& f) { return std::max(1, Measure(f, L"x").height); }

    std::vector<Piece> Segment(const std::wstring& text, const ComputedStyle& s, Segmenter& seg) {
        std::vector<Piece> out;
        const TextFont font = FontOf(s);
        const bool pre = s.whiteSpace == WhiteSpace::Pre;
        const bool wrap = s.whiteSpace == WhiteSpace::Normal;
        Piece cur;
        auto flush = [&](bool forced) {
            if (cur.text.empty() && !forced) return;
            const TextExtent e = Measure(font, cur.text);
            cur.width = cur.text.empty() ? 0 : e.width;
            cur.height = e.height > 0 ? e.height : LineHeight(font);
            if (!cur.text.empty() && cur.text.back() == L' ' && !pre) cur.spaceWidth = Measure(font, L" ").width;
            cur.forcedBreak = forced;
            out.push_back(std::move(cur));
            cur = Piece{};
        };
        for (size_t i = 0; i < text.size();) {
            const size_t at = i;
            const char32_t c = NextCodePoint(text, i);
            if (pre && (c == U'\n' || c == U'\r')) {
                if (c == U'\r' && i < text.size() && text[i] == L'\n') ++i;
                flush(true);
                seg.prev = 0;
                continue;
            }
            if (!pre && c < 0x80 && IsBlank(static_cast<wchar_t>(c))) {
                if (!seg.lastSpace) {
                    cur.text += L' ';
                    seg.lastSpace = true;
                    flush(false);
                    if (wrap) seg.breakNext = true;
                }
                seg.prev = U' ';
                continue;
            }
            if (wrap && seg.prev != 0 && seg.prev != U' ' && CanBreakBetween(seg.prev, c)) {
                flush(false);
                seg.breakNext = true;
            }
            if (cur.text.empty()) {
                cur.breakBefore = seg.breakNext;
                seg.breakNext = false;
            }
            cur.text.append(text, at, i - at);
            seg.lastSpace = false;
            seg.prev = c;
        }
        flush(false);
        return out;
    }

    // ---- sizes of replaced elements and fields

    std::pair<int, int> ImageSize(NodeId n, int cbWidth, const std::wstring& url) {
        const ComputedStyle& s = S(n);
        int w = s.width.IsAuto() ? -1 : s.width.Resolve(cbWidth, 0);
        int h = s.height.unit == Length::Unit::Px ? s.height.Resolve(0, 0) : -1;
        if (w >= 0 && h >= 0) return {std::min(w, kMaxSize), std::min(h, kMaxSize)};
        int nw = 0, nh = 0;
        if (url.empty() || !im_.Size(url, nw, nh) || nw < 0 || nh < 0) {
            if (!url.empty() && std::find(out_.missingImages.begin(), out_.missingImages.end(), url) ==
                                    out_.missingImages.end())
                out_.missingImages.push_back(url);
            return {std::clamp(w, 0, kMaxSize), std::clamp(h, 0, kMaxSize)};
        }
        nw = std::min(nw, kMaxSize);
        nh = std::min(nh, kMaxSize);
        if (w >= 0) return {std::min(w, kMaxSize), nw ? Clamp(static_cast<long long>(nh) * w / nw) : nh};
        if (h >= 0) return {nh ? Clamp(static_cast<long long>(nw) * h / nh) : nw, std::min(h, kMaxSize)};
        return {nw, nh};
    }

    std::wstring TypeOf(NodeId n) const { return LowerAscii(d_.AttrOr(n, L"type")); }

    static int IntAttr(const Document& d, NodeId n, const wchar_t* name, int def, int lo, int hi) {
        const std::wstring* v = d.Attr(n, name);
        if (!v) return def;
        long x = 0;
        size_t i = 0;
        while (i < v->size() && IsBlank((*v)[i])) ++i;
        if (i >= v->size() || (*v)[i] < L'0' || (*v)[i] > L'9') return def;
        while (i < v->size() && (*v)[i] >= L'0' && (*v)[i] <= L'9' && x < 10000000) x = x * 10 + ((*v)[i++] - L'0');
        return static_cast<int>(std::clamp<long>(x, lo, hi));
    }

    std::wstring ButtonLabel(NodeId n) {
        const std::wstring& tag = d_[n].name;
        std::wstring label;
        if (tag == L"button") label = d_.TextContent(n);
        else if (d_.HasAttr(n, L"value")) label = d_.AttrOr(n, L"value");
        else label = TypeOf(n) == L"reset" ? L"重置" : TypeOf(n) == L"submit" ? L"提交" : L"";
        return CollapseBlanks(label);
    }

    struct Field {
        ControlKind kind;
        int w, h;
        std::wstring label;
    };

    Field FieldOf(NodeId n, int cbWidth) {
        const ComputedStyle& s = S(n);
        const TextFont font = FontOf(s);
        const int lh = LineHeight(font);
        const int charW = std::max(1, Measure(font, L"x").width);
        const std::wstring& tag = d_[n].name;
        const std::wstring type = TypeOf(n);
        Field f{ControlKind::Text, 0, 0, L""};
        if (tag == L"select") {
            const int rows = IntAttr(d_, n, L"size", 1, 1, 100);
            const bool list = rows > 1 || d_.HasAttr(n, L"multiple");
            int widest = 0;
            for (NodeId o : d_.Descendants(n)) {
                if (d_.IsElement(o, L"option")) widest = std::max(widest, Measure(font, d_.TextContent(o)).width);
            }
            f = {list ? ControlKind::ListBox : ControlKind::Select, widest + 24,
                 list ? (rows > 1 ? rows : 4) * lh + 4 : lh + 6, L""};
        } else if (tag == L"textarea") {
            f = {ControlKind::TextArea, IntAttr(d_, n, L"cols", 20, 1, 1000) * charW + 20,
                 IntAttr(d_, n, L"rows", 2, 1, 1000) * lh + 6, L""};
        } else if (tag == L"button" || type == L"submit" || type == L"reset" || type == L"button") {
            f.label = ButtonLabel(n);
            f.kind = tag == L"button" ? (type == L"reset" ? ControlKind::Reset : type == L"button" ? ControlKind::Button
                                                                                                   : ControlKind::Submit)
                     : type == L"submit" ? ControlKind::Submit
                     : type == L"reset"  ? ControlKind::Reset
                                         : ControlKind::Button;
            f.w = Measure(font, f.label).width + 16;
            f.h = lh + 8;
        } else if (type == L"checkbox" || type == L"radio") {
            f = {type == L"radio" ? ControlKind::Radio : ControlKind::Checkbox, 13, 13, L""};
        } else if (type == L"image") {
            const std::wstring url = d_.Resolve(d_.AttrOr(n, L"src"));
            const auto [w, h] = ImageSize(n, cbWidth, url);
            return {ControlKind::ImageSubmit, w, h, url};
        } else {
            f = {type == L"password" ? ControlKind::Password : ControlKind::Text,
                 IntAttr(d_, n, L"size", 20, 1, 1000) * charW + 6, lh + 6, L""};
        }
        if (!s.width.IsAuto()) f.w = std::clamp(s.width.Resolve(cbWidth, f.w), 0, kMaxSize);
        if (s.height.unit == Length::Unit::Px) f.h = std::clamp(s.height.Resolve(0, f.h), 0, kMaxSize);
        return f;
    }

    // ---- min/max widths, for tables and shrink-to-fit boxes

    bool IsAtomic(NodeId n) const {
        const std::wstring& t = d_[n].name;
        return t == L"img" || t == L"input" || t == L"select" || t == L"textarea" || t == L"button";
    }

    int HorizontalExtras(NodeId n, bool withMargins) const {
        const ComputedStyle& s = S(n);
        int e = s.padding[kLeft].Resolve(0, 0) + s.padding[kRight].Resolve(0, 0) + 2 * s.borderWidth;
        if (withMargins) e += s.margin[kLeft].Resolve(0, 0) + s.margin[kRight].Resolve(0, 0);
        return std::max(0, e);
    }

    std::pair<int, int> MinMax(NodeId n);

    // ---- records

    void Place(NodeId n, const Rect& r) {
        const auto k = static_cast<size_t>(n);
        if (!out_.placed[k]) {
            out_.placed[k] = 1;
            out_.boxes[k] = r;
            log_.push_back(n);
            return;
        }
        Rect& b = out_.boxes[k];
        const int x0 = std::min(b.x, r.x), y0 = std::min(b.y, r.y);
        const int x1 = std::max(b.Right(), r.Right()), y1 = std::max(b.Bottom(), r.Bottom());
        b = {x0, y0, x1 - x0, y1 - y0};
    }
    size_t LogSize() const { return log_.size(); }
    void Shift(size_t itemBegin, size_t itemEnd, size_t logBegin, size_t logEnd, int dx, int dy) {
        if (dx == 0 && dy == 0) return;
        for (size_t i = itemBegin; i < itemEnd; ++i) {
            out_.items[i].rect.x = Advance(out_.items[i].rect.x, dx);
            out_.items[i].rect.y = Advance(out_.items[i].rect.y, dy);
        }
        for (size_t i = logBegin; i < logEnd; ++i) {
            Rect& b = out_.boxes[static_cast<size_t>(log_[i])];
            b.x = Advance(b.x, dx);
            b.y = Advance(b.y, dy);
        }
    }
    size_t Push(DisplayItem item) {
        out_.items.push_back(std::move(item));
        return out_.items.size() - 1;
    }

    // Background and border of a box, as placeholders to be given their rectangle later.
    struct Decor {
        size_t fill = SIZE_MAX, image = SIZE_MAX, border = SIZE_MAX;
    };
    Decor BeginDecor(NodeId n) {
        Decor dec;
        const ComputedStyle& s = S(n);
        if (n == propagated_) return dec;
        if (s.background) {
            DisplayItem f;
            f.kind = ItemKind::Fill;
            f.node = n;
            f.color = *s.background;
            dec.fill = Push(std::move(f));
        }
        if (!s.backgroundImage.empty()) {
            DisplayItem i;
            i.kind = ItemKind::Image;
            i.node = n;
            i.url = s.backgroundImage;
            i.repeat = s.bgRepeat;
            dec.image = Push(std::move(i));
        }
        if (s.borderWidth > 0) {
            DisplayItem b;
            b.kind = ItemKind::Border;
            b.node = n;
            b.color = s.borderColor;
            b.borderWidth = s.borderWidth;
            dec.border = Push(std::move(b));
        }
        return dec;
    }
    void EndDecor(NodeId n, const Decor& dec, const Rect& r) {
        if (dec.fill != SIZE_MAX) out_.items[dec.fill].rect = r;
        if (dec.border != SIZE_MAX) out_.items[dec.border].rect = r;
        if (dec.image != SIZE_MAX) PlaceBackground(out_.items[dec.image], S(n), r);
    }
    void PlaceBackground(DisplayItem& i, const ComputedStyle& s, const Rect& r) {
        i.rect = r;
        int iw = 0, ih = 0;
        if (!im_.Size(i.url, iw, ih)) {
            iw = ih = 0;
            if (std::find(out_.missingImages.begin(), out_.missingImages.end(), i.url) == out_.missingImages.end())
                out_.missingImages.push_back(i.url);
        }
        // Percentages place that point of the image on the same point of the box.
        i.imageX = s.bgPosX.unit == Length::Unit::Percent ? s.bgPosX.Resolve(r.w - iw, 0) : s.bgPosX.Resolve(0, 0);
        i.imageY = s.bgPosY.unit == Length::Unit::Percent ? s.bgPosY.Resolve(r.h - ih, 0) : s.bgPosY.Resolve(0, 0);
    }

    int BlockBox(NodeId n, int left, int top, int cbWidth);
    int Table(NodeId n, int left, int top, int cbWidth);
    int Content(NodeId n, int x, int y, int width);

    NodeId propagated_ = kNoNode;  // the element whose background became the canvas

private:
    const Document& d_;
    const Styles& st_;
    TextMeasurer& tm_;
    ImageSizes& im_;
    PageLayout& out_;
    std::unordered_map<std::wstring, TextExtent> cache_;
    TextFont font_{-1, -1, false, false};
    std::vector<std::pair<int, int>> minmax_;
    std::vector<NodeId> log_;
};

// ---- inline flow

class Flow {
public:
    Flow(Engine& e, NodeId owner, int x, int y, int width)
        : e_(e), owner_(owner), x_(x), top_(y), y_(y), width_(std::max(0, width)) {}

    void Add(NodeId n) {
        const Document& d = e_.Doc();
        const Node& node = d[n];
        if (node.kind == NodeKind::Comment) return;
        if (node.kind == NodeKind::Text) return AddText(n);
        const ComputedStyle& s = e_.S(n);
        if (s.display == Display::None) return;
        if (node.name == L"br") return Break(n);
        switch (s.display) {
        case Display::Block:
        case Display::ListItem:
        case Display::Table:
        case Display::RowGroup:
        case Display::Row:
        case Display::Cell: return BlockChild(n);
        case Display::InlineBlock: return Atomic(n);
        default: break;
        }
        if (e_.IsAtomic(n)) return Atomic(n);
        inlines_.push_back(n);
        if (node.name == L"wbr") seg_.breakNext = true;
        for (NodeId c : node.children) Add(c);
        inlines_.pop_back();
    }

    // Height used from the top, the last margin included.
    int Finish() {
        CommitLine(false);
        y_ = Advance(y_, pendingMargin_);
        pendingMargin_ = 0;
        return Clamp(static_cast<long long>(y_) - top_);
    }
    int WidestLine() const { return widest_; }

private:
    void AddText(NodeId n) {
        const NodeId parent = e_.Doc()[n].parent;
        const ComputedStyle& s = e_.S(parent);
        for (Piece& p : e_.Segment(e_.Doc()[n].text, s, seg_)) {
            const bool forced = p.forcedBreak;
            if (!p.text.empty()) {
                LineItem item;
                item.kind = LineItem::Kind::Text;
                item.font = FontOf(s);
                item.color = s.color;
                item.node = n;
                item.inlines = inlines_;
                item.width = p.width;
                item.height = p.height;
                item.breakBefore = p.breakBefore;
                item.piece = std::move(p);
                AddItem(std::move(item));
            }
            if (forced) {
                CommitLine(true);
                seg_.lastSpace = false;
            }
        }
    }

    void Break(NodeId n) {
        if (line_.empty()) strut_ = std::max(strut_, e_.LineHeight(FontOf(e_.S(n))));
        CommitLine(true);
    }

    void BlockChild(NodeId n) {
        CommitLine(false);
        const ComputedStyle& s = e_.S(n);
        const int mt = s.margin[kTop].Resolve(width_, 0);
        const int mb = s.margin[kBottom].Resolve(width_, 0);
        y_ = Advance(y_, std::max(pendingMargin_, mt) + std::min(0, std::min(pendingMargin_, mt)));
        pendingMargin_ = 0;
        const int h = s.display == Display::Table ? e_.Table(n, x_, y_, width_) : e_.BlockBox(n, x_, y_, width_);
        y_ = Advance(y_, h);
        pendingMargin_ = mb;
        const Rect box = e_.Out().Box(n);
        widest_ = std::max(widest_, box.Right() - x_);
        // A block inside a link (or another inline) is part of it.
        for (NodeId in : inlines_) {
            e_.Place(in, box);
            if (e_.Doc().IsElement(in, L"a") && e_.Doc().HasAttr(in, L"href")) {
                DisplayItem l;
                l.kind = ItemKind::Link;
                l.node = in;
                l.rect = box;
                l.href = e_.Doc().Resolve(e_.Doc().AttrOr(in, L"href"));
                e_.Push(std::move(l));
            }
        }
        seg_ = Segmenter{};
    }

    void Atomic(NodeId n) {
        const Document& d = e_.Doc();
        const ComputedStyle& s = e_.S(n);
        const std::wstring& tag = d[n].name;
        LineItem item;
        item.kind = LineItem::Kind::Atomic;
        item.node = n;
        item.inlines = inlines_;
        const NodeId parent = d[n].parent;
        const bool wraps = !d.Valid(parent) || e_.S(parent).whiteSpace == WhiteSpace::Normal;
        item.breakBefore = wraps;
        const int ml = s.margin[kLeft].Resolve(width_, 0), mr = s.margin[kRight].Resolve(width_, 0);
        const int mt = s.margin[kTop].Resolve(width_, 0), mb = s.margin[kBottom].Resolve(width_, 0);
        item.itemBegin = e_.Out().items.size();
        item.logBegin = e_.LogSize();
        int w = 0, h = 0;
        if (tag == L"img") {
            const std::wstring url = d.Resolve(d.AttrOr(n, L"src"));
            std::tie(w, h) = e_.ImageSize(n, width_, url);
            DisplayItem img;
            img.kind = ItemKind::Image;
            img.node = n;
            img.url = url;
            img.stretch = true;
            img.rect = {ml, mt, w, h};
            e_.Push(std::move(img));
            if (s.borderWidth > 0) {
                DisplayItem b;
                b.kind = ItemKind::Border;
                b.node = n;
                b.color = s.color;
                b.borderWidth = s.borderWidth;
                b.rect = {ml, mt, w + 2 * s.borderWidth, h + 2 * s.borderWidth};
                e_.Out().items.back().rect.x += s.borderWidth;
                e_.Out().items.back().rect.y += s.borderWidth;
                e_.Push(std::move(b));
                w += 2 * s.borderWidth;
                h += 2 * s.borderWidth;
            }
            e_.Place(n, {ml, mt, w, h});
        } else if (e_.IsAtomic(n)) {
            const Engine::Field f = e_.FieldOf(n, width_);
            w = f.w;
            h = f.h;
            DisplayItem c;
            c.kind = f.kind == ControlKind::ImageSubmit ? ItemKind::Image : ItemKind::Control;
            if (f.kind == ControlKind::ImageSubmit) {
                c.url = f.label;
                c.stretch = true;
                e_.Push(c);
            }
            c.kind = ItemKind::Control;
            c.node = n;
            c.control = f.kind;
            c.text = f.kind == ControlKind::ImageSubmit ? L"" : f.label;
            c.rect = {ml, mt, w, h};
            e_.Push(std::move(c));
            e_.Place(n, {ml, mt, w, h});
        } else {
            // inline-block: shrink to fit unless it has a width
            int boxW;
            if (!s.width.IsAuto()) {
                boxW = s.width.Resolve(width_, 0) + e_.HorizontalExtras(n, false);
            } else {
                const auto [mn, mx] = e_.MinMax(n);
                boxW = std::max(std::min(mx - ml - mr, width_ - ml - mr), mn - ml - mr);
            }
            h = e_.BlockBox(n, 0, mt, boxW + ml + mr);
            w = e_.Out().Box(n).w;
        }
        item.itemEnd = e_.Out().items.size();
        item.logEnd = e_.LogSize();
        item.width = w + ml + mr;
        item.height = h + mt + mb;
        seg_.lastSpace = false;
        seg_.prev = 0;
        seg_.breakNext = wraps;
        AddItem(std::move(item));
    }

    void AddItem(LineItem item) {
        if (line_.empty() && item.piece.spaceWidth > 0 && item.piece.text == L" ") return;  // no blank starts a line
        if (item.breakBefore && !line_.empty()) lastBreak_ = line_.size();
        const int fitWidth = item.width - item.piece.spaceWidth;
        if (!line_.empty() && lineX_ + fitWidth > width_) {
            if (item.breakBefore) {
                CommitLine(false);
            } else if (lastBreak_ > 0) {
                std::vector<LineItem> rest(std::make_move_iterator(line_.begin() + static_cast<long long>(lastBreak_)),
                                           std::make_move_iterator(line_.end()));
                line_.resize(lastBreak_);
                CommitLine(false);
                for (LineItem& r : rest) Append(std::move(r));
            }
        }
        Append(std::move(item));
    }

    void Append(LineItem item) {
        if (line_.empty()) {
            lastBreak_ = 0;
        } else if (item.breakBefore) {
            lastBreak_ = line_.size();
        }
        lineX_ = Advance(lineX_, item.width);
        line_.push_back(std::move(item));
    }

    void CommitLine(bool forced) {
        if (line_.empty() && !forced) return;
        if (line_.empty() && strut_ == 0) strut_ = e_.LineHeight(FontOf(e_.S(owner_)));
        y_ = Advance(y_, pendingMargin_);
        pendingMargin_ = 0;
        int height = strut_;
        int used = 0;
        for (const LineItem& it : line_) {
            height = std::max(height, it.height);
            used = Advance(used, it.width);
        }
        if (!line_.empty()) used -= line_.back().piece.spaceWidth;
        const TextAlign align = e_.S(owner_).textAlign;
        const int free = std::max(0, width_ - used);
        int x = x_ + (align == TextAlign::Center ? free / 2 : align == TextAlign::Right ? free : 0);
        const int lineTop = y_;
        // Fragments of inline elements on this line: backgrounds first, so that the text is on top.
        std::map<NodeId, Rect> fragments;
        std::vector<std::pair<const LineItem*, Rect>> placedItems;
        for (const LineItem& it : line_) {
            const int w = it.width - (&it == &line_.back() ? it.piece.spaceWidth : 0);
            const Rect r{x, lineTop + height - it.height, w, it.height};
            placedItems.push_back({&it, r});
            for (NodeId in : it.inlines) {
                auto f = fragments.find(in);
                if (f == fragments.end()) {
                    fragments.emplace(in, r);
                } else {
                    Rect& u = f->second;
                    const int x0 = std::min(u.x, r.x), y0 = std::min(u.y, r.y);
                    const int x1 = std::max(u.Right(), r.Right()), y1 = std::max(u.Bottom(), r.Bottom());
                    u = {x0, y0, x1 - x0, y1 - y0};
                }
            }
            x = Advance(x, it.width);
        }
        for (const auto& [node, r] : fragments) {
            if (const ComputedStyle& s = e_.S(node); s.background && node != e_.propagated_) {
                DisplayItem f;
                f.kind = ItemKind::Fill;
                f.node = node;
                f.color = *s.background;
                f.rect = r;
                e_.Push(std::move(f));
            }
            e_.Place(node, r);
        }
        for (const auto& [it, r] : placedItems) {
            if (it->kind == LineItem::Kind::Atomic) {
                e_.Shift(it->itemBegin, it->itemEnd, it->logBegin, it->logEnd, r.x, r.y);
                continue;
            }
            std::wstring text = it->piece.text;
            if (it == &line_.back()) {
                while (!text.empty() && text.back() == L' ') text.pop_back();
            }
            auto& items = e_.Out().items;
            if (!items.empty() && lastText_ == items.size() - 1 && items.back().node == it->node &&
                items.back().font == it->font && items.back().rect.Right() == r.x && items.back().rect.y == r.y) {
                items.back().text += text;
                items.back().rect.w += r.w;
            } else if (!text.empty()) {
                DisplayItem t;
                t.kind = ItemKind::Text;
                t.node = it->node;
                t.text = std::move(text);
                t.font = it->font;
                t.color = it->color;
                t.rect = r;
                e_.Push(std::move(t));
                lastText_ = items.size() - 1;
            }
        }
        // Link areas, one per link and line.
        for (const auto& [node, r] : fragments) {
            if (e_.Doc().IsElement(node, L"a") && e_.Doc().HasAttr(node, L"href")) {
                DisplayItem l;
                l.kind = ItemKind::Link;
                l.node = node;
                l.rect = r;
                l.href = e_.Doc().Resolve(e_.Doc().AttrOr(node, L"href"));
                e_.Push(std::move(l));
            }
        }
        widest_ = std::max(widest_, used);
        y_ = Advance(y_, height);
        line_.clear();
        lineX_ = 0;
        lastBreak_ = 0;
        strut_ = 0;
        lastText_ = SIZE_MAX;
        seg_.lastSpace = true;
        seg_.prev = 0;
        seg_.breakNext = false;
    }

    Engine& e_;
    NodeId owner_;
    int x_, top_, y_, width_;
    int pendingMargin_ = 0;
    std::vector<LineItem> line_;
    int lineX_ = 0;
    size_t lastBreak_ = 0;
    int strut_ = 0;
    int widest_ = 0;
    size_t lastText_ = SIZE_MAX;
    std::vector<NodeId> inlines_;
    Segmenter seg_;
};

int Engine::Content(NodeId n, int x, int y, int width) {
    Flow flow(*this, n, x, y, width);
    for (NodeId c : d_[n].children) flow.Add(c);
    return flow.Finish();
}

int Engine::BlockBox(NodeId n, int left, int top, int cbWidth) {
    const ComputedStyle& s = S(n);
    const int bw = s.borderWidth;
    const int pl = s.padding[kLeft].Resolve(cbWidth, 0), pr = s.padding[kRight].Resolve(cbWidth, 0);
    const int pt = s.padding[kTop].Resolve(cbWidth, 0), pb = s.padding[kBottom].Resolve(cbWidth, 0);
    int ml = s.margin[kLeft].Resolve(cbWidth, 0), mr = s.margin[kRight].Resolve(cbWidth, 0);
    int width;
    if (s.width.IsAuto()) {
        width = std::max(0, cbWidth - ml - mr - pl - pr - 2 * bw);
    } else {
        width = std::clamp(s.width.Resolve(cbWidth, 0), 0, kMaxSize);
        const int outer = width + pl + pr + 2 * bw;
        const int parentCenters = d_.Valid(d_[n].parent) && S(d_[n].parent).centerBlocks;
        if (s.margin[kLeft].IsAuto() && s.margin[kRight].IsAuto()) ml = std::max(0, (cbWidth - outer) / 2);
        else if (s.margin[kLeft].IsAuto()) ml = std::max(0, cbWidth - outer - mr);
        else if (parentCenters) ml = std::max(0, (cbWidth - outer) / 2);
    }
    const Decor dec = BeginDecor(n);
    const int x = left + ml;
    const Rect provisional{x, top, width + pl + pr + 2 * bw, 0};
    Place(n, provisional);
    const int contentY = top + bw + pt;
    if (s.display == Display::ListItem && s.listStyle != ListStyle::None) {
        std::wstring marker = L"•";
        if (s.listStyle == ListStyle::Decimal) {
            int index = 1;
            const NodeId p = d_[n].parent;
            if (d_.Valid(p)) {
                for (NodeId sib : d_[p].children) {
                    if (sib == n) break;
                    if (d_.IsElement(sib, L"li")) ++index;
                }
            }
            marker = std::to_wstring(index) + L".";
        }
        DisplayItem m;
        m.kind = ItemKind::Text;
        m.node = n;
        m.text = marker;
        m.font = FontOf(s);
        m.font.underline = false;
        m.color = s.color;
        const TextExtent e = Measure(m.font, marker);
        m.rect = {x + bw + pl - e.width - 6, contentY, e.width, e.height};
        Push(std::move(m));
    }
    int contentH = Content(n, x + bw + pl, contentY, width);
    if (s.height.unit == Length::Unit::Px) contentH = std::clamp(s.height.Resolve(0, 0), 0, kMaxSize);
    const Rect r{x, top, width + pl + pr + 2 * bw, contentH + pt + pb + 2 * bw};
    out_.boxes[static_cast<size_t>(n)] = r;
    EndDecor(n, dec, r);
    return r.h;
}

// ---- tables

struct Cell {
    NodeId node;
    int row, col, colspan, rowspan;
};

struct Grid {
    std::vector<NodeId> rows;
    std::vector<Cell> cells;
    int columns = 0;
};

Grid BuildGrid(const Document& d, const Styles& st, NodeId table) {
    Grid g;
    auto shown = [&](NodeId n) { return st[static_cast<size_t>(n)].display != Display::None; };
    for (NodeId c : d[table].children) {
        if (!shown(c) || d[c].kind != NodeKind::Element) continue;
        if (d[c].name == L"tr") g.rows.push_back(c);
        if (d[c].name == L"tbody" || d[c].name == L"thead" || d[c].name == L"tfoot") {
            for (NodeId r : d[c].children) {
                if (d.IsElement(r, L"tr") && shown(r)) g.rows.push_back(r);
            }
        }
    }
    std::vector<std::vector<char>> taken;  // rows x columns already covered by a rowspan
    for (size_t r = 0; r < g.rows.size(); ++r) {
        if (taken.size() <= r) taken.resize(r + 1);
        int col = 0;
        for (NodeId c : d[g.rows[r]].children) {
            if (!(d.IsElement(c, L"td") || d.IsElement(c, L"th")) || !shown(c)) continue;
            auto& row = taken[r];
            while (col < kMaxColumns && static_cast<size_t>(col) < row.size() && row[static_cast<size_t>(col)]) ++col;
            if (col >= kMaxColumns) break;
            const int colspan = std::min(Engine::IntAttr(d, c, L"colspan", 1, 1, kMaxSpan), kMaxColumns - col);
            const int rowspan = std::min(Engine::IntAttr(d, c, L"rowspan", 1, 1, kMaxSpan),
                                         static_cast<int>(g.rows.size() - r));
            g.cells.push_back({c, static_cast<int>(r), col, colspan, std::max(1, rowspan)});
            for (int rr = 0; rr < std::max(1, rowspan); ++rr) {
                if (taken.size() <= r + static_cast<size_t>(rr)) taken.resize(r + static_cast<size_t>(rr) + 1);
                auto& t = taken[r + static_cast<size_t>(rr)];
                if (t.size() < static_cast<size_t>(col + colspan)) t.resize(static_cast<size_t>(col + colspan), 0);
                for (int k = col; k < col + colspan; ++k) t[static_cast<size_t>(k)] = 1;
            }
            col += colspan;
            g.columns = std::max(g.columns, col);
        }
    }
    return g;
}

struct TableMetrics {
    int spacing, padding, border;
    std::vector<int> colMin, colMax, colFixed;
    std::vector<float> colPct;
};

TableMetrics Measure(Engine& e, const Document& d, NodeId table, const Grid& g) {
    TableMetrics m;
    m.border = d.HasAttr(table, L"border") ? Engine::IntAttr(d, table, L"border", 1, 0, 100) : 0;
    m.spacing = Engine::IntAttr(d, table, L"cellspacing", 2, 0, 1000);
    m.padding = Engine::IntAttr(d, table, L"cellpadding", 1, 0, 1000);
    const size_t cols = static_cast<size_t>(g.columns);
    m.colMin.assign(cols, 0);
    m.colMax.assign(cols, 0);
    m.colFixed.assign(cols, 0);
    m.colPct.assign(cols, 0);
    const int cellBorder = m.border > 0 ? 1 : 0;
    for (int pass = 0; pass < 2; ++pass) {  // single columns first, then the spanning cells
        for (const Cell& c : g.cells) {
            if ((c.colspan == 1) != (pass == 0)) continue;
            auto [mn, mx] = e.MinMax(c.node);
            const int extra = 2 * m.padding + 2 * cellBorder;
            mn += extra;
            mx += extra;
            const ComputedStyle& s = e.S(c.node);
            const auto k = static_cast<size_t>(c.col);
            if (c.colspan == 1) {
                if (s.width.unit == Length::Unit::Px) {
                    m.colFixed[k] = std::max(m.colFixed[k], s.width.Resolve(0, 0) + extra);
                    mx = std::max(mn, s.width.Resolve(0, 0) + extra);
                } else if (s.width.unit == Length::Unit::Percent) {
                    m.colPct[k] = std::clamp(s.width.value, m.colPct[k], 100.0f);
                }
                m.colMin[k] = std::max(m.colMin[k], mn);
                m.colMax[k] = std::max(m.colMax[k], mx);
                continue;
            }
            int sumMin = (c.colspan - 1) * m.spacing, sumMax = sumMin;
            for (int j = c.col; j < c.col + c.colspan; ++j) {
                sumMin += m.colMin[static_cast<size_t>(j)];
                sumMax += m.colMax[static_cast<size_t>(j)];
            }
            for (int j = c.col; j < c.col + c.colspan; ++j) {
                const auto jj = static_cast<size_t>(j);
                if (mn > sumMin) m.colMin[jj] += (mn - sumMin) / c.colspan + (j == c.col ? (mn - sumMin) % c.colspan : 0);
                if (mx > sumMax) m.colMax[jj] += (mx - sumMax) / c.colspan + (j == c.col ? (mx - sumMax) % c.colspan : 0);
                m.colMax[jj] = std::max(m.colMax[jj], m.colMin[jj]);
            }
        }
    }
    return m;
}

int Sum(const std::vector<int>& v) {
    long long s = 0;
    for (int x : v) s += x;
    return Clamp(s);
}

std::pair<int, int> Engine::MinMax(NodeId n) {
    auto& cached = minmax_[static_cast<size_t>(n)];
    if (cached.first >= 0) return cached;
    std::pair<int, int> result{0, 0};
    const Node& node = d_[n];
    if (node.kind == NodeKind::Text) {
        Segmenter seg;
        seg.lastSpace = false;
        int group = 0, mn = 0, mx = 0;
        for (const Piece& p : Segment(node.text, S(node.parent), seg)) {
            if (p.breakBefore || p.forcedBreak) group = 0;
            group += p.width - p.spaceWidth;
            mn = std::max(mn, group);
            group += p.spaceWidth;
            mx += p.width;
        }
        result = {mn, mx};
    } else if (node.kind == NodeKind::Element && S(n).display != Display::None) {
        const ComputedStyle& s = S(n);
        if (IsAtomic(n)) {
            int w;
            if (node.name == L"img") w = ImageSize(n, 0, d_.Resolve(d_.AttrOr(n, L"src"))).first + 2 * s.borderWidth;
            else w = FieldOf(n, 0).w;
            w += s.margin[kLeft].Resolve(0, 0) + s.margin[kRight].Resolve(0, 0);
            result = {w, w};
        } else if (s.display == Display::Table) {
            const Grid g = BuildGrid(d_, st_, n);
            const TableMetrics m = ::mrvn::web::Measure(*this, d_, n, g);
            const int extra = (g.columns + 1) * m.spacing + 2 * m.border;
            result = {Sum(m.colMin) + extra, std::max(Sum(m.colMax), Sum(m.colFixed)) + extra};
            if (s.width.unit == Length::Unit::Px) {
                result.first = std::max(result.first, s.width.Resolve(0, 0));
                result.second = std::max(result.first, s.width.Resolve(0, 0));
            }
        } else {
            int line = 0, maxLine = 0, mn = 0;
            for (NodeId c : node.children) {
                if (d_[c].kind == NodeKind::Comment) continue;
                if (d_.IsElement(c, L"br")) {
                    maxLine = std::max(maxLine, line);
                    line = 0;
                    continue;
                }
                const auto [cmn, cmx] = MinMax(c);
                mn = std::max(mn, cmn);
                const bool block = d_[c].kind == NodeKind::Element &&
                                   (S(c).display == Display::Block || S(c).display == Display::Table ||
                                    S(c).display == Display::ListItem);
                if (block) {
                    maxLine = std::max({maxLine, line, cmx});
                    line = 0;
                } else {
                    line = Clamp(static_cast<long long>(line) + cmx);
                }
            }
            maxLine = std::max(maxLine, line);
            if (s.whiteSpace != WhiteSpace::Normal) mn = maxLine;
            const bool cell = s.display == Display::Cell;
            const int extra = HorizontalExtras(n, !cell);
            if (s.width.unit == Length::Unit::Px && !cell) {
                const int w = s.width.Resolve(0, 0) + extra;
                result = {w, w};
            } else {
                result = {mn + extra, std::max(mn, maxLine) + extra};
            }
        }
    }
    cached = result;
    return result;
}

int Engine::Table(NodeId n, int left, int top, int cbWidth) {
    const ComputedStyle& s = S(n);
    const Grid g = BuildGrid(d_, st_, n);
    const TableMetrics m = ::mrvn::web::Measure(*this, d_, n, g);
    const int cols = g.columns;
    const int extra = (cols + 1) * m.spacing + 2 * m.border;
    const int minTotal = Sum(m.colMin) + extra;
    int width;
    const bool fixedWidth = !s.width.IsAuto();
    if (fixedWidth) width = std::max(minTotal, s.width.Resolve(cbWidth, 0));
    else width = std::max(minTotal, std::min(cbWidth, std::max(Sum(m.colMax), Sum(m.colFixed)) + extra));
    width = std::min(width, kMaxSize);
    // Column widths: minimums, then fixed and percentage wishes, then the rest by maximum.
    std::vector<int> w = m.colMin;
    const int avail = std::max(0, width - extra);
    int remaining = avail - Sum(w);
    auto grow = [&](size_t k, int want) {
        const int add = std::min(remaining, std::max(0, want - w[k]));
        w[k] += add;
        remaining -= add;
    };
    for (size_t k = 0; k < w.size(); ++k) {
        if (m.colFixed[k] > 0) grow(k, m.colFixed[k]);
    }
    for (size_t k = 0; k < w.size(); ++k) {
        if (m.colPct[k] > 0 && m.colFixed[k] == 0) grow(k, static_cast<int>(avail * m.colPct[k] / 100));
    }
    std::vector<size_t> autos;
    for (size_t k = 0; k < w.size(); ++k) {
        if (m.colFixed[k] == 0 && m.colPct[k] == 0) autos.push_back(k);
    }
    long long wantAll = 0;
    for (size_t k : autos) wantAll += std::max(0, m.colMax[k] - w[k]);
    if (wantAll > 0 && remaining > 0) {
        const int pool = remaining;
        for (size_t k : autos) {
            const long long want = std::max(0, m.colMax[k] - w[k]);
            grow(k, w[k] + static_cast<int>(wantAll <= pool ? want : want * pool / wantAll));
        }
    }
    if (remaining > 0 && !w.empty()) {
        std::vector<size_t> to = autos;
        if (to.empty()) {
            for (size_t k = 0; k < w.size(); ++k) to.push_back(k);
        }
        long long base = 0;
        for (size_t k : to) base += std::max(1, w[k]);
        const int pool = remaining;
        for (size_t k : to) {
            const int add = static_cast<int>(static_cast<long long>(pool) * std::max(1, w[k]) / base);
            w[k] += add;
            remaining -= add;
        }
        w[to.back()] += remaining;
        remaining = 0;
    }
    int tableWidth = Sum(w) + extra;
    int x = left;
    const NodeId parent = d_[n].parent;
    if (s.margin[kLeft].IsAuto() && s.margin[kRight].IsAuto()) x += std::max(0, (cbWidth - tableWidth) / 2);
    else if (s.margin[kLeft].IsAuto()) x += std::max(0, cbWidth - tableWidth);
    else if (d_.Valid(parent) && S(parent).centerBlocks) x += std::max(0, (cbWidth - tableWidth) / 2);
    else x += s.margin[kLeft].Resolve(cbWidth, 0);

    const Decor dec = BeginDecor(n);
    Place(n, {x, top, tableWidth, 0});
    std::vector<int> colX(static_cast<size_t>(cols) + 1, 0);
    colX[0] = x + m.border + m.spacing;
    for (int k = 0; k < cols; ++k) colX[static_cast<size_t>(k) + 1] = colX[static_cast<size_t>(k)] + w[static_cast<size_t>(k)] + m.spacing;

    struct Laid {
        const Cell* cell;
        size_t itemBegin, itemEnd, logBegin, logEnd;
        int contentH;
        Decor dec;
        size_t cellBorder = SIZE_MAX;
    };
    std::vector<Laid> laid;
    std::vector<Decor> rowDecor;
    const int cellBorder = m.border > 0 ? 1 : 0;
    size_t next = 0;
    for (size_t r = 0; r < g.rows.size(); ++r) {
        rowDecor.push_back(BeginDecor(g.rows[r]));
        for (; next < g.cells.size() && g.cells[next].row == static_cast<int>(r); ++next) {
            const Cell& c = g.cells[next];
            Laid l{&c, 0, 0, 0, 0, 0, {}, SIZE_MAX};
            l.dec = BeginDecor(c.node);
            if (cellBorder) {
                DisplayItem b;
                b.kind = ItemKind::Border;
                b.node = c.node;
                b.color = 0x808080;
                b.borderWidth = 1;
                l.cellBorder = Push(std::move(b));
            }
            l.itemBegin = out_.items.size();
            l.logBegin = LogSize();
            const int cx = colX[static_cast<size_t>(c.col)];
            const int cw = colX[static_cast<size_t>(c.col + c.colspan)] - m.spacing - cx;
            Place(c.node, {cx, 0, cw, 0});
            const ComputedStyle& cs = S(c.node);
            const int pl = m.padding + cs.padding[kLeft].Resolve(cw, 0), pr = m.padding + cs.padding[kRight].Resolve(cw, 0);
            const int pt = m.padding + cs.padding[kTop].Resolve(cw, 0), pb = m.padding + cs.padding[kBottom].Resolve(cw, 0);
            l.contentH = Content(c.node, cx + cellBorder + pl, cellBorder + pt, std::max(0, cw - pl - pr - 2 * cellBorder)) +
                         pt + pb + 2 * cellBorder;
            if (cs.height.unit == Length::Unit::Px) l.contentH = std::max(l.contentH, cs.height.Resolve(0, 0));
            l.itemEnd = out_.items.size();
            l.logEnd = LogSize();
            laid.push_back(l);
        }
    }
    // Row heights: single-row cells, the row's own height, then what spanning cells still need.
    std::vector<int> rowH(g.rows.size(), 0);
    for (size_t r = 0; r < g.rows.size(); ++r) {
        const ComputedStyle& rs = S(g.rows[r]);
        if (rs.height.unit == Length::Unit::Px) rowH[r] = std::clamp(rs.height.Resolve(0, 0), 0, kMaxSize);
    }
    for (const Laid& l : laid) {
        if (l.cell->rowspan == 1) rowH[static_cast<size_t>(l.cell->row)] = std::max(rowH[static_cast<size_t>(l.cell->row)], l.contentH);
    }
    for (const Laid& l : laid) {
        if (l.cell->rowspan == 1) continue;
        long long have = (l.cell->rowspan - 1) * m.spacing;
        for (int k = 0; k < l.cell->rowspan; ++k) have += rowH[static_cast<size_t>(l.cell->row + k)];
        if (l.contentH > have) rowH[static_cast<size_t>(l.cell->row + l.cell->rowspan - 1)] += static_cast<int>(l.contentH - have);
    }
    std::vector<int> rowY(g.rows.size() + 1, 0);
    rowY[0] = top + m.border + m.spacing;
    for (size_t r = 0; r < g.rows.size(); ++r) rowY[r + 1] = Advance(rowY[r], static_cast<long long>(rowH[r]) + m.spacing);
    int tableHeight = rowY[g.rows.size()] - top + m.border;
    if (g.rows.empty()) tableHeight = 2 * m.border + (m.spacing > 0 && cols > 0 ? m.spacing : 0);
    if (s.height.unit == Length::Unit::Px) tableHeight = std::max(tableHeight, s.height.Resolve(0, 0));

    for (size_t r = 0; r < g.rows.size(); ++r) {
        const Rect rr{colX[0], rowY[r], colX[static_cast<size_t>(cols)] - m.spacing - colX[0], rowH[r]};
        Place(g.rows[r], rr);
        out_.boxes[static_cast<size_t>(g.rows[r])] = rr;
        EndDecor(g.rows[r], rowDecor[r], rr);
    }
    for (const Laid& l : laid) {
        const Cell& c = *l.cell;
        const int y = rowY[static_cast<size_t>(c.row)];
        const int h = rowY[static_cast<size_t>(c.row + c.rowspan)] - m.spacing - y;
        const VAlign va = S(c.node).valign;
        const int dy = y + (va == VAlign::Top ? 0 : va == VAlign::Bottom ? h - l.contentH : (h - l.contentH) / 2);
        Shift(l.itemBegin, l.itemEnd, l.logBegin, l.logEnd, 0, dy);
        Rect cr = out_.boxes[static_cast<size_t>(c.node)];
        cr.y = y;
        cr.h = h;
        out_.boxes[static_cast<size_t>(c.node)] = cr;
        EndDecor(c.node, l.dec, cr);
        if (l.cellBorder != SIZE_MAX) out_.items[l.cellBorder].rect = cr;
    }
    const Rect tr{x, top, tableWidth, tableHeight};
    out_.boxes[static_cast<size_t>(n)] = tr;
    EndDecor(n, dec, tr);
    if (m.border > 0) {
        DisplayItem b;
        b.kind = ItemKind::Border;
        b.node = n;
        b.color = 0x808080;
        b.borderWidth = m.border;
        b.rect = tr;
        Push(std::move(b));
    }
    return tableHeight;
}

}  // namespace

bool CanBreakBetween(char32_t before, char32_t after) {
    if (!IsCjk(before) && !IsCjk(after)) return false;
    if (NoStart(after) || NoEnd(before)) return false;
    return true;
}

PageLayout LayoutPage(const Document& doc, const Styles& styles, TextMeasurer& measurer, ImageSizes& images,
                      const LayoutOptions& options) {
    PageLayout out;
    if (styles.size() != doc.nodes.size() || !doc.Valid(doc.html)) return out;
    Engine e(doc, styles, measurer, images, out);
    const ComputedStyle& hs = styles[static_cast<size_t>(doc.html)];
    const ComputedStyle& bs = styles[static_cast<size_t>(doc.body)];
    // The root's background, else the body's, becomes the whole canvas.
    if (hs.background || !hs.backgroundImage.empty()) {
        out.canvasColor = hs.background.value_or(0xFFFFFF);
        e.propagated_ = doc.html;
    } else if (bs.background || !bs.backgroundImage.empty()) {
        out.canvasColor = bs.background.value_or(0xFFFFFF);
        e.propagated_ = doc.body;
    }
    out.bodyScroll = LowerAscii(doc.AttrOr(doc.body, L"scroll"));
    const int vw = std::clamp(options.viewportWidth, 0, kMaxSize);
    const int h = e.BlockBox(doc.html, 0, 0, vw);
    int right = 0, bottom = h;
    for (const DisplayItem& it : out.items) {
        right = std::max(right, it.rect.Right());
        bottom = std::max(bottom, it.rect.Bottom());
    }
    for (size_t k = 0; k < out.boxes.size(); ++k) {
        if (out.placed[k] && static_cast<NodeId>(k) != doc.html && static_cast<NodeId>(k) != doc.body)
            right = std::max(right, out.boxes[k].Right());
    }
    const Rect body = out.Box(doc.body);
    const int bodyMarginRight = bs.margin[kRight].Resolve(vw, 0), bodyMarginBottom = bs.margin[kBottom].Resolve(vw, 0);
    out.width = std::max(vw, right + (right > body.Right() ? bodyMarginRight : 0));
    out.height = std::max({bottom, body.Bottom() + bodyMarginBottom});
    if (e.propagated_ != kNoNode && !styles[static_cast<size_t>(e.propagated_)].backgroundImage.empty()) {
        const ComputedStyle& s = styles[static_cast<size_t>(e.propagated_)];
        DisplayItem canvas;
        canvas.kind = ItemKind::Image;
        canvas.node = e.propagated_;
        canvas.url = s.backgroundImage;
        canvas.repeat = s.bgRepeat;
        e.PlaceBackground(canvas, s, {0, 0, out.width, std::max(out.height, std::max(0, options.viewportHeight))});
        out.items.insert(out.items.begin(), std::move(canvas));
    }
    return out;
}

NodeId HitTest(const Document& doc, const PageLayout& layout, int x, int y) {
    NodeId best = doc.body;
    int bestDepth = -1;
    for (size_t k = 0; k < layout.placed.size() && k < doc.nodes.size(); ++k) {
        if (!layout.placed[k] || doc.nodes[k].kind != NodeKind::Element) continue;
        if (!layout.boxes[k].Contains(x, y)) continue;
        if (doc.nodes[k].depth >= bestDepth) {
            bestDepth = doc.nodes[k].depth;
            best = static_cast<NodeId>(k);
        }
    }
    return best;
}

NodeId LinkAt(const PageLayout& layout, int x, int y) {
    for (auto it = layout.items.rbegin(); it != layout.items.rend(); ++it) {
        if (it->kind == ItemKind::Link && it->rect.Contains(x, y)) return it->node;
    }
    return kNoNode;
}

ElementOffsets OffsetsOf(const Document& doc, const PageLayout& layout, NodeId n) {
    ElementOffsets o;
    if (!layout.IsPlaced(n)) return o;
    const Rect r = layout.Box(n);
    o.width = r.w;
    o.height = r.h;
    o.left = r.x;
    o.top = r.y;
    if (n == doc.body || n == doc.html) return o;
    for (NodeId p = doc[n].parent; doc.Valid(p); p = doc[p].parent) {
        if (p == doc.body) {
            o.offsetParent = p;
            break;
        }
        if (doc.IsElement(p, L"td") || doc.IsElement(p, L"th") || doc.IsElement(p, L"table")) {
            const Rect pr = layout.Box(p);
            o.left -= pr.x;
            o.top -= pr.y;
            o.offsetParent = p;
            break;
        }
    }
    return o;
}

}  // namespace mrvn::web
