#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "fakes/fake_net.h"
#include "net/http_rules.h"
#include "net/http_transfer.h"
#include "net/transfer_uses.h"

namespace mrvn {
namespace {

using test::FakeCodePage;
using test::FakeFileSink;
using test::FakeHttpSession;

const std::vector<std::wstring> kDomains = {L"qsvc.net", L"quarn.com", L"quarn.cn"};
const std::wstring kFile = L"C:\\Games\\NewMrvn.exe";

std::string Body(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
    return s;
}

bool Get(FakeHttpSession& net, FakeFileSink& sink, std::vector<uint32_t>* percents = nullptr,
         const std::wstring& address = L"http://dl.quarn.com:8080/up/NewMrvn.exe", uint32_t chunk = 512) {
    DownloadOptions o;
    o.allowList = &kDomains;
    o.chunk = chunk;
    if (percents) o.progress = [percents](uint32_t p) { percents->push_back(p); };
    return HttpDownloadToFile(net, sink, address, kFile, o);
}

class DownloadTest : public testing::Test {
protected:
    FakeHttpSession net;
    FakeFileSink sink;
    std::vector<uint32_t> percents;

    bool Download(const std::wstring& address = L"http://dl.quarn.com:8080/up/NewMrvn.exe", uint32_t chunk = 512) {
        return Get(net, sink, &percents, address, chunk);
    }
    const std::string& Written() { return sink.files[kFile]; }
};

TEST_F(DownloadTest, SendsTheFixedRequestAndWritesTheBody) {
    net.reply.body = Body(1300);
    ASSERT_TRUE(Download());
    EXPECT_EQ(net.agent, L"KTW");
    EXPECT_EQ(net.accessType, 0u);  // preconfigured: the system's proxy settings
    EXPECT_EQ(net.host, L"dl.quarn.com");
    EXPECT_EQ(net.port, 8080);
    EXPECT_EQ(net.verb, L"GET");
    EXPECT_EQ(net.object, L"up/NewMrvn.exe");
    EXPECT_EQ(net.version, L"HTTP/1.1");
    // Always from the server, and redirects are the procedure's own business.
    EXPECT_EQ(net.flags, 0x80200000u);
    EXPECT_EQ(net.headers, L"Accept-Language: zh-cn \r\nContent-Type: application/x-www-form-urlencoded\r\n");
    EXPECT_EQ(Written(), net.reply.body);
    // 512 + 512 + 276, then the empty read that ends the body.
    EXPECT_EQ(net.readSizes, (std::vector<uint32_t>{512, 512, 512, 512}));
    EXPECT_EQ(net.seeks, (std::vector<uint32_t>{512, 1024, 1300}));
    EXPECT_EQ(percents, (std::vector<uint32_t>{39, 78, 100, 100}));
    EXPECT_TRUE(net.AllClosedOnce());
    ASSERT_EQ(sink.closes.size(), 1u);
    EXPECT_EQ(sink.closes.begin()->second, 1);
    // The file is closed before the request, connection and root, in that order.
    const std::vector<std::string> tail(net.calls.end() - 3, net.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"close request", "close connection", "close root"}));
}

TEST_F(DownloadTest, StatusAndLengthRule) {
    const struct {
        std::optional<uint32_t> status;
        bool noLength;
        bool ok;
    } rows[] = {
        {200, false, true},  {500, false, true}, {304, false, true}, {404, false, false},
        {0, false, false},   {std::nullopt, false, false},
        {302, false, false},  // a redirect without a Location cannot be followed
        {200, true, false},   // no Content-Length
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << (row.status ? std::to_string(*row.status) : "query fails")
                                        << (row.noLength ? " without a length" : ""));
        FakeHttpSession net;
        FakeFileSink sink;
        net.reply.body = "full body";
        net.reply.status = row.status;
        net.reply.noLength = row.noLength;
        EXPECT_EQ(Get(net, sink), row.ok);
        EXPECT_TRUE(net.AllClosedOnce());
        // A refused reply never creates the file.
        EXPECT_EQ(sink.created.size(), row.ok ? 1u : 0u);
    }
}

