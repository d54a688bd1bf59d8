#include "web/charset.h"

#include <cstring>

namespace mrvn::web {
namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::string Lower(std::string s) {
    for (char& c : s) c = LowerAscii(c);
    return s;
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (IsSpace(s[b]) || s[b] == '"' || s[b] == '\'')) ++b;
    while (e > b && (IsSpace(s[e - 1]) || s[e - 1] == '"' || s[e - 1] == '\'')) --e;
    return s.substr(b, e - b);
}

// The value of "charset=" inside a Content-Type-like text, or empty.
std::string CharsetParam(const std::string& text) {
    const std::string low = Lower(text);
    size_t at = 0;
    while ((at = low.find("charset", at)) != std::string::npos) {
        size_t i = at + 7;
        while (i < low.size() && IsSpace(low[i])) ++i;
        if (i < low.size() && low[i] == '=') {
            ++i;
            while (i < low.size() && IsSpace(low[i])) ++i;
            size_t e = i;
            if (e < low.size() && (low[e] == '"' || low[e] == '\'')) {
                const char q = low[e];
                ++i;
                e = low.find(q, i);
                if (e == std::string::npos) e = low.size();
            } else {
                while (e < low.size() && !IsSpace(low[e]) && low[e] != ';' && low[e] != '"' && low[e] != '\'') ++e;
            }
            return Trim(low.substr(i, e - i));
        }
        at = i;
    }
    return {};
}

}  // namespace

std::string CharsetFromContentType(const std::string& contentType) { return CharsetParam(contentType); }

std::string SniffMetaCharset(const char* data, size_t size) {
    const std::string head = Lower(std::string(data, size < kCharsetSniffBytes ? size : kCharsetSniffBytes));
    size_t at = 0;
    while ((at = head.find("<meta", at)) != std::string::npos) {
        size_t end = head.find('>', at);
        if (end == std::string::npos) end = head.size();
        const std::string tag = head.substr(at, end - at);
        at = end;
        // <meta charset=x>: the attribute itself, not "charset" inside another attribute's value.
        size_t c = tag.find("charset");
        if (c != std::string::npos && c > 0 && (IsSpace(tag[c - 1]) || tag[c - 1] == '/')) {
            std::string v = CharsetParam(tag.substr(c));
            if (!v.empty()) return v;
        }
        if (tag.find("http-equiv") != std::string::npos && tag.find("content-type") != std::string::npos) {
            std::string v = CharsetParam(tag);
            if (!v.empty()) return v;
        }
    }
    return {};
}

unsigned CodePageOfCharset(const std::string& label) {
    static const struct {
        const char* name;
        unsigned cp;
    } kLabels[] = {
        {"utf-8", kCodePageUtf8}, {"utf8", kCodePageUtf8},    {"gbk", 936},          {"gb2312", 936},
        {"gb_2312-80", 936},      {"x-gbk", 936},             {"cp936", 936},        {"gb18030", 54936},
        {"big5", 950},            {"big5-hkscs", 950},        {"shift_jis", 932},    {"sjis", 932},
        {"euc-kr", 949},          {"iso-8859-1", 1252},       {"latin1", 1252},      {"windows-1252", 1252},
        {"us-ascii", 1252},       {"ascii", 1252},            {"euc-jp", 20932},     {"koi8-r", 20866},
        {"windows-1251", 1251},   {"iso-8859-2", 28592},      {"utf-16", 0},
    };
    const std::string low = Lower(Trim(label));
    for (const auto& l : kLabels) {
        if (low == l.name) return l.cp;
    }
    return 0;
}

DecodedPage DecodePage(const char* data, size_t size, const std::string& contentType, CodePage& codePage,
                       unsigned fallbackCodePage) {
    DecodedPage out;
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    std::string label = CharsetFromContentType(contentType);
    if (CodePageOfCharset(label) == 0) label.clear();
    if (label.empty() && size >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) label = "utf-8";
    if (label.empty()) {
        label = SniffMetaCharset(data, size);
        if (CodePageOfCharset(label) == 0) label.clear();
    }
    if (label.empty() && LooksLikeUtf8(data, size)) label = "utf-8";
    unsigned cp = label.empty() ? fallbackCodePage : CodePageOfCharset(label);
    if (cp == kCodePageUtf8) {
        const bool bom = size >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF;
        out.text = bom ? DecodeUtf8(data + 3, size - 3) : DecodeUtf8(data, size);
        out.charset = "utf-8";
        out.codePage = cp;
        return out;
    }
    const std::string bytes(data, size);
    if (cp != 0 && codePage.Decode(cp, bytes, out.text)) {
        out.charset = label.empty() ? "cp" + std::to_string(cp) : label;
        out.codePage = cp;
        return out;
    }
    out.text = codePage.FromAnsi(bytes);
    out.charset = "ansi";
    out.codePage = 0;
    return out;
}

std::string EncodeForPage(const std::wstring& text, unsigned cp, CodePage& codePage) {
    if (cp == kCodePageUtf8) return EncodeUtf8(text);
    std::string bytes;
    if (cp != 0 && codePage.Encode(cp, text, bytes)) return bytes;
    return codePage.ToAnsi(text);
}

}  // namespace mrvn::web
