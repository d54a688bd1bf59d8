#include "net/client_download.h"

#include <cwchar>

#include "core/install.h"
#include "net/program_image.h"
#include "net/transfer_uses.h"
#include "net/update_rules.h"

namespace mrvn {

bool IsUsableGameTag(const std::wstring& tag) {
    if (tag.empty() || tag.size() > kMaxGameTagChars) return false;
    for (const wchar_t c : tag) {
        const bool ok = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' ||
                        c == L'-';
        if (!ok) return false;
    }
    return true;
}

std::wstring ClientProgressText(uint32_t percent) {
    wchar_t text[kClientStatusChars] = {};
    std::swprintf(text, kClientStatusChars, L"已加载  %d%%", static_cast<int>(percent));
    return text;
}

ClientDialogState WorkingDialogState() { return {kClientDownloadTitle, false, true}; }

ClientDialogState DialogStateOf(ClientOutcome outcome) {
    switch (outcome) {
        case ClientOutcome::ConfigFailed: return {kClientFailedTitle, false, true};
        case ClientOutcome::DownloadFailed: return {kClientFailedTitle, true, false};
        case ClientOutcome::Started: return {kClientDoneTitle, true, false};
    }
    return {kClientFailedTitle, true, false};
}

CloseAction CloseActionFor(bool okEnabled) { return okEnabled ? CloseAction::EndDialog : CloseAction::CancelWork; }

namespace {

// A file the transfer may have left: deleted now, or at the next restart while something holds it.
void DeleteLeftFile(FileSystem& ops, const std::wstring& path) {
    if (!ops.RemoveFile(path) && ops.FileExists(path)) ops.DeleteAtReboot(path);
}

}  // namespace

ClientDownloader::ClientDownloader(const ClientDownloadContext& ctx, std::wstring tag)
    : ctx_(ctx), tag_(std::move(tag)) {
    if (!IsUsableGameTag(tag_)) return;
    configAddress_ = ClientConfigAddress(ctx_.hosts.clientHost, tag_);
    configTarget_ = ClientConfigTarget(ctx_.process.ProgramPath(), tag_);
    target_ = ClientDownloadTarget(ctx_.tempFolder, tag_);
}

bool ClientDownloader::FetchClientConfig(TransferHandles* shared) {
    if (configAddress_.empty() || configTarget_.empty()) return false;
    if (!DownloadForUse(TransferUse::ClientConfig, ctx_.session, ctx_.sink, ctx_.hosts, configAddress_, configTarget_,
                        {}, shared)) {
        // What a failed or cancelled transfer left is no configuration.
        DeleteLeftFile(ctx_.ops, configTarget_);
        return false;
    }
    downAddr_ = ReadUpdateConfig(ctx_.profile, configTarget_).updAddr;
    DeleteLeftFile(ctx_.ops, configTarget_);
    return true;
}

bool ClientDownloader::DownloadClient(const ProgressFn& progress, TransferHandles* shared) {
    if (target_.empty()) return false;
    if (!DownloadForUse(TransferUse::ClientDownload, ctx_.session, ctx_.sink, ctx_.hosts, downAddr_, target_,
                        progress, shared)) {
        return false;
    }
    // A 200 error page, or a body cut short under a lying length, passes the transfer's own test.
    ProgramFileFacts facts;
    if (!InspectProgramFile(ctx_.source, target_, facts) || !facts.complete) return false;
    // The started program runs elevated, like this one: a signed launcher starts only its publisher's.
    return !ctx_.signatures || SignedLikeRunningProgram(*ctx_.signatures, ctx_.process.ProgramPath(), target_);
}

ClientOutcome ClientDownloader::Run(const ProgressFn& progress, TransferHandles* shared) {
    if (!FetchClientConfig(shared)) return ClientOutcome::ConfigFailed;
    bool started = false;
    if (DownloadClient(progress, shared) && !(shared && shared->cancelled.load())) {
        started = ctx_.launcher.Launch(target_, PlainCommandLine(target_));
    }
    // A started program holds its file until it ends: the file then goes at the next restart.
    if (!target_.empty()) DeleteLeftFile(ctx_.ops, target_);
    return started ? ClientOutcome::Started : ClientOutcome::DownloadFailed;
}

}  // namespace mrvn
