// A plain-socket HTTP client for tests, on Linux and on Windows (Winsock), independent of the
// code under test. Talks to the test server's control paths and checks raw replies.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace mrvn::test {

struct ProbeReply {
    bool ok = false;   // a reply with a status line arrived
    int status = 0;
    std::string head;  // status line and headers
    std::string body;  // everything after the blank line, as received until close
};

ProbeReply HttpProbe(const std::string& host, uint16_t port, const std::string& method, const std::string& target,
                     const std::string& body = "");

// Sets a scripted reply on the test server; false when the server did not accept it.
bool SetServerRoute(uint16_t port, const std::string& path, const std::string& kind, const std::string& body,
                    size_t extra = 0);
bool ResetServer(uint16_t port);
std::string ServerLog(uint16_t port);

std::string PercentEncode(const std::string& s);

// The test server's log cut into requests, each as its lines (request line first).
std::vector<std::vector<std::string>> SplitServerLog(const std::string& log);
// Only the request lines.
std::vector<std::string> RequestLinesOf(const std::string& log);

}  // namespace mrvn::test
