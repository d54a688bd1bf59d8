// The test server is what every transfer test trusts, so its fault modes are checked on the wire.
#include <gtest/gtest.h>

#include "util/http_probe.h"
#include "util/test_server.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>
#include <utility>

namespace mrvn::test {
namespace {

class TestServerTest : public testing::Test {
protected:
    void SetUp() override {
        root = testing::TempDir() + "/mrvn_server_root";
        std::remove((root + "/hello.txt").c_str());
        std::string mk = "mkdir -p '" + root + "'";
        ASSERT_EQ(std::system(mk.c_str()), 0);
        std::ofstream(root + "/hello.txt") << "hello file";
        server = std::make_unique<TestServer>(root);
        ASSERT_TRUE(server->Start());
        port = server->Port();
    }
    std::string root;
    std::unique_ptr<TestServer> server;
    uint16_t port = 0;
};

TEST_F(TestServerTest, ServesFilesAndRecordsRequestLinesAndHeaders) {
    ProbeReply r = HttpProbe("127.0.0.1", port, "GET", "/hello.txt?x=1");
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "hello file");
    EXPECT_NE(r.head.find("Content-Length: 10\r\n"), std::string::npos);
    r = HttpProbe("127.0.0.1", port, "GET", "/missing");
    EXPECT_EQ(r.status, 404);
    const std::string log = server->Log();
    EXPECT_EQ(server->RequestLines(),
              (std::vector<std::string>{"GET /hello.txt?x=1 HTTP/1.1", "GET /missing HTTP/1.1"}));
    EXPECT_NE(log.find("Host: 127.0.0.1:" + std::to_string(port) + "\r\n"), std::string::npos);
    // Control requests are not recorded, and the log reads the same over the wire.
    EXPECT_EQ(ServerLog(port), log);
}

TEST_F(TestServerTest, JourneyModeLeadsEachShowingOfTheLoginPageToTheNextScriptedLogin) {
    ASSERT_EQ(std::system(("mkdir -p '" + root + "/mrvn/client'").c_str()), 0);
    std::ofstream(root + "/mrvn/client/index.html") << "<html><head><title>t</title></head></html>";
    std::ofstream(root + "/mrvn/client/other.html") << "<html><head></head></html>";
    const std::string plain = HttpProbe("127.0.0.1", port, "GET", "/mrvn/client/index.html").body;
    EXPECT_EQ(plain.find("refresh"), std::string::npos) << "no journey unless asked for";
    server->SetJourney(2);
    const char* const logins[] = {"abc&amp;server=1", "def&amp;server=1", "abc&amp;server=1", "ghi&amp;server=2"};
    for (const char* login : logins) {
        SCOPED_TRACE(login);
        // Another page does not move the script on.
        EXPECT_EQ(HttpProbe("127.0.0.1", port, "GET", "/mrvn/client/other.html").body, "<html><head></head></html>");
        const std::string page = HttpProbe("127.0.0.1", port, "GET", "/mrvn/client/index.html?cid=4224").body;
        EXPECT_EQ(page, std::string("<html><head>\n<meta http-equiv=\"refresh\" content=\"2; url=/mrvn/client/login?account=") +
                            login + "\"><title>t</title></head></html>");
    }
    EXPECT_EQ(HttpProbe("127.0.0.1", port, "GET", "/mrvn/client/index.html").body, plain) << "the script has ended";
}

TEST_F(TestServerTest, StandInPagesNameTheirHostAndCountTheirLoads) {
    std::ofstream(root + "/game.html") << "<p>{{host}} #{{count}} {{count}}</p>";
    std::ofstream(root + "/plain.txt") << "{{count}}";
    const std::string host = "127.0.0.1:" + std::to_string(port);
    EXPECT_EQ(HttpProbe("127.0.0.1", port, "GET", "/game.html").body, "<p>" + host + " #1 1</p>");
    // Another address does not count; a query is the same page again.
    HttpProbe("127.0.0.1", port, "GET", "/other.html");
    EXPECT_EQ(HttpProbe("127.0.0.1", port, "GET", "/game.html?x").body, "<p>" + host + " #2 2</p>");
    EXPECT_EQ(HttpProbe("127.0.0.1", port, "GET", "/plain.txt").body, "{{count}}") << "only pages are filled";
    ASSERT_TRUE(ResetServer(port));
    EXPECT_EQ(HttpProbe("127.0.0.1", port, "GET", "/game.html").body, "<p>" + host + " #1 1</p>");
}

TEST_F(TestServerTest, ScriptedFaults) {
    ASSERT_TRUE(SetServerRoute(port, "/e500", "500", "server says no"));
    ASSERT_TRUE(SetServerRoute(port, "/chunk", "chunked", std::string(2500, 'c')));
    ASSERT_TRUE(SetServerRoute(port, "/short", "short", "12345", 10));
    ASSERT_TRUE(SetServerRoute(port, "/nolen", "nolength", "abc"));
    ASSERT_TRUE(SetServerRoute(port, "/gone", "close", ""));
    EXPECT_FALSE(SetServerRoute(port, "/x", "nonsense", ""));

    ProbeReply r = HttpProbe("127.0.0.1", port, "GET", "/e500");
    EXPECT_EQ(r.status, 500);
    EXPECT_EQ(r.body, "server says no");

    r = HttpProbe("127.0.0.1", port, "GET", "/chunk");
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.head.find("Content-Length"), std::string::npos);
    EXPECT_NE(r.head.find("Transfer-Encoding: chunked"), std::string::npos);
    EXPECT_EQ(r.body, "3e8\r\n" + std::string(1000, 'c') + "\r\n3e8\r\n" + std::string(1000, 'c') + "\r\n1f4\r\n" +
                          std::string(500, 'c') + "\r\n0\r\n\r\n");

