#include "net/http_transfer.h"

#include <algorithm>
#include <optional>

#include "net/http_rules.h"

namespace mrvn {

namespace {

void CloseNet(HttpSession& session, std::atomic<NetHandle>& slot) {
    if (const NetHandle h = slot.exchange(0)) session.Close(h);
}

// Opens the three handles and sends the request, keeping each handle in `h` as soon as it exists.
bool OpenAndSend(HttpSession& session, TransferHandles& h, const HttpTarget& target) {
    h.root.store(session.Open(kHttpAgent, kHttpAccessType));
    if (!h.root.load() || h.cancelled.load()) return false;
    h.connection.store(session.Connect(h.root.load(), target.host, target.port));
    if (!h.connection.load() || h.cancelled.load()) return false;
    h.request.store(session.OpenRequest(h.connection.load(), kHttpVerb, target.object, kHttpVersion,
                                        kHttpRequestFlags));
    if (!h.request.load() || h.cancelled.load()) return false;
    return session.Send(h.request.load(), kHttpExtraHeaders) && !h.cancelled.load();
}

// Steps shared by the file and memory shapes: allow-list, split, open, send, status and length.
bool BeginGet(HttpSession& session, TransferHandles& h, const std::wstring& address,
              const std::vector<std::wstring>* allowList, uint32_t& length) {
    if (allowList && !IsPlatformUrl(address, *allowList)) return false;
    // The scheme is not examined here: the allow-list, or a fixed address, vouches for it.
    HttpTarget target;
    if (!SplitHttpUrl(address.substr(std::min(address.size(), kHttpSchemeChars)), target)) return false;
    if (!OpenAndSend(session, h, target)) return false;
    uint32_t status = 0;
    if (!session.QueryStatusCode(h.request.load(), status) || !IsAcceptedStatus(status)) return false;
    // A reply without Content-Length (chunked, for one) cannot be checked for completeness.
    return session.QueryContentLength(h.request.load(), length);
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

bool HttpPing(HttpSession& session, const std::wstring& address, uint32_t* lastError) {
    uint32_t error = 0;
    bool ok = false;
    HttpTarget target;
    if (HasHttpScheme(address) && SplitHttpUrl(address.substr(kHttpSchemeChars), target)) {
        if (const NetHandle root = session.Open(kHttpAgent, kHttpAccessType)) {
            if (const NetHandle conn = session.Connect(root, target.host, target.port)) {
                if (const NetHandle req =
                        session.OpenRequest(conn, kHttpVerb, target.object, kHttpVersion, kHttpRequestFlags)) {
                    ok = session.Send(req, kHttpExtraHeaders);
                    if (!ok) error = session.LastError();
                    session.Close(req);
                }
                session.Close(conn);
            } else {
                error = session.LastError();
            }
            session.Close(root);
        }
    }
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
    if (BeginGet(session, h, address, options.allowList, length)) {
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
                if (options.progress) options.progress(ProgressPercent(total, length));
                if (got == 0 || h.cancelled.load()) break;
                if (session.SetFilePointer(req, static_cast<uint32_t>(total)) == 0) break;
            }
            ok = !broken && total >= length;
        }
        if (const FileHandle f = h.file.exchange(0)) sink.Close(f);
    }
    h.CloseAll(session, &sink);
    return ok && !h.cancelled.load();
}

bool HttpFetchToMemory(HttpSession& session, CodePage& codePage, const std::wstring& address,
                       const std::vector<std::wstring>& allowList, std::wstring& text) {
    TransferHandles h;
    bool ok = false;
    uint32_t length = 0;
    if (BeginGet(session, h, address, &allowList, length) && length < kMemoryBodyLimit) {
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
