// The transfer procedure against a scripted reply: status, announced length, body, early close,
// failing read and chunk size, for the file and memory shapes.
#include "fakes/fake_net.h"
#include "net/http_rules.h"
#include "net/http_transfer.h"
#include "support/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mrvn;
    fuzz::FuzzInput in(data, size);
    const uint8_t flags = in.Byte();
    const uint32_t status = static_cast<uint32_t>(in.Int());
    const uint32_t length = static_cast<uint32_t>(in.Int());
    const uint32_t deliver = static_cast<uint16_t>(in.Int());
    const int failReadAt = static_cast<int8_t>(in.Byte());
    const uint32_t chunk = static_cast<uint32_t>(in.Int()) % (kMaxChunkBytes + 2);
    const std::wstring address = in.Line();
    const std::vector<std::wstring> allowList = {in.Line()};
    const std::vector<uint8_t> body = in.Rest();

    test::FakeHttpSession net;
    auto script = [&] {
        net.Reset();
        net.reply.body.assign(body.begin(), body.end());
        if (flags & 1) net.reply.status = std::nullopt; else net.reply.status = status;
        if (flags & 2) net.reply.length = length;
        net.reply.noLength = (flags & 4) != 0;
        if (flags & 8) net.reply.deliver = deliver;
        net.reply.failReadAt = failReadAt;
        net.failSend = (flags & 16) != 0;
    };

    script();
    test::FakeFileSink sink;
    DownloadOptions options;
    options.chunk = chunk;
    if (flags & 32) options.allowList = &allowList;
    uint32_t last = 0;
    options.progress = [&](uint32_t percent) {
        MRVN_FUZZ_CHECK(percent <= 100 && percent >= last);
        last = percent;
    };
    const bool ok = HttpDownloadToFile(net, sink, address, L"C:\\t\\f", options);
    MRVN_FUZZ_CHECK(net.AllClosedOnce());
    for (uint32_t n : net.readSizes) MRVN_FUZZ_CHECK(n == chunk);
    if (ok) {
        // A success holds at least the announced bytes, exactly as sent.
        const std::string& file = sink.files[L"C:\\t\\f"];
        MRVN_FUZZ_CHECK(file.size() >= (net.reply.length ? *net.reply.length : body.size()));
        MRVN_FUZZ_CHECK(std::string(body.begin(), body.end()).starts_with(file));
    }

    script();
    test::FakeCodePage codePage;
    std::wstring text = L"unchanged";
    if (HttpFetchToMemory(net, codePage, address, allowList, text)) {
        MRVN_FUZZ_CHECK(text.size() < kMemoryBodyLimit && text.size() <= body.size());
    } else {
        MRVN_FUZZ_CHECK(text == L"unchanged");
    }
    MRVN_FUZZ_CHECK(net.AllClosedOnce());

    script();
    HttpPing(net, address);
    MRVN_FUZZ_CHECK(net.AllClosedOnce());
    return 0;
}
