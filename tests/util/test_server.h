// A loopback HTTP server for tests: serves files and scripted replies, records every request,
// and misbehaves on request (404, 500 with a body, chunked without a length, short bodies, stalls).
#pragma once
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace mrvn::test {

class TestServer {
public:
    enum class Kind {
        Ok,        // 200 with Content-Length
        NotFound,  // 404 with a short body
        Error500,  // 500 with Content-Length and the body
        Chunked,   // 200, chunked transfer coding, no Content-Length
        Short,     // 200 announcing body + `extra` bytes, then closing after the body
        Stall,     // 200 announcing the body, sending its first `extra` bytes (default half), then
                   // waiting until stopped
        Close,     // closes the connection without a reply
        NoLength,  // 200 without Content-Length, body until close
        Redirect,  // 302 (or the status in `extra`) to the Location given as the body
        Drip,      // 200 announcing the body, then one byte every `extra` ms (default 1000)
        Hang,      // reads the request and answers nothing until the client goes away
        Under,     // 200 announcing `extra` bytes, sending the whole body, then closing
        Delay,     // waits `extra` ms (default 3000), then answers with the body, or without a body as
                   // if there were no route (a file of the root, the stand-in's pages)
    };
    struct Route {
        Kind kind = Kind::Ok;
        std::string body;
        size_t extra = 0;
    };

    explicit TestServer(std::string root = "");
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // Listens on 127.0.0.1 (port 0: any free port), and on 127.0.0.2 with the same port when it
    // can, so that a redirect to a second host stays on the machine. False when 127.0.0.1 cannot
    // be bound.
    bool Start(uint16_t port = 0);
    void Stop();
    uint16_t Port() const { return port_; }

    void SetRoute(const std::string& path, Route route);
    // The stand-in's login page leads through the scripted journey, `seconds` after each showing.
    void SetJourney(int seconds) { journeySeconds_ = seconds; }
    void Reset();
    // Every request so far, each as its request line and header lines ending in CRLF, then a CRLF.
    std::string Log() const;
    std::vector<std::string> RequestLines() const;

private:
    void AcceptLoop();
    // Waits until the client closes or the server stops; false when the client went away.
    bool WaitWhileConnected(int fd, int ms);
    void Serve(int fd);
    bool Handle(int fd, const std::string& head, const std::string& body);
    // "{{host}}" and "{{count}}" of a page from the root folder.
    void FillPage(std::string& page, const std::string& head, const std::string& path) const;

    std::string root_;
    int listenFd_ = -1;
    int secondFd_ = -1;  // 127.0.0.2
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
    mutable std::mutex mu_;
    std::map<std::string, Route> routes_;
    std::vector<std::string> log_;
    std::vector<std::thread> workers_;
    std::vector<int> openFds_;
    int journeySeconds_ = -1;  // below 0: no journey
    size_t journeyVisits_ = 0;
};

}  // namespace mrvn::test
