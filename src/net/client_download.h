// Another game's launcher, downloaded from the hall: its configuration on the client-service host,
// the program it names into the temporary folder, the start of that program, and what the download
// dialog shows at each outcome.
#pragma once
#include <cstdint>
#include <string>

#include "core/host_config.h"
#include "net/http_transfer.h"
#include "net/signature_rules.h"
#include "platform/file_io.h"
#include "platform/file_system.h"
#include "platform/http_session.h"
#include "platform/process.h"
#include "platform/profile_file.h"

namespace mrvn {

inline constexpr wchar_t kClientDownloadTitle[] = L"游戏下载中...";
inline constexpr wchar_t kClientDoneTitle[] = L"下载完成";
inline constexpr wchar_t kClientFailedTitle[] = L"下载失败";
// The status text's buffer, in wide characters.
inline constexpr size_t kClientStatusChars = 16;
// A tag names a file beside the program and in the temporary folder: no more than this.
inline constexpr size_t kMaxGameTagChars = 32;

// A tag that can stand in a file name and an address as it is: ASCII letters, digits, "_" and "-".
// The hall page decides the tag; anything that could leave a folder or change an address is refused.
bool IsUsableGameTag(const std::wstring& tag);

// "已加载  %d%%" as the dialog's 16-character buffer holds it.
std::wstring ClientProgressText(uint32_t percent);

enum class ClientOutcome {
    ConfigFailed,    // no configuration: the dialog stays in its working state
    DownloadFailed,  // refused address, cut or refused body, or nothing started
    Started,         // the launcher runs
};

struct ClientDialogState {
    const wchar_t* title;
    bool okEnabled;
    bool cancelEnabled;
};
// The working state, and the state after each outcome.
ClientDialogState WorkingDialogState();
ClientDialogState DialogStateOf(ClientOutcome outcome);

// WM_CLOSE (the close button): once the work is over (OK enabled) it only ends the dialog; before,
// it cancels the work.
enum class CloseAction { EndDialog, CancelWork };
CloseAction CloseActionFor(bool okEnabled);

struct ClientDownloadContext {
    HttpSession& session;
    FileSink& sink;
    FileSource& source;
    FileSystem& ops;
    ProfileFile& profile;
    ProcessEnv& process;
    ProcessLauncher& launcher;
    const HostConfig& hosts;
    std::wstring tempFolder;
    // The platform's signature check; null where none can be verified (the portable tests).
    SignatureVerifier* signatures = nullptr;
};

// The worker's job for one tag. Each step may run while the dialog cancels: `shared` carries the
// open handles, and a cancelled transfer starts nothing.
class ClientDownloader {
public:
    ClientDownloader(const ClientDownloadContext& ctx, std::wstring tag);

    // Empty when the tag is not usable or a path would not fit its buffer.
    const std::wstring& ConfigAddress() const { return configAddress_; }
    const std::wstring& ConfigTarget() const { return configTarget_; }
    const std::wstring& Target() const { return target_; }
    const std::wstring& DownAddr() const { return downAddr_; }

    // The configuration into tag.ini beside the program, its "UpdAddr" read, the file deleted
    // whatever happened.
    bool FetchClientConfig(TransferHandles* shared);
    // The named program into the temporary folder, with the allow-list test. True only for a whole
    // body that is a complete Windows program, signed like the running program when that is signed.
    bool DownloadClient(const ProgressFn& progress, TransferHandles* shared);
    // Both steps, the start of the downloaded program, and the deletion of its file (at the next
    // restart when the started program holds it).
    ClientOutcome Run(const ProgressFn& progress, TransferHandles* shared);

private:
    ClientDownloadContext ctx_;
    std::wstring tag_;
    std::wstring configAddress_;
    std::wstring configTarget_;
    std::wstring target_;
    std::wstring downAddr_;
};

}  // namespace mrvn
