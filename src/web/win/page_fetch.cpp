#include "web/win/page_fetch.h"

#include <wininet.h>

#include <algorithm>
#include <vector>

#include "platform/win32/worker_thread.h"
#include "web/url.h"

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

bool Expired(ULONGLONG deadline) { return deadline && ::GetTickCount64() >= deadline; }

// What is left of the deadline for any one wait of WinINet's, and at most the session's own limit.
void LimitWaits(HINTERNET h, ULONGLONG deadline) {
    if (!deadline) return;
    const ULONGLONG now = ::GetTickCount64();
    DWORD ms = DWORD(std::min<ULONGLONG>(15000, deadline > now ? deadline - now : 1));
    ::InternetSetOptionW(h, INTERNET_OPTION_CONNECT_TIMEOUT, &ms, sizeof ms);
    ::InternetSetOptionW(h, INTERNET_OPTION_SEND_TIMEOUT, &ms, sizeof ms);
    ::InternetSetOptionW(h, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms);
}

// A browser gives up after this many redirects in a row.
constexpr int kMaxRedirects = 20;

bool IsRedirect(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// One request, no redirect followed: a redirect's target comes back in `location`.
FetchReply FetchOnce(const std::wstring& url, const std::string* postBody, const std::wstring& headers,
                     ULONGLONG deadline, std::wstring& location) {
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
    // Redirects are ours to follow: WinINet's own following leaves the final address to
    // INTERNET_OPTION_URL, which Wine garbles past about 2,048 characters.
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION |
                  INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
    const wchar_t* accept[] = {L"*/*", nullptr};
    InetHandle request(::HttpOpenRequestW(connection.h, postBody ? L"POST" : L"GET", object.c_str(), nullptr, nullptr,
                                          accept, flags, 0));
    if (!request.h) {
        reply.error = ::GetLastError();
        return reply;
    }
    LimitWaits(request.h, deadline);
    void* data = postBody ? const_cast<char*>(postBody->data()) : nullptr;
    const DWORD dataSize = postBody ? DWORD(postBody->size()) : 0;
    if (!::HttpSendRequestW(request.h, headers.empty() ? nullptr : headers.c_str(), DWORD(headers.size()), data,
                            dataSize)) {
        reply.error = ::GetLastError();
        return reply;
    }
    if (Expired(deadline)) {
        reply.error = ERROR_INTERNET_TIMEOUT;
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
    if (IsRedirect(status)) {
        location = QueryText(request.h, HTTP_QUERY_LOCATION);
        if (!location.empty()) return reply;
    }

    char buf[8192];
    for (;;) {
        DWORD got = 0;
        if (!::InternetReadFile(request.h, buf, sizeof buf, &got) || got == 0) break;
        // A page that keeps trickling in past the deadline is not waited for.
        if (Expired(deadline)) {
            reply.answered = false;
            reply.error = ERROR_INTERNET_TIMEOUT;
            reply.body.clear();
            return reply;
        }
        if (reply.body.size() + got > kMaxFetchBytes) {
            reply.body.append(buf, kMaxFetchBytes - reply.body.size());
            break;
        }
        reply.body.append(buf, got);
    }
    return reply;
}

}  // namespace

FetchReply FetchUrl(const std::wstring& url, const std::string* postBody, const std::wstring& headers,
                    ULONGLONG deadline) {
    std::wstring current = url;
    const std::string* body = postBody;
    std::wstring extra = headers;
    for (int hop = 0;; ++hop) {
        std::wstring location;
        FetchReply reply = FetchOnce(current, body, extra, deadline, location);
        if (location.empty()) return reply;
        if (hop == kMaxRedirects) {
            reply.answered = false;
            reply.error = ERROR_HTTP_REDIRECT_FAILED;
            return reply;
        }
        // The address is taken whole, however long: the page's links resolve against it.
        current = ResolveUrl(current, location);
        // 303, and 301 or 302 after a form, go on without the form, as browsers do.
        if (reply.status == 303 || (body && (reply.status == 301 || reply.status == 302))) {
            body = nullptr;
            extra.clear();
        }
    }
}

std::shared_ptr<FetchJob> FetchJob::Start(std::vector<Order> orders, ULONGLONG deadline, HWND notify, UINT msg) {
    static std::atomic<WPARAM> lastNumber{0};
    auto job = std::make_shared<FetchJob>();
    job->orders_ = std::move(orders);
    job->deadline_ = deadline;
    job->notify_ = notify;
    job->msg_ = msg;
    job->number_ = ++lastNumber;
    // The thread holds the job until it is done, whoever else lets go of it.
    if (!win::StartDetached([job] { job->Run(); })) {
        for (size_t i = 0; i < job->orders_.size(); ++i) {
            FetchReply failed;
            failed.error = ERROR_NOT_ENOUGH_MEMORY;
            failed.finalUrl = job->orders_[i].url;
            job->replies_.push_back(std::move(failed));
        }
        job->done_.store(true, std::memory_order_release);
        ::PostMessageW(notify, msg, job->number_, 0);
    }
    return job;
}

void FetchJob::Run() {
    for (const Order& order : orders_)
        replies_.push_back(FetchUrl(order.url, order.post ? &order.body : nullptr, order.headers, deadline_));
    done_.store(true, std::memory_order_release);
    // Only a message: the window may be gone by now, and then nothing receives it.
    ::PostMessageW(notify_, msg_, number_, 0);
}

}  // namespace mrvn::web
