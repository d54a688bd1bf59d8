// A tolerant HTML parser: any input gives a tree with html, head and body, without reading
// outside the input and without recursion.
#pragma once
#include <cstddef>
#include <string>

#include "platform/code_page.h"
#include "web/document.h"

namespace mrvn::web {

// Text with its character references decoded; `inAttribute` keeps "&copy=1" in a URL as written.
std::wstring DecodeEntities(const std::wstring& text, bool inAttribute);

Document ParseHtml(const std::wstring& text, const std::wstring& address);

struct PageSource {
    std::wstring address;
    std::string contentType;        // the reply's Content-Type header, if any
    unsigned fallbackCodePage = 0;  // for pages that declare nothing: 0 is the system ANSI page
};

// The engine's one entry for a page's bytes: charset choice, decoding, parsing.
Document LoadPage(const char* data, size_t size, const PageSource& source, CodePage& codePage);

}  // namespace mrvn::web
