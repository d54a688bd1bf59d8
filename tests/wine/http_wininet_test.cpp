// The GET procedure over the real WinINet session and file sink, against the loopback server.
#include <gtest/gtest.h>
#include <winsock2.h>

#include <windows.h>

#include <set>
#include <mutex>
#include <string>
#include <vector>

#include "net/http_rules.h"
#include "net/http_transfer.h"
#include "platform/win32/win32_file_io.h"
#include "platform/win32/win32_http.h"
#include "platform/win32/win32_platform.h"
#include "util/http_probe.h"
#include "wine/wine_util.h"

namespace mrvn::wt {
namespace {

// The real session, with a count of closes per handle: a second close of one handle is the fault
// the shared-handle cancel must never commit.
class CountingSession final : public HttpSession {
public:
    NetHandle Open(const std::wstring& agent, uint32_t accessType) override {
        return Note(real_.Open(agent, accessType));
    }
    NetHandle Connect(NetHandle root, const std::wstring& host, uint16_t port) override {
        return Note(real_.Connect(root, host, port));
    }
    NetHandle OpenRequest(NetHandle connection, const std::wstring& verb, const std::wstring& object,
                          const std::wstring& version, uint32_t flags) override {
        return Note(real_.OpenRequest(connection, verb, object, version, flags));
    }
    bool Send(NetHandle request, const std::wstring& headers) override { return real_.Send(request, headers); }
    bool QueryStatusCode(NetHandle request, uint32_t& status) override {
        return real_.QueryStatusCode(request, status);
    }
    bool QueryContentLength(NetHandle request, uint32_t& length) override {
        return real_.QueryContentLength(request, length);
    }
    bool QueryLocation(NetHandle request, std::wstring& location) override {
        return real_.QueryLocation(request, location);
    }
    void SetTimeLimits(NetHandle request, uint64_t deadlineMs, uint32_t idleMs) override {
        real_.SetTimeLimits(request, deadlineMs, idleMs);
    }
    uint64_t NowMs() override { return real_.NowMs(); }
    bool Read(NetHandle request, void* buffer, uint32_t size, uint32_t& got) override {
        return real_.Read(request, buffer, size, got);
    }
    uint32_t SetFilePointer(NetHandle request, uint32_t position) override {
        return real_.SetFilePointer(request, position);
    }
    void Close(NetHandle handle) override {
        {
            std::lock_guard<std::mutex> lock(mu_);
            // WinINet reuses handle values, so a handle is live from its open to its first close.
            if (!live_.erase(handle)) ++faults_;
        }
        real_.Close(handle);
    }
    uint32_t LastError() override { return real_.LastError(); }

    // Every handle handed out was closed exactly once, and nothing else was closed.
    bool EachClosedOnce() {
        std::lock_guard<std::mutex> lock(mu_);
        return faults_ == 0 && live_.empty();
    }
    size_t Opened() {
        std::lock_guard<std::mutex> lock(mu_);
        return opened_;
    }

private:
    NetHandle Note(NetHandle h) {
        if (h) {
            std::lock_guard<std::mutex> lock(mu_);
            if (!live_.insert(h).second) ++faults_;
            ++opened_;
        }
        return h;
    }
    win::Win32HttpSession real_;
    std::mutex mu_;
    std::set<NetHandle> live_;
    size_t opened_ = 0;
    int faults_ = 0;
};

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// The header block as the server receives it. Wine parses the block into names and values and
// writes each line anew, which drops the blank at the end of "zh-cn "; Windows passes it as given.
std::string BlockOnTheWire() {
    const std::string block = Narrow(kHttpExtraHeaders);
    if (!UnderWine()) return block;
    std::string out;
    for (size_t pos = 0; pos < block.size();) {
        const size_t end = block.find("\r\n", pos);
        std::string line = block.substr(pos, end - pos);
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\r\n";
        pos = end + 2;
    }
    return out;
}

// Bytes of every value, zeros and CR/LF included, so that a text-mode write would show.
std::string Pattern(size_t n) {
    std::string s(n, '\0');
    uint32_t x = 0x12345678;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        s[i] = static_cast<char>(x >> 23);
    }
    return s;
}

std::string Letters(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
    return s;
}

class HttpWinInet : public testing::Test {
protected:
    void SetUp() override {
        port = TestServerPort();
        ASSERT_NE(port, 0) << "MRVN_TEST_PORT is not set";
        ASSERT_TRUE(test::ResetServer(port));
        wchar_t temp[MAX_PATH] = {};
        ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
        file = std::wstring(temp) + L"mrvn_http_test.bin";
        DeleteFileW(file.c_str());
    }
    void TearDown() override { DeleteFileW(file.c_str()); }

