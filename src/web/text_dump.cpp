#include "web/text_dump.h"

#include <vector>

#include "web/web_text.h"

namespace mrvn::web {
namespace {


class Writer {
public:
    void Text(const std::wstring& t, bool pre) {
        for (wchar_t c : t) {
            if (pre && c == L'\n') {
                Line();
                continue;
            }
            if (!pre && (IsBlank(c) || c == 0xA0)) {
                space_ = !line_.empty();
                continue;
            }
            if (space_) line_ += L' ';
            space_ = false;
            line_ += c;
        }
    }
    // Markup the dump adds: kept apart from the text around it by one blank.
    void Mark(const std::wstring& t, bool spaceAfter = true) {
        if (!line_.empty() && line_.back() != L' ' && line_.back() != L'[') line_ += L' ';
        line_ += t;
        space_ = spaceAfter;
    }
    void Raw(const std::wstring& t) {
        line_ += t;
        space_ = false;
    }
    void Line() {
        while (!line_.empty() && line_.back() == L' ') line_.pop_back();
        if (!line_.empty()) {
            out_ += line_;
            out_ += L'\n';
        }
        line_.clear();
        space_ = false;
    }
    std::wstring Done() {
        Line();
        return out_;
    }

private:
    std::wstring out_, line_;
    bool space_ = false;
};

std::wstring Field(const Document& d, NodeId n) {
    const std::wstring& tag = d[n].name;
    const std::wstring name = d.AttrOr(n, L"name");
    const std::wstring type = LowerAscii(d.AttrOr(n, L"type", L"text"));
    if (tag == L"select") {
        std::wstring s = L"[select " + name + L":";
        for (NodeId o : d.Descendants(n)) {
            if (!d.IsElement(o, L"option")) continue;
            s += d.HasAttr(o, L"selected") ? L" *" : L" ";
            std::wstring t;
            Writer w;
            w.Text(d.TextContent(o), false);
            t = w.Done();
            if (!t.empty()) t.pop_back();
            s += t;
        }
        return s + L"]";
    }
    if (tag == L"textarea") return L"[textarea " + name + L"=" + d.AttrOr(n, L"value", d.TextContent(n)) + L"]";
    if (tag == L"button") {
        Writer w;
        w.Text(d.TextContent(n), false);
        std::wstring t = w.Done();
        if (!t.empty()) t.pop_back();
        return L"[button " + t + L"]";
    }
    if (type == L"checkbox" || type == L"radio")
        return L"[" + type + (d.HasAttr(n, L"checked") ? L" x " : L" - ") + name + L"]";
    if (type == L"submit" || type == L"reset" || type == L"button")
        return L"[" + type + L" " + d.AttrOr(n, L"value", type == L"submit" ? L"提交" : type == L"reset" ? L"重置" : L"") + L"]";
    if (type == L"image") return L"[image-submit " + d.AttrOr(n, L"alt", name) + L"]";
    if (type == L"password") return L"[password " + name + L"]";
    return L"[" + type + L" " + name + L"=" + d.AttrOr(n, L"value") + L"]";
}

bool IsBlockish(Display d) {
    return d == Display::Block || d == Display::ListItem || d == Display::Table || d == Display::Row ||
           d == Display::RowGroup;
}

}  // namespace

std::wstring TextDump(const Document& doc, const Styles& styles) {
    Writer w;
    if (!doc.Valid(doc.body) || styles.size() != doc.nodes.size()) return {};
    struct Step {
        NodeId node;
        bool exit;
    };
    std::vector<Step> stack{{doc.body, false}};
    std::vector<int> cellIndex;  // per open row
    while (!stack.empty()) {
        const Step step = stack.back();
        stack.pop_back();
        const NodeId n = step.node;
        const Node& node = doc[n];
        const ComputedStyle& s = styles[static_cast<size_t>(n)];
        if (node.kind == NodeKind::Text) {
            w.Text(node.text, s.whiteSpace == WhiteSpace::Pre);
            continue;
        }
        if (node.kind != NodeKind::Element || s.display == Display::None) continue;
        const std::wstring& tag = node.name;
        const bool link = tag == L"a" && doc.HasAttr(n, L"href");
        if (step.exit) {
            if (link) w.Raw(L" -> " + doc.Resolve(doc.AttrOr(n, L"href")) + L"]");
            if (s.display == Display::Row && !cellIndex.empty()) cellIndex.pop_back();
            if (IsBlockish(s.display)) w.Line();
            continue;
        }
        if (tag == L"br") {
            w.Line();
            continue;
        }
        if (tag == L"img") {
            const std::wstring alt = doc.AttrOr(n, L"alt");
            w.Mark(alt.empty() ? L"[img]" : L"[img " + alt + L"]");
            continue;
        }
        if (tag == L"input" || tag == L"select" || tag == L"textarea" || tag == L"button") {
            w.Mark(Field(doc, n));
            continue;
        }
        if (IsBlockish(s.display)) w.Line();
        if (s.display == Display::Row) cellIndex.push_back(0);
        if (s.display == Display::Cell && !cellIndex.empty() && cellIndex.back()++ > 0) w.Mark(L"|");
        if (link) w.Mark(L"[", false);
        stack.push_back({n, true});
        for (auto it = node.children.rbegin(); it != node.children.rend(); ++it) stack.push_back({*it, false});
    }
    return w.Done();
}

}  // namespace mrvn::web