TEST_F(DownloadTest, BodyShorterThanAnnouncedFailsAndKeepsThePartialFile) {
    net.reply.body = Body(1000);
    net.reply.deliver = 700;  // the server closes quietly; the reads just end
    EXPECT_FALSE(Download());
    EXPECT_EQ(Written(), Body(700));
    EXPECT_EQ(percents, (std::vector<uint32_t>{51, 70, 70}));
    EXPECT_TRUE(net.AllClosedOnce());
}

TEST_F(DownloadTest, FailingCallsEndTheTransfer) {
    const struct {
        const char* name;
        void (*arrange)(FakeHttpSession&, FakeFileSink&);
        bool fileCreated;
    } rows[] = {
        {"open", [](FakeHttpSession& n, FakeFileSink&) { n.failOpen = true; }, false},
        {"connect", [](FakeHttpSession& n, FakeFileSink&) { n.failConnect = true; }, false},
        {"request", [](FakeHttpSession& n, FakeFileSink&) { n.failRequest = true; }, false},
        {"send", [](FakeHttpSession& n, FakeFileSink&) { n.failSend = true; }, false},
        {"create file", [](FakeHttpSession&, FakeFileSink& s) { s.failCreate = true; }, true},
        {"second read", [](FakeHttpSession& n, FakeFileSink&) { n.reply.failReadAt = 1; }, true},
        {"second write", [](FakeHttpSession&, FakeFileSink& s) { s.failWriteAt = 1; }, true},
        // Every byte arrived, but the last ones held back by the sink never reached the file.
        {"close of the file", [](FakeHttpSession&, FakeFileSink& s) { s.failClose = true; }, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FakeHttpSession net;
        FakeFileSink sink;
        net.reply.body = Body(1300);
        row.arrange(net, sink);
        EXPECT_FALSE(Get(net, sink));
        EXPECT_EQ(!sink.created.empty(), row.fileCreated);
        EXPECT_TRUE(net.AllClosedOnce());
        for (const auto& [file, n] : sink.closes) EXPECT_EQ(n, 1);
    }
}

FakeHttpSession::Reply BodyOf(std::string text) {
    FakeHttpSession::Reply r;
    r.body = std::move(text);
    return r;
}

FakeHttpSession::Reply RedirectTo(const std::wstring& location, uint32_t status = 302) {
    FakeHttpSession::Reply r;
    r.status = status;
    r.location = location;
    r.body = "<html>moved</html>";
    return r;
}

TEST_F(DownloadTest, RedirectsAreFollowedUnderTheSameRules) {
    const FakeHttpSession::Reply body = BodyOf(Body(700));
    const std::wstring start = L"http://dl.quarn.com:8080/up/NewMrvn.exe";
    const struct {
        const char* name;
        bool allowList;
        std::vector<FakeHttpSession::Reply> hops;  // the replies after the first
        FakeHttpSession::Reply first;
        bool ok;
        std::vector<std::wstring> targets;
    } rows[] = {
        {"relative, then absolute on an allowed host", true,
         {RedirectTo(L"http://cdn.quarn.com/b.exe", 307), body}, RedirectTo(L"a.exe", 301), true,
         {L"dl.quarn.com:8080/up/NewMrvn.exe", L"dl.quarn.com:8080/up/a.exe", L"cdn.quarn.com:80/b.exe"}},
        {"to a host the allow-list does not name", true, {body}, RedirectTo(L"http://127.0.0.2:8080/x.exe"), false,
         {L"dl.quarn.com:8080/up/NewMrvn.exe"}},
        {"anywhere, for a use without the allow-list", false, {body}, RedirectTo(L"http://127.0.0.2:8080/x.exe"),
         true, {L"dl.quarn.com:8080/up/NewMrvn.exe", L"127.0.0.2:8080/x.exe"}},
        {"to another scheme", true, {body}, RedirectTo(L"https://dl.quarn.com/a.exe"), false,
         {L"dl.quarn.com:8080/up/NewMrvn.exe"}},
        {"without a Location", true, {body}, RedirectTo(L"", 303), false, {L"dl.quarn.com:8080/up/NewMrvn.exe"}},
        {"five in a row", true,
         {RedirectTo(L"/2"), RedirectTo(L"/3"), RedirectTo(L"/4"), RedirectTo(L"/5"), body}, RedirectTo(L"/1"), true,
         {L"dl.quarn.com:8080/up/NewMrvn.exe", L"dl.quarn.com:8080/1", L"dl.quarn.com:8080/2",
          L"dl.quarn.com:8080/3", L"dl.quarn.com:8080/4", L"dl.quarn.com:8080/5"}},
        {"six in a row", true,
         {RedirectTo(L"/2"), RedirectTo(L"/3"), RedirectTo(L"/4"), RedirectTo(L"/5"), RedirectTo(L"/6"), body},
         RedirectTo(L"/1"), false,
         {L"dl.quarn.com:8080/up/NewMrvn.exe", L"dl.quarn.com:8080/1", L"dl.quarn.com:8080/2",
          L"dl.quarn.com:8080/3", L"dl.quarn.com:8080/4", L"dl.quarn.com:8080/5"}},
    };
    for (auto row : rows) {
        SCOPED_TRACE(row.name);
        FakeHttpSession net;
        FakeFileSink sink;
        net.reply = row.first;
        if (net.reply.location->empty()) net.reply.location.reset();
        net.next = row.hops;
        DownloadOptions o;
        o.allowList = row.allowList ? &kDomains : nullptr;
        EXPECT_EQ(HttpDownloadToFile(net, sink, start, kFile, o), row.ok);
        EXPECT_EQ(net.targets, row.targets);
        // Every hop sends the whole fixed block, and every handle of every hop is closed once.
        for (const auto& block : net.sentHeaders) EXPECT_EQ(block, std::wstring(kHttpExtraHeaders));
        EXPECT_TRUE(net.AllClosedOnce());
        EXPECT_EQ(std::count(net.calls.begin(), net.calls.end(), "open"), 1);
        if (row.ok) {
            EXPECT_EQ(sink.files[kFile], Body(700)) << "a redirect's own body was written";
        } else {
            EXPECT_TRUE(sink.created.empty());
        }
    }
}

TEST_F(DownloadTest, TimeLimitsHoldAcrossRedirects) {
    net.reply = RedirectTo(L"/b.exe");
    net.next = {RedirectTo(L"/c.exe"), BodyOf(Body(100))};
    DownloadOptions o;
    o.limits = {15000, 0};
    ASSERT_TRUE(HttpDownloadToFile(net, sink, L"http://a.quarn.com/a.exe", kFile, o));
    // One deadline for the whole transfer, counted from its start, on every hop.
    const std::pair<uint64_t, uint32_t> limit{1000 + 15000, 0};
    EXPECT_EQ(net.limits, (std::vector<std::pair<uint64_t, uint32_t>>{limit, limit, limit}));

    // The deadline passes during the second hop: the third is never asked.
    net.Reset();
    net.reply = RedirectTo(L"/b.exe");
    net.next = {RedirectTo(L"/c.exe"), BodyOf(Body(100))};
    int sends = 0;
    net.onSend = [&] {
        if (++sends == 2) net.now += 15000;
    };
    EXPECT_FALSE(HttpDownloadToFile(net, sink, L"http://a.quarn.com/a.exe", kFile, o));
    EXPECT_EQ(net.targets.size(), 2u);
    EXPECT_TRUE(net.AllClosedOnce());

    // The ping and the memory shape have their deadline too.
    net.Reset();
    EXPECT_TRUE(HttpPing(net, L"http://a.quarn.com/r.htm"));
    EXPECT_EQ(net.limits, (std::vector<std::pair<uint64_t, uint32_t>>{{1000 + 15000, 0}}));
    net.Reset();
    net.reply.body = "notice";
    FakeCodePage cp;
    std::wstring text;
    EXPECT_TRUE(HttpFetchToMemory(net, cp, L"http://a.quarn.com/n.txt", kDomains, text));
    EXPECT_EQ(net.limits, (std::vector<std::pair<uint64_t, uint32_t>>{{1000 + 15000, 0}}));
}

TEST_F(DownloadTest, ConfigurationsOver64KiBAreRefusedBeforeTheFileIsMade) {
    const struct {
        TransferUse use;
        size_t announced;
        bool ok;
    } rows[] = {
        {TransferUse::UpdateConfig, 65536, true},  {TransferUse::UpdateConfig, 65537, false},
        {TransferUse::ClientConfig, 65537, false}, {TransferUse::NoticePicture, 65537, true},
    };
    const HostConfig hosts{L"client.quarn.com", L"www.quarn.com", kDomains};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.announced);
        FakeHttpSession net;
        FakeFileSink sink;
        net.reply.body = std::string(row.announced, 'x');
        EXPECT_EQ(DownloadForUse(row.use, net, sink, hosts, L"http://client.quarn.com/c.htm", kFile), row.ok);
        EXPECT_EQ(sink.created.size(), row.ok ? 1u : 0u);
        EXPECT_TRUE(net.AllClosedOnce());
    }
}

