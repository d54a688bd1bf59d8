// The launcher's case rules, the integer parse of profile values and REG_SZ data.
#include "core/text.h"
#include "core/text_encoding.h"
#include "support/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mrvn;
    fuzz::FuzzInput in(data, size);
    const std::wstring a = in.Line();
    const std::wstring b = in.Line();
    const std::wstring upper = UpperAscii(a);
    MRVN_FUZZ_CHECK(upper.size() == a.size() && EqualsNoCase(a, upper));
    MRVN_FUZZ_CHECK(EqualsNoCase(a, b) == (upper == UpperAscii(b)));
    ParseLeadingInt(a);
    const std::vector<uint8_t> raw = in.Rest();
    const std::wstring wide = WideFromUtf16Le(raw);
    // What the registry is given back reads as the same text.
    MRVN_FUZZ_CHECK(WideFromUtf16Le(Utf16LeFromWide(wide)) == wide);
    return 0;
}
