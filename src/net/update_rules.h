// Self-update: the release key, the server's configuration, the decision and the file swap.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/host_config.h"
#include "core/run_mode.h"
#include "core/state_store.h"
#include "net/http_transfer.h"
#include "net/signature_rules.h"
#include "platform/code_page.h"
#include "platform/file_io.h"
#include "platform/file_system.h"
#include "platform/http_session.h"
#include "platform/process.h"
#include "platform/profile_file.h"
#include "platform/registry.h"

namespace mrvn {

inline constexpr wchar_t kUpdateSection[] = L"VerKey";
inline constexpr wchar_t kUpdateKeyName[] = L"Mrvn";
inline constexpr wchar_t kUpdateAddrName[] = L"UpdAddr";
inline constexpr size_t kVersionKeyBufChars = 64;  // wide characters, and bytes once narrow
inline constexpr size_t kUpdAddrBufChars = 512;
// "UpdAddr" is read into this many characters, so that an address too long for its buffer shows
// as too long instead of arriving cut (a cut address names another object).
inline constexpr size_t kUpdAddrReadChars = 2048;
inline constexpr wchar_t kNewProgramName[] = L"NewMrvn.exe";
inline constexpr wchar_t kOldProgramName[] = L"OldMrvn.exe";
// REG_SZ under the launcher's key: the program path a swap is replacing, from before its first
// rename until the new file is in place or the old one back. Installation keeps the name the program
// came with ("Mrvn (1).exe"), so only this says which file a cut-off swap took away; and the removal
// deletes the key with it, so nothing is put back after a removal.
inline constexpr wchar_t kSwapNoteName[] = L"SwappingProgram";
// Large reads keep the file system's per-call cost small against the hashing.
inline constexpr uint32_t kHashChunkBytes = 64 * 1024;

// The version text with every "." removed: "3.0.0.1" gives "3001".
std::wstring VersionDigits(const std::wstring& version);

// The MD5 of the whole file as 32 lower-case hex digits, read in chunks. False, with `out`
// unchanged, when the file cannot be opened or read to its end.
bool FileMd5Hex(FileSource& files, const std::wstring& path, std::wstring& out);

// The first 32 - len(digits) hex digits followed by the digits. Empty when `md5Hex` is not a
// whole digest: without a hash there is nothing to compare.
std::wstring LocalVersionKey(const std::wstring& md5Hex, const std::wstring& digits);

struct UpdateConfig {
    std::wstring versionKey;  // as read, at most 63 characters
    std::wstring updAddr;     // at most 511 characters; empty when the file's is longer
};
UpdateConfig ReadUpdateConfig(ProfileFile& profile, const std::wstring& path);

// The server's key as the narrow 64-byte buffer holds it, and back to wide for the comparison.
std::string NarrowVersionKey(CodePage& codePage, const std::wstring& key);
std::wstring WideVersionKey(CodePage& codePage, const std::string& key);

// Any difference, ignoring ASCII letter case, asks for the server's release. An empty server key
// (no configuration) or an empty local key (no hash) never does.
bool IsUpdateNeeded(const std::wstring& serverKey, const std::wstring& localKey);

// The forced check always runs. Otherwise install, platform-shortcut, removal and page processes
// never check, and the rest only when `isDue` says so (asked only then: it reads the registry).
bool ShouldCheckForUpdate(bool forced, RunMode mode, const std::function<bool()>& isDue);

enum class SwapOutcome {
    Swapped,     // the new file holds the program path; the old one waits for deletion at restart
    NoNewFile,   // nothing to swap in; nothing touched
    Untouched,   // the program could not be moved aside; the program path is as before
    RolledBack,  // the new file would not move in; the old program is back at its path
    Stranded,    // neither moved back: the old program stays as OldMrvn.exe, nothing is deleted
};

// Trades the program file for NewMrvn.exe beside it, looking at every rename so that a failure
// never leaves the program path without a working program. The swap is noted first (a swap that
// cannot be noted does not start) and forgotten unless it ends Stranded, which the next start
// repairs. Only Swapped is an update.
SwapOutcome SwapProgramFiles(FileSystem& ops, Registry& reg, const std::wstring& programPath);

// After the download dialog: swaps when the download succeeded. After a failed download or swap
// NewMrvn.exe is deleted at once, or at restart when it cannot be. True only when the new file is
// in place.
bool ApplyUpdateFiles(FileSystem& ops, Registry& reg, const std::wstring& programPath, bool downloadOk,
                      SwapOutcome* outcome = nullptr);

// Deletes `path` at once; when that fails and the file is there, at the next restart.
void DeleteNowOrAtReboot(FileSystem& ops, const std::wstring& path);

enum class Recovery {
    NotNeeded,   // the program path holds a file
    OldBack,     // OldMrvn.exe, the program that ran before the swap, is back at the program path
    NewIn,       // NewMrvn.exe is at the program path
    NoneUsable,  // neither holds a complete program; nothing touched
};

// A swap cut off between its two renames leaves the program path empty. When it is, the file
// that OldMrvn.exe or NewMrvn.exe beside it holds is put there, the old one first: it is the one
// that ran. A complete program only; the other leftover is then deleted.
Recovery RecoverProgramFile(FileSystem& ops, FileSource& source, const std::wstring& programPath);

// What every start does first: repairs the program path of a noted swap and forgets the note once the
// path holds a program again (kept when neither leftover is whole). No note, no action.
Recovery RecoverInterruptedSwap(Registry& reg, FileSystem& ops, FileSource& source);

struct UpdateContext {
    HttpSession& session;
    FileSink& sink;
    FileSource& source;
    FileSystem& ops;
    ProfileFile& profile;
    CodePage& codePage;
    ProcessEnv& process;
    StateStore& store;
    const HostConfig& hosts;
    // The platform's signature check; null only where no signature can be verified (the portable
    // tests), and then a release is judged by its key alone.
    SignatureVerifier* signatures = nullptr;
};

class Updater {
public:
    explicit Updater(const UpdateContext& ctx) : ctx_(ctx) {}

    // Downloads the configuration beside the program, reads it and deletes it. On failure
    // `versionKey` stays empty and the update address keeps its previous value.
    bool FetchUpdateConfig(std::string& versionKey);
    // True when the server names another release than the running file.
    bool CheckForUpdate(bool forced);
    // Downloads the release from `address` into NewMrvn.exe, with the allow-list test. Succeeds
    // only for a complete Windows program whose MD5 matches the server's key (when the key has the
    // local key's form) and, when the running program is signed, that its publisher signed;
    // otherwise NewMrvn.exe may hold anything and must not be swapped in.
    bool DownloadUpdate(const std::wstring& address, const ProgressFn& progress, TransferHandles* shared);
    // The download address of the last configuration read.
    const std::wstring& UpdAddr() const { return updAddr_; }

private:
    UpdateContext ctx_;
    std::wstring updAddr_;
    std::wstring serverKey_;  // of the last configuration read
};

}  // namespace mrvn
