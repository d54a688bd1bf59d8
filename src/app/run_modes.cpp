// What each run mode does once the application has started up.
#include "app/app.h"

#include <shellapi.h>

#include "core/install.h"
#include "core/self_delete.h"
#include "core/win/hardening.h"
#include "core/win/removal.h"
#include "extras/win/cache_clean.h"
#include "extras/win/shortcuts.h"
#include "gamewnd/page/page_rules.h"
#include "gamewnd/page/win/page_frame.h"
#include "gamewnd/private_messages.h"
#include "gamewnd/win/tessaly3_dlg.h"
#include "login/page_command.h"
#include "login/win/login_bk_dlg.h"
#include "net/win/down_game_dlg.h"
#include "net/win/signature_check.h"
#include "skin/win/message_box.h"

namespace mrvn::app {

namespace {

constexpr wchar_t kCaption[] = L"QuarnMorvane";

HWND MainWindowOf(const RunModeInfo& start) {
    return reinterpret_cast<HWND>(static_cast<intptr_t>(start.mainWnd));
}

// The program that page and hall processes run: this program, unless the test-only environment
// variable MRVN_PAGE_PROGRAM names another.
std::wstring PageProgramPath(ProcessEnv& process) {
    wchar_t buf[MAX_PATH + 1] = {};
    const DWORD n = ::GetEnvironmentVariableW(L"MRVN_PAGE_PROGRAM", buf, MAX_PATH + 1);
    if (n > 0 && n <= MAX_PATH) return buf;
    return process.ProgramPath();
}

// The menu's forced update check. It runs on a worker of the main window that may outlive the
// window and this application object alike, so it makes every part it uses itself.
bool ForcedUpdateCheck(const HostConfig& hosts) {
    win::Platform platform;
    win::Win32HttpSession http;
    win::Win32FileSink sink;
    win::Win32FileSource source;
    StateStore state(platform.registry, platform.profile, platform.folders, platform.process, platform.clock,
                     platform.random);
    Updater updater(UpdateContext{http, sink, source, platform.files, platform.profile, platform.codePage,
                                  platform.process, state, hosts, &net::PlatformSignatures()});
    return updater.CheckForUpdate(true);
}

}  // namespace

// Mode 0: a copy outside the installation folder installs itself and starts the installed copy.
BOOL CTessaly3App::InstallMode() {
    // The check always declines here (no update time of an installation yet), as the schedule says.
    if (UpdatedAndRestarted(false)) return FALSE;
    InstallSelf();
    m_state.WriteDisableDays();
    Report(UsageEvent::Install);
    WaitForReport();
    return FALSE;
}

// Mode 1: the platform's web site in the player's browser.
BOOL CTessaly3App::PlatformShortcutMode() {
    const std::wstring home = L"http://" + m_hosts.webHost + L"/";
    ShellExecuteW(nullptr, L"open", home.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
    Report(UsageEvent::PlatformShortcut);
    WaitForReport();
    return FALSE;
}

// Mode 2: the game shortcut checks for an update on its schedule first.
BOOL CTessaly3App::GameShortcutMode() {
    if (UpdatedAndRestarted(false)) return FALSE;
    return InstalledMode();
}

// Mode 3: the game goes on at once; the report finishes in the background.
BOOL CTessaly3App::InstalledMode() {
    Report(UsageEvent::GameStart);
    return MainWindow();
}

// Mode 4: only Yes goes on to the removal; any other answer leaves everything as it is.
BOOL CTessaly3App::UninstallMode() {
    if (skin::SkinMessageBox(nullptr, L"确定要移除 QuarnMorvane极速登录器吗？", kCaption, 4) == IDYES) {
        UninstallSelf();
        WaitForReport();
    }
    return FALSE;
}

// Mode 5: "更新" of the main window asked for the release the server names.
BOOL CTessaly3App::UpdateMode() {
    if (UpdatedAndRestarted(true)) return FALSE;
    return MainWindow();
}

// Mode 6: a game page process: the login first, then the game's page in a frame of the main window.
BOOL CTessaly3App::GamePageMode() {
    if (!StartPageProcess()) return FALSE;
    HWND mainWnd = MainWindowOf(m_start);
    // Without a main window to join there is nothing to log in for.
    if (!::IsWindow(mainWnd)) return FALSE;
    std::wstring gameAddress = gamewnd::page::HallPageAddress(m_hosts.clientHost);
    const int result =
        login::RunLoginWindow(mainWnd, m_start.pageCount, login::LoginAddress(m_hosts.webHost), gameAddress);
    // Anything but an accepted login, a login window that never opened included, is a cancel: the
    // main window tells its close request apart by the lParam.
    if (result != 1) {
        ::PostMessageW(mainWnd, WM_SYSCOMMAND, SC_CLOSE, kLauncherMarker);
        return FALSE;
    }
    return OpenPageFrame(gameAddress);
}

// Mode 7: the game hall's page in a frame of the main window.
BOOL CTessaly3App::GameHallMode() {
    if (!StartPageProcess()) return FALSE;
    return OpenPageFrame(gamewnd::page::HallPageAddress(m_hosts.clientHost));
}

// ---- what the modes share

bool CTessaly3App::StartPageProcess() {
    extras::SetBrowserCacheLimit();
    if (m_ole.Start()) return true;
    skin::SkinMessageBox(nullptr, L"初始化OLE库失败", kCaption, 0);
    return false;
}

BOOL CTessaly3App::InstallSelf() {
    win::ScopedComInit com;
    // The folder is protected before the program is copied in, so the copy inherits the list.
    const std::wstring common = m_platform.folders.Get(KnownFolder::CommonAppData);
    m_platform.files.CreateFolder(common + L"\\Quarn");
    m_platform.files.CreateFolder(InstallFolderOf(common));
    core::ProtectInstallFolder(InstallFolderOf(common));
    InstallSelfFiles(m_platform.files, m_platform.launcher, common, m_platform.process.ProgramPath(),
                     [this](const std::wstring& target) { extras::CreateInstallShortcuts(target, m_hosts.webHost); });
    return TRUE;
}

// Key, shortcuts, batch, the removal report and the final message, in that order.
void CTessaly3App::UninstallSelf() {
    m_platform.registry.DeleteTree(RegRoot::LocalMachine, kLauncherKey);
    extras::RemoveShortcuts();
    const std::wstring program = m_platform.process.ProgramPath();
    const bool batchStarted = core::StartSelfDeleteBatch(program);
    Report(UsageEvent::Removal);
    // Without its batch the program stays: the player is told which file, not that all went.
    skin::SkinMessageBox(nullptr, RemovalClosingText(batchStarted, program), kCaption, 0);
}

BOOL CTessaly3App::MainWindow() {
    extras::SetBrowserCacheLimit();
    gamewnd::MainWindowSettings settings;
    settings.ini = &m_platform.profile;
    settings.settingsPath = m_state.SettingsPath();
    settings.launcher = &m_platform.launcher;
    settings.programPath = m_platform.process.ProgramPath();
    settings.pageProgram = PageProgramPath(m_platform.process);
    settings.notice = {settings.settingsPath, settings.programPath, m_hosts, extras::NoticeTimesFromEnvironment()};
    settings.checkForUpdate = [hosts = m_hosts] { return ForcedUpdateCheck(hosts); };
    // The main window runs for the launcher's whole life; the process ends with it.
    gamewnd::RunMainWindow(settings);
    return FALSE;
}

BOOL CTessaly3App::OpenPageFrame(const std::wstring& gameAddress) {
    gamewnd::page::PageSettings settings;
    settings.mainWnd = MainWindowOf(m_start);
    settings.pageCount = m_start.pageCount;
    settings.gameAddress = gameAddress;
    settings.hallAddress = gamewnd::page::HallPageAddress(m_hosts.clientHost);
    settings.webHomePage = L"http://" + m_hosts.webHost + L"/";
    settings.ini = &m_platform.profile;
    settings.settingsPath = m_state.SettingsPath();
    settings.launcher = &m_platform.launcher;
    const HWND mainWnd = settings.mainWnd;
    settings.showClientDownload = [this, mainWnd](const std::wstring& tag) {
        net::ShowClientDownload(ClientDownloadContext{m_http, m_fileSink, m_fileSource, m_platform.files,
                                                      m_platform.profile, m_platform.process, m_platform.launcher,
                                                      m_hosts, L"", &net::PlatformSignatures()},
                                mainWnd, tag);
    };
    settings.pageTitle = &m_strPageTitle;
    settings.navigatedUrl = &m_strNavigatedUrl;
    m_pageWindows = gamewnd::page::OpenGamePage(settings);
    if (!m_pageWindows) return FALSE;
    m_pMainWnd = m_pageWindows->frame.m_hWnd;
    return TRUE;
}

}  // namespace mrvn::app
