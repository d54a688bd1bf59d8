// Usage reports on a worker thread, handed over through the application's two events.
#pragma once
#include <windows.h>

#include "core/report_rules.h"

namespace mrvn::win {

class CTessaly3App;

// Starts the report thread and returns once it has copied `address`. 0 when no thread could be
// started; both events are then set, so that nobody waits for a report that never runs.
BOOL SendUsageReport(const wchar_t* address, CTessaly3App* app);
DWORD WINAPI ReportThreadProc(void* block);

// Bumps the event's counter, then sends its report. Without an address (too long) no request is
// made and the report counts as done at once.
void ReportUsage(CTessaly3App& app, UsageEvent event);

}  // namespace mrvn::win