    std::wstring Url(const std::string& path) const {
        return L"http://127.0.0.1:" + std::to_wstring(port) + std::wstring(path.begin(), path.end());
    }
    bool Download(const std::string& path, uint32_t chunk = 512) {
        DownloadOptions o;
        o.allowList = &allow;
        o.chunk = chunk;
        o.progress = [this](uint32_t p) { percents.push_back(p); };
        return HttpDownloadToFile(net, sink, Url(path), file, o);
    }
    bool Written(std::string& out) { return ReadFileBytes(file, out); }

    uint16_t port = 0;
    std::wstring file;
    const std::vector<std::wstring> allow = {L"127.0.0.1"};
    CountingSession net;
    win::Win32FileSink sink;
    std::vector<uint32_t> percents;
};

TEST_F(HttpWinInet, ServerSeesTheAgentAndTheHeaderBlockInOrder) {
    ASSERT_TRUE(test::SetServerRoute(port, "/hdr.htm", "ok", "x"));
    ASSERT_TRUE(Download("/hdr.htm?tag=mrvn"));
    const auto requests = test::SplitServerLog(test::ServerLog(port));
    ASSERT_EQ(requests.size(), 1u);
    const std::vector<std::string>& r = requests[0];
    EXPECT_EQ(r[0], "GET /hdr.htm?tag=mrvn HTTP/1.1");
    int agents = 0;
    for (const std::string& line : r) {
        if (line.rfind("User-Agent:", 0) == 0) {
            ++agents;
            EXPECT_EQ(line, "User-Agent: " + Narrow(kHttpAgent));
        }
    }
    EXPECT_EQ(agents, 1);
    // The block's lines follow each other in the order given, each once.
    std::string head;
    for (const std::string& line : r) head += line + "\r\n";
    const size_t at = head.find("\r\n" + BlockOnTheWire());
    EXPECT_NE(at, std::string::npos) << head;
    EXPECT_EQ(head.find("Accept-Language:"), head.rfind("Accept-Language:")) << head;
    EXPECT_EQ(head.find("Content-Type:"), head.rfind("Content-Type:")) << head;
    EXPECT_TRUE(net.EachClosedOnce());
}

TEST_F(HttpWinInet, StatusAndLengthRules) {
    const std::string body = Letters(3000);
    const struct {
        const char* kind;
        bool ok;
        bool fileMade;
    } rows[] = {
        {"ok", true, true},         {"500", true, true},         {"404", false, false},
        {"chunked", false, false},  {"nolength", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.kind);
        DeleteFileW(file.c_str());
        const std::string path = std::string("/st_") + row.kind;
        ASSERT_TRUE(test::SetServerRoute(port, path, row.kind, body));
        EXPECT_EQ(Download(path), row.ok);
        EXPECT_EQ(FileExists(file), row.fileMade);
        if (row.ok) {
            std::string got;
            ASSERT_TRUE(Written(got));
            EXPECT_TRUE(got == body) << got.size() << " bytes";
        }
    }
    EXPECT_TRUE(net.EachClosedOnce());
}

TEST_F(HttpWinInet, ShortBodyFailsAndLeavesThePartialFile) {
    const std::string body = Pattern(5000);
    ASSERT_TRUE(test::SetServerRoute(port, "/short.bin", "short", body, 2000));
    EXPECT_FALSE(Download("/short.bin"));
    std::string got;
    ASSERT_TRUE(Written(got));
    EXPECT_TRUE(got == body) << got.size() << " bytes";
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 5000u * 100 / 7000);
    EXPECT_TRUE(net.EachClosedOnce());
}

