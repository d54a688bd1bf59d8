// Which charset a page's bytes are in, and turning them into text.
#pragma once
#include <cstddef>
#include <string>

#include "core/text_encoding.h"
#include "platform/code_page.h"

namespace mrvn::web {

inline constexpr unsigned kCodePageUtf8 = 65001;
// How far into a page a <meta> charset is looked for.
inline constexpr size_t kCharsetSniffBytes = 1024;

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
