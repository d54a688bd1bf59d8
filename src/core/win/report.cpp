#include "core/win/report.h"

#include <cwchar>

#include "core/win/app.h"
#include "net/http_transfer.h"
#include "platform/win32/win32_http.h"

namespace mrvn::win {

namespace {

struct ReportBlock {
    const wchar_t* address;
    CTessaly3App* app;
};

}  // namespace

DWORD WINAPI ReportThreadProc(void* param) {
    const auto* block = static_cast<ReportBlock*>(param);
    wchar_t address[512];
    wcsncpy(address, block->address, 511);
    address[511] = L'\0';
    CTessaly3App* app = block->app;
    // From here on the caller's block may be gone.
    SetEvent(app->m_hReportStarted);
    Win32HttpSession session;
    HttpPing(session, address);
    SetEvent(app->m_hReportDone);
    return 0;
}

BOOL SendUsageReport(const wchar_t* address, CTessaly3App* app) {
    ReportBlock block{address, app};
    HANDLE thread = CreateThread(nullptr, 0, ReportThreadProc, &block, 0, nullptr);
    if (!thread) {
        SetEvent(app->m_hReportDone);
        return FALSE;
    }
    WaitForSingleObject(app->m_hReportStarted, INFINITE);
    ResetEvent(app->m_hReportStarted);
    app->m_hReportThread = thread;
    return TRUE;
}

void ReportUsage(CTessaly3App& app, UsageEvent event) {
    std::wstring address;
    if (!PrepareReport(app.m_state, app.m_hosts.clientHost, event, address)) {
        SetEvent(app.m_hReportDone);
        return;
    }
    SendUsageReport(address.c_str(), &app);
}

}  // namespace mrvn::win
