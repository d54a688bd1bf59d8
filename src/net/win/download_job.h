// A download under a progress dialog, on two threads: one transfers, one waits for it and reports
// the result (1 whole body, 2 anything else). The dialog hosts it; it also runs without one. The
// update's download is one; a game client's is another.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "net/http_transfer.h"
#include "net/update_rules.h"
#include "platform/win32/worker_thread.h"

namespace mrvn::net {

// The transfer itself, on the worker: it reports progress and registers its open handles in
// `handles`, so that a cancel can close them. True for a whole body.
using DownloadWork = std::function<bool(const ProgressFn& progress, TransferHandles* handles)>;

class DownloadJob {
public:
    DownloadJob(HttpSession& session, FileSink& sink, DownloadWork work);
    virtual ~DownloadJob();
    DownloadJob(const DownloadJob&) = delete;
    DownloadJob& operator=(const DownloadJob&) = delete;

    // `done` runs on the wait thread with the result; `progressTarget` (may be null) receives
    // PBM_SETPOS with the percentage.
    bool Start(HWND progressTarget, std::function<void(int result)> done);
    // The same with the percentages handed to `progress` on the worker, each one once.
    bool Start(ProgressFn progress, std::function<void(int result)> done);
    // Ends the transfer early: closes whatever it holds open, then waits for both threads.
    void Cancel();
    // Waits for the wait thread; returns 1 on a whole download, 2 otherwise.
    int Wait();

private:
    HttpSession& session_;
    FileSink& sink_;
    DownloadWork work_;
    TransferHandles handles_;
    std::function<void(int)> done_;
    win::WorkerThread downloadThread_;
    win::WorkerThread waitThread_;
    volatile LONG success_ = 0;
    volatile LONG result_ = 2;
};

// The download of a new release from `address`.
class UpdateJob : public DownloadJob {
public:
    UpdateJob(Updater& updater, HttpSession& session, FileSink& sink, std::wstring address);
};

}  // namespace mrvn::net