TEST_F(DownloadTest, EmptyAnnouncedBody) {
    net.reply.body = "";
    EXPECT_TRUE(Download());
    EXPECT_EQ(Written(), "");
    EXPECT_EQ(percents, (std::vector<uint32_t>{100}));
}

TEST_F(DownloadTest, AllowListRefusalOpensNothing) {
    net.reply.body = "x";
    EXPECT_FALSE(Download(L"http://evil.example/NewMrvn.exe"));
    EXPECT_TRUE(net.calls.empty());
    EXPECT_TRUE(sink.created.empty());
}

TEST_F(DownloadTest, CancelDuringTheBodyReleasesEachHandleOnce) {
    TransferHandles shared;
    net.reply.body = Body(2000);
    // The owning dialog cancels while the worker is between chunks.
    net.onRead = [&](int index) {
        if (index == 2) shared.Cancel(net, &sink);
    };
    DownloadOptions o;
    o.allowList = &kDomains;
    o.shared = &shared;
    EXPECT_FALSE(HttpDownloadToFile(net, sink, L"http://dl.quarn.com/a", kFile, o));
    EXPECT_TRUE(net.AllClosedOnce());
    ASSERT_EQ(sink.closes.size(), 1u);
    EXPECT_EQ(sink.closes.begin()->second, 1);
    EXPECT_EQ(Written(), Body(1024));  // the part before the cancel stays for the caller
    // The wait path closing after the cancel finds nothing left to close.
    shared.CloseAll(net, &sink);
    EXPECT_TRUE(net.AllClosedOnce());
    EXPECT_EQ(sink.closes.begin()->second, 1);
}

