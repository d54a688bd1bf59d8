#include "net/win/download_job.h"

#include <commctrl.h>

namespace mrvn::net {

DownloadJob::DownloadJob(HttpSession& session, FileSink& sink, DownloadWork work)
    : session_(session), sink_(sink), work_(std::move(work)) {}

DownloadJob::~DownloadJob() { Cancel(); }

bool DownloadJob::Start(HWND progressTarget, std::function<void(int)> done) {
    ProgressFn progress;
    if (progressTarget) {
        progress = [progressTarget](uint32_t percent) { PostMessageW(progressTarget, PBM_SETPOS, percent, 0); };
    }
    return Start(std::move(progress), std::move(done));
}

bool DownloadJob::Start(ProgressFn progress, std::function<void(int)> done) {
    done_ = std::move(done);
    // One message per chunk cost seconds on a large release; the bar moves only by whole percents.
    progress = OnPercentChange(std::move(progress));
    const bool started = downloadThread_.Start([this, progress] {
        const bool ok = work_(progress, &handles_);
        InterlockedExchange(&success_, ok ? 1 : 0);
    });
    if (!started) return false;
    HANDLE download = downloadThread_.Handle();
    if (!waitThread_.Start([this, download] {
            WaitForSingleObject(download, INFINITE);
            const int result = success_ ? 1 : 2;
            InterlockedExchange(&result_, result);
            if (done_) done_(result);
        })) {
        Cancel();
        return false;
    }
    return true;
}

void DownloadJob::Cancel() {
    if (!downloadThread_.Handle()) return;
    // Closing the handles makes a blocked read return; the worker releases what it opens later.
    handles_.Cancel(session_, &sink_);
    waitThread_.Join();
    downloadThread_.Join();
}

int DownloadJob::Wait() {
    waitThread_.Join();
    return result_;
}

UpdateJob::UpdateJob(Updater& updater, HttpSession& session, FileSink& sink, std::wstring address)
    : DownloadJob(session, sink, [&updater, address = std::move(address)](const ProgressFn& progress,
                                                                           TransferHandles* handles) {
          return updater.DownloadUpdate(address, progress, handles);
      }) {}

}  // namespace mrvn::net
