// Address splitting, the scheme test, the allow-list and the progress figure.
#include "net/http_rules.h"
#include "support/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mrvn;
    fuzz::FuzzInput in(data, size);
    const uint32_t length = static_cast<uint32_t>(in.Int());
    const uint64_t received = static_cast<uint32_t>(in.Int());
    MRVN_FUZZ_CHECK(ProgressPercent(received, length) <= 100);

    const std::wstring address = in.Line();
    const std::vector<std::wstring> domains = in.Lines();
    HttpTarget target;
    target.host = L"unchanged";
    if (SplitHttpUrl(address, target)) {
        // The names go into fixed buffers: a split that does not fit must have been refused.
        MRVN_FUZZ_CHECK(target.host.size() < kHostBufChars && target.object.size() < kObjectBufChars);
        MRVN_FUZZ_CHECK(address.find(target.host) == 0);
    } else {
        MRVN_FUZZ_CHECK(target.host == L"unchanged");
    }
    if (HasHttpScheme(address)) MRVN_FUZZ_CHECK(address.size() >= kHttpSchemeChars);
    if (IsPlatformUrl(address, domains)) {
        bool named = false;
        for (const auto& d : domains) named = named || (!d.empty() && address.find(d) != std::wstring::npos);
        MRVN_FUZZ_CHECK(named);
    }
    IsAcceptedStatus(length);
    return 0;
}
