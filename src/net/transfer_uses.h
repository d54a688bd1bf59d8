// The uses of the GET procedure: each one's shape, allow-list rule, chunk, target and address.
#pragma once
#include <cstdint>
#include <string>

#include "core/host_config.h"
#include "net/http_transfer.h"

namespace mrvn {

enum class TransferUse {
    UsageReport,
    UpdateConfig,
    UpdateDownload,
    NoticeText,
    NoticePicture,
    ClientConfig,
    ClientDownload,
};

enum class TransferShape { Ping, File, Memory };

struct TransferUseRule {
    TransferShape shape;
    bool allowList;    // the address must pass IsPlatformUrl
    uint32_t chunk;    // bytes per read for the file shape, 0 otherwise
    bool progress;     // reports a percentage to its dialog
    bool cancellable;  // its dialog may close the handles while it runs
    TransferLimits limits;
    uint32_t maxLength;  // bytes; 0: no bound beyond the shape's own
    // A use whose own address is fixed still follows a redirect only onto the platform: what a
    // configuration names is trusted as far as the allow-list goes.
    bool redirectsAllowList = false;
};

// A configuration file larger than this is no configuration.
inline constexpr uint32_t kConfigMaxBytes = 64 * 1024;
// Pictures come without a dialog to cancel them: bounded as a whole, as generously as a download.
inline constexpr TransferLimits kPictureLimits{30000, 0};

TransferUseRule RuleOf(TransferUse use);

// Fixed addresses on the client-service host.
std::wstring UpdateConfigAddress(const std::wstring& clientHost);
std::wstring NoticeTextAddress(const std::wstring& clientHost);
std::wstring ClientConfigAddress(const std::wstring& clientHost, const std::wstring& tag);

// Targets. Empty when the program path has no folder or the result would not fit a path buffer.
std::wstring UpdateConfigTarget(const std::wstring& programPath);
std::wstring UpdateDownloadTarget(const std::wstring& programPath);
std::wstring ClientConfigTarget(const std::wstring& programPath, const std::wstring& tag);
std::wstring ClientDownloadTarget(const std::wstring& tempFolder, const std::wstring& tag);

// A file-shaped use with its own allow-list rule and chunk; progress only where the use has it.
bool DownloadForUse(TransferUse use, HttpSession& session, FileSink& sink, const HostConfig& hosts,
                    const std::wstring& address, const std::wstring& path, const ProgressFn& progress = {},
                    TransferHandles* shared = nullptr);

}  // namespace mrvn
