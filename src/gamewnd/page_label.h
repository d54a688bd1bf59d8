// The page label of WM_COPYDATA, read from data that any process may have sent.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace mrvn {

// A label is server + "服-" + middle field + "-" + account; far shorter than this in practice.
inline constexpr size_t kMaxPageLabelChars = 255;  // UTF-16 code units, terminating zero excluded

// The label in `data` (cbData bytes of UTF-16LE): its code units up to the first zero. False, with
// `label` empty, for a null pointer, a size that is zero, odd or larger than the longest label with
// its zero, data without a terminating zero, an empty label or a lone surrogate. Reads no byte past
// `size`, byte by byte (the data need not be aligned).
bool ReadPageLabel(const void* data, size_t size, std::wstring& label);

}  // namespace mrvn