TEST_F(DownloadTest, CancelFromAnotherThreadUnblocksTheRead) {
    TransferHandles shared;
    net.reply.body = Body(600);
    net.blockReads = true;
    DownloadOptions o;
    o.shared = &shared;
    bool result = true;
    std::thread worker([&] { result = HttpDownloadToFile(net, sink, L"http://a/b", kFile, o); });
    ASSERT_TRUE(net.ReadIsBlocked());
    shared.Cancel(net, &sink);
    worker.join();
    EXPECT_FALSE(result);
    EXPECT_TRUE(net.AllClosedOnce());
    ASSERT_EQ(sink.closes.size(), 1u);
    EXPECT_EQ(sink.closes.begin()->second, 1);
}

TEST_F(DownloadTest, FailingFilePointerNeitherStopsNorPassesTheTransfer) {
    const struct {
        size_t deliver;
        bool ok;
        std::vector<uint32_t> seeks;
    } rows[] = {{SIZE_MAX, true, {512, 1024, 1300}}, {700, false, {512, 700}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.deliver);
        // Wine's InternetSetFilePointer is a stub that always fails.
        FakeHttpSession net;
        FakeFileSink files;
        net.reply.body = Body(1300);
        net.reply.deliver = row.deliver;
        net.failSeeks = true;
        net.errorCode = 12016;  // ERROR_INTERNET_INVALID_OPERATION
        DownloadOptions o;
        o.allowList = &kDomains;
        EXPECT_EQ(HttpDownloadToFile(net, files, L"http://dl.quarn.com/NewMrvn.exe", kFile, o), row.ok);
        // Still asked after every chunk, and the count against Content-Length decides alone.
        EXPECT_EQ(net.seeks, row.seeks);
        EXPECT_EQ(files.files[kFile], Body(std::min<size_t>(row.deliver, 1300)));
        EXPECT_TRUE(net.AllClosedOnce());
    }
}

