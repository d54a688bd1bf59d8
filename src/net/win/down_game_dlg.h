// The download of another game's launcher from the hall: a skinned box with a bar, a percentage and
// OK/Cancel, over the update's download job. The worker touches the box only by posted messages.
#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "net/client_download.h"
#include "net/win/download_job.h"
#include "skin/win/dlg_ex.h"
#include "skin/win/skin_controls_win.h"

namespace mrvn::net {

class CDownGameDlg : public skin::CDlgEx {
public:
    // `ctx.tempFolder` names the temporary folder; `parent` may be another process's window.
    CDownGameDlg(const ClientDownloadContext& ctx, const std::wstring& tag, HWND parent);
    ~CDownGameDlg() override;

    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    // The dialog ends only through its buttons and the close button.
    void OnCancel() override {}

    skin::CBtnEx m_btnOK;
    skin::CBtnEx m_btnCancel;
    skin::CStaticEx m_lblStatus;
    skin::CImgProgress m_progress;

protected:
    void DoDataExchange(fw::CDataExchange* dx) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // Ends the dialog with 2, then stops the worker; whatever it held is released once.
    void CancelSteps();
    void OnProgress(uint32_t percent);
    void OnFinished(ClientOutcome outcome);
    void ApplyState(const ClientDialogState& state);

    ClientDownloadContext m_ctx;
    std::wstring m_strTag;
    std::unique_ptr<ClientDownloader> m_downloader;
    std::unique_ptr<DownloadJob> m_job;
    std::atomic<int> m_outcome{static_cast<int>(ClientOutcome::DownloadFailed)};
    bool m_bCancelled = false;
    win::OwnedBitmap m_bmpButton;
};

// Runs the dialog for `tag` over `parent` (the main window); returns 1.
int ShowClientDownload(ClientDownloadContext ctx, HWND parent, const std::wstring& tag);

}  // namespace mrvn::net
