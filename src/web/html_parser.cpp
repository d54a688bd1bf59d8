#include "web/html_parser.h"

#include <algorithm>
#include <cstring>

#include "web/charset.h"
#include "web/url.h"
#include "web/web_text.h"

namespace mrvn::web {
namespace {

bool IsAlpha(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsAlnum(wchar_t c) { return IsAlpha(c) || IsDigit(c); }

bool OneOf(const std::wstring& s, std::initializer_list<const wchar_t*> set) {
    for (const wchar_t* t : set) {
        if (s == t) return true;
    }
    return false;
}

struct Entity {
    const wchar_t* name;
    char32_t cp;
    bool legacy;  // also recognised without the closing ";"
};

const Entity kEntities[] = {
    {L"amp", 38, true},       {L"lt", 60, true},         {L"gt", 62, true},         {L"quot", 34, true},
    {L"apos", 39, false},     {L"nbsp", 160, true},      {L"copy", 169, true},      {L"reg", 174, true},
    {L"trade", 8482, false},  {L"middot", 183, true},    {L"times", 215, true},     {L"divide", 247, true},
    {L"laquo", 171, true},    {L"raquo", 187, true},     {L"hellip", 8230, false},  {L"mdash", 8212, false},
    {L"ndash", 8211, false},  {L"lsquo", 8216, false},   {L"rsquo", 8217, false},   {L"ldquo", 8220, false},
    {L"rdquo", 8221, false},  {L"bull", 8226, false},    {L"yen", 165, true},       {L"deg", 176, true},
    {L"plusmn", 177, true},   {L"sect", 167, true},      {L"para", 182, true},      {L"cent", 162, true},
    {L"pound", 163, true},    {L"euro", 8364, false},    {L"larr", 8592, false},    {L"rarr", 8594, false},
    {L"uarr", 8593, false},   {L"darr", 8595, false},    {L"ensp", 8194, false},    {L"emsp", 8195, false},
    {L"thinsp", 8201, false}, {L"shy", 173, true},       {L"iexcl", 161, true},     {L"frac12", 189, true},
    {L"frac14", 188, true},   {L"frac34", 190, true},    {L"sup2", 178, true},      {L"sup3", 179, true},
    {L"micro", 181, true},    {L"hearts", 9829, false},  {L"star", 9734, false},    {L"check", 10003, false},
};

// What browsers make of references to the C1 controls 0x80..0x9F (the Windows-1252 characters).
const char16_t kC1[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                          0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                          0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

// Decodes the reference at text[i] == '&'; on success appends it and moves `i` past it.
bool DecodeReference(const std::wstring& text, size_t& i, bool inAttribute, std::wstring& out) {
    size_t j = i + 1;
    if (j < text.size() && text[j] == L'#') {
        ++j;
        const bool hex = j < text.size() && (text[j] == L'x' || text[j] == L'X');
        if (hex) ++j;
        const size_t digits = j;
        char32_t v = 0;
        while (j < text.size()) {
            const wchar_t c = text[j];
            int d;
            if (IsDigit(c)) d = c - L'0';
            else if (hex && c >= L'a' && c <= L'f') d = c - L'a' + 10;
            else if (hex && c >= L'A' && c <= L'F') d = c - L'A' + 10;
            else break;
            if (v <= 0x10FFFF) v = v * (hex ? 16 : 10) + static_cast<char32_t>(d);  // stops growing past the range
            ++j;
        }
        if (j == digits) return false;
        if (j < text.size() && text[j] == L';') ++j;
        if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) v = 0xFFFD;
        else if (v >= 0x80 && v <= 0x9F) v = kC1[v - 0x80];
        AppendCodePoint(out, v);
        i = j;
        return true;
    }
    size_t e = j;
    while (e < text.size() && IsAlnum(text[e]) && e - j < 32) ++e;
    if (e == j) return false;
    const std::wstring name = text.substr(j, e - j);
    if (e < text.size() && text[e] == L';') {
        for (const Entity& en : kEntities) {
            if (name == en.name) {
                AppendCodePoint(out, en.cp);
                i = e + 1;
                return true;
            }
        }
    }
    // Legacy names without ";": the longest one that the run starts with.
    const Entity* best = nullptr;
    size_t bestLen = 0;
    for (const Entity& en : kEntities) {
        const size_t n = std::wcslen(en.name);
        if (en.legacy && n > bestLen && name.compare(0, n, en.name) == 0) {
            best = &en;
            bestLen = n;
        }
    }
    if (!best) return false;
    const size_t after = j + bestLen;
    if (inAttribute && after < text.size() && (IsAlnum(text[after]) || text[after] == L'=')) return false;
    AppendCodePoint(out, best->cp);
    i = after;
    return true;
}

// ---- tokenizer

enum class TokenKind { Text, StartTag, EndTag, Comment, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::wstring name;  // tag name, lower-cased
    std::wstring text;
    std::vector<Attribute> attrs;
};

class Tokenizer {
public:
    explicit Tokenizer(const std::wstring& s) : s_(s) {}

    Token Next() {
        Token t;
        if (!rawEnd_.empty()) {
            t = RawText();
            if (!t.text.empty()) return t;
        }
        while (s_.compare(i_, 3, L"</>") == 0) i_ += 3;  // nothing at all
        if (i_ >= s_.size()) return Token{};
        if (s_[i_] == L'<') {
            if (Starts(L"<!--")) return Comment();
            if (i_ + 1 < s_.size() && (s_[i_ + 1] == L'!' || s_[i_ + 1] == L'?')) return Bogus(i_ + 2);
            if (i_ + 2 < s_.size() && s_[i_ + 1] == L'/') {
                if (IsAlpha(s_[i_ + 2])) return EndTag();
                return Bogus(i_ + 2);
            }
            if (i_ + 1 < s_.size() && IsAlpha(s_[i_ + 1])) return StartTag();
        }
        size_t e = s_.find(L'<', i_ + 1);
        if (e == std::wstring::npos) e = s_.size();
        t.kind = TokenKind::Text;
        t.text = DecodeEntities(s_.substr(i_, e - i_), false);
        i_ = e;
        return t;
    }

private:
    bool Starts(const wchar_t* lit) const { return s_.compare(i_, std::wcslen(lit), lit) == 0; }

    Token Comment() {
        Token t;
        t.kind = TokenKind::Comment;
        const size_t from = i_ + 4;
        size_t e = from < s_.size() && s_[from] == L'>' ? from : s_.find(L"-->", from);
        if (e == std::wstring::npos) {
            t.text = s_.substr(from);
            i_ = s_.size();
        } else {
            t.text = s_.substr(from, e - from);
            i_ = s_[e] == L'>' ? e + 1 : e + 3;
        }
        return t;
    }

    Token Bogus(size_t from) {
        Token t;
        t.kind = TokenKind::Comment;
        size_t e = s_.find(L'>', std::min(from, s_.size()));
        if (e == std::wstring::npos) e = s_.size();
        t.text = s_.substr(std::min(from, s_.size()), e - std::min(from, s_.size()));
        i_ = std::min(e + 1, s_.size());
        return t;
    }

    std::wstring Name() {
        std::wstring n;
        while (i_ < s_.size() && !IsBlank(s_[i_]) && s_[i_] != L'/' && s_[i_] != L'>') n += LowerAscii(s_[i_++]);
        return n;
    }

    Token EndTag() {
        Token t;
        t.kind = TokenKind::EndTag;
        i_ += 2;
        t.name = Name();
        size_t e = s_.find(L'>', i_);
        i_ = e == std::wstring::npos ? s_.size() : e + 1;
        return t;
    }

    Token StartTag() {
        Token t;
        t.kind = TokenKind::StartTag;
        ++i_;
        t.name = Name();
        while (i_ < s_.size()) {
            while (i_ < s_.size() && (IsBlank(s_[i_]) || s_[i_] == L'/')) ++i_;
            if (i_ >= s_.size()) break;
            if (s_[i_] == L'>') {
                ++i_;
                break;
            }
            std::wstring name;
            name += LowerAscii(s_[i_++]);  // a first "=" belongs to the name
            while (i_ < s_.size() && !IsBlank(s_[i_]) && s_[i_] != L'/' && s_[i_] != L'>' && s_[i_] != L'=')
                name += LowerAscii(s_[i_++]);
            size_t k = i_;
            while (k < s_.size() && IsBlank(s_[k])) ++k;
            std::wstring value;
            if (k < s_.size() && s_[k] == L'=') {
                i_ = k + 1;
                while (i_ < s_.size() && IsBlank(s_[i_])) ++i_;
                if (i_ < s_.size() && (s_[i_] == L'"' || s_[i_] == L'\'')) {
                    const wchar_t q = s_[i_++];
                    size_t e = s_.find(q, i_);
                    if (e == std::wstring::npos) e = s_.size();
                    value = s_.substr(i_, e - i_);
                    i_ = std::min(e + 1, s_.size());
                } else {
                    const size_t b = i_;
                    while (i_ < s_.size() && !IsBlank(s_[i_]) && s_[i_] != L'>') ++i_;
                    value = s_.substr(b, i_ - b);
                }
                value = DecodeEntities(value, true);
            }
            bool dup = false;
            for (const Attribute& a : t.attrs) dup = dup || a.name == name;
            if (!dup) t.attrs.push_back({name, value});
        }
        if (OneOf(t.name, {L"script", L"style", L"xmp", L"iframe", L"noembed", L"noframes"})) {
            rawEnd_ = t.name;
            rawEntities_ = false;
        } else if (t.name == L"title" || t.name == L"textarea") {
            rawEnd_ = t.name;
            rawEntities_ = true;
        }
        return t;
    }

    // Contents of script, style, title and textarea up to their end tag; the end tag comes next.
    Token RawText() {
        Token t;
        t.kind = TokenKind::Text;
        size_t e = i_;
        for (;;) {
            e = s_.find(L"</", e);
            if (e == std::wstring::npos) {
                e = s_.size();
                break;
            }
            size_t k = 0;
            while (k < rawEnd_.size() && e + 2 + k < s_.size() && LowerAscii(s_[e + 2 + k]) == rawEnd_[k]) ++k;
            const size_t after = e + 2 + k;
            if (k == rawEnd_.size() &&
                (after >= s_.size() || IsBlank(s_[after]) || s_[after] == L'/' || s_[after] == L'>'))
                break;
            e += 2;
        }
        t.text = s_.substr(i_, e - i_);
        if (rawEntities_) t.text = DecodeEntities(t.text, false);
        i_ = e;
        rawEnd_.clear();
        return t;
    }

    const std::wstring& s_;
    size_t i_ = 0;
    std::wstring rawEnd_;
    bool rawEntities_ = false;
};

// ---- tree builder

bool IsVoid(const std::wstring& n) {
    return OneOf(n, {L"area", L"base", L"br", L"col", L"embed", L"hr", L"img", L"input", L"link", L"meta", L"param",
                     L"source", L"track", L"wbr", L"basefont", L"bgsound", L"keygen", L"frame", L"image"});
}

bool IsSpecial(const std::wstring& n) {
    return OneOf(n, {L"address", L"applet", L"article", L"aside", L"blockquote", L"body", L"button", L"caption",
                     L"center", L"colgroup", L"dd", L"details", L"dir", L"div", L"dl", L"dt", L"fieldset",
                     L"figcaption", L"figure", L"footer", L"form", L"h1", L"h2", L"h3", L"h4", L"h5", L"h6",
                     L"header", L"html", L"iframe", L"li", L"listing", L"main", L"marquee", L"menu", L"nav",
                     L"noscript", L"object", L"ol", L"p", L"pre", L"section", L"select", L"table", L"tbody",
                     L"td", L"textarea", L"tfoot", L"th", L"thead", L"title", L"tr", L"ul", L"xmp", L"script",
                     L"style"});
}

bool ClosesP(const std::wstring& n) {
    return OneOf(n, {L"address", L"article", L"aside", L"blockquote", L"center", L"details", L"dir", L"div", L"dl",
                     L"fieldset", L"figcaption", L"figure", L"footer", L"form", L"header", L"hr", L"main", L"menu",
                     L"nav", L"ol", L"p", L"pre", L"section", L"table", L"ul", L"li", L"dd", L"dt", L"h1", L"h2",
                     L"h3", L"h4", L"h5", L"h6", L"listing", L"xmp"});
}

bool IsHeading(const std::wstring& n) { return OneOf(n, {L"h1", L"h2", L"h3", L"h4", L"h5", L"h6"}); }
bool IsHeadOnly(const std::wstring& n) {
    return OneOf(n, {L"title", L"meta", L"base", L"link", L"style", L"script", L"noscript"});
}
bool IsTableContext(const std::wstring& n) { return OneOf(n, {L"table", L"tbody", L"thead", L"tfoot", L"tr"}); }
bool IsFormatting(const std::wstring& n) {
    return OneOf(n, {L"a", L"b", L"big", L"code", L"em", L"font", L"i", L"nobr", L"s", L"small", L"strike",
                     L"strong", L"tt", L"u", L"span", L"label"});
}
bool IsBlockEnd(const std::wstring& n) {
    return OneOf(n, {L"address", L"article", L"aside", L"blockquote", L"button", L"center", L"details", L"dir",
                     L"div", L"dl", L"fieldset", L"figcaption", L"figure", L"footer", L"header", L"listing",
                     L"main", L"menu", L"nav", L"ol", L"pre", L"section", L"summary", L"ul", L"select",
                     L"noscript"});
}
bool IsField(const std::wstring& n) { return OneOf(n, {L"input", L"select", L"textarea", L"button"}); }

bool AllBlank(const std::wstring& s) {
    return std::all_of(s.begin(), s.end(), [](wchar_t c) { return IsBlank(c); });
}

class TreeBuilder {
public:
    explicit TreeBuilder(Document& d) : d_(d) {
        d_.html = NewNode(NodeKind::Element, L"html", kNoNode);
        d_.head = NewNode(NodeKind::Element, L"head", d_.html);
        d_.body = NewNode(NodeKind::Element, L"body", d_.html);
        open_ = {d_.html, d_.body};
    }

    void Add(Token& t) {
        // A line feed right after <pre> or <textarea> is not part of the text.
        if (dropNewline_ && t.kind == TokenKind::Text) {
            if (t.text.compare(0, 2, L"\r\n") == 0) t.text.erase(0, 2);
            else if (!t.text.empty() && (t.text[0] == L'\n' || t.text[0] == L'\r')) t.text.erase(0, 1);
        }
        dropNewline_ = t.kind == TokenKind::StartTag &&
                       (t.name == L"pre" || t.name == L"listing" || t.name == L"textarea");
        switch (t.kind) {
        case TokenKind::Text: Text(t.text); break;
        case TokenKind::Comment: Append(NewNode(NodeKind::Comment, L"", Current()), t.text); break;
        case TokenKind::StartTag: Start(t); break;
        case TokenKind::EndTag: End(t.name); break;
        case TokenKind::End: break;
        }
    }

private:
    NodeId Current() const { return open_.back(); }
    const std::wstring& NameOf(NodeId n) const { return d_[n].name; }

    NodeId NewNode(NodeKind kind, const std::wstring& name, NodeId parent) {
        Node node;
        node.kind = kind;
        node.name = name;
        node.parent = parent;
        node.depth = parent == kNoNode ? 0 : d_[parent].depth + 1;
        d_.nodes.push_back(std::move(node));
        const auto id = static_cast<NodeId>(d_.nodes.size() - 1);
        if (parent != kNoNode) d_[parent].children.push_back(id);
        return id;
    }

    void Append(NodeId n, const std::wstring& text) { d_[n].text = text; }

    // Where content goes now: the current node, or in front of the table when the current node
    // is a table part (what stray content inside <table> shows as in browsers).
    NodeId FosterTable() const {
        if (!IsTableContext(NameOf(Current()))) return kNoNode;
        for (size_t k = open_.size(); k-- > 0;) {
            if (NameOf(open_[k]) == L"table") return open_[k];
        }
        return kNoNode;
    }

    NodeId InsertBefore(NodeId table, NodeKind kind, const std::wstring& name) {
        const NodeId parent = d_[table].parent;
        const NodeId n = NewNode(kind, name, parent);
        auto& kids = d_[parent].children;
        kids.pop_back();
        kids.insert(std::find(kids.begin(), kids.end(), table), n);
        return n;
    }

    void Text(const std::wstring& text) {
        if (text.empty()) return;
        if (!inBody_ && AllBlank(text) && !IsRawParent()) return;
        if (!IsRawParent()) inBody_ = true;
        NodeId table = FosterTable();
        if (table != kNoNode && !AllBlank(text)) {
            const NodeId parent = d_[table].parent;
            const auto& kids = d_[parent].children;
            auto it = std::find(kids.begin(), kids.end(), table);
            if (it != kids.begin() && d_[*(it - 1)].kind == NodeKind::Text) {
                d_[*(it - 1)].text += text;
                return;
            }
            d_[InsertBefore(table, NodeKind::Text, L"")].text = text;
            return;
        }
        const NodeId cur = Current();
        const auto& kids = d_[cur].children;
        if (!kids.empty() && d_[kids.back()].kind == NodeKind::Text) {
            d_[kids.back()].text += text;
            return;
        }
        d_[NewNode(NodeKind::Text, L"", cur)].text = text;
    }

    bool IsRawParent() const {
        return OneOf(NameOf(Current()), {L"script", L"style", L"title", L"textarea", L"xmp", L"iframe"});
    }

    // Index in open_ of the nearest `tag`, not looking past `boundaries`; npos when not there.
    size_t InScope(const std::wstring& tag, std::initializer_list<const wchar_t*> boundaries) const {
        for (size_t k = open_.size(); k-- > 1;) {
            const std::wstring& n = NameOf(open_[k]);
            if (n == tag) return k;
            if (OneOf(n, boundaries)) return std::wstring::npos;
        }
        return std::wstring::npos;
    }
    size_t InDefaultScope(const std::wstring& tag) const {
        return InScope(tag, {L"table", L"td", L"th", L"caption", L"html", L"marquee", L"object", L"applet"});
    }
    size_t InButtonScope(const std::wstring& tag) const {
        return InScope(tag, {L"table", L"td", L"th", L"caption", L"html", L"marquee", L"object", L"applet", L"button"});
    }
    size_t InTableScope(const std::wstring& tag) const { return InScope(tag, {L"table", L"html"}); }

    // Pops down to and including open_[k]; the body and html never go.
    void PopThrough(size_t k) {
        if (k == std::wstring::npos || k < 2) return;
        for (size_t j = k; j < open_.size(); ++j) {
            if (open_[j] == d_.body) return;
        }
        open_.resize(k);
    }

    void ClosePIfOpen() { PopThrough(InButtonScope(L"p")); }

    void MergeAttrs(NodeId n, const std::vector<Attribute>& attrs) {
        for (const Attribute& a : attrs) {
            if (!d_.HasAttr(n, a.name)) d_[n].attrs.push_back(a);
        }
    }

    void Start(Token& t) {
        const std::wstring& n = t.name;
        if (n == L"html") return MergeAttrs(d_.html, t.attrs);
        if (n == L"body") {
            inBody_ = true;
            return MergeAttrs(d_.body, t.attrs);
        }
        if (n == L"head" || n == L"frameset" || n == L"frame") return;
        if (!inBody_ && IsHeadOnly(n)) return Insert(t, d_.head, false);
        inBody_ = true;

        if (OneOf(n, {L"caption", L"col", L"colgroup", L"tbody", L"thead", L"tfoot", L"tr", L"td", L"th"})) {
            return TablePart(t);
        }
        if (ClosesP(n)) ClosePIfOpen();
        if (IsHeading(n) && IsHeading(NameOf(Current()))) open_.pop_back();
        if (n == L"li" || n == L"dd" || n == L"dt") {
            for (size_t k = open_.size(); k-- > 2;) {
                const std::wstring& o = NameOf(open_[k]);
                if (o == n || (n != L"li" && (o == L"dd" || o == L"dt"))) {
                    PopThrough(k);
                    break;
                }
                if (IsSpecial(o) && o != L"address" && o != L"div" && o != L"p") break;
            }
        }
        if (n == L"option" && NameOf(Current()) == L"option") open_.pop_back();
        if (n == L"optgroup") {
            if (NameOf(Current()) == L"option") open_.pop_back();
            if (NameOf(Current()) == L"optgroup") open_.pop_back();
        }
        if (n == L"select" || n == L"button") {
            const size_t k = InDefaultScope(n);
            if (k != std::wstring::npos) {
                PopThrough(k);
                if (n == L"select") return;  // a select inside a select only closes the first
            }
        }
        if (n == L"a") PopThrough(InDefaultScope(L"a"));
        if (n == L"table" && IsTableContext(NameOf(Current()))) PopThrough(InTableScope(L"table"));
        if (n == L"form") {
            if (form_ != kNoNode) return;
            if (IsTableContext(NameOf(Current()))) {
                // Between table rows a form holds no content; its fields still belong to it.
                form_ = NewNode(NodeKind::Element, n, Current());
                d_[form_].attrs = t.attrs;
                return;
            }
        }
        const bool inTable = IsTableContext(NameOf(Current()));
        if (inTable && !(n == L"script" || n == L"style" ||
                         (n == L"input" && IsHiddenInput(t)))) {
            return Insert(t, kNoNode, true);
        }
        Insert(t, Current(), false);
    }

    static bool IsHiddenInput(const Token& t) {
        for (const Attribute& a : t.attrs) {
            if (a.name == L"type") {
                std::wstring v = a.value;
                for (wchar_t& c : v) c = LowerAscii(c);
                return v == L"hidden";
            }
        }
        return false;
    }

    void Insert(Token& t, NodeId parent, bool foster) {
        const std::wstring name = t.name == L"image" ? L"img" : t.name;
        NodeId n;
        const NodeId table = foster ? FosterTable() : kNoNode;
        if (table != kNoNode) n = InsertBefore(table, NodeKind::Element, name);
        else n = NewNode(NodeKind::Element, name, parent == kNoNode ? Current() : parent);
        d_[n].attrs = std::move(t.attrs);
        if (form_ != kNoNode && IsField(name)) d_[n].form = form_;
        if (name == L"form") form_ = n;
        if (IsVoid(name)) return;
        if (d_[n].depth >= kMaxTreeDepth) return;  // too deep: its content follows it instead
        open_.push_back(n);
    }

    void TablePart(Token& t) {
        const std::wstring& n = t.name;
        const size_t table = InTableScope(L"table");
        if (table == std::wstring::npos) return;  // stray table parts outside a table are dropped
        if (n == L"caption" || n == L"colgroup" || n == L"col") {
            PopThrough(table + 1);
            if (n != L"caption") return;  // column groups: widths come from the cells here
            return Insert(t, Current(), false);
        }
        if (n == L"tbody" || n == L"thead" || n == L"tfoot") {
            PopThrough(table + 1);
            return Insert(t, Current(), false);
        }
        if (n == L"tr") {
            for (size_t k = open_.size(); k-- > table + 1;) {
                if (OneOf(NameOf(open_[k]), {L"tr", L"td", L"th", L"caption"})) {
                    PopThrough(k);
                    break;
                }
            }
            // Pop anything fostered above the table's own parts.
            while (open_.size() > table + 1 && !OneOf(NameOf(Current()), {L"tbody", L"thead", L"tfoot"})) {
                open_.pop_back();
            }
            return Insert(t, Current(), false);
        }
        // td, th
        for (size_t k = open_.size(); k-- > table + 1;) {
            if (OneOf(NameOf(open_[k]), {L"td", L"th", L"caption"})) {
                PopThrough(k);
                break;
            }
        }
        while (open_.size() > table + 1 && !OneOf(NameOf(Current()), {L"tr", L"tbody", L"thead", L"tfoot"})) {
            open_.pop_back();
        }
        if (NameOf(Current()) != L"tr") {
            Token tr;
            tr.name = L"tr";
            Insert(tr, Current(), false);
            if (NameOf(Current()) != L"tr") return;  // the depth limit stopped the row
        }
        Insert(t, Current(), false);
    }

    void End(const std::wstring& n) {
        if (n == L"html" || n == L"body" || n == L"head") return;
        if (n == L"br") {
            Token t;
            t.kind = TokenKind::StartTag;
            t.name = L"br";
            return Start(t);
        }
        if (n == L"p") return ClosePIfOpen();
        if (n == L"form") {
            const NodeId f = form_;
            form_ = kNoNode;
            for (size_t k = open_.size(); k-- > 2;) {
                if (open_[k] == f) return PopThrough(k);
            }
            return;
        }
        if (n == L"li") return PopThrough(InScope(L"li", {L"ul", L"ol", L"table", L"td", L"th", L"html"}));
        if (n == L"dd" || n == L"dt") return PopThrough(InDefaultScope(n));
        if (OneOf(n, {L"td", L"th", L"tr", L"tbody", L"thead", L"tfoot", L"table", L"caption"})) {
            return PopThrough(InTableScope(n));
        }
        if (IsHeading(n)) {
            for (size_t k = open_.size(); k-- > 2;) {
                if (IsHeading(NameOf(open_[k]))) return PopThrough(k);
                if (OneOf(NameOf(open_[k]), {L"table", L"td", L"th"})) return;
            }
            return;
        }
        if (IsBlockEnd(n) || IsFormatting(n)) return PopThrough(InDefaultScope(n));
        for (size_t k = open_.size(); k-- > 2;) {
            const std::wstring& o = NameOf(open_[k]);
            if (o == n) return PopThrough(k);
            if (IsSpecial(o)) return;
        }
    }

    Document& d_;
    std::vector<NodeId> open_;
    bool inBody_ = false;
    bool dropNewline_ = false;
    NodeId form_ = kNoNode;
};

// "5;url=next.html", "0; URL='x'", "3": seconds and the address, if any.
bool ParseRefresh(const std::wstring& content, int& seconds, std::wstring& url) {
    size_t i = 0;
    while (i < content.size() && IsBlank(content[i])) ++i;
    const size_t digits = i;
    long v = 0;
    while (i < content.size() && IsDigit(content[i])) {
        if (v < 100000) v = v * 10 + (content[i] - L'0');
        ++i;
    }
    if (i == digits && !(i < content.size() && content[i] == L'.')) return false;
    while (i < content.size() && (IsDigit(content[i]) || content[i] == L'.')) ++i;
    seconds = static_cast<int>(v);
    while (i < content.size() && IsBlank(content[i])) ++i;
    if (i < content.size() && (content[i] == L';' || content[i] == L',')) ++i;
    while (i < content.size() && IsBlank(content[i])) ++i;
    if (content.size() - i >= 3 && LowerAscii(content.substr(i, 3)) == L"url") {
        size_t k = i + 3;
        while (k < content.size() && IsBlank(content[k])) ++k;
        if (k < content.size() && content[k] == L'=') {
            i = k + 1;
            while (i < content.size() && IsBlank(content[i])) ++i;
        }
    }
    std::wstring rest = content.substr(i);
    if (!rest.empty() && (rest[0] == L'"' || rest[0] == L'\'')) {
        const size_t e = rest.find(rest[0], 1);
        rest = rest.substr(1, e == std::wstring::npos ? std::wstring::npos : e - 1);
    }
    while (!rest.empty() && IsBlank(rest.back())) rest.pop_back();
    url = rest;
    return true;
}

void ReadHeadFacts(Document& d) {
    bool haveTitle = false, haveBase = false;
    for (size_t k = 0; k < d.nodes.size(); ++k) {
        const auto n = static_cast<NodeId>(k);
        if (d[n].kind != NodeKind::Element) continue;
        const std::wstring& name = d[n].name;
        if (name == L"title" && !haveTitle) {
            d.title = CollapseBlanks(d.TextContent(n));
            haveTitle = true;
        } else if (name == L"base" && !haveBase && d.HasAttr(n, L"href")) {
            d.base = ResolveUrl(d.address, *d.Attr(n, L"href"));
            haveBase = true;
        }
    }
    for (size_t k = 0; k < d.nodes.size() && !d.refresh.present; ++k) {
        const auto n = static_cast<NodeId>(k);
        if (!d.IsElement(n, L"meta") || LowerAscii(d.AttrOr(n, L"http-equiv")) != L"refresh") continue;
        int seconds = 0;
        std::wstring url;
        if (!ParseRefresh(d.AttrOr(n, L"content"), seconds, url)) continue;
        d.refresh.present = true;
        d.refresh.seconds = seconds;
        d.refresh.url = url.empty() ? d.address : d.Resolve(url);
    }
}

}  // namespace

std::wstring DecodeEntities(const std::wstring& text, bool inAttribute) {
    if (text.find(L'&') == std::wstring::npos) return text;
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text[i] == L'&' && DecodeReference(text, i, inAttribute, out)) continue;
        out += text[i++];
    }
    return out;
}

Document ParseHtml(const std::wstring& text, const std::wstring& address) {
    Document d;
    d.address = address;
    TreeBuilder builder(d);
    Tokenizer tok(text);
    for (Token t = tok.Next(); t.kind != TokenKind::End; t = tok.Next()) builder.Add(t);
    ReadHeadFacts(d);
    return d;
}

Document LoadPage(const char* data, size_t size, const PageSource& source, CodePage& codePage) {
    DecodedPage page = DecodePage(data, size, source.contentType, codePage, source.fallbackCodePage);
    Document d = ParseHtml(page.text, source.address);
    d.charset = page.charset;
    d.codePage = page.codePage;
    return d;
}

}  // namespace mrvn::web
