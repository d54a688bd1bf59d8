// The one GET procedure in its three shapes: send only, body to a file, short body to memory.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/file_io.h"
#include "platform/http_session.h"

namespace mrvn {

// Receives the percentage after each chunk.
using ProgressFn = std::function<void(uint32_t percent)>;

// `progress` called only when the percentage differs from the one it was last given: a dialog
// shows nothing new for the other chunks. Empty stays empty.
ProgressFn OnPercentChange(ProgressFn progress);

// The open handles of one transfer (one object per transfer). A cancellable download shares them
// with its owning dialog, so that the dialog can close them while the worker blocks in a read.
// Every release goes through an exchange with 0, so whichever side comes second finds nothing left
// to close. The dialog cancels and then waits for the worker instead of killing it: a handle the
// worker opens after the cancel is released by the worker itself on its way out.
struct TransferHandles {
    std::atomic<NetHandle> root{0};
    std::atomic<NetHandle> connection{0};
    std::atomic<NetHandle> request{0};
    std::atomic<FileHandle> file{0};
    std::atomic<bool> cancelled{false};

    // Closes the file (when `sink` is given), then request, connection and root, each if still open.
    void CloseAll(HttpSession& session, FileSink* sink);
    // The owner's side: marks the transfer failed, then closes everything still open.
    void Cancel(HttpSession& session, FileSink* sink);
};

// Chunks are read through a stack buffer of this size at most.
inline constexpr uint32_t kMaxChunkBytes = 4096;

// How long a transfer may keep its caller: `overallMs` for the whole of it, redirects included,
// and `idleMs` for any one wait on the server (a download goes on while bytes arrive). 0: no bound.
struct TransferLimits {
    uint32_t overallMs = 0;
    uint32_t idleMs = 0;
};
// Small texts: configurations, the notice, reports.
inline constexpr TransferLimits kSmallTextLimits{15000, 0};
// Downloads under a progress dialog, which can always be cancelled as well.
inline constexpr TransferLimits kProgressDownloadLimits{0, 30000};

struct DownloadOptions {
    const std::vector<std::wstring>* allowList = nullptr;  // null: no allow-list test
    // Redirect targets only: a fixed first address that must not be led off the platform.
    const std::vector<std::wstring>* redirectAllowList = nullptr;
    uint32_t chunk = 512;
    ProgressFn progress;                // empty: no progress
    TransferHandles* shared = nullptr;  // null: the transfer keeps its handles to itself
    TransferLimits limits = kSmallTextLimits;
    uint32_t maxLength = 0;  // a larger body is refused before the file is made; 0: no bound
};

// Sends the request and reads nothing of the answer but its status: a redirect is followed like a
// transfer's (up to kMaxRedirects in a row, each target an "http://" address, the same header block),
// so a report reaches a host that has moved. The address must start with "http://". Fails on a
// failed call, a time bound passed, or a redirect that cannot be followed. `lastError` (when given)
// receives the code of the failed call, 0 when none.
bool HttpPing(HttpSession& session, const std::wstring& address, uint32_t* lastError = nullptr,
              TransferLimits limits = kSmallTextLimits);

// The body into `path`. Redirects are followed up to kMaxRedirects in a row, each target tested
// against the allow-list, or the redirect allow-list, when there is one. Fails on a refused address, any failed call, a time
// bound passed, a 404 or 0 status, a missing Content-Length, a body over `maxLength`, a failed file
// write, a cancel, or a body shorter than announced; a partial file stays on disk for the caller.
bool HttpDownloadToFile(HttpSession& session, FileSink& sink, const std::wstring& address, const std::wstring& path,
                        const DownloadOptions& options);

// A body below 1024 bytes, read as ANSI text into `text` (at most 1023 characters). Always tested
// against the allow-list, redirects included. `text` is only written on success.
bool HttpFetchToMemory(HttpSession& session, CodePage& codePage, const std::wstring& address,
                       const std::vector<std::wstring>& allowList, std::wstring& text,
                       TransferLimits limits = kSmallTextLimits);

}  // namespace mrvn
