#include "net/transfer_uses.h"

#include "core/state_store.h"
#include "net/http_rules.h"

namespace mrvn {

TransferUseRule RuleOf(TransferUse use) {
    switch (use) {
        case TransferUse::UsageReport: return {TransferShape::Ping, false, 0, false, false, kSmallTextLimits, 0};
        case TransferUse::UpdateConfig:
            return {TransferShape::File, false, 512, false, false, kSmallTextLimits, kConfigMaxBytes, true};
        case TransferUse::UpdateDownload:
            return {TransferShape::File, true, 512, true, true, kProgressDownloadLimits, 0};
        case TransferUse::NoticeText: return {TransferShape::Memory, true, 0, false, false, kSmallTextLimits, 0};
        case TransferUse::NoticePicture: return {TransferShape::File, true, 512, false, false, kPictureLimits, 0};
        case TransferUse::ClientConfig:
            return {TransferShape::File, false, 1024, false, true, kSmallTextLimits, kConfigMaxBytes, true};
        case TransferUse::ClientDownload:
            return {TransferShape::File, true, 1024, true, true, kProgressDownloadLimits, 0};
    }
    return {TransferShape::Ping, true, 0, false, false, kSmallTextLimits, 0};
}

std::wstring UpdateConfigAddress(const std::wstring& clientHost) {
    return kHttpScheme + clientHost + L"/update/ConfigMrvn.htm";
}

std::wstring NoticeTextAddress(const std::wstring& clientHost) { return kHttpScheme + clientHost + L"/notice/mrvn.txt"; }

std::wstring ClientConfigAddress(const std::wstring& clientHost, const std::wstring& tag) {
    return kHttpScheme + clientHost + L"/update/Config" + tag + L".htm";
}

namespace {

std::wstring Sibling(const std::wstring& programPath, const std::wstring& name) {
    std::wstring out;
    GetExeSiblingPath(programPath, name.c_str(), out);
    return out;
}

}  // namespace

std::wstring UpdateConfigTarget(const std::wstring& programPath) { return Sibling(programPath, L"ConfigMrvn.htm"); }
std::wstring UpdateDownloadTarget(const std::wstring& programPath) { return Sibling(programPath, L"NewMrvn.exe"); }
std::wstring ClientConfigTarget(const std::wstring& programPath, const std::wstring& tag) {
    return Sibling(programPath, tag + L".ini");
}

std::wstring ClientDownloadTarget(const std::wstring& tempFolder, const std::wstring& tag) {
    if (tempFolder.empty()) return L"";
    std::wstring out = tempFolder;
    if (out.back() != L'\\') out += L'\\';
    out += tag + L".exe";
    return out.size() < kMaxPath ? out : L"";
}

bool DownloadForUse(TransferUse use, HttpSession& session, FileSink& sink, const HostConfig& hosts,
                    const std::wstring& address, const std::wstring& path, const ProgressFn& progress,
                    TransferHandles* shared) {
    const TransferUseRule rule = RuleOf(use);
    if (rule.shape != TransferShape::File || path.empty()) return false;
    DownloadOptions options;
    options.allowList = rule.allowList ? &hosts.domains : nullptr;
    if (rule.redirectsAllowList) options.redirectAllowList = &hosts.domains;
    options.chunk = rule.chunk;
    if (rule.progress) options.progress = progress;
    if (rule.cancellable) options.shared = shared;
    options.limits = rule.limits;
    options.maxLength = rule.maxLength;
    return HttpDownloadToFile(session, sink, address, path, options);
}

}  // namespace mrvn
