// Text rules the page engine shares: what HTML counts as a blank, and runs of blanks as one.
#pragma once
#include <string>

namespace mrvn::web {

// Space, tab, line feed, carriage return and form feed; not the no-break space.
inline bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f'; }

// A-Z only, as HTML matches tag, attribute and keyword names.
inline wchar_t LowerAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }
inline std::wstring LowerAscii(std::wstring s) {
    for (wchar_t& c : s) c = LowerAscii(c);
    return s;
}

// Leading and trailing blanks dropped, every inner run of them one space.
inline std::wstring CollapseBlanks(const std::wstring& s) {
    std::wstring out;
    bool blank = false;
    for (wchar_t c : s) {
        if (IsBlank(c)) {
            blank = !out.empty();
            continue;
        }
        if (blank) out += L' ';
        blank = false;
        out += c;
    }
    return out;
}

}  // namespace mrvn::web
