// Code-page seam: the system ANSI code page, used only where narrow text is written.
#pragma once
#include <string>

namespace mrvn {

class CodePage {
public:
    virtual ~CodePage() = default;
    virtual std::string ToAnsi(const std::wstring& text) = 0;
    virtual std::wstring FromAnsi(const std::string& text) = 0;
};

}  // namespace mrvn
