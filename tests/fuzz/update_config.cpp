// The update configuration as the profile reads it, the key conversions and the update decision,
// with the program file's bytes from the input.
#include "core/state_store.h"
#include "fakes/fake_net.h"
#include "fakes/fake_platform.h"
#include "net/update_rules.h"
#include "support/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mrvn;
    fuzz::FuzzInput in(data, size);
    const std::wstring program = L"D:\\Games\\Mrvn.exe";
    const std::wstring configFile = L"D:\\Games\\ConfigMrvn.htm";
    test::FakeState state;
    test::FakeHttpSession net;
    test::FakeFileSink sink;
    test::FakeFileSource source;
    test::FakeFileSystem ops;
    test::FakeCodePage936 codePage;
    const HostConfig hosts{L"127.0.0.1:8790", L"127.0.0.1:8790", {L"quarn.com"}};
    state.proc.programPath = program;
    net.reply.body = "[VerKey]";

    const std::wstring key = in.Line();
    const std::wstring addr = in.Line();
    const std::wstring version = in.Line();
    const std::string programBytes = in.NarrowLine();
    state.ini.WriteString(configFile, kUpdateSection, kUpdateKeyName, key);
    state.ini.WriteString(configFile, kUpdateSection, kUpdateAddrName, addr);
    source.files[program] = programBytes;

    Updater updater{UpdateContext{net, sink, source, ops, state.ini, codePage, state.proc, state.store, hosts}};
    std::string narrow;
    MRVN_FUZZ_CHECK(updater.FetchUpdateConfig(narrow));
    MRVN_FUZZ_CHECK(narrow.size() < kVersionKeyBufChars && updater.UpdAddr().size() < kUpdAddrBufChars);
    const std::wstring wide = WideVersionKey(codePage, narrow);
    MRVN_FUZZ_CHECK(wide.size() < kVersionKeyBufChars);
    updater.CheckForUpdate(true);

    const std::wstring digits = VersionDigits(version);
    MRVN_FUZZ_CHECK(digits.find(L'.') == std::wstring::npos);
    const std::wstring localKey = LocalVersionKey(L"900150983cd24fb0d6963f7d28e17f72", digits);
    if (!localKey.empty()) MRVN_FUZZ_CHECK(localKey.size() == 32 && !IsUpdateNeeded(localKey, localKey));
    MRVN_FUZZ_CHECK(!IsUpdateNeeded(L"", wide) && !IsUpdateNeeded(wide, L""));
    return 0;
}
