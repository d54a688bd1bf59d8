#include "web/url.h"

#include "web/web_text.h"

namespace mrvn::web {
namespace {

bool IsAlpha(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

std::wstring Clean(const std::wstring& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    std::wstring out;
    for (size_t i = b; i < e; ++i) {
        if (s[i] == L'\n' || s[i] == L'\r' || s[i] == L'\t') continue;  // browsers drop these inside
        out += s[i] == L'\\' ? L'/' : s[i];
    }
    return out;
}

// Removes "." and ".." segments of an absolute path.
std::wstring RemoveDots(const std::wstring& path) {
    std::wstring out;
    size_t i = 0;
    while (i < path.size()) {
        size_t next = path.find(L'/', i + 1);
        if (next == std::wstring::npos) next = path.size();
        const std::wstring seg = path.substr(i, next - i);  // with its leading "/"
        if (seg == L"/.") {
            if (next == path.size()) out += L'/';
        } else if (seg == L"/..") {
            const size_t cut = out.rfind(L'/');
            out.erase(cut == std::wstring::npos ? 0 : cut);
            if (next == path.size()) out += L'/';
        } else {
            out += seg;
        }
        i = next;
    }
    return out.empty() ? L"/" : out;
}

}  // namespace

std::wstring UrlScheme(const std::wstring& url) {
    const std::wstring u = Clean(url);
    if (u.empty() || !IsAlpha(u[0])) return {};
    for (size_t i = 1; i < u.size(); ++i) {
        const wchar_t c = u[i];
        if (c == L':') {
            std::wstring s = u.substr(0, i);
            for (wchar_t& ch : s) {
                if (ch >= L'A' && ch <= L'Z') ch = static_cast<wchar_t>(ch - L'A' + L'a');
            }
            return s;
        }
        if (!IsAlpha(c) && !IsDigit(c) && c != L'+' && c != L'-' && c != L'.') return {};
    }
    return {};
}

std::wstring ResolveUrl(const std::wstring& base, const std::wstring& refIn) {
    const std::wstring ref = Clean(refIn);
    if (!UrlScheme(ref).empty()) return ref;
    const std::wstring b = Clean(base);
    const std::wstring scheme = UrlScheme(b);
    const size_t afterScheme = scheme.size() + 1;
    if (scheme.empty() || b.compare(afterScheme, 2, L"//") != 0) return ref;
    // Base parts: authority end, query and fragment starts.
    size_t pathStart = b.find_first_of(L"/?#", afterScheme + 2);
    if (pathStart == std::wstring::npos) pathStart = b.size();
    const std::wstring origin = b.substr(0, pathStart);
    size_t queryStart = b.find_first_of(L"?#", pathStart);
    if (queryStart == std::wstring::npos) queryStart = b.size();
    std::wstring basePath = b.substr(pathStart, queryStart - pathStart);
    if (basePath.empty()) basePath = L"/";
    size_t fragStart = b.find(L'#', pathStart);
    if (fragStart == std::wstring::npos) fragStart = b.size();
    const std::wstring withQuery = b.substr(0, fragStart);

    if (ref.empty()) return withQuery;
    if (ref[0] == L'#') return withQuery + ref;
    if (ref.size() >= 2 && ref[0] == L'/' && ref[1] == L'/') return scheme + L":" + ref;
    if (ref[0] == L'?') return origin + basePath + ref;
    size_t refPathEnd = ref.find_first_of(L"?#");
    if (refPathEnd == std::wstring::npos) refPathEnd = ref.size();
    const std::wstring refPath = ref.substr(0, refPathEnd);
    const std::wstring tail = ref.substr(refPathEnd);
    if (ref[0] == L'/') return origin + RemoveDots(refPath) + tail;
    const std::wstring dir = basePath.substr(0, basePath.rfind(L'/') + 1);
    return origin + RemoveDots(dir + refPath) + tail;
}

}  // namespace mrvn::web
