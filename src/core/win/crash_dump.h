// The unhandled-exception filter that leaves a minidump beside the program file.
#pragma once
#include <windows.h>

namespace mrvn::core {

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* pointers);
// Writes one dump into an open file; without pointers, a dump of the calling point.
void WriteCrashDump(HANDLE file, EXCEPTION_POINTERS* pointers);
void InstallCrashFilter();

}  // namespace mrvn::core
