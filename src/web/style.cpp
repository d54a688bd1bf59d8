#include "web/style.h"

#include <algorithm>
#include <cmath>

#include "web/web_text.h"

namespace mrvn::web {
namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
std::wstring Trim(const std::wstring& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}
bool OneOf(const std::wstring& s, std::initializer_list<const wchar_t*> set) {
    for (const wchar_t* t : set) {
        if (s == t) return true;
    }
    return false;
}

int Hex(wchar_t c) {
    if (IsDigit(c)) return c - L'0';
    c = LowerAscii(c);
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

// Parses a decimal number at s[i]; false when there is none.
bool Number(const std::wstring& s, size_t& i, float& v) {
    const size_t b = i;
    bool neg = false;
    if (i < s.size() && (s[i] == L'-' || s[i] == L'+')) neg = s[i++] == L'-';
    double x = 0;
    bool any = false;
    while (i < s.size() && IsDigit(s[i])) {
        if (x < 1e7) x = x * 10 + (s[i] - L'0');
        ++i;
        any = true;
    }
    if (i < s.size() && s[i] == L'.') {
        ++i;
        double f = 0.1;
        while (i < s.size() && IsDigit(s[i])) {
            x += (s[i] - L'0') * f;
            f /= 10;
            ++i;
            any = true;
        }
    }
    if (!any) {
        i = b;
        return false;
    }
    v = static_cast<float>(neg ? -x : x);
    return true;
}

// Splits a value into blank-separated parts, keeping "url(...)" and "rgb(...)" whole.
std::vector<std::wstring> Parts(const std::wstring& v) {
    std::vector<std::wstring> out;
    std::wstring cur;
    int depth = 0;
    for (wchar_t c : v) {
        if (c == L'(') ++depth;
        if (c == L')' && depth > 0) --depth;
        if ((IsBlank(c) || (c == L',' && depth == 0)) && depth == 0) {
            if (!cur.empty()) out.push_back(cur);
            cur.clear();
            continue;
        }
        cur += c;
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

struct Named {
    const wchar_t* name;
    uint32_t rgb;
};
const Named kColours[] = {
    {L"black", 0x000000},  {L"silver", 0xC0C0C0}, {L"gray", 0x808080},    {L"grey", 0x808080},
    {L"white", 0xFFFFFF},  {L"maroon", 0x800000}, {L"red", 0xFF0000},     {L"purple", 0x800080},
    {L"fuchsia", 0xFF00FF}, {L"green", 0x008000}, {L"lime", 0x00FF00},    {L"olive", 0x808000},
    {L"yellow", 0xFFFF00}, {L"navy", 0x000080},   {L"blue", 0x0000FF},    {L"teal", 0x008080},
    {L"aqua", 0x00FFFF},   {L"orange", 0xFFA500}, {L"darkgray", 0xA9A9A9}, {L"lightgray", 0xD3D3D3},
    {L"gold", 0xFFD700},   {L"pink", 0xFFC0CB},   {L"brown", 0xA52A2A},   {L"darkred", 0x8B0000},
    {L"darkblue", 0x00008B}, {L"darkgreen", 0x006400}, {L"cyan", 0x00FFFF}, {L"magenta", 0xFF00FF},
};

}  // namespace

int Length::Resolve(int base, int autoValue) const {
    // Kept to a million pixels either way, so that sums of them cannot overflow.
    constexpr double kLimit = 1000000;
    switch (unit) {
    case Unit::Auto: return autoValue;
    case Unit::Px: return static_cast<int>(std::lround(std::clamp<double>(value, -kLimit, kLimit)));
    case Unit::Percent: return static_cast<int>(std::lround(std::clamp<double>(base * static_cast<double>(value) / 100.0, -kLimit, kLimit)));
    }
    return autoValue;
}

bool ParseColor(const std::wstring& textIn, uint32_t& rgb, bool legacy) {
    std::wstring t = LowerAscii(Trim(textIn));
    if (legacy && !t.empty() && t[0] != L'#' && (t.size() == 6 || t.size() == 3) &&
        std::all_of(t.begin(), t.end(), [](wchar_t c) { return Hex(c) >= 0; })) {
        t = L"#" + t;
    }
    if (!t.empty() && t[0] == L'#') {
        const std::wstring h = t.substr(1);
        if (!std::all_of(h.begin(), h.end(), [](wchar_t c) { return Hex(c) >= 0; })) return false;
        if (h.size() == 3) {
            rgb = 0;
            for (wchar_t c : h) rgb = (rgb << 8) | static_cast<uint32_t>(Hex(c) * 17);
            return true;
        }
        if (h.size() == 6) {
            rgb = 0;
            for (wchar_t c : h) rgb = (rgb << 4) | static_cast<uint32_t>(Hex(c));
            return true;
        }
        return false;
    }
    if (t.compare(0, 4, L"rgb(") == 0 && t.back() == L')') {
        const std::vector<std::wstring> parts = Parts(t.substr(4, t.size() - 5));
        if (parts.size() != 3) return false;
        rgb = 0;
        for (const std::wstring& p : parts) {
            size_t i = 0;
            float v = 0;
            if (!Number(p, i, v)) return false;
            if (i < p.size() && p[i] == L'%') v = v * 255 / 100;
            const int c = std::clamp(static_cast<int>(std::lround(v)), 0, 255);
            rgb = (rgb << 8) | static_cast<uint32_t>(c);
        }
        return true;
    }
    for (const Named& n : kColours) {
        if (t == n.name) {
            rgb = n.rgb;
            return true;
        }
    }
    return false;
}

std::optional<Length> ParseLength(const std::wstring& textIn, int fontSize) {
    const std::wstring t = LowerAscii(Trim(textIn));
    if (t == L"auto") return Length{};
    size_t i = 0;
    float v = 0;
    if (!Number(t, i, v)) return std::nullopt;
    const std::wstring unit = t.substr(i);
    if (unit.empty() || unit == L"px") return Length::Px(v);
    if (unit == L"%") return Length::Percent(v);
    if (unit == L"em") return Length::Px(v * static_cast<float>(fontSize));
    if (unit == L"pt") return Length::Px(v * 4 / 3);
    return std::nullopt;
}

namespace {

// ---- style sheets

struct Compound {
    std::wstring tag;  // empty: any
    std::wstring id;
    std::vector<std::wstring> classes;
    bool link = false;  // :link / :visited
};

struct Selector {
    std::vector<Compound> parts;  // left to right
    std::vector<wchar_t> joins;   // between parts: ' ' descendant, '>' child
    int specificity = 0;
};

struct Declaration {
    std::wstring name;
    std::wstring value;
    bool important = false;
};

struct Rule {
    std::vector<Selector> selectors;
    std::vector<Declaration> decls;
};

bool IsIdentChar(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || IsDigit(c) || c == L'-' || c == L'_' || c >= 0x80;
}

std::optional<Selector> ParseSelector(const std::wstring& text) {
    Selector sel;
    size_t i = 0;
    wchar_t join = 0;
    while (i < text.size()) {
        if (IsBlank(text[i]) || text[i] == L'>') {
            if (text[i] == L'>') join = L'>';
            else if (join == 0) join = L' ';
            ++i;
            continue;
        }
        Compound c;
        bool any = false;
        while (i < text.size() && !IsBlank(text[i]) && text[i] != L'>') {
            const wchar_t ch = text[i];
            if (ch == L'*') {
                ++i;
                any = true;
                continue;
            }
            std::wstring ident;
            const size_t start = (ch == L'#' || ch == L'.' || ch == L':') ? i + 1 : i;
            if (ch == L':' && start < text.size() && text[start] == L':') return std::nullopt;
            size_t e = start;
            while (e < text.size() && IsIdentChar(text[e])) ++e;
            ident = text.substr(start, e - start);
            if (ident.empty()) return std::nullopt;  // "[attr]", "+", "~" and the like: not supported
            if (ch == L'#') c.id = ident;
            else if (ch == L'.') c.classes.push_back(ident);
            else if (ch == L':') {
                const std::wstring p = LowerAscii(ident);
                if (p != L"link" && p != L"visited") return std::nullopt;  // states the engine has not
                c.link = true;
            } else {
                c.tag = LowerAscii(ident);
            }
            any = true;
            i = e;
        }
        if (!any) return std::nullopt;
        if (!sel.parts.empty()) sel.joins.push_back(join == 0 ? L' ' : join);
        join = 0;
        sel.specificity += (c.id.empty() ? 0 : 10000) + 100 * static_cast<int>(c.classes.size()) +
                           (c.link ? 100 : 0) + (c.tag.empty() ? 0 : 1);
        sel.parts.push_back(std::move(c));
    }
    if (sel.parts.empty() || join != 0) return std::nullopt;
    return sel;
}

std::vector<Declaration> ParseDeclarations(const std::wstring& text) {
    std::vector<Declaration> out;
    size_t i = 0;
    while (i < text.size()) {
        size_t e = i;
        int paren = 0;
        while (e < text.size() && !(text[e] == L';' && paren == 0)) {
            if (text[e] == L'(') ++paren;
            if (text[e] == L')' && paren > 0) --paren;
            ++e;
        }
        const std::wstring d = text.substr(i, e - i);
        i = e + 1;
        const size_t colon = d.find(L':');
        if (colon == std::wstring::npos) continue;
        Declaration decl;
        decl.name = LowerAscii(Trim(d.substr(0, colon)));
        decl.value = Trim(d.substr(colon + 1));
        const size_t bang = decl.value.find(L'!');
        if (bang != std::wstring::npos) {
            decl.important = LowerAscii(Trim(decl.value.substr(bang + 1))) == L"important";
            decl.value = Trim(decl.value.substr(0, bang));
        }
        if (!decl.name.empty()) out.push_back(std::move(decl));
    }
    return out;
}

std::wstring StripComments(const std::wstring& css) {
    std::wstring out;
    out.reserve(css.size());
    for (size_t i = 0; i < css.size();) {
        if (css.compare(i, 2, L"/*") == 0) {
            const size_t e = css.find(L"*/", i + 2);
            i = e == std::wstring::npos ? css.size() : e + 2;
            out += L' ';
            continue;
        }
        out += css[i++];
    }
    return out;
}

// Index just past the block that opens at css[open] == '{', counting nested braces.
size_t SkipBlock(const std::wstring& css, size_t open) {
    int depth = 0;
    for (size_t i = open; i < css.size(); ++i) {
        if (css[i] == L'{') ++depth;
        if (css[i] == L'}' && --depth == 0) return i + 1;
    }
    return css.size();
}

void ParseSheet(const std::wstring& cssIn, std::vector<Rule>& rules) {
    const std::wstring css = StripComments(cssIn);
    size_t i = 0;
    while (i < css.size()) {
        while (i < css.size() && (IsBlank(css[i]) || css[i] == L'}' || css.compare(i, 4, L"<!--") == 0 ||
                                  css.compare(i, 3, L"-->") == 0)) {
            i += css.compare(i, 4, L"<!--") == 0 ? 4 : css.compare(i, 3, L"-->") == 0 ? 3 : 1;
        }
        if (i >= css.size()) break;
        const size_t open = css.find(L'{', i);
        if (css[i] == L'@') {
            const size_t semi = css.find(L';', i);
            if (semi != std::wstring::npos && (open == std::wstring::npos || semi < open)) {
                i = semi + 1;
                continue;
            }
            // @media and the rest: the engine has no media to match, so their rules are skipped.
            i = open == std::wstring::npos ? css.size() : SkipBlock(css, open);
            continue;
        }
        if (open == std::wstring::npos) break;
        const size_t end = SkipBlock(css, open);
        Rule rule;
        const std::wstring selectors = css.substr(i, open - i);
        size_t s = 0;
        while (s <= selectors.size()) {
            size_t c = selectors.find(L',', s);
            if (c == std::wstring::npos) c = selectors.size();
            if (auto sel = ParseSelector(Trim(selectors.substr(s, c - s)))) rule.selectors.push_back(*sel);
            s = c + 1;
        }
        const size_t bodyEnd = end > open + 1 && css[end - 1] == L'}' ? end - 1 : end;
        rule.decls = ParseDeclarations(css.substr(open + 1, bodyEnd - open - 1));
        if (!rule.selectors.empty() && !rule.decls.empty()) rules.push_back(std::move(rule));
        i = end;
    }
}

bool MatchCompound(const Document& d, NodeId n, const Compound& c) {
    if (!d.Valid(n) || d[n].kind != NodeKind::Element) return false;
    if (!c.tag.empty() && d[n].name != c.tag) return false;
    if (c.link && !(d[n].name == L"a" && d.HasAttr(n, L"href"))) return false;
    if (!c.id.empty() && d.AttrOr(n, L"id") != c.id) return false;
    for (const std::wstring& cls : c.classes) {
        if (!d.HasClass(n, cls)) return false;
    }
    return true;
}

bool Matches(const Document& d, NodeId n, const Selector& s) {
    size_t k = s.parts.size() - 1;
    if (!MatchCompound(d, n, s.parts[k])) return false;
    NodeId at = n;
    while (k-- > 0) {
        const wchar_t join = s.joins[k];
        at = d[at].parent;
        if (join == L'>') {
            if (!MatchCompound(d, at, s.parts[k])) return false;
            continue;
        }
        while (d.Valid(at) && !MatchCompound(d, at, s.parts[k])) at = d[at].parent;
        if (!d.Valid(at)) return false;
    }
    return true;
}

// ---- applying declarations

void SetBox(Length (&box)[4], const std::wstring& value, int fontSize) {
    std::vector<Length> v;
    for (const std::wstring& p : Parts(value)) {
        if (auto l = ParseLength(p, fontSize)) v.push_back(*l);
        else return;
    }
    if (v.empty() || v.size() > 4) return;
    if (v.size() == 1) v = {v[0], v[0], v[0], v[0]};
    else if (v.size() == 2) v = {v[0], v[1], v[0], v[1]};
    else if (v.size() == 3) v = {v[0], v[1], v[2], v[1]};
    for (int k = 0; k < 4; ++k) box[k] = v[static_cast<size_t>(k)];
}

std::wstring UrlValue(const std::wstring& part) {
    std::wstring inner = Trim(part.substr(4, part.size() - 5));
    if (inner.size() >= 2 && (inner[0] == L'"' || inner[0] == L'\'') && inner.back() == inner[0]) {
        inner = inner.substr(1, inner.size() - 2);
    }
    return inner;
}

bool IsUrl(const std::wstring& p) { return LowerAscii(p.substr(0, 4)) == L"url(" && p.back() == L')'; }

std::optional<Length> PositionPart(const std::wstring& p, int fontSize, bool& vertical) {
    const std::wstring l = LowerAscii(p);
    vertical = l == L"top" || l == L"bottom";
    if (l == L"left" || l == L"top") return Length::Percent(0);
    if (l == L"center") return Length::Percent(50);
    if (l == L"right" || l == L"bottom") return Length::Percent(100);
    return ParseLength(p, fontSize);
}

void SetPosition(ComputedStyle& s, const std::vector<std::wstring>& parts) {
    std::vector<std::pair<Length, bool>> v;
    for (const std::wstring& p : parts) {
        bool vertical = false;
        if (auto l = PositionPart(p, s.fontSize, vertical)) v.push_back({*l, vertical});
    }
    if (v.empty()) return;
    if (v.size() == 1) {
        if (v[0].second) {
            s.bgPosY = v[0].first;
            s.bgPosX = Length::Percent(50);
        } else {
            s.bgPosX = v[0].first;
            s.bgPosY = Length::Percent(50);
        }
        return;
    }
    if (v[0].second) std::swap(v[0], v[1]);
    s.bgPosX = v[0].first;
    s.bgPosY = v[1].first;
}

bool SetRepeat(ComputedStyle& s, const std::wstring& p) {
    const std::wstring l = LowerAscii(p);
    if (l == L"repeat") s.bgRepeat = BgRepeat::Repeat;
    else if (l == L"repeat-x") s.bgRepeat = BgRepeat::RepeatX;
    else if (l == L"repeat-y") s.bgRepeat = BgRepeat::RepeatY;
    else if (l == L"no-repeat") s.bgRepeat = BgRepeat::NoRepeat;
    else return false;
    return true;
}

int FontSizeValue(const std::wstring& v, int parentSize, int defaultSize) {
    const std::wstring l = LowerAscii(Trim(v));
    static const struct {
        const wchar_t* name;
        float scale;
    } kSizes[] = {{L"xx-small", 0.6f}, {L"x-small", 0.75f}, {L"small", 0.89f}, {L"medium", 1.0f},
                  {L"large", 1.2f},    {L"x-large", 1.5f},  {L"xx-large", 2.0f}};
    for (const auto& k : kSizes) {
        if (l == k.name) return static_cast<int>(std::lround(defaultSize * k.scale));
    }
    if (l == L"smaller") return std::max(1, parentSize * 5 / 6);
    if (l == L"larger") return parentSize * 6 / 5;
    if (auto len = ParseLength(l, parentSize)) {
        if (len->unit == Length::Unit::Percent) return std::clamp(len->Resolve(parentSize, parentSize), 1, 1000);
        if (len->unit == Length::Unit::Px && len->value > 0) return std::min(len->Resolve(0, 0), 1000);
    }
    return -1;
}

struct Context {
    const Document& doc;
    int defaultFontSize;
};

void Apply(ComputedStyle& s, const ComputedStyle& parent, const Declaration& d, const Context& cx) {
    const std::wstring& v = d.value;
    const std::wstring lv = LowerAscii(v);
    const std::wstring& n = d.name;
    uint32_t rgb = 0;
    if (n == L"color") {
        if (ParseColor(v, rgb)) s.color = rgb;
    } else if (n == L"background-color") {
        if (lv == L"transparent") s.background.reset();
        else if (ParseColor(v, rgb)) s.background = rgb;
    } else if (n == L"background-image") {
        if (lv == L"none") s.backgroundImage.clear();
        else if (IsUrl(v)) s.backgroundImage = cx.doc.Resolve(UrlValue(v));
    } else if (n == L"background-position") {
        SetPosition(s, Parts(v));
    } else if (n == L"background-position-x") {
        bool vertical = false;
        if (auto l = PositionPart(v, s.fontSize, vertical)) s.bgPosX = *l;
    } else if (n == L"background-position-y") {
        bool vertical = false;
        if (auto l = PositionPart(v, s.fontSize, vertical)) s.bgPosY = *l;
    } else if (n == L"background-repeat") {
        SetRepeat(s, v);
    } else if (n == L"background") {
        std::vector<std::wstring> position;
        bool sawImage = false;
        s.background.reset();
        for (const std::wstring& p : Parts(v)) {
            const std::wstring lp = LowerAscii(p);
            if (IsUrl(p)) {
                s.backgroundImage = cx.doc.Resolve(UrlValue(p));
                sawImage = true;
            } else if (lp == L"none") {
                s.backgroundImage.clear();
                sawImage = true;
            } else if (SetRepeat(s, p) || lp == L"transparent" || lp == L"scroll" || lp == L"fixed") {
            } else if (ParseColor(p, rgb)) {
                s.background = rgb;
            } else {
                position.push_back(p);
            }
        }
        if (!sawImage) s.backgroundImage.clear();
        if (!position.empty()) SetPosition(s, position);
    } else if (n == L"width" || n == L"height") {
        auto l = ParseLength(v, s.fontSize);
        if (l && l->value >= 0) (n == L"width" ? s.width : s.height) = *l;
    } else if (n == L"display") {
        static const struct {
            const wchar_t* name;
            Display display;
        } kDisplays[] = {{L"none", Display::None},           {L"inline", Display::Inline},
                         {L"block", Display::Block},         {L"inline-block", Display::InlineBlock},
                         {L"list-item", Display::ListItem},  {L"table", Display::Table},
                         {L"table-row", Display::Row},       {L"table-cell", Display::Cell},
                         {L"table-row-group", Display::RowGroup}};
        for (const auto& k : kDisplays) {
            if (lv == k.name) s.display = k.display;
        }
    } else if (n == L"font-size") {
        const int size = FontSizeValue(v, parent.fontSize, cx.defaultFontSize);
        if (size > 0) s.fontSize = size;
    } else if (n == L"font-weight") {
        if (lv == L"bold" || lv == L"bolder") s.fontWeight = 700;
        else if (lv == L"normal" || lv == L"lighter") s.fontWeight = 400;
        else if (auto l = ParseLength(lv, 0); l && l->unit == Length::Unit::Px && l->value >= 100 && l->value <= 900)
            s.fontWeight = static_cast<int>(l->value);
    } else if (n == L"font-style") {
        s.italic = lv == L"italic" || lv == L"oblique";
    } else if (n == L"font") {
        for (const std::wstring& p : Parts(lv)) {
            if (p == L"bold") s.fontWeight = 700;
            else if (p == L"italic") s.italic = true;
            else if (p.size() > 0 && (IsDigit(p[0]) || p[0] == L'.')) {
                const int size = FontSizeValue(p.substr(0, p.find(L'/')), parent.fontSize, cx.defaultFontSize);
                if (size > 0) s.fontSize = size;
            }
        }
    } else if (n == L"text-align") {
        if (lv == L"left") s.textAlign = TextAlign::Left;
        else if (lv == L"center") s.textAlign = TextAlign::Center;
        else if (lv == L"right") s.textAlign = TextAlign::Right;
        s.centerBlocks = false;
    } else if (n == L"-mrvn-align") {  // the legacy align attribute
        if (lv == L"left") s.textAlign = TextAlign::Left;
        else if (lv == L"center" || lv == L"middle") s.textAlign = TextAlign::Center;
        else if (lv == L"right") s.textAlign = TextAlign::Right;
        s.centerBlocks = s.textAlign == TextAlign::Center;
    } else if (n == L"vertical-align") {
        if (lv == L"top") s.valign = VAlign::Top;
        else if (lv == L"bottom") s.valign = VAlign::Bottom;
        else if (lv == L"middle") s.valign = VAlign::Middle;
    } else if (n == L"text-decoration") {
        s.underline = lv.find(L"underline") != std::wstring::npos;
    } else if (n == L"white-space") {
        if (lv == L"nowrap") s.whiteSpace = WhiteSpace::NoWrap;
        else if (lv == L"pre" || lv == L"pre-wrap") s.whiteSpace = WhiteSpace::Pre;
        else if (lv == L"normal") s.whiteSpace = WhiteSpace::Normal;
    } else if (n == L"list-style-type" || n == L"list-style") {
        if (lv.find(L"none") != std::wstring::npos) s.listStyle = ListStyle::None;
        else if (lv.find(L"decimal") != std::wstring::npos) s.listStyle = ListStyle::Decimal;
        else if (lv.find(L"disc") != std::wstring::npos || lv.find(L"circle") != std::wstring::npos ||
                 lv.find(L"square") != std::wstring::npos)
            s.listStyle = ListStyle::Disc;
    } else if (n == L"margin") {
        SetBox(s.margin, v, s.fontSize);
    } else if (n == L"padding") {
        SetBox(s.padding, v, s.fontSize);
    } else if (n.compare(0, 7, L"margin-") == 0 || n.compare(0, 8, L"padding-") == 0) {
        const bool margin = n[0] == L'm';
        const std::wstring side = n.substr(margin ? 7 : 8);
        const int k = side == L"top" ? kTop : side == L"right" ? kRight : side == L"bottom" ? kBottom
                                                                      : side == L"left"    ? kLeft
                                                                                           : -1;
        if (k < 0) return;
        if (auto l = ParseLength(v, s.fontSize)) (margin ? s.margin : s.padding)[k] = *l;
    } else if (n == L"cursor") {
        if (lv == L"pointer" || lv == L"hand") s.handCursor = true;
        else if (lv == L"default" || lv == L"auto" || lv == L"text") s.handCursor = false;
    } else if (n == L"border" || n == L"border-width" || n == L"border-color") {
        for (const std::wstring& p : Parts(v)) {
            const std::wstring lp = LowerAscii(p);
            if (lp == L"none" || lp == L"0") s.borderWidth = 0;
            else if (auto l = ParseLength(lp, s.fontSize); l && l->unit == Length::Unit::Px)
                s.borderWidth = std::clamp(l->Resolve(0, 0), 0, 100);
            else if (ParseColor(p, rgb)) s.borderColor = rgb;
            else if (lp == L"thin") s.borderWidth = 1;
            else if (lp == L"medium") s.borderWidth = 3;
        }
    }
}

// ---- defaults and legacy attributes

Display DefaultDisplay(const Document& d, NodeId n) {
    const std::wstring& t = d[n].name;
    if (OneOf(t, {L"head", L"script", L"style", L"title", L"meta", L"link", L"base", L"template", L"option",
                  L"optgroup", L"iframe", L"area", L"map", L"param", L"xmp", L"noembed", L"noframes", L"col",
                  L"colgroup", L"embed", L"object", L"applet"}))
        return Display::None;
    if (t == L"input" && LowerAscii(d.AttrOr(n, L"type")) == L"hidden") return Display::None;
    if (OneOf(t, {L"html", L"body", L"div", L"p", L"ul", L"ol", L"dl", L"dt", L"dd", L"h1", L"h2", L"h3", L"h4",
                  L"h5", L"h6", L"center", L"form", L"blockquote", L"pre", L"hr", L"address", L"article",
                  L"section", L"header", L"footer", L"nav", L"aside", L"main", L"figure", L"figcaption",
                  L"fieldset", L"noscript", L"caption", L"menu", L"dir", L"listing"}))
        return Display::Block;
    if (t == L"li") return Display::ListItem;
    if (t == L"table") return Display::Table;
    if (t == L"tbody" || t == L"thead" || t == L"tfoot") return Display::RowGroup;
    if (t == L"tr") return Display::Row;
    if (t == L"td" || t == L"th") return Display::Cell;
    if (OneOf(t, {L"img", L"input", L"select", L"textarea", L"button"})) return Display::InlineBlock;
    return Display::Inline;
}

void Defaults(const Document& d, NodeId n, ComputedStyle& s) {
    const std::wstring& t = d[n].name;
    s.display = DefaultDisplay(d, n);
    const float em = static_cast<float>(s.fontSize);
    static const float kHeading[6] = {2.0f, 1.5f, 1.17f, 1.0f, 0.83f, 0.67f};
    static const float kHeadingMargin[6] = {0.67f, 0.83f, 1.0f, 1.33f, 1.67f, 2.33f};
    if (t == L"body") {
        for (auto& m : s.margin) m = Length::Px(8);
    } else if (t == L"p" || t == L"dl" || t == L"ul" || t == L"ol" || t == L"menu" || t == L"dir") {
        s.margin[kTop] = s.margin[kBottom] = Length::Px(em);
        if (t != L"p" && t != L"dl") s.padding[kLeft] = Length::Px(40);
        if (t == L"ol") s.listStyle = ListStyle::Decimal;
        if (t == L"ul") s.listStyle = ListStyle::Disc;
    } else if (t == L"blockquote") {
        s.margin[kTop] = s.margin[kBottom] = Length::Px(em);
        s.margin[kLeft] = s.margin[kRight] = Length::Px(40);
    } else if (t == L"dd") {
        s.margin[kLeft] = Length::Px(40);
    } else if (t.size() == 2 && t[0] == L'h' && t[1] >= L'1' && t[1] <= L'6') {
        const size_t k = static_cast<size_t>(t[1] - L'1');
        s.fontSize = static_cast<int>(std::lround(s.fontSize * kHeading[k]));
        s.fontWeight = 700;
        s.margin[kTop] = s.margin[kBottom] = Length::Px(static_cast<float>(s.fontSize) * kHeadingMargin[k] /
                                                        kHeading[k]);
    } else if (t == L"b" || t == L"strong" || t == L"th") {
        s.fontWeight = 700;
        if (t == L"th") s.textAlign = TextAlign::Center;
    } else if (t == L"i" || t == L"em" || t == L"cite" || t == L"var") {
        s.italic = true;
    } else if (t == L"u" || t == L"ins") {
        s.underline = true;
    } else if (t == L"small") {
        s.fontSize = std::max(1, s.fontSize * 5 / 6);
    } else if (t == L"big") {
        s.fontSize = s.fontSize * 6 / 5;
    } else if (t == L"a" && d.HasAttr(n, L"href")) {
        s.color = 0x0000EE;
        s.underline = true;
    } else if (t == L"center") {
        s.textAlign = TextAlign::Center;
        s.centerBlocks = true;
    } else if (t == L"pre" || t == L"listing" || t == L"textarea") {
        s.whiteSpace = WhiteSpace::Pre;
        if (t != L"textarea") s.margin[kTop] = s.margin[kBottom] = Length::Px(em);
    } else if (t == L"nobr") {
        s.whiteSpace = WhiteSpace::NoWrap;
    } else if (t == L"hr") {
        s.margin[kTop] = s.margin[kBottom] = Length::Px(em / 2);
    } else if (t == L"table") {
        s.textAlign = TextAlign::Left;  // tables start their own alignment in standards pages
        s.centerBlocks = false;
    } else if (t == L"fieldset") {
        s.margin[kLeft] = s.margin[kRight] = Length::Px(2);
        for (auto& p : s.padding) p = Length::Px(em * 0.6f);
        s.borderWidth = 2;
    }
}

std::wstring PxOrPercent(const std::wstring& v) {
    const std::wstring t = Trim(v);
    if (!t.empty() && t.back() == L'%') return t;
    size_t i = 0;
    float f = 0;
    if (!Number(t, i, f) || f < 0) return L"";
    return std::to_wstring(static_cast<int>(f)) + L"px";
}

// The presentational attributes of old pages, as declarations below every style sheet.
std::vector<Declaration> LegacyDeclarations(const Document& d, NodeId n, int defaultFontSize) {
    std::vector<Declaration> out;
    const std::wstring& t = d[n].name;
    auto add = [&](const wchar_t* name, const std::wstring& value) {
        if (!value.empty()) out.push_back({name, value, false});
    };
    auto colour = [&](const wchar_t* attr, const wchar_t* prop) {
        uint32_t rgb = 0;
        if (const std::wstring* v = d.Attr(n, attr); v && ParseColor(*v, rgb, true)) {
            std::wstring hex = L"#";
            for (int shift = 20; shift >= 0; shift -= 4) hex += L"0123456789ABCDEF"[(rgb >> shift) & 0xF];
            add(prop, hex);
        }
    };
    if (OneOf(t, {L"body", L"table", L"tr", L"td", L"th"})) {
        colour(L"bgcolor", L"background-color");
        if (const std::wstring* bg = d.Attr(n, L"background"); bg && !Trim(*bg).empty())
            add(L"background-image", L"url(\"" + *bg + L"\")");
    }
    if (t == L"body") {
        colour(L"text", L"color");
        if (const std::wstring* v = d.Attr(n, L"topmargin")) add(L"margin-top", PxOrPercent(*v));
        if (const std::wstring* v = d.Attr(n, L"leftmargin")) add(L"margin-left", PxOrPercent(*v));
        if (const std::wstring* v = d.Attr(n, L"marginheight")) add(L"margin-top", PxOrPercent(*v));
        if (const std::wstring* v = d.Attr(n, L"marginwidth")) add(L"margin-left", PxOrPercent(*v));
        if (const std::wstring* v = d.Attr(n, L"rightmargin")) add(L"margin-right", PxOrPercent(*v));
        if (const std::wstring* v = d.Attr(n, L"bottommargin")) add(L"margin-bottom", PxOrPercent(*v));
    }
    if (t == L"font" || t == L"basefont") {
        colour(L"color", L"color");
        if (const std::wstring* v = d.Attr(n, L"size")) {
            const std::wstring sv = Trim(*v);
            size_t i = 0;
            float f = 0;
            if (Number(sv, i, f)) {
                int level = static_cast<int>(f);
                if (!sv.empty() && (sv[0] == L'+' || sv[0] == L'-')) level += 3;
                static const int kPx[7] = {10, 13, 16, 18, 24, 32, 48};
                const int px = kPx[std::clamp(level, 1, 7) - 1] * defaultFontSize / 16;
                add(L"font-size", std::to_wstring(px) + L"px");
            }
        }
    }
    if (OneOf(t, {L"div", L"p", L"h1", L"h2", L"h3", L"h4", L"h5", L"h6", L"td", L"th", L"tr", L"caption",
                  L"tbody", L"thead", L"tfoot"})) {
        if (const std::wstring* v = d.Attr(n, L"align")) add(L"-mrvn-align", *v);
    }
    if (t == L"td" || t == L"th" || t == L"tr" || t == L"tbody") {
        if (const std::wstring* v = d.Attr(n, L"valign")) add(L"vertical-align", *v);
        if (d.HasAttr(n, L"nowrap")) add(L"white-space", L"nowrap");
    }
    if (t == L"table") {
        const std::wstring align = LowerAscii(d.AttrOr(n, L"align"));
        if (align == L"center") {
            add(L"margin-left", L"auto");
            add(L"margin-right", L"auto");
        } else if (align == L"right") {
            add(L"margin-left", L"auto");
        }
    }
    if (OneOf(t, {L"table", L"td", L"th", L"img", L"hr", L"col", L"div", L"iframe", L"input", L"select",
                  L"textarea", L"button"})) {
        if (const std::wstring* v = d.Attr(n, L"width")) add(L"width", PxOrPercent(*v));
    }
    if (OneOf(t, {L"table", L"td", L"th", L"tr", L"img", L"iframe", L"input", L"button"})) {
        if (const std::wstring* v = d.Attr(n, L"height")) add(L"height", PxOrPercent(*v));
    }
    if (t == L"img" && d.HasAttr(n, L"border")) add(L"border-width", PxOrPercent(d.AttrOr(n, L"border")));
    if (t == L"img" || t == L"table") {
        if (const std::wstring* v = d.Attr(n, L"hspace")) {
            add(L"margin-left", PxOrPercent(*v));
            add(L"margin-right", PxOrPercent(*v));
        }
        if (const std::wstring* v = d.Attr(n, L"vspace")) {
            add(L"margin-top", PxOrPercent(*v));
            add(L"margin-bottom", PxOrPercent(*v));
        }
    }
    if (t == L"hr") colour(L"color", L"background-color");
    return out;
}

struct Weighted {
    int level;  // 0 legacy, 1 sheet, 2 inline, 3 sheet !important, 4 inline !important
    int specificity;
    size_t order;
    const Declaration* decl;
};

}  // namespace

Styles ComputeStyles(const Document& doc, int defaultFontSize) {
    std::vector<Rule> rules;
    for (NodeId n : doc.ElementsByTag(L"style")) {
        const std::wstring type = LowerAscii(Trim(doc.AttrOr(n, L"type", L"text/css")));
        if (type == L"text/css" || type.empty()) ParseSheet(doc.TextContent(n), rules);
    }
    Styles styles(doc.nodes.size());
    const Context cx{doc, defaultFontSize};
    ComputedStyle root;
    root.fontSize = defaultFontSize;
    // Parents always come before their children in the node array.
    for (size_t k = 0; k < doc.nodes.size(); ++k) {
        const auto n = static_cast<NodeId>(k);
        const Node& node = doc[n];
        const ComputedStyle& parent = node.parent == kNoNode ? root : styles[static_cast<size_t>(node.parent)];
        if (node.kind != NodeKind::Element) {
            styles[k] = parent;
            continue;
        }
        ComputedStyle s;
        s.color = parent.color;
        s.fontSize = parent.fontSize;
        s.fontWeight = parent.fontWeight;
        s.italic = parent.italic;
        s.underline = parent.underline;
        s.textAlign = parent.textAlign;
        s.centerBlocks = parent.centerBlocks;
        s.whiteSpace = parent.whiteSpace;
        s.listStyle = parent.listStyle;
        s.handCursor = parent.handCursor;
        if (node.name == L"td" || node.name == L"th") s.valign = parent.valign;  // a row's valign
        Defaults(doc, n, s);

        const std::vector<Declaration> legacy = LegacyDeclarations(doc, n, defaultFontSize);
        const std::vector<Declaration> inlineDecls = ParseDeclarations(doc.AttrOr(n, L"style"));
        std::vector<Weighted> list;
        size_t order = 0;
        for (const Declaration& d : legacy) list.push_back({0, 0, order++, &d});
        for (const Rule& r : rules) {
            int best = -1;
            for (const Selector& sel : r.selectors) {
                if (sel.specificity > best && Matches(doc, n, sel)) best = sel.specificity;
            }
            if (best < 0) continue;
            for (const Declaration& d : r.decls) list.push_back({d.important ? 3 : 1, best, order++, &d});
        }
        for (const Declaration& d : inlineDecls) list.push_back({d.important ? 4 : 2, 0, order++, &d});
        std::stable_sort(list.begin(), list.end(), [](const Weighted& a, const Weighted& b) {
            if (a.level != b.level) return a.level < b.level;
            if (a.specificity != b.specificity) return a.specificity < b.specificity;
            return a.order < b.order;
        });
        // Font size first: "em" in the other properties is against the element's own size.
        for (const Weighted& w : list) {
            if (w.decl->name == L"font-size" || w.decl->name == L"font") Apply(s, parent, *w.decl, cx);
        }
        for (const Weighted& w : list) {
            if (w.decl->name != L"font-size" && w.decl->name != L"font") Apply(s, parent, *w.decl, cx);
        }
        styles[k] = s;
    }
    return styles;
}

}  // namespace mrvn::web
