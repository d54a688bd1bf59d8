#include "util/http_probe.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using SocketFd = SOCKET;
static void CloseSocket(SocketFd s) { closesocket(s); }
static bool Invalid(SocketFd s) { return s == INVALID_SOCKET; }
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
using SocketFd = int;
static void CloseSocket(SocketFd s) { ::close(s); }
static bool Invalid(SocketFd s) { return s < 0; }
#endif

#include <cstdio>
#include <cstdlib>

namespace mrvn::test {

namespace {

struct NetInit {
    NetInit() {
#ifdef _WIN32
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
#endif
    }
};

}  // namespace

std::string PercentEncode(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '/' || c == '~') {
            out.push_back(static_cast<char>(c));
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        }
    }
    return out;
}

ProbeReply HttpProbe(const std::string& host, uint16_t port, const std::string& method, const std::string& target,
                     const std::string& body) {
    static NetInit init;
    ProbeReply reply;
    SocketFd s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (Invalid(s)) return reply;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = inet_addr(host.c_str());
    if (::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        CloseSocket(s);
        return reply;
    }
    const std::string request = method + " " + target + " HTTP/1.1\r\nHost: " + host + ":" + std::to_string(port) +
                                "\r\nConnection: close\r\nContent-Length: " + std::to_string(body.size()) +
                                "\r\n\r\n" + body;
    size_t sent = 0;
    while (sent < request.size()) {
        const int n = static_cast<int>(::send(s, request.data() + sent, static_cast<int>(request.size() - sent), 0));
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    std::string data;
    char buf[4096];
    for (;;) {
        const int n = static_cast<int>(::recv(s, buf, sizeof buf, 0));
        if (n <= 0) break;
        data.append(buf, static_cast<size_t>(n));
    }
    CloseSocket(s);
    const size_t end = data.find("\r\n\r\n");
    if (end == std::string::npos || data.compare(0, 5, "HTTP/") != 0) return reply;
    reply.ok = true;
    reply.head = data.substr(0, end + 2);
    reply.body = data.substr(end + 4);
    const size_t sp = reply.head.find(' ');
    reply.status = sp == std::string::npos ? 0 : std::atoi(reply.head.c_str() + sp + 1);
    return reply;
}

bool SetServerRoute(uint16_t port, const std::string& path, const std::string& kind, const std::string& body,
                    size_t extra) {
    const std::string target = "/__ctl/route?path=" + PercentEncode(path) + "&kind=" + kind +
                               "&extra=" + std::to_string(extra);
    return HttpProbe("127.0.0.1", port, "PUT", target, body).status == 200;
}

bool ResetServer(uint16_t port) { return HttpProbe("127.0.0.1", port, "GET", "/__ctl/reset").status == 200; }

std::vector<std::vector<std::string>> SplitServerLog(const std::string& log) {
    std::vector<std::vector<std::string>> out;
    size_t pos = 0;
    while (pos < log.size()) {
        const size_t end = log.find("\r\n\r\n", pos);
        if (end == std::string::npos) break;
        std::vector<std::string> lines;
        for (size_t p = pos; p < end + 2;) {
            const size_t e = log.find("\r\n", p);
            lines.push_back(log.substr(p, e - p));
            p = e + 2;
        }
        out.push_back(std::move(lines));
        pos = end + 4;
    }
    return out;
}

std::vector<std::string> RequestLinesOf(const std::string& log) {
    std::vector<std::string> out;
    for (const auto& request : SplitServerLog(log)) out.push_back(request.front());
    return out;
}

std::string ServerLog(uint16_t port) { return HttpProbe("127.0.0.1", port, "GET", "/__ctl/log").body; }

}  // namespace mrvn::test
