// The progress dialog of the self-update: a skinned box whose bar follows the download.
#pragma once
#include <windows.h>

#include <memory>

#include "net/win/download_job.h"
#include "skin/win/dlg_ex.h"

namespace mrvn::net {

class CPrgsDlg : public skin::CDlgEx {
public:
    // `address` is the download address, `updater` knows the target beside the program.
    CPrgsDlg(Updater& updater, HttpSession& session, FileSink& sink, const wchar_t* address);
    ~CPrgsDlg() override;

    BOOL OnInitDialog() override;
    void OnOK() override {}  // Enter does not end the download
    void OnCancel() override;

    skin::CImgProgress m_progress;

protected:
    void DoDataExchange(fw::CDataExchange* dx) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    Updater& m_updater;
    HttpSession& m_session;
    FileSink& m_sink;
    wchar_t m_szDownAddr[512] = {};
    std::unique_ptr<UpdateJob> m_job;
};

}  // namespace mrvn::net
