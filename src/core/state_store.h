// The launcher's persistent state: two registry values and the two Statistic.ini files.
#pragma once
#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/known_folders.h"
#include "platform/process.h"
#include "platform/profile_file.h"
#include "platform/random.h"
#include "platform/registry.h"

namespace mrvn {

inline constexpr wchar_t kLauncherKey[] = L"Software\\Quarn\\GameLogin\\Mrvn";
inline constexpr wchar_t kIniSection[] = L"Mrvn";
inline constexpr wchar_t kIniName[] = L"Statistic.ini";
inline constexpr size_t kMaxPath = 260;  // wide characters, NUL included

// Counter keys of the counters file.
inline constexpr wchar_t kKeyInst[] = L"Inst";
inline constexpr wchar_t kKeyUnInst[] = L"UnInst";
inline constexpr wchar_t kKeyGame[] = L"Game";
inline constexpr wchar_t kKeyQuarn[] = L"Quarn";

// The program's folder (up to and including its last "\") followed by `name`; with no name, the
// program path itself. False, with `out` empty, when the path has no "\" or the result would not
// fit a path buffer.
bool GetExeSiblingPath(const std::wstring& programPath, const wchar_t* name, std::wstring& out);

// The installation folder: all-users application data + "\Quarn\GameLogin".
std::wstring InstallFolderOf(const std::wstring& commonAppData);

// DisableDays as stored: byte 0 dayB, byte 1 dayA, byte 2 dayC, byte 3 zero.
uint32_t DisableDaysValue(int firstRand, int secondRand, unsigned milliseconds);

class StateStore {
public:
    StateStore(Registry& reg, ProfileFile& ini, KnownFolders& folders, ProcessEnv& proc, Clock& clock,
               Random& random)
        : reg_(reg), ini_(ini), folders_(folders), proc_(proc), clock_(clock), random_(random) {}

    std::wstring InstallFolder();
    std::wstring CountersPath();
    std::wstring SettingsPath();

    // Adds one to a counter of the counters file and returns the new value.
    uint32_t BumpCounter(const std::wstring& key);

    bool WriteDisableDays();
    bool IsDisabledDay(unsigned weekday);
    bool IsUpdateCheckDue();
    bool WriteUpdTime();

private:
    Registry& reg_;
    ProfileFile& ini_;
    KnownFolders& folders_;
    ProcessEnv& proc_;
    Clock& clock_;
    Random& random_;
};

}  // namespace mrvn
