#include "web/form_data.h"

#include "web/charset.h"
#include "web/url.h"
#include "web/web_text.h"

namespace mrvn::web {
namespace {

bool Disabled(const Document& d, NodeId n) {
    for (NodeId p = n; d.Valid(p); p = d[p].parent) {
        if (d.HasAttr(p, L"disabled") && (p == n || d.IsElement(p, L"fieldset") || d.IsElement(p, L"optgroup")))
            return true;
        if (d.IsElement(p, L"form")) break;
    }
    return false;
}

// Line breaks in a textarea go out as CR LF.
std::wstring NormaliseNewlines(const std::wstring& s) {
    std::wstring out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == L'\r') {
            out += L"\r\n";
            if (i + 1 < s.size() && s[i + 1] == L'\n') ++i;
        } else if (s[i] == L'\n') {
            out += L"\r\n";
        } else {
            out += s[i];
        }
    }
    return out;
}

}  // namespace

NodeId FormOf(const Document& doc, NodeId n) {
    if (!doc.Valid(n)) return kNoNode;
    if (doc[n].form != kNoNode) return doc[n].form;
    return doc.Closest(n, L"form");
}

std::string UrlEncodeForm(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '*' || c == '-' ||
            c == '.' || c == '_') {
            out += static_cast<char>(c);
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

FormSubmission BuildFormSubmission(const Document& doc, NodeId form, NodeId submitter, CodePage& codePage, int clickX,
                                   int clickY) {
    FormSubmission out;
    if (!doc.IsElement(form, L"form")) return out;
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    // Fields owned by the form, wherever the tolerant parse put them, in document order.
    std::vector<NodeId> fields;
    for (NodeId n : doc.Descendants(doc.html)) {
        if (doc[n].kind == NodeKind::Element && FormOf(doc, n) == form) fields.push_back(n);
    }
    for (NodeId n : fields) {
        const std::wstring& tag = doc[n].name;
        if (tag != L"input" && tag != L"select" && tag != L"textarea" && tag != L"button") continue;
        if (Disabled(doc, n)) continue;
        const std::wstring name = doc.AttrOr(n, L"name");
        const std::wstring type = LowerAscii(doc.AttrOr(n, L"type", tag == L"button" ? L"submit" : L"text"));
        if (tag == L"input" && type == L"image") {
            if (n != submitter) continue;
            const std::wstring prefix = name.empty() ? L"" : name + L".";
            pairs.push_back({prefix + L"x", std::to_wstring(clickX)});
            pairs.push_back({prefix + L"y", std::to_wstring(clickY)});
            continue;
        }
        if (name.empty()) continue;
        if (tag == L"select") {
            std::vector<NodeId> options;
            for (NodeId o : doc.Descendants(n)) {
                if (doc.IsElement(o, L"option")) options.push_back(o);
            }
            bool any = false;
            const bool multiple = doc.HasAttr(n, L"multiple");
            for (NodeId o : options) {
                if (!doc.HasAttr(o, L"selected") || Disabled(doc, o)) continue;
                pairs.push_back({name, doc.AttrOr(o, L"value", doc.TextContent(o))});
                any = true;
                if (!multiple) break;
            }
            // A drop-down list always shows (and sends) an option: the first one.
            if (!any && !multiple && !options.empty() && !doc.HasAttr(n, L"size")) {
                pairs.push_back({name, doc.AttrOr(options[0], L"value", doc.TextContent(options[0]))});
            }
            continue;
        }
        if (tag == L"textarea") {
            pairs.push_back({name, NormaliseNewlines(doc.AttrOr(n, L"value", doc.TextContent(n)))});
            continue;
        }
        if (type == L"submit" || (tag == L"button" && type != L"reset" && type != L"button")) {
            if (n == submitter) pairs.push_back({name, doc.AttrOr(n, L"value", tag == L"button" ? L"" : L"提交")});
            continue;
        }
        if (type == L"reset" || type == L"button" || type == L"file") continue;
        if (type == L"checkbox" || type == L"radio") {
            if (doc.HasAttr(n, L"checked")) pairs.push_back({name, doc.AttrOr(n, L"value", L"on")});
            continue;
        }
        std::wstring value = doc.AttrOr(n, L"value");
        if (type == L"text" || type == L"password" || type == L"hidden" || type == L"search") {
            std::wstring clean;
            for (wchar_t c : value) {
                if (c != L'\r' && c != L'\n') clean += c;
            }
            value = clean;
        }
        pairs.push_back({name, value});
    }
    std::string data;
    for (const auto& [name, value] : pairs) {
        if (!data.empty()) data += '&';
        data += UrlEncodeForm(EncodeForPage(name, doc.codePage, codePage));
        data += '=';
        data += UrlEncodeForm(EncodeForPage(value, doc.codePage, codePage));
    }
    const std::wstring action = doc.AttrOr(form, L"action");
    std::wstring url = doc.Resolve(action);
    out.post = LowerAscii(doc.AttrOr(form, L"method")) == L"post";
    if (out.post) {
        const size_t hash = url.find(L'#');  // a fragment is never sent
        out.url = hash == std::wstring::npos ? url : url.substr(0, hash);
        out.body = data;
        out.contentType = L"application/x-www-form-urlencoded";
        return out;
    }
    const size_t cut = url.find_first_of(L"?#");
    if (cut != std::wstring::npos) url.erase(cut);
    url += L'?';
    for (char c : data) url += static_cast<wchar_t>(static_cast<unsigned char>(c));
    out.url = url;
    return out;
}

}  // namespace mrvn::web
