// In-memory stand-ins for the platform seams, for the portable unit tests.
#pragma once
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/state_store.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/known_folders.h"
#include "platform/process.h"
#include "platform/profile_file.h"
#include "platform/random.h"
#include "platform/registry.h"

namespace mrvn::test {

// Key paths and value names compare without regard to ASCII case, as the registry does.
class FakeRegistry final : public Registry {
public:
    struct Value {
        uint32_t type;
        std::vector<uint8_t> data;
    };
    std::unique_ptr<RegistryKey> CreateKey(RegRoot root, const std::wstring& path, bool write) override;
    std::unique_ptr<RegistryKey> OpenKey(RegRoot root, const std::wstring& path) override;
    bool DeleteTree(RegRoot root, const std::wstring& path) override;

    bool failCreate = false;  // every CreateKey fails, as for a user without rights
    std::map<std::wstring, std::map<std::wstring, Value>> keys;  // upper-cased "root\path" -> values

    static std::wstring Id(RegRoot root, const std::wstring& path);
    // Direct access for tests; nullptr when missing.
    const Value* Find(RegRoot root, const std::wstring& path, const std::wstring& name) const;
    void Put(RegRoot root, const std::wstring& path, const std::wstring& name, uint32_t type,
             std::vector<uint8_t> data);
};

class FakeProfileFile final : public ProfileFile {
public:
    std::wstring GetString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                           const std::wstring& def, size_t bufChars) override;
    bool WriteString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                     const std::wstring& value) override;

    bool failWrites = false;
    std::map<std::tuple<std::wstring, std::wstring, std::wstring>, std::wstring> values;  // upper-cased names
    const std::wstring* Find(const std::wstring& file, const std::wstring& section, const std::wstring& key) const;
};

class FakeKnownFolders final : public KnownFolders {
public:
    std::wstring Get(KnownFolder folder) override {
        auto it = folders.find(folder);
        return it == folders.end() ? L"" : it->second;
    }
    std::map<KnownFolder, std::wstring> folders = {{KnownFolder::CommonAppData, L"C:\\ProgramData"}};
};

// Paths compare without regard to ASCII case, as the file system does. Calls are logged as
// "mkdir X", "copy A -> B", "move A -> B", "delete A", "reboot-delete A", "attrib A", "rmdir A"
// and "list A"; a move, delete or reboot-delete listed in `fail` fails and changes nothing. A
// read-only file cannot be deleted. A folder in `links` is a link: listing it fails (its target is
// elsewhere) and removing it removes only the link.
class FakeFileSystem final : public FileSystem {
public:
    bool CreateFolder(const std::wstring& path) override;
    bool CopyFileTo(const std::wstring& from, const std::wstring& to, bool overwrite) override;
    bool FileExists(const std::wstring& path) override;
    bool RemoveFile(const std::wstring& path) override;
    bool MoveReplace(const std::wstring& from, const std::wstring& to) override;
    bool DeleteAtReboot(const std::wstring& path) override;
    bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) override;
    bool SetAttributes(const std::wstring& path, uint32_t attributes) override;
    bool RemoveFolder(const std::wstring& path) override;
    std::wstring ShortPath(const std::wstring& path) override;
    uint32_t LastError() override { return lastError; }

    bool failCopy = false;
    std::set<std::wstring> fail;
    std::set<std::wstring> folderSet;                // upper-cased
    std::map<std::wstring, std::string> files;       // upper-cased path -> contents
    std::map<std::wstring, uint32_t> attributes;     // upper-cased path -> attributes other than 0x20
    std::set<std::wstring> links;                    // upper-cased folder links
    std::set<std::wstring> unlistable;               // upper-cased folders whose listing fails
    std::map<std::wstring, std::wstring> shortPaths; // path as given -> its 8.3 form
    std::vector<std::wstring> log;
    uint32_t lastError = 0;
    std::function<void(const std::wstring& from, const std::wstring& to)> onMove;  // runs at each rename

    // Adds a folder and every folder above it.
    void PutFolder(const std::wstring& path);

    void Put(const std::wstring& path, std::string contents);
    const std::string* Find(const std::wstring& path) const;
};

class FakeProcess final : public ProcessEnv, public ProcessLauncher {
public:
    std::wstring ProgramPath() override { return programPath; }
    std::vector<std::wstring> Arguments() override { return arguments; }
    bool Launch(const std::wstring& path, const std::wstring& commandLine) override {
        launched.emplace_back(path, commandLine);
        return !failLaunch;
    }
    std::wstring programPath = L"C:\\Downloads\\Mrvn.exe";
    std::vector<std::wstring> arguments;
    bool failLaunch = false;
    std::vector<std::pair<std::wstring, std::wstring>> launched;
};

class FakeClock final : public Clock {
public:
    SystemTime UtcNow() override { return utc; }
    SystemTime LocalNow() override { return local; }
    SystemTime utc{2026, 12, 2, 8, 3, 4, 5, 123};  // Tuesday
    SystemTime local{2026, 12, 2, 8, 11, 4, 5, 123};
};

// Hands out scripted values, then 0.
class FakeRandom final : public Random {
public:
    int Next() override {
        if (values.empty()) return 0;
        const int v = values.front();
        values.pop_front();
        return v;
    }
    std::deque<int> values;
};

// Every seam the state store needs, with the store over them.
struct FakeState {
    FakeRegistry reg;
    FakeProfileFile ini;
    FakeKnownFolders folders;
    FakeProcess proc;
    FakeClock clock;
    FakeRandom random;
    StateStore store{reg, ini, folders, proc, clock, random};

    // The last update check's time, as the store writes it.
    void PutUpdTime(const SystemTime& t) {
        std::vector<uint8_t> bytes(sizeof t);
        std::memcpy(bytes.data(), &t, sizeof t);
        reg.Put(RegRoot::LocalMachine, kLauncherKey, L"UpdTime", kRegBinary, bytes);
    }
};

}  // namespace mrvn::test