TEST_F(HttpWinInet, FileArrivesByteIdenticalInChunksWithProgressTo100) {
    // Not a multiple of 512, so the last chunk is a short one.
    const std::string body = Pattern(300 * 1024 + 77);
    ASSERT_TRUE(test::SetServerRoute(port, "/big.bin", "ok", body));
    ASSERT_TRUE(Download("/big.bin"));
    std::string got;
    ASSERT_TRUE(Written(got));
    ASSERT_EQ(got.size(), body.size());
    EXPECT_TRUE(got == body);
    // One report per chunk at least, never going back, ending at 100.
    EXPECT_GE(percents.size(), body.size() / 512);
    for (size_t i = 1; i < percents.size(); ++i) ASSERT_LE(percents[i - 1], percents[i]) << i;
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100u);
    EXPECT_LT(percents.front(), 100u);
    EXPECT_TRUE(net.EachClosedOnce());
}

TEST_F(HttpWinInet, MemoryShapeTakesBodiesBelow1024Bytes) {
    win::AnsiCodePage cp;
    const struct {
        size_t size;
        bool ok;
    } rows[] = {{1023, true}, {1024, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.size);
        const std::string body = Letters(row.size);
        const std::string path = "/notice" + std::to_string(row.size) + ".txt";
        ASSERT_TRUE(test::SetServerRoute(port, path, "ok", body));
        std::wstring text = L"untouched";
        EXPECT_EQ(HttpFetchToMemory(net, cp, Url(path), allow, text), row.ok);
        EXPECT_EQ(text, row.ok ? std::wstring(body.begin(), body.end()) : L"untouched");
    }
    EXPECT_TRUE(net.EachClosedOnce());
}

TEST_F(HttpWinInet, AddressOutsideTheAllowListSendsNothing) {
    ASSERT_TRUE(test::SetServerRoute(port, "/outside.bin", "ok", "secret"));
    DownloadOptions o;
    const std::vector<std::wstring> others = {L"quarn.com", L"qsvc.net"};
    o.allowList = &others;
    EXPECT_FALSE(HttpDownloadToFile(net, sink, Url("/outside.bin"), file, o));
    win::AnsiCodePage cp;
    std::wstring text;
    EXPECT_FALSE(HttpFetchToMemory(net, cp, Url("/outside.bin"), others, text));
    EXPECT_EQ(net.Opened(), 0u);
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(test::ServerLog(port), "");
}

// A port that nothing listens on: bound once by us, then released.
uint16_t ClosedPort() {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 0;
    uint16_t port = 0;
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s != INVALID_SOCKET) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int len = sizeof addr;
        if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
            getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
            port = ntohs(addr.sin_port);
        }
        closesocket(s);
    }
    WSACleanup();
    return port;
}

TEST_F(HttpWinInet, ClosedPortFails) {
    const uint16_t closed = ClosedPort();
    ASSERT_NE(closed, 0);
    const std::wstring url = L"http://127.0.0.1:" + std::to_wstring(closed) + L"/a.bin";
    DownloadOptions o;
    o.allowList = &allow;
    EXPECT_FALSE(HttpDownloadToFile(net, sink, url, file, o));
    EXPECT_FALSE(FileExists(file));
    uint32_t error = 0;
    EXPECT_FALSE(HttpPing(net, url, &error));
    EXPECT_EQ(error, 12029u);  // ERROR_INTERNET_CANNOT_CONNECT
    EXPECT_TRUE(net.EachClosedOnce());
}

