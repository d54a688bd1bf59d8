#include "web/win/page_fetch.h"

#include <wininet.h>

#include <vector>

namespace mrvn::web {

namespace {

struct InetHandle {
    HINTERNET h = nullptr;
    explicit InetHandle(HINTERNET handle) : h(handle) {}
    ~InetHandle() {
        if (h) ::InternetCloseHandle(h);
    }
    InetHandle(const InetHandle&) = delete;
    InetHandle& operator=(const InetHandle&) = delete;
};

// One session for the process: WinINet keeps cookies per process, and a browser sends them back.
HINTERNET Session() {
    static HINTERNET session = [] {
        HINTERNET s = ::InternetOpenW(L"Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 6.1)",
                                      INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        if (s) {
            DWORD ms = 15000;
            ::InternetSetOptionW(s, INTERNET_OPTION_CONNECT_TIMEOUT, &ms, sizeof ms);
            ::InternetSetOptionW(s, INTERNET_OPTION_SEND_TIMEOUT, &ms, sizeof ms);
            ::InternetSetOptionW(s, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms);
        }
        return s;
    }();
    return session;
}

std::wstring QueryText(HINTERNET request, DWORD what) {
    std::vector<wchar_t> buf(256);
    DWORD size = DWORD(buf.size() * sizeof(wchar_t));
    if (!::HttpQueryInfoW(request, what, buf.data(), &size, nullptr)) {
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return L"";
        buf.assign(size / sizeof(wchar_t) + 1, 0);
        if (!::HttpQueryInfoW(request, what, buf.data(), &size, nullptr)) return L"";
    }
    return std::wstring(buf.data(), size / sizeof(wchar_t));
}

}  // namespace

FetchReply FetchUrl(const std::wstring& url, const std::string* postBody, const std::wstring& headers) {
    FetchReply reply;
    reply.finalUrl = url;
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
    if (!Session() || !::InternetCrackUrlW(url.c_str(), DWORD(url.size()), 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)) {
        reply.error = Session() ? ERROR_INTERNET_UNRECOGNIZED_SCHEME : ::GetLastError();
        return reply;
    }
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring object(parts.lpszUrlPath, parts.dwUrlPathLength);
    object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    // The fragment names a place in the page; it is never sent.
    if (size_t hash = object.find(L'#'); hash != std::wstring::npos) object.erase(hash);
    if (object.empty()) object = L"/";

    InetHandle connection(
        ::InternetConnectW(Session(), host.c_str(), parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection.h) {
        reply.error = ::GetLastError();
        return reply;
    }
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION |
                  INTERNET_FLAG_NO_UI;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
    const wchar_t* accept[] = {L"*/*", nullptr};
    InetHandle request(::HttpOpenRequestW(connection.h, postBody ? L"POST" : L"GET", object.c_str(), nullptr, nullptr,
                                          accept, flags, 0));
    if (!request.h) {
        reply.error = ::GetLastError();
        return reply;
    }
    void* data = postBody ? const_cast<char*>(postBody->data()) : nullptr;
    const DWORD dataSize = postBody ? DWORD(postBody->size()) : 0;
    if (!::HttpSendRequestW(request.h, headers.empty() ? nullptr : headers.c_str(), DWORD(headers.size()), data,
                            dataSize)) {
        reply.error = ::GetLastError();
        return reply;
    }
    DWORD status = 0, size = sizeof status;
    if (!::HttpQueryInfoW(request.h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
        reply.error = ::GetLastError();
        return reply;
    }
    reply.answered = true;
    reply.status = status;
    const std::wstring type = QueryText(request.h, HTTP_QUERY_CONTENT_TYPE);
    for (wchar_t c : type) reply.contentType += c < 0x80 ? char(c) : '?';
    std::vector<wchar_t> where(2048);
    DWORD whereSize = DWORD(where.size() * sizeof(wchar_t));
    if (::InternetQueryOptionW(request.h, INTERNET_OPTION_URL, where.data(), &whereSize))
        reply.finalUrl.assign(where.data());

    char buf[8192];
    for (;;) {
        DWORD got = 0;
        if (!::InternetReadFile(request.h, buf, sizeof buf, &got) || got == 0) break;
        if (reply.body.size() + got > kMaxFetchBytes) {
            reply.body.append(buf, kMaxFetchBytes - reply.body.size());
            break;
        }
        reply.body.append(buf, got);
    }
    return reply;
}

}  // namespace mrvn::web
