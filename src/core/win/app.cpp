#include "core/win/app.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
// gdiplus.h wants min and max from the Windows headers' old macros.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "core/install.h"
#include "net/win/prgs_dlg.h"
#include "core/win/crash_dump.h"
#include "core/win/hardening.h"
#include "core/win/report.h"
#include "skin/win/message_box.h"
#include "platform/win32/scoped.h"

namespace mrvn::win {

HWND g_hMainWnd = nullptr;
int32_t g_nPageCount = 0;

namespace {
CTessaly3App* g_theApp = nullptr;
}

CTessaly3App& App() { return *g_theApp; }

RunMode ParseRunMode() {
    Win32ProcessEnv env;
    Win32KnownFolders folders;
    const RunModeInfo info = ParseRunModeArgs(env.Arguments(), env.ProgramPath(),
                                              InstallFolderOf(folders.Get(KnownFolder::CommonAppData)));
    if (info.mode == RunGamePage || info.mode == RunGameHall) {
        g_hMainWnd = reinterpret_cast<HWND>(static_cast<intptr_t>(info.mainWnd));
        if (info.mode == RunGamePage) g_nPageCount = info.pageCount;
    }
    return info.mode;
}

void LaunchProgram(const wchar_t* path) {
    Win32ProcessLauncher launcher;
    const std::wstring target = path ? std::wstring(path) : Win32ProcessEnv().ProgramPath();
    launcher.Launch(target, PlainCommandLine(target));
}

CTessaly3App::CTessaly3App()
    : m_state(m_platform.registry, m_platform.profile, m_platform.folders, m_platform.process, m_platform.clock,
              m_platform.random),
      m_updater(UpdateContext{m_http, m_fileSink, m_fileSource, m_fileOps, m_platform.profile, m_platform.codePage,
                              m_platform.process, m_state, m_hosts}) {
    g_theApp = this;
}

int CTessaly3App::CheckForUpdate(bool forced) {
    const bool needed = m_updater.CheckForUpdate(forced);
    const std::wstring& addr = m_updater.UpdAddr();
    const size_t n = addr.size() < 511 ? addr.size() : 511;
    addr.copy(m_szUpdAddr, n);
    m_szUpdAddr[n] = L'\0';
    return needed ? 1 : 0;
}

bool CTessaly3App::ApplyUpdate() {
    CPrgsDlg dialog(m_updater, m_http, m_fileSink, m_szUpdAddr);
    const bool downloaded = dialog.DoModal() == IDOK;
    return ApplyUpdateFiles(m_fileOps, m_platform.process.ProgramPath(), downloaded);
}

BOOL CTessaly3App::InstallSelf() {
    ScopedComInit com;
    // The folder is protected before the program is copied in, so the copy inherits the list.
    const std::wstring common = m_platform.folders.Get(KnownFolder::CommonAppData);
    m_platform.files.CreateFolder(common + L"\\Quarn");
    m_platform.files.CreateFolder(InstallFolderOf(common));
    ProtectInstallFolder(InstallFolderOf(common));
    InstallSelfFiles(m_platform.files, m_platform.launcher, common, m_platform.process.ProgramPath());
    return TRUE;
}

void CTessaly3App::RecoverProgramFiles() {
    const std::wstring folder = InstallFolderOf(m_platform.folders.Get(KnownFolder::CommonAppData));
    for (const std::wstring& path : RecoveryTargets(m_platform.process.ProgramPath(), folder)) {
        RecoverProgramFile(m_fileOps, m_fileSource, path);
    }
}

void CTessaly3App::ProtectOlderInstallation() {
    const std::wstring folder = InstallFolderOf(m_platform.folders.Get(KnownFolder::CommonAppData));
    const DWORD attrs = GetFileAttributesW(folder.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY)) return;
    if (!IsInstallFolderProtected(folder)) ProtectInstallFolder(folder);
}

BOOL CTessaly3App::InitInstance() {
    InstallCrashFilter();
    // A swap cut off between its renames must not leave the shortcuts without a program.
    RecoverProgramFiles();

    INITCOMMONCONTROLSEX icc = {sizeof icc, 0xFF};
    InitCommonControlsEx(&icc);
    if (!CWinApp::InitInstance()) return FALSE;

    m_runMode = ParseRunMode();
    m_hosts = LoadHostConfig(m_platform.registry);
    // An installation made before the folder got its access list gets it from the installed copy.
    if (m_runMode == RunInstalled || m_runMode == RunGameShortcut || m_runMode == RunUpdate) {
        ProtectOlderInstallation();
    }
    m_hReportStarted = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_hReportDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);

    if (m_runMode == RunUninstall) {
        // Only Yes goes on to the removal; any other answer leaves everything as it is.
        const int answer =
            skin::SkinMessageBox(nullptr, L"确定要移除 QuarnMorvane极速登录器吗？", L"QuarnMorvane", 4);
        (void)answer;  // the removal itself is not part of this program yet
        return FALSE;
    }
    bool applyUpdate = false;
    if (m_runMode == RunUpdate) {
        CheckForUpdate(true);  // only to learn the download address
        applyUpdate = true;
    } else if (m_runMode == RunInstall || m_runMode == RunGameShortcut) {
        applyUpdate = CheckForUpdate(false) != 0;
    }
    if (applyUpdate && ApplyUpdate()) {
        LaunchProgram();
        m_state.WriteUpdTime();
        return FALSE;
    }

    Gdiplus::GdiplusStartupInput gdiplusInput;
    Gdiplus::GdiplusStartup(&m_gdiplusToken, &gdiplusInput, nullptr);

    switch (m_runMode) {
        case RunInstall:
            InstallSelf();
            m_state.WriteDisableDays();
            ReportUsage(*this, UsageEvent::Install);
            WaitForSingleObject(m_hReportDone, INFINITE);
            return FALSE;
        case RunPlatformShortcut: {
            const std::wstring home = L"http://" + m_hosts.webHost + L"/";
            ShellExecuteW(nullptr, L"open", home.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
            ReportUsage(*this, UsageEvent::PlatformShortcut);
            WaitForSingleObject(m_hReportDone, INFINITE);
            return FALSE;
        }
        case RunGameShortcut:
        case RunInstalled:
            // The game goes on at once; the report finishes in the background.
            ReportUsage(*this, UsageEvent::GameStart);
            break;
        default:
            break;
    }

    if (m_runMode == RunGamePage || m_runMode == RunGameHall) {
        if (FAILED(OleInitialize(nullptr))) {
            skin::SkinMessageBox(nullptr, L"初始化OLE库失败", L"QuarnMorvane", 0);
            return FALSE;
        }
        m_oleStarted = true;
    }
    return FALSE;
}

int CTessaly3App::ExitInstance() {
    bool reportRunning = false;
    if (m_hReportThread) {
        // A game start that ends soon must not pull the events from under its report; a report that
        // hangs in the network does not keep the process alive for long either.
        reportRunning = WaitForSingleObject(m_hReportThread, 15000) != WAIT_OBJECT_0;
        CloseHandle(m_hReportThread);
        m_hReportThread = nullptr;
    }
    if (!reportRunning) {
        if (m_hReportStarted) CloseHandle(m_hReportStarted);
        if (m_hReportDone) CloseHandle(m_hReportDone);
        m_hReportStarted = m_hReportDone = nullptr;
    }
    if (m_gdiplusToken) Gdiplus::GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
    if (m_oleStarted) OleUninitialize();
    m_oleStarted = false;
    return CWinApp::ExitInstance();
}

}  // namespace mrvn::win