// The sink holds small writes back and writes them in blocks: every byte it accepted must reach
// the file when the transfer closes it, and nothing it refused may.
TEST_F(HttpWinInet, FileSinkWritesEveryAcceptedByteByTheClose) {
    const std::string data = Pattern(200 * 1024 + 77);
    const struct {
        const char* name;
        std::vector<size_t> writes;
    } rows[] = {
        {"512-byte chunks across several blocks", std::vector<size_t>(300, 512)},
        {"a write larger than a block after held bytes", {300, 100 * 1024, 512, 77}},
        {"one byte", {1}},
        {"nothing", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        win::Win32FileSink own;
        const FileHandle f = own.Create(file);
        ASSERT_NE(f, 0u);
        size_t at = 0;
        for (const size_t n : row.writes) {
            ASSERT_TRUE(own.Write(f, data.data() + at, static_cast<uint32_t>(n)));
            at += n;
        }
        EXPECT_TRUE(own.Close(f));
        std::string got;
        ASSERT_TRUE(Written(got));
        EXPECT_EQ(got.size(), at);
        EXPECT_TRUE(got == data.substr(0, at));
    }
    // An owner's close while the worker goes on writing: the held bytes land, later writes fail.
    const FileHandle f = sink.Create(file);
    ASSERT_NE(f, 0u);
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(sink.Write(f, data.data() + i * 512, 512));
    EXPECT_TRUE(sink.Close(f));
    EXPECT_FALSE(sink.Write(f, data.data(), 512));
    EXPECT_FALSE(sink.Close(f));
    std::string got;
    ASSERT_TRUE(Written(got));
    EXPECT_TRUE(got == data.substr(0, 5 * 512)) << got.size() << " bytes";
}

struct CancelRun {
    CountingSession* net;
    win::Win32FileSink* sink;
    std::wstring url, file;
    TransferHandles shared;
    HANDLE firstChunk = nullptr;
    HANDLE halfway = nullptr;  // every byte the stalling server sends has been read
    bool result = true;
};

DWORD WINAPI CancelWorker(void* p) {
    auto* run = static_cast<CancelRun*>(p);
    DownloadOptions o;
    o.chunk = 512;
    o.shared = &run->shared;
    o.progress = [run](uint32_t percent) {
        SetEvent(run->firstChunk);
        if (percent >= 50) SetEvent(run->halfway);
    };
    run->result = HttpDownloadToFile(*run->net, *run->sink, run->url, run->file, o);
    return 0;
}

TEST_F(HttpWinInet, CancelFromTheOwnerEndsAStalledDownload) {
    // Half of it arrives, then the server sends nothing more until the client goes away.
    const std::string body = Pattern(64 * 1024);
    ASSERT_TRUE(test::SetServerRoute(port, "/stall.bin", "stall", body));
    CancelRun run;
    run.net = &net;
    run.sink = &sink;
    run.url = Url("/stall.bin");
    run.file = file;
    run.firstChunk = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    run.halfway = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(run.firstChunk, nullptr);
    ASSERT_NE(run.halfway, nullptr);
    HANDLE worker = CreateThread(nullptr, 0, CancelWorker, &run, 0, nullptr);
    ASSERT_NE(worker, nullptr);
    ASSERT_EQ(WaitForSingleObject(run.firstChunk, 30000), WAIT_OBJECT_0);
    // The worker has read the half that was sent; its next read can only block. Ending instead
    // would take it no more than the return from that read.
    ASSERT_EQ(WaitForSingleObject(run.halfway, 30000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(worker, 2000), static_cast<DWORD>(WAIT_TIMEOUT)) << "a stalled body ended the read";
    run.shared.Cancel(net, &sink);
    // A hang guard, not a speed limit: a worker that the cancel does not reach never ends.
    const DWORD waited = WaitForSingleObject(worker, 30000);
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    if (waited != WAIT_OBJECT_0) TerminateThread(worker, 1);
    CloseHandle(worker);
    CloseHandle(run.firstChunk);
    CloseHandle(run.halfway);
    EXPECT_FALSE(run.result);
    // The dialog's own clean-up after the wait finds nothing left.
    run.shared.CloseAll(net, &sink);
    EXPECT_TRUE(net.EachClosedOnce());
    EXPECT_EQ(net.Opened(), 3u);
    std::string got;
    ASSERT_TRUE(Written(got));
    EXPECT_GT(got.size(), 0u);
    EXPECT_LE(got.size(), body.size() / 2);
    EXPECT_TRUE(got == body.substr(0, got.size()));
}

}  // namespace
}  // namespace mrvn::wt