TEST(HttpPing, SendsAndIgnoresTheAnswer) {
    FakeHttpSession net;
    net.reply.status = 404;
    net.reply.noLength = true;
    uint32_t error = 99;
    EXPECT_TRUE(HttpPing(net, L"HTTP://client.qsvc.net/active.htm?tag=mrvn", &error));
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(net.host, L"client.qsvc.net");
    EXPECT_EQ(net.object, L"active.htm?tag=mrvn");
    EXPECT_EQ(net.headers, L"Accept-Language: zh-cn \r\nContent-Type: application/x-www-form-urlencoded\r\n");
    EXPECT_EQ(net.calls, (std::vector<std::string>{"open", "connect", "request", "send", "status", "close request",
                                                   "close connection", "close root"}));
}

// A client-service host that has moved answers a report with a redirect; the report follows it
// like any transfer, with no allow-list (a report has none) but only to "http://" addresses.
TEST(HttpPing, FollowsRedirectsLikeATransfer) {
    const std::wstring start = L"http://client.qsvc.net/install.htm?tag=mrvn&count=3";
    const struct {
        const char* name;
        FakeHttpSession::Reply first;
        std::vector<FakeHttpSession::Reply> hops;
        bool ok;
        std::vector<std::wstring> targets;
    } rows[] = {
        {"moved to another host", RedirectTo(L"http://127.0.0.2:8080/r/install.htm?count=3", 301), {BodyOf("")}, true,
         {L"client.qsvc.net:80/install.htm?tag=mrvn&count=3", L"127.0.0.2:8080/r/install.htm?count=3"}},
        {"on the same host, the answer's status ignored", RedirectTo(L"/new.htm", 307), {BodyOf("gone")}, true,
         {L"client.qsvc.net:80/install.htm?tag=mrvn&count=3", L"client.qsvc.net:80/new.htm"}},
        {"five in a row", RedirectTo(L"/1"),
         {RedirectTo(L"/2"), RedirectTo(L"/3"), RedirectTo(L"/4"), RedirectTo(L"/5"), BodyOf("")}, true,
         {L"client.qsvc.net:80/install.htm?tag=mrvn&count=3", L"client.qsvc.net:80/1", L"client.qsvc.net:80/2",
          L"client.qsvc.net:80/3", L"client.qsvc.net:80/4", L"client.qsvc.net:80/5"}},
        {"six in a row", RedirectTo(L"/1"),
         {RedirectTo(L"/2"), RedirectTo(L"/3"), RedirectTo(L"/4"), RedirectTo(L"/5"), RedirectTo(L"/6"), BodyOf("")},
         false,
         {L"client.qsvc.net:80/install.htm?tag=mrvn&count=3", L"client.qsvc.net:80/1", L"client.qsvc.net:80/2",
          L"client.qsvc.net:80/3", L"client.qsvc.net:80/4", L"client.qsvc.net:80/5"}},
        {"to another scheme", RedirectTo(L"https://client.qsvc.net/install.htm"), {BodyOf("")}, false,
         {L"client.qsvc.net:80/install.htm?tag=mrvn&count=3"}},
        {"without a Location", RedirectTo(L"", 302), {BodyOf("")}, false,
         {L"client.qsvc.net:80/install.htm?tag=mrvn&count=3"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FakeHttpSession net;
        net.reply = row.first;
        if (net.reply.location->empty()) net.reply.location.reset();
        net.next = row.hops;
        uint32_t error = 99;
        EXPECT_EQ(HttpPing(net, start, &error), row.ok);
        EXPECT_EQ(error, 0u);
        EXPECT_EQ(net.targets, row.targets);
        for (const auto& block : net.sentHeaders) EXPECT_EQ(block, std::wstring(kHttpExtraHeaders));
        EXPECT_TRUE(net.AllClosedOnce());
        EXPECT_EQ(std::count(net.calls.begin(), net.calls.end(), "open"), 1);
        EXPECT_EQ(std::count(net.calls.begin(), net.calls.end(), "read"), 0) << "a body was read";
    }

    // One deadline for the whole report: passed during the second hop, the third is never asked.
    FakeHttpSession net;
    net.reply = RedirectTo(L"/b.htm");
    net.next = {RedirectTo(L"/c.htm"), BodyOf("")};
    int sends = 0;
    net.onSend = [&] {
        if (++sends == 2) net.now += 15000;
    };
    EXPECT_FALSE(HttpPing(net, start));
    EXPECT_EQ(net.targets.size(), 2u);
    EXPECT_TRUE(net.AllClosedOnce());
}

TEST(HttpPing, FailuresAndTheirErrorCodes) {
    const struct {
        const char* name;
        const wchar_t* address;
        void (*arrange)(FakeHttpSession&);
        uint32_t error;
    } rows[] = {
        {"no scheme", L"client.qsvc.net/a", [](FakeHttpSession&) {}, 0},
        {"https", L"https://client.qsvc.net/a", [](FakeHttpSession&) {}, 0},
        {"open", L"http://h/a", [](FakeHttpSession& n) { n.failOpen = true; }, 0},
        {"connect", L"http://h/a", [](FakeHttpSession& n) { n.failConnect = true; }, 12029},
        {"request", L"http://h/a", [](FakeHttpSession& n) { n.failRequest = true; }, 0},
        {"send", L"http://h/a", [](FakeHttpSession& n) { n.failSend = true; }, 12029},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FakeHttpSession net;
        row.arrange(net);
        uint32_t error = 99;
        EXPECT_FALSE(HttpPing(net, row.address, &error));
        EXPECT_EQ(error, row.error);
        EXPECT_TRUE(net.AllClosedOnce());
    }
}

TEST(HttpFetchToMemory, NoticeSizeLimitAndRefusals) {
    const wchar_t* notice = L"http://client.qsvc.net/notice/mrvn.txt";
    const struct {
        const wchar_t* address;
        size_t size, deliver;
        bool asked, ok;
    } rows[] = {
        {notice, 0, SIZE_MAX, true, true},     {notice, 1, SIZE_MAX, true, true},
        {notice, 1023, SIZE_MAX, true, true},  {notice, 1024, SIZE_MAX, true, false},
        {notice, 5000, SIZE_MAX, true, false},
        {L"http://evil.example/notice/mrvn.txt", 10, SIZE_MAX, false, false},  // outside the allow-list
        {L"http://a.quarn.cn/n.txt", 10, 4, true, false},                      // cut short
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(row.address)) << " " << row.size);
        FakeHttpSession net;
        FakeCodePage cp;
        net.reply.body = Body(row.size);
        net.reply.deliver = row.deliver;
        std::wstring text = L"untouched";
        EXPECT_EQ(HttpFetchToMemory(net, cp, row.address, kDomains, text), row.ok);
        EXPECT_EQ(text, row.ok ? std::wstring(net.reply.body.begin(), net.reply.body.end()) : L"untouched");
        EXPECT_EQ(!net.calls.empty(), row.asked);
        EXPECT_TRUE(net.AllClosedOnce());
    }
}

