#include "gamewnd/page_label.h"

namespace mrvn {

namespace {

bool IsHigh(uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

bool ReadPageLabel(const void* data, size_t size, std::wstring& label) {
    label.clear();
    if (data == nullptr || size == 0 || size % 2 != 0 || size > (kMaxPageLabelChars + 1) * 2) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    const size_t units = size / 2;
    auto unitAt = [bytes](size_t i) { return bytes[2 * i] | (static_cast<uint32_t>(bytes[2 * i + 1]) << 8); };

    std::wstring text;
    size_t i = 0;
    for (; i < units; ++i) {
        const uint32_t u = unitAt(i);
        if (u == 0) break;
        if (IsLow(u)) return false;
        if (IsHigh(u)) {
            if (i + 1 >= units || !IsLow(unitAt(i + 1))) return false;
            const uint32_t low = unitAt(++i);
            if constexpr (sizeof(wchar_t) == 2) {
                text.push_back(static_cast<wchar_t>(u));
                text.push_back(static_cast<wchar_t>(low));
            } else {
                text.push_back(static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00)));
            }
            continue;
        }
        text.push_back(static_cast<wchar_t>(u));
    }
    if (i == units || text.empty()) return false;  // no terminating zero inside the data, or nothing before it
    label = std::move(text);
    return true;
}

}  // namespace mrvn
