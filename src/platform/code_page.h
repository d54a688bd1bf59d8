// Code-page seam: the system ANSI code page, used only where narrow text is written, and named
// Windows code pages (936 for GBK, ...) for web pages that declare their charset.
#pragma once
#include <string>

namespace mrvn {

class CodePage {
public:
    virtual ~CodePage() = default;
    virtual std::string ToAnsi(const std::wstring& text) = 0;
    virtual std::wstring FromAnsi(const std::string& text) = 0;
    // Text in Windows code page `codePage`. False when that page is not available here; then the
    // output is left empty. Bytes that do not map still decode (to the page's default character).
    virtual bool Decode(unsigned codePage, const std::string& bytes, std::wstring& text) {
        (void)codePage, (void)bytes, (void)text;
        return false;
    }
    // Characters the page cannot hold become its default character ("?").
    virtual bool Encode(unsigned codePage, const std::wstring& text, std::string& bytes) {
        (void)codePage, (void)text, (void)bytes;
        return false;
    }
};

}  // namespace mrvn
