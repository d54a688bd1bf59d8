// The notice's way in: fetched (with its picture) on a worker thread, so that a slow host never
// holds the main window, then shown in a CPopInfoDlg made on the window's thread once it is here.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "core/host_config.h"
#include "extras/notice_rules.h"
#include "platform/win32/scoped.h"
#include "platform/win32/worker_thread.h"

namespace mrvn::extras {

class CPopInfoDlg;

struct NoticeSettings {
    std::wstring settingsPath;  // "PopInfo" and "PopEnable" live there
    std::wstring programPath;   // the picture goes beside it
    HostConfig hosts;
    NoticeTimes times;
};

// The test-only environment variable MRVN_NOTICE_TIMES ("showMs,gapMs") shortens the showings
// and the gap; the product never sets it.
NoticeTimes NoticeTimesFromEnvironment();

class CNoticePopup {
public:
    CNoticePopup();
    ~CNoticePopup();
    CNoticePopup(const CNoticePopup&) = delete;
    CNoticePopup& operator=(const CNoticePopup&) = delete;

    // Fetches the notice for the window `owner` (on this thread); once it is here and wanted, the
    // pop-up is made and shown while `owner` is visible. Once per run: a second call does nothing.
    void Open(HWND owner, const NoticeSettings& settings);
    // Hides the pop-up, or shows it again while one of its showings is on (hiding and restoring the
    // main window).
    void ShowPopup(bool show);
    // The fetch has ended (or never started); what it found is then queued or handled.
    bool FetchEnded() { return worker_.Join(0); }
    // The pop-up's window, null when there is none.
    HWND Window() const;

private:
    struct Arrival;
    static LRESULT CALLBACK ReceiverProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnArrival(Arrival* arrival);

    HWND owner_ = nullptr;
    NoticeSettings settings_;
    win::WorkerThread worker_;
    HWND receiver_ = nullptr;
    std::unique_ptr<CPopInfoDlg> dlg_;
};

}  // namespace mrvn::extras
