// Small text helpers with the launcher's (C-locale, ASCII-only) case rules.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace mrvn {

// Upper-cases a-z only, as the C runtime does in the "C" locale.
std::wstring UpperAscii(std::wstring text);
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);

// _wtoi-style parse: leading blanks, an optional sign, then leading digits; no digits gives 0.
// The value wraps modulo 2^32, as the platform's own profile parser does.
int32_t ParseLeadingInt(const std::wstring& text);

}  // namespace mrvn
