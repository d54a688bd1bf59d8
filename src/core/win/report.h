// Usage reports on a worker thread, handed over through two manual-reset events.
#pragma once
#include <windows.h>

#include <string>

#include "core/report_rules.h"
#include "core/state_store.h"
#include "platform/win32/scoped.h"
#include "platform/win32/worker_thread.h"

namespace mrvn::core {

// Sends one report's request and waits for its end; the composition root gives the network's.
using ReportSender = bool (*)(const wchar_t* address);

// The one report of a process: the hand-over events and the thread, owned by the application.
struct ReportChannel {
    win::ScopedHandle m_hReportStarted;  // set once the thread has copied its address
    win::ScopedHandle m_hReportDone;     // set when the report has ended (or will never run)
    win::WorkerThread m_reportThread;    // the thread, if one was started
    bool Create();
    // Waits for the report's thread at most `ms`; false when it is still running.
    bool WaitForThread(DWORD ms);
};

// Starts the report thread and returns once it has copied `address`. FALSE when no thread could be
// started; the done event is then set, so that nobody waits for a report that never runs.
BOOL SendUsageReport(const wchar_t* address, ReportChannel& channel, ReportSender send);

// Bumps the event's counter, then sends its report. Without an address (too long) no request is
// made and the report counts as done at once.
void ReportUsage(ReportChannel& channel, StateStore& state, const std::wstring& clientHost, UsageEvent event,
                 ReportSender send);

}  // namespace mrvn::core
