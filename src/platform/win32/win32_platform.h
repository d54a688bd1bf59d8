// The Win32 implementations of the platform seams.
#pragma once
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/known_folders.h"
#include "platform/process.h"
#include "platform/profile_file.h"
#include "platform/random.h"
#include "platform/registry.h"

namespace mrvn::win {

class Win32Registry final : public Registry {
public:
    std::unique_ptr<RegistryKey> CreateKey(RegRoot root, const std::wstring& path, bool write) override;
    std::unique_ptr<RegistryKey> OpenKey(RegRoot root, const std::wstring& path) override;
    bool DeleteTree(RegRoot root, const std::wstring& path) override;
};

class Win32ProfileFile final : public ProfileFile {
public:
    std::wstring GetString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                           const std::wstring& def, size_t bufChars) override;
    bool WriteString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                     const std::wstring& value) override;
};

class Win32KnownFolders final : public KnownFolders {
public:
    std::wstring Get(KnownFolder folder) override;
};

class Win32FileSystem final : public FileSystem {
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
    uint32_t LastError() override;
};

class Win32ProcessEnv final : public ProcessEnv {
public:
    std::wstring ProgramPath() override;
    std::vector<std::wstring> Arguments() override;
};

class Win32ProcessLauncher final : public ProcessLauncher {
public:
    bool Launch(const std::wstring& path, const std::wstring& commandLine) override;
    std::unique_ptr<StartedProcess> LaunchWatched(const std::wstring& path, const std::wstring& commandLine) override;
};

class Win32Clock final : public Clock {
public:
    SystemTime UtcNow() override;
    SystemTime LocalNow() override;
};

class CrtRandom final : public Random {
public:
    int Next() override;
};

class AnsiCodePage final : public CodePage {
public:
    std::string ToAnsi(const std::wstring& text) override;
    std::wstring FromAnsi(const std::string& text) override;
    bool Decode(unsigned codePage, const std::string& bytes, std::wstring& text) override;
    bool Encode(unsigned codePage, const std::wstring& text, std::string& bytes) override;
};

// One of each, for the program's own use.
struct Platform {
    Win32Registry registry;
    Win32ProfileFile profile;
    Win32KnownFolders folders;
    Win32FileSystem files;
    Win32ProcessEnv process;
    Win32ProcessLauncher launcher;
    Win32Clock clock;
    CrtRandom random;
    AnsiCodePage codePage;
};

}  // namespace mrvn::win
