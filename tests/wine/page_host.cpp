// A game page process without its login: started by the main window as its page program, it sends
// the label a login of test account abc, def or ghi (by page count) would send and then runs the
// program's own page frame over that account's game page of the stand-in. "/gmhall" starts the
// real program (MRVN_EXE) as the hall process instead.
#include <windows.h>

#include <cwchar>
#include <memory>
#include <string>

#include "core/host_config.h"
#include "core/run_mode.h"
#include "core/state_store.h"
#include "framework/winapp.h"
#include "gamewnd/page/win/page_frame.h"
#include "gamewnd/private_messages.h"
#include "platform/win32/scoped.h"
#include "platform/win32/win32_platform.h"

using namespace mrvn;

namespace {

std::wstring WinPath(const char* unixPath) {
    std::wstring out = L"Z:";
    for (const char* p = unixPath; *p; ++p) out.push_back(*p == '/' ? L'\\' : wchar_t(*p));
    return out;
}

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

class PageHostApp : public fw::CWinApp {
public:
    BOOL InitInstance() override {
        win::Win32ProcessEnv env;
        win::Win32KnownFolders folders;
        const RunModeInfo start = ParseRunModeArgs(env.Arguments(), env.ProgramPath(),
                                                   InstallFolderOf(folders.Get(KnownFolder::CommonAppData)));
        const RunMode mode = start.mode;
        HWND mainWnd = reinterpret_cast<HWND>(static_cast<intptr_t>(start.mainWnd));
        if (mode == RunGameHall) {
            const char* mrvn = std::getenv("MRVN_EXE");
            if (!mrvn) return FALSE;
            const std::wstring exe = WinPath(mrvn);
            std::wstring cmd = L"\"" + exe + L"\" /gmhall /" +
                               std::to_wstring(static_cast<long long>(reinterpret_cast<intptr_t>(mainWnd)));
            STARTUPINFOW si{};
            si.cb = sizeof si;
            PROCESS_INFORMATION pi{};
            if (::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
                ::CloseHandle(pi.hThread);
                ::CloseHandle(pi.hProcess);
            }
            return FALSE;
        }
        if (mode != RunGamePage) return FALSE;

        static const wchar_t* const accounts[] = {L"abc", L"def", L"ghi"};
        const std::wstring account = accounts[start.pageCount % 3];
        const std::wstring label = L"1服-双线-" + account;
        COPYDATASTRUCT cds{0, DWORD((label.size() + 1) * 2), const_cast<wchar_t*>(label.c_str())};
        if (!::SendMessageW(mainWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds))) {
            ::PostMessageW(mainWnd, WM_SYSCOMMAND, SC_CLOSE, kLauncherMarker);
            return FALSE;
        }
        if (!ole_.Start()) return FALSE;
        gdiplus_.Start();

        win::Win32Registry registry;
        const HostConfig hosts = LoadHostConfig(registry);
        gamewnd::page::PageSettings settings;
        settings.mainWnd = mainWnd;
        settings.pageCount = start.pageCount;
        settings.launcher = &launcher_;
        settings.gameAddress = L"http://" + hosts.clientHost + L"/mrvn/game/" + account + L".html";
        settings.hallAddress = L"http://" + hosts.clientHost + L"/webgame.htm";
        settings.webHomePage = L"http://" + hosts.webHost + L"/";
        settings.ini = &profile_;
        settings.settingsPath = ProgramFolder() + L"Statistic.ini";
        settings.pageTitle = &title_;
        settings.navigatedUrl = &url_;
        page_ = gamewnd::page::OpenGamePage(settings);
        if (!page_) return FALSE;
        m_pMainWnd = page_->frame.m_hWnd;
        return TRUE;
    }

    int ExitInstance() override {
        page_.reset();
        gdiplus_.Stop();
        ole_.Stop();
        return CWinApp::ExitInstance();
    }

private:
    win::ScopedOleInit ole_;
    win::ScopedGdiplus gdiplus_;
    win::Win32ProfileFile profile_;
    win::Win32ProcessLauncher launcher_;
    std::wstring title_, url_;
    std::unique_ptr<gamewnd::page::CPageWindows> page_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    PageHostApp app;
    return app.Main(instance);
}
