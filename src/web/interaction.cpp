#include "web/interaction.h"

#include "web/form_data.h"
#include "web/web_text.h"

namespace mrvn::web {
namespace {

bool IsField(const Document& d, NodeId n) {
    const std::wstring& t = d[n].name;
    if (t == L"select" || t == L"textarea" || t == L"button") return true;
    return t == L"input" && LowerAscii(d.AttrOr(n, L"type")) != L"hidden";
}

}  // namespace

ElementAction ClickAction(const Document& doc, NodeId n) {
    ElementAction a;
    for (NodeId p = n; doc.Valid(p); p = doc[p].parent) {
        if (doc[p].kind != NodeKind::Element) continue;
        const std::wstring& tag = doc[p].name;
        if (tag == L"a" && doc.HasAttr(p, L"href")) {
            a.kind = ElementAction::Kind::Navigate;
            a.url = doc.Resolve(doc.AttrOr(p, L"href"));
            a.target = doc.AttrOr(p, L"target");
            return a;
        }
        if (tag == L"label") {
            NodeId target = kNoNode;
            if (const std::wstring* id = doc.Attr(p, L"for")) target = doc.ElementById(*id);
            for (NodeId d : doc.Descendants(p)) {
                if (target == kNoNode && doc.IsElement(d, L"input")) target = d;
            }
            // Only a field is followed, so labels naming each other cannot loop.
            return doc.IsElement(target, L"input") && target != n ? ClickAction(doc, target) : a;
        }
        if (tag == L"input" || tag == L"button") {
            if (doc.HasAttr(p, L"disabled")) return a;
            const std::wstring type = LowerAscii(doc.AttrOr(p, L"type", tag == L"button" ? L"submit" : L"text"));
            if (type == L"submit" || type == L"image") {
                a.form = FormOf(doc, p);
                if (a.form == kNoNode) return a;
                a.kind = ElementAction::Kind::Submit;
                a.submitter = p;
                return a;
            }
            if (type == L"checkbox" || type == L"radio") {
                a.kind = ElementAction::Kind::Toggle;
                a.field = p;
            }
            return a;
        }
    }
    return a;
}

ElementAction EnterAction(const Document& doc, NodeId field) {
    ElementAction a;
    if (!doc.IsElement(field, L"input")) return a;
    const std::wstring type = LowerAscii(doc.AttrOr(field, L"type", L"text"));
    if (type != L"text" && type != L"password" && type != L"search" && type != L"email" && type != L"number")
        return a;
    const NodeId form = FormOf(doc, field);
    if (form == kNoNode) return a;
    NodeId button = kNoNode;
    int textFields = 0;
    for (NodeId n : doc.Descendants(doc.html)) {
        if (doc[n].kind != NodeKind::Element || FormOf(doc, n) != form) continue;
        const std::wstring& tag = doc[n].name;
        const std::wstring t = LowerAscii(doc.AttrOr(n, L"type", tag == L"button" ? L"submit" : L"text"));
        if (button == kNoNode && (tag == L"input" || tag == L"button") && (t == L"submit" || t == L"image"))
            button = n;
        if (tag == L"input" && (t == L"text" || t == L"password" || t == L"search" || t == L"email" || t == L"number"))
            ++textFields;
    }
    if (button != kNoNode && doc.HasAttr(button, L"disabled")) return a;
    if (button == kNoNode && textFields > 1) return a;
    a.kind = ElementAction::Kind::Submit;
    a.form = form;
    a.submitter = button;
    return a;
}

std::vector<NodeId> FocusOrder(const Document& doc, const PageLayout& layout) {
    std::vector<NodeId> out;
    for (NodeId n : doc.Descendants(doc.body)) {
        if (doc[n].kind != NodeKind::Element || !layout.IsPlaced(n)) continue;
        const bool link = doc[n].name == L"a" && doc.HasAttr(n, L"href");
        if ((link || IsField(doc, n)) && !doc.HasAttr(n, L"disabled")) out.push_back(n);
    }
    return out;
}

void SetChecked(Document& doc, NodeId field, bool checked) {
    if (!doc.IsElement(field, L"input")) return;
    if (!checked) {
        doc.RemoveAttr(field, L"checked");
        return;
    }
    doc.SetAttr(field, L"checked", L"");
    if (LowerAscii(doc.AttrOr(field, L"type")) != L"radio") return;
    const std::wstring name = doc.AttrOr(field, L"name");
    const NodeId form = FormOf(doc, field);
    for (NodeId n : doc.ElementsByTag(L"input")) {
        if (n != field && LowerAscii(doc.AttrOr(n, L"type")) == L"radio" && doc.AttrOr(n, L"name") == name &&
            FormOf(doc, n) == form) {
            doc.RemoveAttr(n, L"checked");
        }
    }
}

void ApplyToggle(Document& doc, NodeId field) {
    const bool radio = LowerAscii(doc.AttrOr(field, L"type")) == L"radio";
    SetChecked(doc, field, radio || !doc.HasAttr(field, L"checked"));
}

void SelectOption(Document& doc, NodeId select, int index) {
    if (!doc.IsElement(select, L"select")) return;
    const bool multiple = doc.HasAttr(select, L"multiple");
    int i = 0;
    for (NodeId o : doc.Descendants(select)) {
        if (!doc.IsElement(o, L"option")) continue;
        if (i == index) doc.SetAttr(o, L"selected", L"");
        else if (!multiple) doc.RemoveAttr(o, L"selected");
        ++i;
    }
}

}  // namespace mrvn::web
