#include "core/state_store.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/text.h"

namespace mrvn {

bool GetExeSiblingPath(const std::wstring& programPath, const wchar_t* name, std::wstring& out) {
    out.clear();
    const size_t slash = programPath.rfind(L'\\');
    if (slash == std::wstring::npos) return false;
    std::wstring result = name ? programPath.substr(0, slash + 1) + name : programPath;
    if (result.size() + 1 > kMaxPath) return false;
    out = std::move(result);
    return true;
}

std::wstring InstallFolderOf(const std::wstring& commonAppData) {
    return commonAppData + L"\\Quarn\\GameLogin";
}

uint32_t DisableDaysValue(int firstRand, int secondRand, unsigned milliseconds) {
    // Unsigned 32-bit arithmetic on purpose: the subtraction may wrap before the modulo.
    const uint32_t ms = milliseconds;
    const uint32_t dayA = (static_cast<uint32_t>(firstRand) + 7u - ms) % 7u;
    uint32_t dayB = (static_cast<uint32_t>(secondRand) + 7u - ms) % 7u;
    uint32_t dayC = ms % 7u;
    if (dayC == dayA) dayC = (dayC + 6u) % 7u;
    if (dayB == dayA) dayB = (dayB + 1u) % 7u;
    return dayC * 65536u + dayA * 256u + dayB;
}

std::wstring StateStore::InstallFolder() { return InstallFolderOf(folders_.Get(KnownFolder::CommonAppData)); }

std::wstring StateStore::CountersPath() { return InstallFolder() + L"\\" + kIniName; }

std::wstring StateStore::SettingsPath() {
    std::wstring path;
    GetExeSiblingPath(proc_.ProgramPath(), kIniName, path);
    return path;
}

uint32_t StateStore::BumpCounter(const std::wstring& key) {
    const std::wstring file = CountersPath();
    const std::wstring text = ini_.GetString(file, kIniSection, key, L"0", 32);
    const uint32_t value = static_cast<uint32_t>(ParseLeadingInt(text)) + 1u;
    ini_.WriteString(file, kIniSection, key, std::to_wstring(value));
    return value;
}

bool StateStore::WriteDisableDays() {
    auto key = reg_.CreateKey(RegRoot::LocalMachine, kLauncherKey, true);
    if (!key) return false;
    const unsigned ms = clock_.UtcNow().milliseconds;
    const int first = random_.Next();
    const int second = random_.Next();
    const uint32_t value = DisableDaysValue(first, second, ms);
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return key->Set(L"DisableDays", kRegBinary, bytes, sizeof bytes);
}

bool StateStore::IsDisabledDay(unsigned weekday) {
    auto key = reg_.CreateKey(RegRoot::LocalMachine, kLauncherKey, false);
    if (!key) return false;
    uint8_t days[4] = {0, 0, 0, 0};
    std::vector<uint8_t> data;
    uint32_t type = 0;
    // A 4-byte buffer takes a shorter value whole; a longer one does not fit and counts as missing.
    if (key->Query(L"DisableDays", data, type) && data.size() <= sizeof days) {
        std::memcpy(days, data.data(), data.size());
    }
    if (days[0] == 0 && days[1] == 0 && days[2] == 0 && days[3] == 0) return false;
    return weekday == days[0] || weekday == days[1] || weekday == days[2];
}

bool StateStore::IsUpdateCheckDue() {
    auto key = reg_.CreateKey(RegRoot::LocalMachine, kLauncherKey, false);
    if (!key) return false;
    SystemTime stored;
    std::vector<uint8_t> data;
    uint32_t type = 0;
    if (key->Query(L"UpdTime", data, type) && data.size() == sizeof stored) {
        std::memcpy(&stored, data.data(), sizeof stored);
    }
    key.reset();
    const SystemTime now = clock_.UtcNow();
    if (stored.year == now.year && stored.month == now.month && stored.day == now.day) return false;
    return !IsDisabledDay(now.dayOfWeek);
}

bool StateStore::WriteUpdTime() {
    auto key = reg_.CreateKey(RegRoot::LocalMachine, kLauncherKey, true);
    if (!key) return false;
    const SystemTime now = clock_.UtcNow();
    return key->Set(L"UpdTime", kRegBinary, &now, sizeof now);
}

}  // namespace mrvn