TEST(TransferUses, EachUseAppliesItsOwnRules) {
    HostConfig hosts;
    hosts.clientHost = L"127.0.0.1:8790";
    hosts.domains = {L"quarn.com"};
    const std::wstring outside = L"http://127.0.0.1:8790/a";
    const struct {
        TransferUse use;
        bool ok;             // with an address outside the allow-list
        uint32_t firstRead;  // 0: nothing read
    } rows[] = {
        {TransferUse::UpdateConfig, true, 512},     {TransferUse::ClientConfig, true, 1024},
        {TransferUse::UpdateDownload, false, 0},    {TransferUse::NoticePicture, false, 0},
        {TransferUse::ClientDownload, false, 0},    {TransferUse::UsageReport, false, 0},  // not a file use
        {TransferUse::NoticeText, false, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.use));
        FakeHttpSession net;
        FakeFileSink sink;
        net.reply.body = Body(100);
        int reports = 0;
        EXPECT_EQ(DownloadForUse(row.use, net, sink, hosts, outside, kFile, [&](uint32_t) { ++reports; }), row.ok);
        EXPECT_EQ(net.readSizes.empty() ? 0u : net.readSizes.front(), row.firstRead);
        EXPECT_EQ(reports, 0);
    }
    // Inside the allow-list the update download runs with its progress.
    FakeHttpSession net;
    FakeFileSink sink;
    net.reply.body = Body(100);
    std::vector<uint32_t> percents;
    EXPECT_TRUE(DownloadForUse(TransferUse::UpdateDownload, net, sink, hosts, L"http://dl.quarn.com/NewMrvn.exe",
                               kFile, [&](uint32_t p) { percents.push_back(p); }));
    EXPECT_EQ(percents, (std::vector<uint32_t>{100, 100}));
    EXPECT_EQ(net.readSizes.front(), 512u);
}

