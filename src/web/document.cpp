#include "web/document.h"

#include "web/url.h"
#include "web/web_text.h"

namespace mrvn::web {
namespace {


bool SameNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}


std::wstring Trim(const std::wstring& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// Splits an inline style into its declarations, as written.
std::vector<std::wstring> Declarations(const std::wstring& style) {
    std::vector<std::wstring> out;
    size_t i = 0;
    while (i <= style.size()) {
        size_t e = style.find(L';', i);
        if (e == std::wstring::npos) e = style.size();
        std::wstring d = Trim(style.substr(i, e - i));
        if (!d.empty()) out.push_back(d);
        i = e + 1;
    }
    return out;
}

std::wstring PropertyName(const std::wstring& decl) {
    const size_t colon = decl.find(L':');
    std::wstring name = Trim(decl.substr(0, colon == std::wstring::npos ? decl.size() : colon));
    for (wchar_t& c : name) c = LowerAscii(c);
    return name;
}

}  // namespace

const std::wstring* Document::Attr(NodeId n, const std::wstring& name) const {
    if (!Valid(n)) return nullptr;
    for (const Attribute& a : (*this)[n].attrs) {
        if (SameNoCase(a.name, name)) return &a.value;
    }
    return nullptr;
}

std::wstring Document::AttrOr(NodeId n, const std::wstring& name, const std::wstring& def) const {
    const std::wstring* v = Attr(n, name);
    return v ? *v : def;
}

void Document::SetAttr(NodeId n, const std::wstring& name, const std::wstring& value) {
    if (!Valid(n)) return;
    for (Attribute& a : (*this)[n].attrs) {
        if (SameNoCase(a.name, name)) {
            a.value = value;
            return;
        }
    }
    std::wstring low = name;
    for (wchar_t& c : low) c = LowerAscii(c);
    (*this)[n].attrs.push_back({low, value});
}

bool Document::RemoveAttr(NodeId n, const std::wstring& name) {
    if (!Valid(n)) return false;
    auto& attrs = (*this)[n].attrs;
    for (size_t i = 0; i < attrs.size(); ++i) {
        if (SameNoCase(attrs[i].name, name)) {
            attrs.erase(attrs.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    }
    return false;
}

bool Document::HasClass(NodeId n, const std::wstring& cls) const {
    const std::wstring* v = Attr(n, L"class");
    if (!v || cls.empty()) return false;
    size_t i = 0;
    while (i < v->size()) {
        while (i < v->size() && IsBlank((*v)[i])) ++i;
        size_t e = i;
        while (e < v->size() && !IsBlank((*v)[e])) ++e;
        if (e > i && v->compare(i, e - i, cls) == 0 && e - i == cls.size()) return true;
        i = e;
    }
    return false;
}

std::vector<NodeId> Document::Descendants(NodeId n) const {
    std::vector<NodeId> out;
    if (!Valid(n)) return out;
    std::vector<NodeId> stack((*this)[n].children.rbegin(), (*this)[n].children.rend());
    while (!stack.empty()) {
        const NodeId c = stack.back();
        stack.pop_back();
        out.push_back(c);
        const auto& kids = (*this)[c].children;
        stack.insert(stack.end(), kids.rbegin(), kids.rend());
    }
    return out;
}

std::wstring Document::TextContent(NodeId n) const {
    std::wstring out;
    if (!Valid(n)) return out;
    if ((*this)[n].kind == NodeKind::Text) return (*this)[n].text;
    for (NodeId d : Descendants(n)) {
        if ((*this)[d].kind == NodeKind::Text) out += (*this)[d].text;
    }
    return out;
}

std::wstring Document::Resolve(const std::wstring& url) const {
    return ResolveUrl(base.empty() ? address : base, url);
}

NodeId Document::ElementById(const std::wstring& id) const {
    for (size_t i = 0; i < nodes.size(); ++i) {
        const std::wstring* v = Attr(static_cast<NodeId>(i), L"id");
        if (v && *v == id) return static_cast<NodeId>(i);
    }
    return kNoNode;
}

std::vector<NodeId> Document::ElementsByTag(const std::wstring& tag) const {
    std::vector<NodeId> out;
    if (!Valid(html)) return out;
    if (IsElement(html, tag.c_str())) out.push_back(html);
    for (NodeId d : Descendants(html)) {
        if ((*this)[d].kind == NodeKind::Element && (*this)[d].name == tag) out.push_back(d);
    }
    return out;
}

NodeId Document::Closest(NodeId n, const wchar_t* tag) const {
    for (NodeId p = n; Valid(p); p = (*this)[p].parent) {
        if (IsElement(p, tag)) return p;
    }
    return kNoNode;
}

std::optional<int> Document::BackgroundPositionX(NodeId n) const {
    const std::wstring* style = Attr(n, L"style");
    if (!style) return std::nullopt;
    std::optional<int> found;
    for (const std::wstring& d : Declarations(*style)) {
        const std::wstring name = PropertyName(d);
        if (name != L"background-position-x" && name != L"background-position") continue;
        const std::wstring value = Trim(d.substr(d.find(L':') + 1));
        size_t i = 0;
        const bool neg = i < value.size() && value[i] == L'-';
        if (neg) ++i;
        if (i >= value.size() || value[i] < L'0' || value[i] > L'9') continue;
        long v = 0;
        while (i < value.size() && value[i] >= L'0' && value[i] <= L'9' && v < 1000000) v = v * 10 + (value[i++] - L'0');
        if (i < value.size() && value[i] == L'%') continue;
        found = static_cast<int>(neg ? -v : v);
    }
    return found;
}

void Document::SetBackgroundPositionX(NodeId n, int px) {
    if (!Valid(n)) return;
    std::wstring out;
    if (const std::wstring* style = Attr(n, L"style")) {
        for (const std::wstring& d : Declarations(*style)) {
            if (PropertyName(d) == L"background-position-x") continue;
            out += d + L"; ";
        }
    }
    out += L"background-position-x: " + std::to_wstring(px) + L"px";
    SetAttr(n, L"style", out);
}

}  // namespace mrvn::web
