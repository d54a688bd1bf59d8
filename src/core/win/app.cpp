#include "core/win/app.h"

#include <commctrl.h>
#include <shellapi.h>

#include "core/install.h"
#include "core/win/removal.h"
#include "extras/win/cache_clean.h"
#include "extras/win/shortcuts.h"
#include "gamewnd/private_messages.h"
#include "gamewnd/page/page_rules.h"
#include "gamewnd/page/win/page_frame.h"
#include "gamewnd/win/tessaly3_dlg.h"
#include "login/page_command.h"
#include "login/win/login_bk_dlg.h"
#include "net/win/prgs_dlg.h"
#include "core/win/crash_dump.h"
#include "core/win/hardening.h"
#include "core/win/report.h"
#include "skin/win/message_box.h"
#include "platform/win32/scoped.h"

namespace mrvn::win {

HWND g_hMainWnd = nullptr;
int32_t g_nPageCount = 0;
std::wstring g_strGameAddress;

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
      m_updater(UpdateContext{m_http, m_fileSink, m_fileSource, m_platform.files, m_platform.profile, m_platform.codePage,
                              m_platform.process, m_state, m_hosts}) {
    g_theApp = this;
}

CTessaly3App::~CTessaly3App() = default;

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
    return ApplyUpdateFiles(m_platform.files, m_platform.registry, m_platform.process.ProgramPath(), downloaded);
}

BOOL CTessaly3App::InstallSelf() {
    ScopedComInit com;
    // The folder is protected before the program is copied in, so the copy inherits the list.
    const std::wstring common = m_platform.folders.Get(KnownFolder::CommonAppData);
    m_platform.files.CreateFolder(common + L"\\Quarn");
    m_platform.files.CreateFolder(InstallFolderOf(common));
    ProtectInstallFolder(InstallFolderOf(common));
    InstallSelfFiles(m_platform.files, m_platform.launcher, common, m_platform.process.ProgramPath(),
                     [this](const std::wstring& target) { extras::CreateInstallShortcuts(target, m_hosts.webHost); });
    return TRUE;
}

void CTessaly3App::RecoverProgramFiles() {
    RecoverInterruptedSwap(m_platform.registry, m_platform.files, m_fileSource);
}

void CTessaly3App::ProtectOlderInstallation() {
    const std::wstring folder = InstallFolderOf(m_platform.folders.Get(KnownFolder::CommonAppData));
    const DWORD attrs = GetFileAttributesW(folder.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY)) return;
    if (!IsInstallFolderProtected(folder)) ProtectInstallFolder(folder);
}

BOOL CTessaly3App::OpenPageFrame(const std::wstring& gameAddress) {
    gamewnd::PageSettings settings;
    settings.gameAddress = gameAddress;
    settings.hallAddress = page::HallPageAddress(m_hosts.clientHost);
    settings.webHomePage = L"http://" + m_hosts.webHost + L"/";
    settings.ini = &m_platform.profile;
    settings.settingsPath = m_state.SettingsPath();
    settings.pageTitle = &m_strPageTitle;
    settings.navigatedUrl = &m_strNavigatedUrl;
    m_pageWindows = gamewnd::OpenGamePage(settings);
    if (!m_pageWindows) return FALSE;
    m_pMainWnd = m_pageWindows->frame.m_hWnd;
    return TRUE;
}

BOOL CTessaly3App::InitInstance() {
    InstallCrashFilter();
    // A swap cut off between its renames must not leave the shortcuts without a program.
    RecoverProgramFiles();

    INITCOMMONCONTROLSEX icc = {sizeof icc, 0xFF};
    InitCommonControlsEx(&icc);
    if (!CWinApp::InitInstance()) return FALSE;
    // Every skinned window decodes its images through GDI+, the update dialog and the questions
    // of the removal included: started once, before the first of them.
    m_gdiplus.Start();

    m_runMode = ParseRunMode();
    m_hosts = LoadHostConfig(m_platform.registry);
    // An installation made before the folder got its access list gets it from the installed copy.
    if (m_runMode == RunInstalled || m_runMode == RunGameShortcut || m_runMode == RunUpdate) {
        ProtectOlderInstallation();
    }
    m_report.Create();

    if (m_runMode == RunUninstall) {
        // Only Yes goes on to the removal; any other answer leaves everything as it is.
        const int answer =
            skin::SkinMessageBox(nullptr, L"确定要移除 QuarnMorvane极速登录器吗？", L"QuarnMorvane", 4);
        if (answer == IDYES) {
            UninstallSelf(*this);
            WaitForSingleObject(m_report.m_hReportDone.Get(), INFINITE);
        }
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

    switch (m_runMode) {
        case RunInstall:
            InstallSelf();
            m_state.WriteDisableDays();
            ReportUsage(m_report, m_state, m_hosts.clientHost, UsageEvent::Install);
            WaitForSingleObject(m_report.m_hReportDone.Get(), INFINITE);
            return FALSE;
        case RunPlatformShortcut: {
            const std::wstring home = L"http://" + m_hosts.webHost + L"/";
            ShellExecuteW(nullptr, L"open", home.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
            ReportUsage(m_report, m_state, m_hosts.clientHost, UsageEvent::PlatformShortcut);
            WaitForSingleObject(m_report.m_hReportDone.Get(), INFINITE);
            return FALSE;
        }
        case RunGameShortcut:
        case RunInstalled:
            // The game goes on at once; the report finishes in the background.
            ReportUsage(m_report, m_state, m_hosts.clientHost, UsageEvent::GameStart);
            break;
        default:
            break;
    }
    extras::SetBrowserCacheLimit();

    if (m_runMode == RunGameShortcut || m_runMode == RunInstalled || m_runMode == RunUpdate) {
        // The main window runs for the launcher's whole life; the process ends with it.
        gamewnd::RunMainWindow(m_platform.profile, m_state.SettingsPath());
        return FALSE;
    }

    if (m_runMode == RunGamePage || m_runMode == RunGameHall) {
        if (!m_ole.Start()) {
            skin::SkinMessageBox(nullptr, L"初始化OLE库失败", L"QuarnMorvane", 0);
            return FALSE;
        }
        // The hall process shows the hall page; a game page's accepted login sets the game's address.
        g_strGameAddress = page::HallPageAddress(m_hosts.clientHost);
        if (m_runMode == RunGamePage) {
            // Without a main window to join there is nothing to log in for.
            if (!::IsWindow(g_hMainWnd)) return FALSE;
            const int result = login::RunLoginWindow(g_hMainWnd, g_nPageCount, login::LoginAddress(m_hosts.webHost),
                                                     g_strGameAddress);
            // Anything but an accepted login, a login window that never opened included, is a
            // cancel: the main window tells its close request apart by the lParam.
            if (result != 1) {
                ::PostMessageW(g_hMainWnd, WM_SYSCOMMAND, SC_CLOSE, kLauncherMarker);
                return FALSE;
            }
        }
        // The frame runs the message loop until it closes or the main window is gone.
        return OpenPageFrame(g_strGameAddress);
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
    }
    m_report.m_hReportThread.Reset();
    // The page's browser goes before OLE does.
    m_pageWindows.reset();
    m_gdiplus.Stop();
    m_ole.Stop();
    return CWinApp::ExitInstance();
}

}  // namespace mrvn::win
