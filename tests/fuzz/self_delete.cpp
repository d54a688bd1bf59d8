// The removal batch: program and batch paths, their 8.3 forms and the folder's files.
#include "core/self_delete.h"
#include "fakes/fake_net.h"
#include "fakes/fake_platform.h"
#include "support/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mrvn;
    fuzz::FuzzInput in(data, size);
    const uint8_t flags = in.Byte();
    const std::wstring program = in.Line();
    const std::wstring batch = in.Line();
    test::FakeFileSystem fs;
    fs.shortPaths[program] = in.Line();
    fs.shortPaths[batch] = in.Line();
    if (flags & 1) fs.Put(program, "MZ");
    for (const std::wstring& other : in.Lines()) fs.Put(other, "");

    test::FakeCodePage936 gbk;
    test::FakeCodePage latin1;
    CodePage& codePage = (flags & 2) ? static_cast<CodePage&>(gbk) : latin1;
    std::string line;
    if (BatchPathText(fs, codePage, program, line)) {
        // Between quotes, nothing may end the string, start a wildcard or expand a variable.
        MRVN_FUZZ_CHECK(line.find_first_of("\"?*\r\n") == std::string::npos);
        for (size_t at = line.find('%'); at != std::string::npos; at = line.find('%', at + 2)) {
            MRVN_FUZZ_CHECK(at + 1 < line.size() && line[at + 1] == '%');
        }
    } else {
        MRVN_FUZZ_CHECK(line.empty());
    }
    std::string script;
    if (SelfDeleteScript(fs, codePage, program, batch, script)) {
        MRVN_FUZZ_CHECK(!script.empty() && script.size() < kBatchBufferBytes);
        MRVN_FUZZ_CHECK(script.find('\0') == std::string::npos);
    } else {
        MRVN_FUZZ_CHECK(script.empty());
    }
    return 0;
}
