#include "app/app.h"

#include <commctrl.h>

#include "core/install.h"
#include "core/win/crash_dump.h"
#include "core/win/hardening.h"
#include "gamewnd/page/win/page_frame.h"
#include "net/http_transfer.h"
#include "net/win/prgs_dlg.h"
#include "net/win/signature_check.h"

namespace mrvn::app {

namespace {

// Reports go out through the network's plain GET; the report thread gives each its own session.
bool SendReport(const wchar_t* address) {
    win::Win32HttpSession session;
    return HttpPing(session, address);
}

}  // namespace

CTessaly3App::CTessaly3App()
    : m_state(m_platform.registry, m_platform.profile, m_platform.folders, m_platform.process, m_platform.clock,
              m_platform.random),
      m_updater(UpdateContext{m_http, m_fileSink, m_fileSource, m_platform.files, m_platform.profile, m_platform.codePage,
                              m_platform.process, m_state, m_hosts, &net::PlatformSignatures()}) {}

CTessaly3App::~CTessaly3App() = default;

BOOL CTessaly3App::InitInstance() {
    core::InstallCrashFilter();
    // A swap cut off between its renames must not leave the shortcuts without a program.
    RecoverProgramFiles();

    INITCOMMONCONTROLSEX icc = {sizeof icc, 0xFF};
    InitCommonControlsEx(&icc);
    if (!CWinApp::InitInstance()) return FALSE;
    // Every skinned window decodes its images through GDI+, the update dialog and the questions
    // of the removal included: started once, before the first of them.
    m_gdiplus.Start();

    m_start = ParseRunModeArgs(m_platform.process.Arguments(), m_platform.process.ProgramPath(),
                               InstallFolderOf(m_platform.folders.Get(KnownFolder::CommonAppData)));
    m_hosts = LoadHostConfig(m_platform.registry);
    // An installation made before the folder got its access list gets it from the installed copy.
    if (m_start.mode == RunInstalled || m_start.mode == RunGameShortcut || m_start.mode == RunUpdate) {
        ProtectOlderInstallation();
    }
    m_report.Create();

    switch (m_start.mode) {
    case RunInstall:
        return InstallMode();
    case RunPlatformShortcut:
        return PlatformShortcutMode();
    case RunGameShortcut:
        return GameShortcutMode();
    case RunInstalled:
        return InstalledMode();
    case RunUninstall:
        return UninstallMode();
    case RunUpdate:
        return UpdateMode();
    case RunGamePage:
        return GamePageMode();
    case RunGameHall:
        return GameHallMode();
    }
    return FALSE;
}

int CTessaly3App::ExitInstance() {
    // A game start that ends soon must not pull the events from under its report; a report that
    // hangs in the network does not keep the process alive for long either: its events are left
    // to the process's end.
    if (!m_report.WaitForThread(15000)) {
        m_report.m_hReportStarted.Release();
        m_report.m_hReportDone.Release();
        m_report.m_reportThread.Detach();
    }
    // The page's browser goes before OLE does.
    m_pageWindows.reset();
    m_gdiplus.Stop();
    m_ole.Stop();
    return CWinApp::ExitInstance();
}

// ---- shared steps

int CTessaly3App::CheckForUpdate(bool forced) {
    const bool needed = m_updater.CheckForUpdate(forced);
    const std::wstring& addr = m_updater.UpdAddr();
    const size_t n = addr.size() < 511 ? addr.size() : 511;
    addr.copy(m_szUpdAddr, n);
    m_szUpdAddr[n] = L'\0';
    return needed ? 1 : 0;
}

bool CTessaly3App::ApplyUpdate() {
    net::CPrgsDlg dialog(m_updater, m_http, m_fileSink, m_szUpdAddr);
    const bool downloaded = dialog.DoModal() == IDOK;
    return ApplyUpdateFiles(m_platform.files, m_platform.registry, m_platform.process.ProgramPath(), downloaded);
}

bool CTessaly3App::UpdatedAndRestarted(bool forced) {
    if (forced) {
        CheckForUpdate(true);  // only to learn the download address
    } else if (!CheckForUpdate(false)) {
        return false;
    }
    if (!ApplyUpdate()) return false;
    LaunchProgram();
    m_state.WriteUpdTime();
    return true;
}

void CTessaly3App::RecoverProgramFiles() {
    RecoverInterruptedSwap(m_platform.registry, m_platform.files, m_fileSource);
}

void CTessaly3App::ProtectOlderInstallation() {
    const std::wstring folder = InstallFolderOf(m_platform.folders.Get(KnownFolder::CommonAppData));
    const DWORD attrs = GetFileAttributesW(folder.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY)) return;
    if (!core::IsInstallFolderProtected(folder)) core::ProtectInstallFolder(folder);
}

void CTessaly3App::LaunchProgram(const std::wstring& path) {
    const std::wstring target = path.empty() ? m_platform.process.ProgramPath() : path;
    m_platform.launcher.Launch(target, PlainCommandLine(target));
}

void CTessaly3App::Report(UsageEvent event) {
    core::ReportUsage(m_report, m_state, m_hosts.clientHost, event, SendReport);
}

void CTessaly3App::WaitForReport() { WaitForSingleObject(m_report.m_hReportDone.Get(), INFINITE); }

}  // namespace mrvn::app
