#include "core/win/report.h"

#include <cwchar>

#include "net/http_transfer.h"
#include "platform/win32/win32_http.h"

namespace mrvn::win {

namespace {

struct ReportBlock {
    const wchar_t* address;
    HANDLE started;
    HANDLE done;
};

}  // namespace

bool ReportChannel::Create() {
    m_hReportStarted.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_hReportDone.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    return m_hReportStarted && m_hReportDone;
}

bool ReportChannel::WaitForThread(DWORD ms) {
    if (!m_hReportThread) return true;
    return ::WaitForSingleObject(m_hReportThread.Get(), ms) == WAIT_OBJECT_0;
}

DWORD WINAPI ReportThreadProc(void* param) {
    const auto* block = static_cast<ReportBlock*>(param);
    wchar_t address[512];
    wcsncpy(address, block->address, 511);
    address[511] = L'\0';
    HANDLE done = block->done;
    // From here on the caller's block may be gone; the events stay until this thread has ended.
    SetEvent(block->started);
    Win32HttpSession session;
    HttpPing(session, address);
    SetEvent(done);
    return 0;
}

BOOL SendUsageReport(const wchar_t* address, ReportChannel& channel) {
    ReportBlock block{address, channel.m_hReportStarted.Get(), channel.m_hReportDone.Get()};
    HANDLE thread = CreateThread(nullptr, 0, ReportThreadProc, &block, 0, nullptr);
    if (!thread) {
        SetEvent(channel.m_hReportDone.Get());
        return FALSE;
    }
    WaitForSingleObject(channel.m_hReportStarted.Get(), INFINITE);
    ResetEvent(channel.m_hReportStarted.Get());
    channel.m_hReportThread.Reset(thread);
    return TRUE;
}

void ReportUsage(ReportChannel& channel, StateStore& state, const std::wstring& clientHost, UsageEvent event) {
    std::wstring address;
    if (!PrepareReport(state, clientHost, event, address)) {
        SetEvent(channel.m_hReportDone.Get());
        return;
    }
    SendUsageReport(address.c_str(), channel);
}

}  // namespace mrvn::win
