#include "core/text.h"

namespace mrvn {

std::wstring UpperAscii(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return text;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && UpperAscii(a) == UpperAscii(b);
}

int32_t ParseLeadingInt(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t' || text[i] == L'\n' ||
                               text[i] == L'\r' || text[i] == L'\v' || text[i] == L'\f')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10u + static_cast<uint32_t>(text[i] - L'0');
    }
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

std::wstring WideFromUtf16Le(const std::vector<uint8_t>& data) {
    std::wstring out;
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        uint32_t unit = data[i] | (static_cast<uint32_t>(data[i + 1]) << 8);
        if (unit == 0) break;
        if constexpr (sizeof(wchar_t) == 2) {
            out.push_back(static_cast<wchar_t>(unit));
        } else if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < data.size()) {
            uint32_t low = data[i + 2] | (static_cast<uint32_t>(data[i + 3]) << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                out.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
                i += 2;
            } else {
                out.push_back(static_cast<wchar_t>(unit));
            }
        } else {
            out.push_back(static_cast<wchar_t>(unit));
        }
    }
    return out;
}

std::vector<uint8_t> Utf16LeFromWide(const std::wstring& text) {
    std::vector<uint8_t> out;
    auto put = [&out](uint32_t unit) {
        out.push_back(static_cast<uint8_t>(unit & 0xFF));
        out.push_back(static_cast<uint8_t>(unit >> 8));
    };
    for (wchar_t wc : text) {
        uint32_t c = static_cast<uint32_t>(wc);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            put(0xD800 + (c >> 10));
            put(0xDC00 + (c & 0x3FF));
        } else {
            put(c & 0xFFFF);
        }
    }
    put(0);
    return out;
}

}  // namespace mrvn