TEST(TransferUses, ConfigurationsFollowRedirectsOnlyOntoThePlatform) {
    HostConfig hosts;
    hosts.clientHost = L"127.0.0.1:8790";
    hosts.domains = {L"quarn.com"};
    // The fixed address itself is not tested: the client-service host is the administrator's choice.
    const std::wstring fixed = L"http://127.0.0.1:8790/update/ConfigMrvn.htm";
    const struct {
        const char* name;
        TransferUse use;
        std::wstring location;
        bool ok;
    } rows[] = {
        {"update configuration led off the platform", TransferUse::UpdateConfig, L"http://127.0.0.2:8790/c.htm",
         false},
        {"client configuration led off the platform", TransferUse::ClientConfig, L"http://evil.example/c.htm", false},
        {"update configuration moved on the platform", TransferUse::UpdateConfig, L"http://cdn.quarn.com/c.htm", true},
        {"client configuration moved on the same host", TransferUse::ClientConfig, L"/update/ConfigXyz2.htm", false},
        // The allow-list stays a substring test: the platform's own addresses may rely on it.
        {"the domain in the query still passes", TransferUse::UpdateConfig, L"http://evil.example/c.htm?quarn.com",
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FakeHttpSession net;
        FakeFileSink sink;
        net.reply = RedirectTo(row.location);
        net.next = {BodyOf("[VerKey]\r\nMrvn=x\r\n")};
        EXPECT_EQ(DownloadForUse(row.use, net, sink, hosts, fixed, kFile), row.ok);
        // A refused hop is never asked for, and nothing is written.
        EXPECT_EQ(net.targets.size(), row.ok ? 2u : 1u);
        EXPECT_EQ(sink.created.empty(), !row.ok);
        EXPECT_TRUE(net.AllClosedOnce());
    }
}

TEST(OnPercentChange, PassesOnlyChangedPercentages) {
    const struct {
        std::vector<uint32_t> given, passed;
    } kCases[] = {
        {{0, 0, 0, 1, 1, 50, 50, 100, 100}, {0, 1, 50, 100}},
        {{100}, {100}},  // an empty body reads as complete at once
        {{7, 3, 3, 7}, {7, 3, 7}},
    };
    for (const auto& c : kCases) {
        std::vector<uint32_t> passed;
        const ProgressFn progress = OnPercentChange([&passed](uint32_t p) { passed.push_back(p); });
        for (uint32_t p : c.given) progress(p);
        EXPECT_EQ(passed, c.passed);
    }
    EXPECT_FALSE(OnPercentChange({}));
}

TEST_F(DownloadTest, ProgressThroughOnPercentChangeEndsAtEveryNewPercentOnce) {
    net.reply.body = Body(512 * 300);
    DownloadOptions o;
    o.chunk = 512;
    o.progress = OnPercentChange([this](uint32_t p) { percents.push_back(p); });
    ASSERT_TRUE(HttpDownloadToFile(net, sink, L"http://dl.quarn.com/up/NewMrvn.exe", kFile, o));
    EXPECT_EQ(net.readSizes.size(), 301u);  // the chunk is unchanged: 300 reads and the end
    ASSERT_EQ(percents.size(), 101u);
    for (uint32_t i = 0; i <= 100; ++i) EXPECT_EQ(percents[i], i);
}

}  // namespace
}  // namespace mrvn
