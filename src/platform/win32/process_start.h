// The one place where the launcher starts another program.
#pragma once
#include <windows.h>

#include <string>

#include "platform/win32/scoped.h"

namespace mrvn::win {

struct ProcessStart {
    std::wstring application;  // empty: the command line's first token names the program
    std::wstring commandLine;
    int show = SW_SHOWNORMAL;
    // Every program the launcher starts runs at idle priority, except the removal's batch, whose
    // first thread alone is lowered (the batch must outlive us, not lose to every other program).
    bool idleClass = true;
    bool idleThread = false;
};

// Starts the program and lets it go. The process handle comes back when `keepHandle` is set, for
// an owner that watches the process; null when the start failed or nothing was asked for.
ScopedHandle StartProcess(const ProcessStart& start, bool keepHandle, bool* started = nullptr);

}  // namespace mrvn::win
