#include "core/win/report.h"

#include <cwchar>

namespace mrvn::core {

bool ReportChannel::Create() {
    m_hReportStarted.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_hReportDone.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    return m_hReportStarted && m_hReportDone;
}

bool ReportChannel::WaitForThread(DWORD ms) { return m_reportThread.Join(ms); }

BOOL SendUsageReport(const wchar_t* address, ReportChannel& channel, ReportSender send) {
    const wchar_t* source = address;
    HANDLE started = channel.m_hReportStarted.Get();
    HANDLE done = channel.m_hReportDone.Get();
    const bool ok = channel.m_reportThread.Start([source, started, done, send] {
        // Whatever becomes of the request, nobody waits for it in vain.
        struct SetOnExit {
            HANDLE event;
            ~SetOnExit() { SetEvent(event); }
        } doneOnExit{done};
        wchar_t copy[512];
        wcsncpy(copy, source, 511);
        copy[511] = L'\0';
        // From here on the caller's text may be gone; the events stay until this thread has ended.
        SetEvent(started);
        send(copy);
    });
    if (!ok) {
        SetEvent(done);
        return FALSE;
    }
    WaitForSingleObject(started, INFINITE);
    ResetEvent(started);
    return TRUE;
}

void ReportUsage(ReportChannel& channel, StateStore& state, const std::wstring& clientHost, UsageEvent event,
                 ReportSender send) {
    std::wstring address;
    if (!PrepareReport(state, clientHost, event, address)) {
        SetEvent(channel.m_hReportDone.Get());
        return;
    }
    SendUsageReport(address.c_str(), channel, send);
}

}  // namespace mrvn::core
