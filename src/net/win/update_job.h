// The download of a new release on two threads: one transfers, one waits for it and reports the
// result (1 whole body, 2 anything else). The progress dialog hosts it; it also runs without one.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "net/http_transfer.h"
#include "net/update_rules.h"

namespace mrvn::win {

class UpdateJob {
public:
    // Downloads `address`. `done` runs on the wait thread with the result; `progressTarget` (may
    // be null) receives PBM_SETPOS with the percentage.
    UpdateJob(Updater& updater, HttpSession& session, FileSink& sink, std::wstring address);
    ~UpdateJob();
    UpdateJob(const UpdateJob&) = delete;
    UpdateJob& operator=(const UpdateJob&) = delete;

    bool Start(HWND progressTarget, std::function<void(int result)> done);
    // Ends the transfer early: closes whatever it holds open, then waits for both threads.
    void Cancel();
    // Waits for the wait thread; returns 1 on a whole download, 2 otherwise.
    int Wait();

private:
    static DWORD WINAPI DownloadThread(void* self);
    static DWORD WINAPI WaitThread(void* self);

    Updater& updater_;
    HttpSession& session_;
    FileSink& sink_;
    const std::wstring address_;
    TransferHandles handles_;
    HWND progressTarget_ = nullptr;
    std::function<void(int)> done_;
    HANDLE downloadThread_ = nullptr;
    HANDLE waitThread_ = nullptr;
    volatile LONG success_ = 0;
    volatile LONG result_ = 2;
};

}  // namespace mrvn::win
