#include "net/http_transfer.h"

#include <algorithm>
#include <optional>

#include "net/http_rules.h"

namespace mrvn {

namespace {

void CloseNet(HttpSession& session, std::atomic<NetHandle>& slot) {
    if (const NetHandle h = slot.exchange(0)) session.Close(h);
}

// The absolute deadline of a transfer starting now, on the session's clock; 0 when unbounded.
uint64_t DeadlineOf(HttpSession& session, const TransferLimits& limits) {
    return limits.overallMs ? session.NowMs() + limits.overallMs : 0;
}

// Opens what is not open yet of the three handles and sends the request, keeping each handle in
// `h` as soon as it exists. The root handle serves every hop of a redirected transfer.
bool OpenAndSend(HttpSession& session, TransferHandles& h, const HttpTarget& target, uint64_t deadline,
                 uint32_t idleMs) {
    if (h.cancelled.load()) return false;
    if (deadline && session.NowMs() >= deadline) return false;
    if (!h.root.load()) h.root.store(session.Open(kHttpAgent, kHttpAccessType));
    if (!h.root.load() || h.cancelled.load()) return false;
    h.connection.store(session.Connect(h.root.load(), target.host, target.port));
    if (!h.connection.load() || h.cancelled.load()) return false;
    h.request.store(session.OpenRequest(h.connection.load(), kHttpVerb, target.object, kHttpVersion,
                                        kHttpRequestFlags));
    if (!h.request.load() || h.cancelled.load()) return false;
    session.SetTimeLimits(h.request.load(), deadline, idleMs);
    // Every hop carries the same block: it is part of what the platform's servers expect.
    return session.Send(h.request.load(), kHttpExtraHeaders) && !h.cancelled.load();
}

// Steps shared by the file and memory shapes: allow-list, split, open, send, redirects, status and
// length. A redirect is followed by a fresh request on a fresh connection, under the same rules.
bool BeginGet(HttpSession& session, TransferHandles& h, const std::wstring& address,
              const std::vector<std::wstring>* allowList, const std::vector<std::wstring>* redirectAllowList,
              const TransferLimits& limits, uint32_t& length) {
    if (allowList && !IsPlatformUrl(address, *allowList)) return false;
    const std::vector<std::wstring>* hopList = allowList ? allowList : redirectAllowList;
    const uint64_t deadline = DeadlineOf(session, limits);
    std::wstring current = address;
    for (int redirects = 0;; ++redirects) {
        // The scheme is not examined here: the allow-list, or a fixed address, vouches for it.
        HttpTarget target;
        if (!SplitHttpUrl(current.substr(std::min(current.size(), kHttpSchemeChars)), target)) return false;
        if (!OpenAndSend(session, h, target, deadline, limits.idleMs)) return false;
        uint32_t status = 0;
        if (!session.QueryStatusCode(h.request.load(), status)) return false;
        if (!IsRedirectStatus(status)) {
            if (!IsAcceptedStatus(status)) return false;
            // A reply without Content-Length (chunked, for one) cannot be checked for completeness.
            return session.QueryContentLength(h.request.load(), length);
        }
        // A redirect that cannot be followed is no answer: its body is not what was asked for.
        std::wstring location;
        if (redirects == kMaxRedirects || !session.QueryLocation(h.request.load(), location)) return false;
        current = ResolveRedirect(current, location);
        if (current.empty() || (hopList && !IsPlatformUrl(current, *hopList))) return false;
        CloseNet(session, h.request);
        CloseNet(session, h.connection);
    }
}

}  // namespace

ProgressFn OnPercentChange(ProgressFn progress) {
    if (!progress) return {};
    return [progress = std::move(progress), last = std::optional<uint32_t>()](uint32_t percent) mutable {
        if (last == percent) return;
        last = percent;
        progress(percent);
    };
}

void TransferHandles::CloseAll(HttpSession& session, FileSink* sink) {
    if (sink) {
        if (const FileHandle f = file.exchange(0)) sink->Close(f);
    }
    CloseNet(session, request);
    CloseNet(session, connection);
    CloseNet(session, root);
}

void TransferHandles::Cancel(HttpSession& session, FileSink* sink) {
    cancelled.store(true);
    CloseAll(session, sink);
}

bool HttpPing(HttpSession& session, const std::wstring& address, uint32_t* lastError, TransferLimits limits) {
    uint32_t error = 0;
    bool ok = false;
    const uint64_t deadline = DeadlineOf(session, limits);
    NetHandle root = 0;
    std::wstring current = address;
    for (int redirects = 0;; ++redirects) {
        // Every hop is plain http: a redirect elsewhere resolves to nothing.
        HttpTarget target;
        if (!HasHttpScheme(current) || !SplitHttpUrl(current.substr(kHttpSchemeChars), target)) break;
        if (deadline && session.NowMs() >= deadline) break;
        if (!root && !(root = session.Open(kHttpAgent, kHttpAccessType))) break;
        const NetHandle conn = session.Connect(root, target.host, target.port);
        if (!conn) {
            error = session.LastError();
            break;
        }
        std::wstring next;
        if (const NetHandle req =
                session.OpenRequest(conn, kHttpVerb, target.object, kHttpVersion, kHttpRequestFlags)) {
            session.SetTimeLimits(req, deadline, limits.idleMs);
            ok = session.Send(req, kHttpExtraHeaders);
            if (!ok) error = session.LastError();
            // The answer itself is nobody's business, but a moved report goes on to where it went.
            uint32_t status = 0;
            if (ok && session.QueryStatusCode(req, status) && IsRedirectStatus(status)) {
                std::wstring location;
                ok = redirects < kMaxRedirects && session.QueryLocation(req, location) &&
                     !(next = ResolveRedirect(current, location)).empty();
            }
            session.Close(req);
        }
        session.Close(conn);
        if (next.empty()) break;
        ok = false;
        current = next;
    }
    if (root) session.Close(root);
    if (lastError) *lastError = error;
    return ok;
}

bool HttpDownloadToFile(HttpSession& session, FileSink& sink, const std::wstring& address, const std::wstring& path,
                        const DownloadOptions& options) {
    if (options.chunk == 0 || options.chunk > kMaxChunkBytes) return false;
    TransferHandles own;
    TransferHandles& h = options.shared ? *options.shared : own;

    bool ok = false;
    uint32_t length = 0;
    if (BeginGet(session, h, address, options.allowList, options.redirectAllowList, options.limits, length) &&
        (options.maxLength == 0 || length <= options.maxLength)) {
        h.file.store(sink.Create(path));
        if (h.file.load() && !h.cancelled.load()) {
            unsigned char buffer[kMaxChunkBytes];
            uint64_t total = 0;
            bool broken = false;
            for (;;) {
                uint32_t got = 0;
                const NetHandle req = h.request.load();
                if (!req || !session.Read(req, buffer, options.chunk, got)) break;
                got = std::min(got, options.chunk);
                const FileHandle file = h.file.load();
                if (got > 0 && (!file || !sink.Write(file, buffer, got))) {
                    broken = true;  // a file that misses bytes must not pass as complete
                    break;
                }
                total += got;
                if (options.maxLength && total > options.maxLength) {
                    broken = true;  // more than announced, and more than this use takes
                    break;
                }
                if (options.progress) options.progress(ProgressPercent(total, length));
                if (got == 0 || h.cancelled.load()) break;
                if (session.SetFilePointer(req, static_cast<uint32_t>(total)) == 0) break;
            }
            ok = !broken && total >= length;
        }
        // The sink may hold the last bytes back until the close: a failed close is a short file.
        if (const FileHandle f = h.file.exchange(0); f && !sink.Close(f)) ok = false;
    }
    h.CloseAll(session, &sink);
    return ok && !h.cancelled.load();
}

bool HttpFetchToMemory(HttpSession& session, CodePage& codePage, const std::wstring& address,
                       const std::vector<std::wstring>& allowList, std::wstring& text, TransferLimits limits) {
    TransferHandles h;
    bool ok = false;
    uint32_t length = 0;
    if (BeginGet(session, h, address, &allowList, nullptr, limits, length) && length < kMemoryBodyLimit) {
        std::string body(length, '\0');
        uint32_t total = 0;
        // One read normally brings it all; a body cut short must not pass as the whole notice.
        while (total < length) {
            uint32_t got = 0;
            if (!session.Read(h.request.load(), body.data() + total, length - total, got) || got == 0) break;
            total += std::min(got, length - total);
        }
        if (total == length) {
            std::wstring wide = codePage.FromAnsi(body);
            if (wide.size() > kMemoryBodyLimit - 1) wide.resize(kMemoryBodyLimit - 1);
            text = std::move(wide);
            ok = true;
        }
    }
    h.CloseAll(session, nullptr);
    return ok;
}

}  // namespace mrvn
