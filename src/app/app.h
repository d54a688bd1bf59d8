// The application object: the composition root. It settles the run mode, makes the platform's
// seams and hands each part what it needs as values; nothing outside src/app/ includes this header.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "core/host_config.h"
#include "core/run_mode.h"
#include "core/state_store.h"
#include "core/win/report.h"
#include "framework/winapp.h"
#include "net/update_rules.h"
#include "platform/win32/scoped.h"
#include "platform/win32/win32_file_io.h"
#include "platform/win32/win32_http.h"
#include "platform/win32/win32_platform.h"

namespace mrvn::gamewnd::page {
struct CPageWindows;
}

namespace mrvn::app {

class CTessaly3App : public fw::CWinApp {
public:
    CTessaly3App();
    ~CTessaly3App() override;
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    // One per run mode; each returns what InitInstance returns (TRUE: run the message loop).
    BOOL InstallMode();
    BOOL PlatformShortcutMode();
    BOOL GameShortcutMode();
    BOOL InstalledMode();
    BOOL UninstallMode();
    BOOL UpdateMode();
    BOOL GamePageMode();
    BOOL GameHallMode();

    // Steps the modes share.
    // True when a new release is in place and started: this process then only ends.
    bool UpdatedAndRestarted(bool forced);
    // Nonzero when the server names another release than the running file.
    int CheckForUpdate(bool forced);
    // Downloads the release from m_szUpdAddr and trades the program files; true when the new file
    // is in place.
    bool ApplyUpdate();
    BOOL InstallSelf();
    void UninstallSelf();
    // Puts a program back where an interrupted swap left none.
    void RecoverProgramFiles();
    // Gives an installation folder without its access list that list.
    void ProtectOlderInstallation();
    // The browser's cache limit and OLE of a page or hall process; false (after saying so) when OLE
    // cannot start.
    bool StartPageProcess();
    // The main window for the launcher's whole life (modes 2, 3 and 5).
    BOOL MainWindow();
    // The page or hall frame of modes 6 and 7 over `gameAddress`; FALSE when it could not be made.
    BOOL OpenPageFrame(const std::wstring& gameAddress);
    // Starts `path`, or this program when empty, with no arguments.
    void LaunchProgram(const std::wstring& path = std::wstring());
    void Report(UsageEvent event);
    void WaitForReport();

    win::ScopedGdiplus m_gdiplus;
    wchar_t m_szUpdAddr[512] = {};
    core::ReportChannel m_report;

    RunModeInfo m_start;
    HostConfig m_hosts;
    win::Platform m_platform;
    StateStore m_state;
    win::Win32HttpSession m_http;
    win::Win32FileSink m_fileSink;
    win::Win32FileSource m_fileSource;
    Updater m_updater;

    // A page process's page title and the last address it completed.
    std::wstring m_strPageTitle;
    std::wstring m_strNavigatedUrl;

    win::ScopedOleInit m_ole;
    std::unique_ptr<gamewnd::page::CPageWindows> m_pageWindows;
};

}  // namespace mrvn::app
