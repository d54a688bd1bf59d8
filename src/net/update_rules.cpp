#include "net/update_rules.h"

#include <memory>

#include "core/report_rules.h"
#include "core/text.h"
#include "core/text_encoding.h"
#include "net/md5.h"
#include "net/program_image.h"
#include "net/transfer_uses.h"

namespace mrvn {

std::wstring VersionDigits(const std::wstring& version) {
    std::wstring out;
    for (wchar_t c : version) {
        if (c != L'.') out += c;
    }
    return out;
}

bool FileMd5Hex(FileSource& files, const std::wstring& path, std::wstring& out) {
    const FileHandle file = files.OpenRead(path);
    if (!file) return false;
    Md5 md5;
    // On the heap: the check may run on a thread with a small stack.
    const std::unique_ptr<unsigned char[]> buffer(new unsigned char[kHashChunkBytes]);
    bool ok = false;
    for (;;) {
        uint32_t got = 0;
        if (!files.Read(file, buffer.get(), kHashChunkBytes, got)) break;
        if (got == 0) {
            ok = true;
            break;
        }
        md5.Update(buffer.get(), std::min(got, kHashChunkBytes));
    }
    files.Close(file);
    if (ok) out = HexLower(md5.Final());
    return ok;
}

std::wstring LocalVersionKey(const std::wstring& md5Hex, const std::wstring& digits) {
    if (md5Hex.size() != 32 || digits.size() > 32) return L"";
    return md5Hex.substr(0, 32 - digits.size()) + digits;
}

UpdateConfig ReadUpdateConfig(ProfileFile& profile, const std::wstring& path) {
    UpdateConfig c;
    c.versionKey = profile.GetString(path, kUpdateSection, kUpdateKeyName, L"", kVersionKeyBufChars);
    c.updAddr = profile.GetString(path, kUpdateSection, kUpdateAddrName, L"", kUpdAddrReadChars);
    if (c.updAddr.size() > kUpdAddrBufChars - 1) c.updAddr.clear();
    return c;
}

std::string NarrowVersionKey(CodePage& codePage, const std::wstring& key) {
    std::string narrow = codePage.ToAnsi(key);
    if (narrow.size() > kVersionKeyBufChars - 1) narrow.resize(kVersionKeyBufChars - 1);
    return narrow;
}

std::wstring WideVersionKey(CodePage& codePage, const std::string& key) {
    std::wstring wide = codePage.FromAnsi(key);
    if (wide.size() > kVersionKeyBufChars - 1) wide.resize(kVersionKeyBufChars - 1);
    return wide;
}

bool IsUpdateNeeded(const std::wstring& serverKey, const std::wstring& localKey) {
    if (serverKey.empty() || localKey.empty()) return false;
    return !EqualsNoCase(serverKey, localKey);
}

bool ShouldCheckForUpdate(bool forced, RunMode mode, const std::function<bool()>& isDue) {
    if (forced) return true;
    switch (mode) {
        case RunInstall:
        case RunPlatformShortcut:
        case RunUninstall:
        case RunGamePage: return false;
        default: return isDue && isDue();
    }
}

namespace {

std::wstring SiblingOf(const std::wstring& programPath, const wchar_t* name) {
    std::wstring out;
    GetExeSiblingPath(programPath, name, out);
    return out;
}

bool NoteSwap(Registry& reg, const std::wstring& programPath) {
    const auto key = reg.CreateKey(RegRoot::LocalMachine, kLauncherKey, true);
    const std::vector<uint8_t> data = Utf16LeFromWide(programPath);
    return key && key->Set(kSwapNoteName, kRegSz, data.data(), data.size());
}

void ForgetSwap(Registry& reg) {
    // Opened, not created: a removal that deleted the key must not bring it back.
    if (!reg.OpenKey(RegRoot::LocalMachine, kLauncherKey)) return;
    if (const auto key = reg.CreateKey(RegRoot::LocalMachine, kLauncherKey, true)) key->Delete(kSwapNoteName);
}

std::wstring NotedSwap(Registry& reg) {
    const auto key = reg.OpenKey(RegRoot::LocalMachine, kLauncherKey);
    std::vector<uint8_t> data;
    uint32_t type = 0;
    if (!key || !key->Query(kSwapNoteName, data, type) || type != kRegSz) return L"";
    return WideFromUtf16Le(data);
}

}  // namespace

SwapOutcome SwapProgramFiles(FileSystem& ops, Registry& reg, const std::wstring& programPath) {
    const std::wstring newPath = SiblingOf(programPath, kNewProgramName);
    const std::wstring oldPath = SiblingOf(programPath, kOldProgramName);
    if (newPath.empty() || oldPath.empty() || !ops.FileExists(newPath)) return SwapOutcome::NoNewFile;
    // Unnoted, a swap cut off between its renames could never be repaired.
    if (!NoteSwap(reg, programPath)) return SwapOutcome::Untouched;
    if (!ops.MoveReplace(programPath, oldPath)) {
        ForgetSwap(reg);
        return SwapOutcome::Untouched;
    }
    if (!ops.MoveReplace(newPath, programPath)) {
        if (ops.MoveReplace(oldPath, programPath)) {
            ForgetSwap(reg);
            return SwapOutcome::RolledBack;
        }
        // Deleting anything now could lose the last working copy; the next start puts it back.
        return SwapOutcome::Stranded;
    }
    // A failure here only leaves a stale file beside the program.
    ops.DeleteAtReboot(oldPath);
    ForgetSwap(reg);
    return SwapOutcome::Swapped;
}

void DeleteNowOrAtReboot(FileSystem& ops, const std::wstring& path) {
    if (path.empty() || !ops.FileExists(path)) return;
    if (!ops.RemoveFile(path)) ops.DeleteAtReboot(path);
}

bool ApplyUpdateFiles(FileSystem& ops, Registry& reg, const std::wstring& programPath, bool downloadOk,
                      SwapOutcome* outcome) {
    SwapOutcome result = SwapOutcome::NoNewFile;
    if (downloadOk) result = SwapProgramFiles(ops, reg, programPath);
    if (outcome) *outcome = result;
    if (result == SwapOutcome::Swapped) return true;
    // A partial or refused download must not fill the disk until the next restart.
    if (result != SwapOutcome::Stranded) DeleteNowOrAtReboot(ops, SiblingOf(programPath, kNewProgramName));
    return false;
}

Recovery RecoverProgramFile(FileSystem& ops, FileSource& source, const std::wstring& programPath) {
    if (ops.FileExists(programPath)) return Recovery::NotNeeded;
    const std::wstring oldPath = SiblingOf(programPath, kOldProgramName);
    const std::wstring newPath = SiblingOf(programPath, kNewProgramName);
    const auto usable = [&](const std::wstring& path) {
        ProgramFileFacts facts;
        return !path.empty() && ops.FileExists(path) && InspectProgramFile(source, path, facts) && facts.complete;
    };
    if (usable(oldPath) && ops.MoveReplace(oldPath, programPath)) {
        DeleteNowOrAtReboot(ops, newPath);
        return Recovery::OldBack;
    }
    if (usable(newPath) && ops.MoveReplace(newPath, programPath)) {
        DeleteNowOrAtReboot(ops, oldPath);
        return Recovery::NewIn;
    }
    return Recovery::NoneUsable;
}

Recovery RecoverInterruptedSwap(Registry& reg, FileSystem& ops, FileSource& source) {
    const std::wstring noted = NotedSwap(reg);
    if (noted.empty()) return Recovery::NotNeeded;
    const Recovery result = RecoverProgramFile(ops, source, noted);
    // A note beside a program that is there may be a swap under way in another process.
    if (result == Recovery::OldBack || result == Recovery::NewIn) ForgetSwap(reg);
    return result;
}

bool Updater::FetchUpdateConfig(std::string& versionKey) {
    versionKey.clear();
    const std::wstring target = UpdateConfigTarget(ctx_.process.ProgramPath());
    if (!DownloadForUse(TransferUse::UpdateConfig, ctx_.session, ctx_.sink, ctx_.hosts,
                        UpdateConfigAddress(ctx_.hosts.clientHost), target)) {
        // What a failed transfer left is no configuration; it goes at once.
        DeleteNowOrAtReboot(ctx_.ops, target);
        return false;
    }
    const UpdateConfig config = ReadUpdateConfig(ctx_.profile, target);
    updAddr_ = config.updAddr;
    ctx_.ops.RemoveFile(target);
    versionKey = NarrowVersionKey(ctx_.codePage, config.versionKey);
    serverKey_ = WideVersionKey(ctx_.codePage, versionKey);
    return true;
}

bool Updater::CheckForUpdate(bool forced) {
    const auto isDue = [this] { return ctx_.store.IsUpdateCheckDue(); };
    if (!forced) {
        const RunModeInfo info =
            ParseRunModeArgs(ctx_.process.Arguments(), ctx_.process.ProgramPath(), ctx_.store.InstallFolder());
        if (!ShouldCheckForUpdate(false, info.mode, isDue)) return false;
    }
    std::string serverKey;
    FetchUpdateConfig(serverKey);
    if (serverKey.empty()) return false;
    std::wstring md5;
    if (!FileMd5Hex(ctx_.source, ctx_.process.ProgramPath(), md5)) return false;
    const std::wstring localKey = LocalVersionKey(md5, VersionDigits(kLauncherVersion));
    return IsUpdateNeeded(WideVersionKey(ctx_.codePage, serverKey), localKey);
}

bool Updater::DownloadUpdate(const std::wstring& address, const ProgressFn& progress, TransferHandles* shared) {
    const std::wstring target = UpdateDownloadTarget(ctx_.process.ProgramPath());
    if (!DownloadForUse(TransferUse::UpdateDownload, ctx_.session, ctx_.sink, ctx_.hosts, address, target, progress,
                        shared)) {
        return false;
    }
    // The transfer rules take a 500 page, or a body cut short under a lying length, as success.
    ProgramFileFacts facts;
    if (!InspectProgramFile(ctx_.source, target, facts) || !facts.complete) return false;
    if (!ReleaseMatchesKey(facts.md5Hex, serverKey_, VersionDigits(kLauncherVersion).size())) return false;
    // The key came over the same connection as the file: only the publisher's signature says who made it.
    return !ctx_.signatures || SignedLikeRunningProgram(*ctx_.signatures, ctx_.process.ProgramPath(), target);
}

}  // namespace mrvn
