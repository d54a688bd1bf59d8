#include "util/test_server.h"

#include "util/standin_login.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace mrvn::test {

namespace {

bool SendAll(int fd, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

int HexVal(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecode(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && HexVal(s[i + 1]) >= 0 && HexVal(s[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexVal(s[i + 1]) * 16 + HexVal(s[i + 2])));
            i += 2;
        } else if (s[i] == '+') {
            out.push_back(' ');
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

std::map<std::string, std::string> ParseQuery(const std::string& query) {
    std::map<std::string, std::string> out;
    std::stringstream ss(query);
    std::string pair;
    while (std::getline(ss, pair, '&')) {
        const size_t eq = pair.find('=');
        if (eq == std::string::npos) {
            out[PercentDecode(pair)] = "";
        } else {
            out[PercentDecode(pair.substr(0, eq))] = PercentDecode(pair.substr(eq + 1));
        }
    }
    return out;
}

std::string Reply(int status, const char* reason, const std::string& body, const std::string& type = "text/plain") {
    return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nContent-Type: " + type +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

bool ParseKind(const std::string& name, TestServer::Kind& kind) {
    static const std::map<std::string, TestServer::Kind> kinds = {
        {"ok", TestServer::Kind::Ok},           {"404", TestServer::Kind::NotFound},
        {"500", TestServer::Kind::Error500},    {"chunked", TestServer::Kind::Chunked},
        {"short", TestServer::Kind::Short},     {"stall", TestServer::Kind::Stall},
        {"close", TestServer::Kind::Close},     {"nolength", TestServer::Kind::NoLength},
        {"redirect", TestServer::Kind::Redirect}, {"drip", TestServer::Kind::Drip},
        {"hang", TestServer::Kind::Hang},         {"under", TestServer::Kind::Under},
        {"delay", TestServer::Kind::Delay},
    };
    auto it = kinds.find(name);
    if (it == kinds.end()) return false;
    kind = it->second;
    return true;
}

// The stand-in's pages may name the host they were asked on ("{{host}}", for absolute links) and
// how often their address has been asked for since the last reset ("{{count}}", a visible counter).
void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

std::string HostOf(const std::string& head) {
    const size_t h = Lower(head).find("\r\nhost:");
    if (h == std::string::npos) return "";
    const size_t start = head.find_first_not_of(' ', h + 7);
    return start == std::string::npos ? "" : head.substr(start, head.find("\r\n", start) - start);
}

}  // namespace

void TestServer::FillPage(std::string& page, const std::string& head, const std::string& path) const {
    if (page.find("{{") == std::string::npos) return;
    size_t count = 0;
    {
        std::lock_guard<std::mutex> lock(mu_);
        for (const std::string& entry : log_) {
            std::istringstream line(entry.substr(0, entry.find("\r\n")));
            std::string method, target;
            line >> method >> target;
            if (target.substr(0, target.find('?')) == path) ++count;
        }
    }
    std::string host = HostOf(head);
    if (host.empty()) host = "127.0.0.1:" + std::to_string(port_);
    ReplaceAll(page, "{{host}}", host);
    ReplaceAll(page, "{{count}}", std::to_string(count));
}

TestServer::TestServer(std::string root) : root_(std::move(root)) {}

TestServer::~TestServer() { Stop(); }

bool TestServer::Start(uint16_t port) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listenFd_ < 0) return false;
    int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listenFd_, 64) != 0) {
        ::close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    secondFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (secondFd_ >= 0) {
        ::setsockopt(secondFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        addr.sin_addr.s_addr = htonl(0x7F000002);
        if (::bind(secondFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(secondFd_, 64) != 0) {
            ::close(secondFd_);
            secondFd_ = -1;
        }
    }
    acceptThread_ = std::thread([this] { AcceptLoop(); });
    return true;
}

void TestServer::Stop() {
    if (listenFd_ < 0) return;
    stopping_ = true;
    ::shutdown(listenFd_, SHUT_RDWR);
    if (acceptThread_.joinable()) acceptThread_.join();
    ::close(listenFd_);
    listenFd_ = -1;
    if (secondFd_ >= 0) ::close(secondFd_);
    secondFd_ = -1;
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(mu_);
        for (int fd : openFds_) ::shutdown(fd, SHUT_RDWR);
        workers.swap(workers_);
    }
    for (auto& t : workers) t.join();
}

void TestServer::AcceptLoop() {
    while (!stopping_) {
        pollfd p[2] = {{listenFd_, POLLIN, 0}, {secondFd_, POLLIN, 0}};
        if (::poll(p, secondFd_ >= 0 ? 2 : 1, 100) <= 0) continue;
        for (const pollfd& one : p) {
            if (one.fd < 0 || !(one.revents & POLLIN)) continue;
            const int fd = ::accept(one.fd, nullptr, nullptr);
            if (fd < 0) continue;
            std::lock_guard<std::mutex> lock(mu_);
            openFds_.push_back(fd);
            workers_.emplace_back([this, fd] { Serve(fd); });
        }
    }
}

void TestServer::Serve(int fd) {
    std::string buffer;
    char chunk[4096];
    bool keepOpen = true;
    while (keepOpen && !stopping_) {
        size_t headEnd;
        while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0) {
                keepOpen = false;
                break;
            }
            buffer.append(chunk, static_cast<size_t>(n));
        }
        if (!keepOpen) break;
        const std::string head = buffer.substr(0, headEnd + 2);
        buffer.erase(0, headEnd + 4);
        size_t bodyLen = 0;
        const std::string lowerHead = Lower(head);
        const size_t cl = lowerHead.find("\r\ncontent-length:");
        if (cl != std::string::npos) bodyLen = std::strtoul(head.c_str() + cl + 17, nullptr, 10);
        while (buffer.size() < bodyLen) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0) break;
            buffer.append(chunk, static_cast<size_t>(n));
        }
        const std::string body = buffer.substr(0, std::min(bodyLen, buffer.size()));
        buffer.erase(0, body.size());
        keepOpen = Handle(fd, head, body) && lowerHead.find("\r\nconnection: close") == std::string::npos;
    }
    ::shutdown(fd, SHUT_RDWR);
    std::lock_guard<std::mutex> lock(mu_);
    openFds_.erase(std::remove(openFds_.begin(), openFds_.end(), fd), openFds_.end());
    ::close(fd);
}

