// The host settings: the three registry values with their types and raw data.
#include "core/host_config.h"
#include "core/state_store.h"
#include "fakes/fake_platform.h"
#include "support/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mrvn;
    fuzz::FuzzInput in(data, size);
    test::FakeRegistry reg;
    for (const wchar_t* name : {L"ClientHost", L"WebHost", L"PlatformDomains"}) {
        const uint8_t type = in.Byte() % 8;  // 0: the value is missing
        const std::string bytes = in.NarrowLine();
        if (type) reg.Put(RegRoot::LocalMachine, kLauncherKey, name, type, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    }
    const HostConfig c = LoadHostConfig(reg);
    MRVN_FUZZ_CHECK(!c.domains.empty() && c.domains.size() <= kMaxPlatformDomains);

    const std::vector<std::wstring> split = SplitDomains(in.Line());
    MRVN_FUZZ_CHECK(split.size() <= kMaxPlatformDomains);
    for (const auto& d : split) {
        MRVN_FUZZ_CHECK(!d.empty() && d.front() != L' ' && d.back() != L' ' && d.find(L';') == std::wstring::npos);
    }
    return 0;
}
