#include "core/win/crash_dump.h"

#include <dbghelp.h>

#include <string>

#include "core/crash_rules.h"
#include "core/win/hardening.h"
#include "platform/win32/scoped.h"
#include "platform/win32/win32_platform.h"

namespace mrvn::core {

namespace {

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                          PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

// 0: nobody is writing; 1: a thread is writing; 2: the dump is written.
volatile LONG g_dumpState = 0;

}  // namespace

void WriteCrashDump(HANDLE file, EXCEPTION_POINTERS* pointers) {
    if (!pointers) {
        // A dump on demand: describe the calling point as a breakpoint, as a raised one would.
        CONTEXT context = {};
        context.ContextFlags = CONTEXT_FULL;
        RtlCaptureContext(&context);
        EXCEPTION_RECORD record = {};
        record.ExceptionCode = EXCEPTION_BREAKPOINT;
#if defined(_M_IX86) || defined(__i386__)
        record.ExceptionAddress = reinterpret_cast<void*>(context.Eip);
#endif
        EXCEPTION_POINTERS own = {&record, &context};
        WriteCrashDump(file, &own);
        return;
    }
    MINIDUMP_EXCEPTION_INFORMATION info = {};
    info.ThreadId = GetCurrentThreadId();
    info.ExceptionPointers = pointers;
    info.ClientPointers = TRUE;

    // From the system folder only: a copy planted beside the program would run with its rights.
    win::ScopedLibrary dbghelp(LoadSystemLibrary(L"DbgHelp.dll"));
    if (!dbghelp) return;
    auto write = reinterpret_cast<MiniDumpWriteDumpFn>(
        reinterpret_cast<void*>(GetProcAddress(dbghelp.Get(), "MiniDumpWriteDump")));
    if (!write) return;
    const HANDLE process = GetCurrentProcess();
    const DWORD pid = GetCurrentProcessId();
    WriteWithFallback([&](uint32_t type) {
        return write(process, pid, file, static_cast<MINIDUMP_TYPE>(type), &info, nullptr, nullptr) != FALSE;
    });
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* pointers) {
    const LONG state = InterlockedCompareExchange(&g_dumpState, 1, 0);
    if (state != 0) {
        // Another thread may still be writing: let it finish before this one ends the process.
        for (int i = 0; i < 600 && g_dumpState == 1; ++i) Sleep(50);
        return EXCEPTION_EXECUTE_HANDLER;
    }
    win::Win32ProcessEnv env;
    std::wstring path;
    if (!DumpPathFor(env.ProgramPath(), path)) {
        InterlockedExchange(&g_dumpState, 0);
        return EXCEPTION_CONTINUE_SEARCH;
    }
    {
        win::ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        // A file that cannot be created makes every attempt fail; the flag is set all the same.
        WriteCrashDump(file.Get(), pointers);
    }
    InterlockedExchange(&g_dumpState, 2);
    return EXCEPTION_CONTINUE_SEARCH;
}

void InstallCrashFilter() { SetUnhandledExceptionFilter(CrashFilter); }

}  // namespace mrvn::core
