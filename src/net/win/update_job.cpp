#include "net/win/update_job.h"

#include <commctrl.h>

namespace mrvn::win {

UpdateJob::UpdateJob(Updater& updater, HttpSession& session, FileSink& sink, std::wstring address)
    : updater_(updater), session_(session), sink_(sink), address_(std::move(address)) {}

UpdateJob::~UpdateJob() {
    Cancel();
}

bool UpdateJob::Start(HWND progressTarget, std::function<void(int)> done) {
    progressTarget_ = progressTarget;
    done_ = std::move(done);
    downloadThread_ = CreateThread(nullptr, 0, DownloadThread, this, 0, nullptr);
    if (!downloadThread_) return false;
    waitThread_ = CreateThread(nullptr, 0, WaitThread, this, 0, nullptr);
    if (!waitThread_) {
        Cancel();
        return false;
    }
    return true;
}

DWORD WINAPI UpdateJob::DownloadThread(void* param) {
    auto* self = static_cast<UpdateJob*>(param);
    const HWND target = self->progressTarget_;
    ProgressFn progress;
    // One message per chunk cost seconds on a large release; the bar moves only by whole percents.
    if (target) progress = OnPercentChange([target](uint32_t percent) { PostMessageW(target, PBM_SETPOS, percent, 0); });
    const bool ok = self->updater_.DownloadUpdate(self->address_, progress, &self->handles_);
    InterlockedExchange(&self->success_, ok ? 1 : 0);
    return 0;
}

DWORD WINAPI UpdateJob::WaitThread(void* param) {
    auto* self = static_cast<UpdateJob*>(param);
    WaitForSingleObject(self->downloadThread_, INFINITE);
    const int result = self->success_ ? 1 : 2;
    InterlockedExchange(&self->result_, result);
    if (self->done_) self->done_(result);
    return 0;
}

void UpdateJob::Cancel() {
    if (!downloadThread_) return;
    // Closing the handles makes a blocked read return; the worker releases what it opens later.
    handles_.Cancel(session_, &sink_);
    WaitForSingleObject(downloadThread_, INFINITE);
    if (waitThread_) WaitForSingleObject(waitThread_, INFINITE);
    CloseHandle(downloadThread_);
    if (waitThread_) CloseHandle(waitThread_);
    downloadThread_ = waitThread_ = nullptr;
}

int UpdateJob::Wait() {
    if (waitThread_) WaitForSingleObject(waitThread_, INFINITE);
    return result_;
}

}  // namespace mrvn::win
