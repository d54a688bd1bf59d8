// The WM_COPYDATA page label: the whole input is the data another process sent.
#include "gamewnd/page_label.h"
#include "support/fuzz_input.h"

#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mrvn;
    // An exact-size copy, so that the address sanitizer sees any read past cbData.
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size ? size : 1]);
    if (size) std::memcpy(copy.get(), data, size);
    std::wstring label = L"stale";
    if (ReadPageLabel(copy.get(), size, label)) {
        MRVN_FUZZ_CHECK(!label.empty() && label.size() <= kMaxPageLabelChars);
        MRVN_FUZZ_CHECK(label.find(L'\0') == std::wstring::npos);
        MRVN_FUZZ_CHECK(size % 2 == 0 && size >= (label.size() + 1) * 2);
    } else {
        MRVN_FUZZ_CHECK(label.empty());
    }
    // A misaligned start must read the same way.
    if (size > 1) ReadPageLabel(copy.get() + 1, size - 1, label);
    return 0;
}
