// The application object: start-up by run mode, and the process-wide values of a page process.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "core/host_config.h"
#include "core/run_mode.h"
#include "core/state_store.h"
#include "core/win/report.h"
#include "framework/winapp.h"
#include "net/update_rules.h"
#include "platform/win32/win32_file_io.h"
#include "platform/win32/win32_http.h"
#include "platform/win32/scoped.h"
#include "platform/win32/win32_platform.h"

namespace mrvn::gamewnd {
struct CPageWindows;
}

namespace mrvn::win {

// The main window a page or hall process belongs to, and its page count when it started us.
extern HWND g_hMainWnd;
extern int32_t g_nPageCount;
// The game page that the accepted login of a page process names.
extern std::wstring g_strGameAddress;

// Settles the run mode from the command line and sets the two values above.
RunMode ParseRunMode();
// Starts `path`, or this program when null, with no arguments at idle priority.
void LaunchProgram(const wchar_t* path = nullptr);

class CTessaly3App : public fw::CWinApp {
public:
    CTessaly3App();
    ~CTessaly3App() override;
    BOOL InitInstance() override;
    int ExitInstance() override;

    BOOL InstallSelf();
    // Nonzero when the server names another release than the running file.
    int CheckForUpdate(bool forced);
    // Downloads the release from m_szUpdAddr and trades the program files; true when the new file
    // is in place.
    bool ApplyUpdate();
    // Puts a program back where an interrupted swap left none.
    void RecoverProgramFiles();
    // Gives an installation folder without its access list that list.
    void ProtectOlderInstallation();
    // The page or hall frame of modes 6 and 7 over `gameAddress`; FALSE when it could not be made.
    BOOL OpenPageFrame(const std::wstring& gameAddress);

    ScopedGdiplus m_gdiplus;
    wchar_t m_szUpdAddr[512] = {};
    ReportChannel m_report;

    RunMode m_runMode = RunInstall;
    HostConfig m_hosts;
    Platform m_platform;
    StateStore m_state;
    Win32HttpSession m_http;
    Win32FileSink m_fileSink;
    Win32FileSource m_fileSource;
    Updater m_updater;

    // A page process's page title and the last address it completed.
    std::wstring m_strPageTitle;
    std::wstring m_strNavigatedUrl;

private:
    ScopedOleInit m_ole;
    std::unique_ptr<gamewnd::CPageWindows> m_pageWindows;
};

CTessaly3App& App();

}  // namespace mrvn::win