namespace mrvn::wt {
namespace {

// Requests of the server's log made to `host` (its Host header), as request lines.
std::vector<std::string> RequestsTo(uint16_t port, const std::string& host) {
    std::vector<std::string> out;
    for (const auto& request : test::SplitServerLog(test::ServerLog(port))) {
        for (const std::string& line : request) {
            if (line == "Host: " + host + ":" + std::to_string(port)) out.push_back(request[0]);
        }
    }
    return out;
}

TEST_F(HttpWinInet, RedirectsAreFollowedByUsUnderTheAllowList) {
    const std::string second = "http://127.0.0.2:" + std::to_string(port);
    ASSERT_TRUE(test::SetServerRoute(port, "/evil.bin", "ok", "not the release"));
    ASSERT_TRUE(test::SetServerRoute(port, "/away", "redirect", second + "/evil.bin"));

    // To a host the allow-list does not name: refused before anything is asked there.
    EXPECT_FALSE(Download("/away"));
    EXPECT_FALSE(FileExists(file));
    EXPECT_TRUE(RequestsTo(port, "127.0.0.2").empty());

    // To itself: the first request and five follow-ups, then the transfer gives up.
    ASSERT_TRUE(test::ResetServer(port));
    ASSERT_TRUE(test::SetServerRoute(port, "/loop", "redirect", "/loop"));
    EXPECT_FALSE(Download("/loop"));
    EXPECT_EQ(test::RequestLinesOf(test::ServerLog(port)).size(), 6u);

    // Within the allow-list: followed, and the follow-up carries the whole header block too.
    ASSERT_TRUE(test::ResetServer(port));
    ASSERT_TRUE(test::SetServerRoute(port, "/hop1", "redirect", "hop2", 301));
    ASSERT_TRUE(test::SetServerRoute(port, "/hop2", "ok", Letters(700)));
    ASSERT_TRUE(Download("/hop1"));
    std::string got;
    ASSERT_TRUE(Written(got));
    EXPECT_EQ(got, Letters(700));
    const auto requests = test::SplitServerLog(test::ServerLog(port));
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1][0], "GET /hop2 HTTP/1.1");
    for (const auto& r : requests) {
        std::string head;
        for (const std::string& line : r) head += line + "\r\n";
        EXPECT_NE(head.find("\r\n" + BlockOnTheWire()), std::string::npos) << head;
    }

    // A use without the allow-list follows to any host.
    ASSERT_TRUE(test::ResetServer(port));
    ASSERT_TRUE(test::SetServerRoute(port, "/evil.bin", "ok", "elsewhere"));
    ASSERT_TRUE(test::SetServerRoute(port, "/away", "redirect", second + "/evil.bin"));
    DownloadOptions o;
    EXPECT_TRUE(HttpDownloadToFile(net, sink, Url("/away"), file, o));
    EXPECT_EQ(RequestsTo(port, "127.0.0.2"), (std::vector<std::string>{"GET /evil.bin HTTP/1.1"}));
    EXPECT_TRUE(net.EachClosedOnce());
}

struct TimedRun {
    HttpSession* net;
    FileSink* sink;
    std::wstring url, file;
    TransferLimits limits;
    bool result = true;
};

DWORD WINAPI TimedWorker(void* p) {
    auto* run = static_cast<TimedRun*>(p);
    DownloadOptions o;
    o.limits = run->limits;
    run->result = HttpDownloadToFile(*run->net, *run->sink, run->url, run->file, o);
    return 0;
}

TEST_F(HttpWinInet, TimeLimitsEndSilentAndSlowServersButNotSteadyOnes) {
    const struct {
        const char* name;
        const char* kind;
        std::string body;
        size_t extra;
        TransferLimits limits;
        bool ok;
    } rows[] = {
        {"request never answered", "hang", "", 0, {2000, 0}, false},
        {"body dripped past the deadline", "drip", Letters(100), 500, {2000, 0}, false},
        {"stalled body, no byte for the idle time", "stall", Pattern(4096), 0, {0, 2000}, false},
        // Longer in all than the idle bound, but a byte comes well within it each time.
        {"dripping steadily", "drip", Letters(12), 300, {0, 2000}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(test::ResetServer(port));
        ASSERT_TRUE(test::SetServerRoute(port, "/slow", row.kind, row.body, row.extra));
        TimedRun run{&net, &sink, Url("/slow"), file, row.limits};
        HANDLE worker = CreateThread(nullptr, 0, TimedWorker, &run, 0, nullptr);
        ASSERT_NE(worker, nullptr);
        // A hang guard far above the bounds: without them these transfers never end.
        const DWORD waited = WaitForSingleObject(worker, 30000);
        EXPECT_EQ(waited, WAIT_OBJECT_0) << "the transfer did not end";
        if (waited != WAIT_OBJECT_0) TerminateThread(worker, 1);
        CloseHandle(worker);
        EXPECT_EQ(run.result, row.ok);
    }
    EXPECT_TRUE(net.EachClosedOnce());
}

}  // namespace
}  // namespace mrvn::wt