bool TestServer::Handle(int fd, const std::string& head, const std::string& body) {
    const size_t lineEnd = head.find("\r\n");
    const std::string requestLine = head.substr(0, lineEnd);
    std::istringstream rl(requestLine);
    std::string method, target, version;
    rl >> method >> target >> version;
    const size_t q = target.find('?');
    const std::string path = target.substr(0, q);
    const std::string query = q == std::string::npos ? "" : target.substr(q + 1);

    if (path.starts_with("/__ctl/")) {
        const auto args = ParseQuery(query);
        std::string reply;
        if (path == "/__ctl/reset") {
            Reset();
            reply = Reply(200, "OK", "reset\n");
        } else if (path == "/__ctl/log") {
            reply = Reply(200, "OK", Log());
        } else if (path == "/__ctl/route") {
            Route route;
            auto p = args.find("path");
            auto k = args.find("kind");
            if (p == args.end() || (k != args.end() && !ParseKind(k->second, route.kind))) {
                reply = Reply(400, "Bad Request", "need path and a known kind\n");
            } else {
                route.body = body;
                if (auto e = args.find("extra"); e != args.end()) route.extra = std::strtoul(e->second.c_str(), nullptr, 10);
                SetRoute(p->second, route);
                reply = Reply(200, "OK", "route set\n");
            }
        } else {
            reply = Reply(404, "Not Found", "unknown control\n");
        }
        return SendAll(fd, reply);
    }

    Route route;
    bool found = false;
    {
        std::lock_guard<std::mutex> lock(mu_);
        log_.push_back(head + "\r\n");
        auto it = routes_.find(path);
        if (it != routes_.end()) {
            route = it->second;
            found = true;
        }
    }
    if (found && route.kind == Kind::Delay) {
        if (!WaitWhileConnected(fd, route.extra ? static_cast<int>(route.extra) : 3000)) return false;
        if (route.body.empty()) found = false;
    }
    // The stand-in of the platform answers its login form itself.
    if (!found && !root_.empty() && path == kStandinLoginPath) {
        const size_t h = Lower(head).find("\r\nhost:");
        std::string host = "127.0.0.1:" + std::to_string(port_);
        if (h != std::string::npos) {
            const size_t start = head.find_first_not_of(' ', h + 7);
            host = head.substr(start, head.find("\r\n", start) - start);
        }
        const auto form = ParseQuery(method == "POST" ? body : query);
        return SendAll(fd, Reply(200, "OK", StandinLoginAnswer(form, host), "text/html; charset=utf-8"));
    }
    std::error_code fileError;
    if (!found && !root_.empty() && path.find("..") == std::string::npos &&
        std::filesystem::is_regular_file(root_ + path, fileError)) {
        std::ifstream f(root_ + path, std::ios::binary);
        if (f) {
            std::ostringstream ss;
            ss << f.rdbuf();
            route.body = ss.str();
            found = true;
            if (path.ends_with(".htm") || path.ends_with(".html")) FillPage(route.body, head, path);
        }
    }
    if (found && journeySeconds_ >= 0 && path == kStandinLoginPage) {
        std::lock_guard<std::mutex> lock(mu_);
        route.body = StandinJourneyPage(std::move(route.body), journeyVisits_++, journeySeconds_);
    }
    if (!found) route.kind = Kind::NotFound;

    switch (route.kind) {
        case Kind::Ok:
        case Kind::Delay:
            return SendAll(fd, Reply(200, "OK", route.body, "application/octet-stream"));
        case Kind::NotFound:
            return SendAll(fd, Reply(404, "Not Found", "not found\n"));
        case Kind::Error500:
            return SendAll(fd, Reply(500, "Internal Server Error", route.body));
        case Kind::Chunked: {
            std::string out = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
            for (size_t i = 0; i < route.body.size(); i += 1000) {
                const std::string part = route.body.substr(i, 1000);
                char size[32];
                std::snprintf(size, sizeof size, "%zx\r\n", part.size());
                out += size + part + "\r\n";
            }
            out += "0\r\n\r\n";
            return SendAll(fd, out);
        }
        case Kind::Short:
            SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(route.body.size() + route.extra) +
                            "\r\n\r\n" + route.body);
            return false;
        case Kind::Stall: {
            const size_t sent = route.extra ? std::min(route.extra, route.body.size()) : route.body.size() / 2;
            SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(route.body.size()) + "\r\n\r\n" +
                            route.body.substr(0, sent));
            while (WaitWhileConnected(fd, 100)) {
            }
            return false;
        }
        case Kind::Redirect: {
            const int status = route.extra ? static_cast<int>(route.extra) : 302;
            const std::string page = "<html>moved</html>";
            return SendAll(fd, "HTTP/1.1 " + std::to_string(status) + " Moved\r\nLocation: " + route.body +
                                   "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(page.size()) +
                                   "\r\n\r\n" + page);
        }
        case Kind::Drip: {
            const int gap = route.extra ? static_cast<int>(route.extra) : 1000;
            if (!SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(route.body.size()) + "\r\n\r\n"))
                return false;
            for (char c : route.body) {
                if (!WaitWhileConnected(fd, gap) || !SendAll(fd, std::string(1, c))) return false;
            }
            return true;
        }
        case Kind::Under:
            SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(route.extra) + "\r\nConnection: close\r\n\r\n" +
                            route.body);
            return false;
        case Kind::Hang:
            while (WaitWhileConnected(fd, 100)) {
            }
            return false;
        case Kind::Close:
            return false;
        case Kind::NoLength:
            SendAll(fd, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + route.body);
            return false;
    }
    return false;
}

bool TestServer::WaitWhileConnected(int fd, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!stopping_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return true;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 100))) > 0) {
            char c;
            if (::recv(fd, &c, 1, MSG_PEEK) <= 0) return false;  // the client went away
            std::this_thread::sleep_for(std::chrono::milliseconds(10));  // it spoke: do not spin
        }
    }
    return false;
}

void TestServer::SetRoute(const std::string& path, Route route) {
    std::lock_guard<std::mutex> lock(mu_);
    routes_[path] = std::move(route);
}

void TestServer::Reset() {
    std::lock_guard<std::mutex> lock(mu_);
    routes_.clear();
    log_.clear();
}

std::string TestServer::Log() const {
    std::lock_guard<std::mutex> lock(mu_);
    std::string out;
    for (const auto& entry : log_) out += entry;
    return out;
}

std::vector<std::string> TestServer::RequestLines() const {
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<std::string> out;
    for (const auto& entry : log_) out.push_back(entry.substr(0, entry.find("\r\n")));
    return out;
}

}  // namespace mrvn::test
