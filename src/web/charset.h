// Which charset a page's bytes are in, and turning them into text.
#pragma once
#include <cstddef>
#include <string>

#include "platform/code_page.h"

namespace mrvn::web {

inline constexpr unsigned kCodePageUtf8 = 65001;
// How far into a page a <meta> charset is looked for.
inline constexpr size_t kCharsetSniffBytes = 1024;

// Appends one code point as UTF-16 (Windows) or as itself (32-bit wchar_t).
void AppendCodePoint(std::wstring& out, char32_t cp);
// Reads the code point at `i` (a surrogate pair counts as one) and moves `i` past it.
char32_t NextCodePoint(const std::wstring& text, size_t& i);

// Malformed sequences become U+FFFD, one for each maximal bad subpart, as browsers do.
std::wstring DecodeUtf8(const char* data, size_t size);
// Unpaired surrogates become U+FFFD.
std::string EncodeUtf8(const std::wstring& text);
// True when every sequence is well-formed and at least one byte is above 0x7F.
bool LooksLikeUtf8(const char* data, size_t size);

// The lower-cased charset parameter of a Content-Type value ("text/html; charset=GBK" -> "gbk").
std::string CharsetFromContentType(const std::string& contentType);
// The charset declared by <meta charset> or <meta http-equiv="Content-Type" content=...> in the
// first kCharsetSniffBytes bytes, lower-cased; empty when none.
std::string SniffMetaCharset(const char* data, size_t size);
// Windows code page of a charset label; 0 when unknown.
unsigned CodePageOfCharset(const std::string& label);

struct DecodedPage {
    std::wstring text;
    std::string charset;  // the label that was used: "utf-8", "gbk", ... or "ansi"
    unsigned codePage = 0;
};

// The reply's charset wins, then a byte-order mark, then the page's <meta>, then well-formed UTF-8,
// then `fallbackCodePage` (0: the system ANSI page). A label the seam cannot decode falls back too.
DecodedPage DecodePage(const char* data, size_t size, const std::string& contentType, CodePage& codePage,
                       unsigned fallbackCodePage = 0);

// Text in the page's code page, for form data. UTF-8 is done here; others go through the seam
// (the ANSI page when the seam does not know `cp`).
std::string EncodeForPage(const std::wstring& text, unsigned cp, CodePage& codePage);

}  // namespace mrvn::web