    r = HttpProbe("127.0.0.1", port, "GET", "/short");
    EXPECT_NE(r.head.find("Content-Length: 15\r\n"), std::string::npos);
    EXPECT_EQ(r.body, "12345");

    r = HttpProbe("127.0.0.1", port, "GET", "/nolen");
    EXPECT_EQ(r.head.find("Content-Length"), std::string::npos);
    EXPECT_EQ(r.body, "abc");

    EXPECT_FALSE(HttpProbe("127.0.0.1", port, "GET", "/gone").ok);

    ASSERT_TRUE(ResetServer(port));
    EXPECT_EQ(HttpProbe("127.0.0.1", port, "GET", "/e500").status, 404);
    EXPECT_EQ(server->RequestLines().size(), 1u);
}

TEST_F(TestServerTest, StallSendsHalfOrItsCountAndStopEndsIt) {
    ASSERT_TRUE(SetServerRoute(port, "/stall", "stall", "0123456789"));
    ASSERT_TRUE(SetServerRoute(port, "/stall3", "stall", "0123456789", 3));
    std::thread client([this] {
        ProbeReply r = HttpProbe("127.0.0.1", port, "GET", "/stall");
        EXPECT_EQ(r.status, 200);
        EXPECT_EQ(r.body, "01234");
    });
    std::thread counted([this] {
        ProbeReply r = HttpProbe("127.0.0.1", port, "GET", "/stall3");
        EXPECT_NE(r.head.find("Content-Length: 10\r\n"), std::string::npos);
        EXPECT_EQ(r.body, "012");
    });
    while (server->RequestLines().size() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server->Stop();
    client.join();
    counted.join();
}

TEST_F(TestServerTest, RedirectDripUnderAndSecondAddress) {
    ProbeReply r;
    ASSERT_TRUE(SetServerRoute(port, "/moved", "redirect", "http://127.0.0.2:1/x"));
    ASSERT_TRUE(SetServerRoute(port, "/perm", "redirect", "/y", 301));
    ASSERT_TRUE(SetServerRoute(port, "/drip", "drip", "abc", 20));
    ASSERT_TRUE(SetServerRoute(port, "/under", "under", "0123456789", 4));
    r = HttpProbe("127.0.0.1", port, "GET", "/under");
    EXPECT_NE(r.head.find("Content-Length: 4\r\n"), std::string::npos);
    EXPECT_EQ(r.body, "0123456789");
    r = HttpProbe("127.0.0.1", port, "GET", "/moved");
    EXPECT_EQ(r.status, 302);
    EXPECT_NE(r.head.find("\r\nLocation: http://127.0.0.2:1/x\r\n"), std::string::npos) << r.head;
    EXPECT_EQ(HttpProbe("127.0.0.1", port, "GET", "/perm").status, 301);
    r = HttpProbe("127.0.0.1", port, "GET", "/drip");
    EXPECT_NE(r.head.find("Content-Length: 3\r\n"), std::string::npos);
    EXPECT_EQ(r.body, "abc");
    // The same server answers on the second loopback address, and its log shows which was asked.
    r = HttpProbe("127.0.0.2", port, "GET", "/perm");
    EXPECT_EQ(r.status, 301);
    EXPECT_NE(server->Log().find("Host: 127.0.0.2:" + std::to_string(port)), std::string::npos);
}

// A delayed route answers after its wait: with its body, or without one as the file there.
TEST_F(TestServerTest, DelayAnswersAfterItsWait) {
    ASSERT_TRUE(SetServerRoute(port, "/late", "delay", "late body", 300));
    ASSERT_TRUE(SetServerRoute(port, "/hello.txt", "delay", "", 300));
    for (const auto& [path, body] : {std::pair<std::string, std::string>{"/late", "late body"}, {"/hello.txt", "hello file"}}) {
        SCOPED_TRACE(path);
        const auto start = std::chrono::steady_clock::now();
        const ProbeReply r = HttpProbe("127.0.0.1", port, "GET", path);
        // It waited: the server's own timer may round its 300 ms down by a tick.
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
        EXPECT_EQ(r.status, 200);
        EXPECT_EQ(r.body, body);
    }
    ASSERT_TRUE(SetServerRoute(port, "/nothing", "delay", "", 10));
    EXPECT_EQ(HttpProbe("127.0.0.1", port, "GET", "/nothing").status, 404);
}

TEST_F(TestServerTest, HangAnswersNothingUntilStopped) {
    ASSERT_TRUE(SetServerRoute(port, "/hang", "hang", ""));
    std::thread client([this] { EXPECT_FALSE(HttpProbe("127.0.0.1", port, "GET", "/hang").ok); });
    while (server->RequestLines().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server->Stop();
    client.join();
}

}  // namespace
}  // namespace mrvn::test
