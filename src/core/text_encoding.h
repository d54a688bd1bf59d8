// The one place where text changes encoding between UTF-8, UTF-16 and the wide strings of the
// program (UTF-16 on Windows, UTF-32 natively). Code pages of the system go through CodePage.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mrvn {

// Appends one code point as UTF-16 (Windows) or as itself (32-bit wchar_t).
void AppendCodePoint(std::wstring& out, char32_t cp);
// Reads the code point at `i` (a surrogate pair counts as one) and moves `i` past it.
char32_t NextCodePoint(const std::wstring& text, size_t& i);

// Malformed sequences become U+FFFD, one for each maximal bad subpart, as browsers do. A byte-order
// mark is text like any other here; a page's decoder drops it.
std::wstring DecodeUtf8(const char* data, size_t size);
inline std::wstring DecodeUtf8(const std::string& bytes) { return DecodeUtf8(bytes.data(), bytes.size()); }
// Unpaired surrogates become U+FFFD.
std::string EncodeUtf8(const std::wstring& text);
// True when every sequence is well-formed and at least one byte is above 0x7F.
bool LooksLikeUtf8(const char* data, size_t size);

// REG_SZ data (UTF-16LE, maybe NUL-terminated) to a wide string and back (with the NUL).
std::wstring WideFromUtf16Le(const std::vector<uint8_t>& data);
std::vector<uint8_t> Utf16LeFromWide(const std::wstring& text);

}  // namespace mrvn
