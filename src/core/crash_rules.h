// What the crash filter decides, apart from the calls that write the dump.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace mrvn {

// Tried in this order, each only when the one before failed: the richest dump first.
inline constexpr uint32_t kDumpTypes[] = {0x1A25, 0x225, 0};

// The program path cut at its last "." with ".dmp" appended. False when its file name (after the
// last "\\") has no ".".
bool DumpPathFor(const std::wstring& programPath, std::wstring& out);

// Calls `attempt` with each dump type until one succeeds. Returns the type that worked, or -1.
int64_t WriteWithFallback(const std::function<bool(uint32_t)>& attempt);

}  // namespace mrvn
