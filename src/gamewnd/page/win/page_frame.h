// The game page process's windows: the document, the frame `CMainFrame` placed over the main
// window's page area, and the browser view `CGmWndView` that shows the game (or the game hall).
// A page process has exactly one of each; it ends when its frame closes or its main window is gone.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/frame.h"
#include "platform/process.h"
#include "platform/profile_file.h"
#include "platform/win32/scoped.h"
#include "web/win/page_view.h"

namespace mrvn::gamewnd::page {

// Timers of the frame.
inline constexpr UINT_PTR TIMER_WATCH_MAIN = 2;       // 800 ms: the main window is still there
inline constexpr UINT_PTR TIMER_KILL_SCRIPT_BOX = 5;  // 130 ms after a close request
inline constexpr UINT_PTR TIMER_RAISE_MAIN = 6;       // 10 ms after a click into the page
inline constexpr UINT kWatchMainMs = 800;
inline constexpr UINT kKillScriptBoxMs = 130;
inline constexpr UINT kRaiseMainMs = 10;

// Posted to the frame from a pool thread when the main window's process has ended.
inline constexpr UINT WM_MAIN_PROCESS_ENDED = WM_APP + 0x41;

inline constexpr wchar_t kEnterGameCaption[] = L"Quarn游戏大厅";
inline constexpr wchar_t kEnterGameOffer[] = L"下载Quarn登录器，玩游戏更加方便快捷，现在就去下载吧？";

// What a page process knows before its frame exists.
struct PageSettings {
    HWND mainWnd = nullptr;  // the main window this process belongs to
    int32_t pageCount = 0;   // the pages that window held when it started us
    std::wstring gameAddress;  // the hall page unless a login gave the game's address
    std::wstring hallAddress;  // the hall page of the client-service host
    std::wstring webHomePage;  // the download page of a hall link that names none
    ProfileFile* ini = nullptr;
    std::wstring settingsPath;  // the hotkeys' file
    ProcessLauncher* launcher = nullptr;  // starts the hall's games
    // Downloads and starts the launcher of the game `tag` when the player accepts the hall's offer.
    std::function<void(const std::wstring& tag)> showClientDownload;
    // The application's m_strPageTitle and m_strNavigatedUrl.
    std::wstring* pageTitle = nullptr;
    std::wstring* navigatedUrl = nullptr;

    // Exact comparison: only the hall address itself is the hall.
    bool ShowsHall() const { return gameAddress == hallAddress; }
};

class CGmWndDoc {
public:
    // Holds nothing; a new document always succeeds.
    virtual ~CGmWndDoc() = default;
    virtual BOOL OnNewDocument() { return TRUE; }
};

class CGmWndView : public web::CWebPageView {
public:
    explicit CGmWndView(const PageSettings& settings) : m_settings(settings) {}

    void OnInitialUpdate() override;
    void OnGetHostInfo(DWORD* flags) override;
    void OnNavigateComplete2(const std::wstring& url) override;
    void OnBeforeNavigate2(const std::wstring& url, DWORD flags, const std::wstring& targetFrame, VARIANT* postData,
                           const std::wstring& headers, BOOL* cancel) override;
    void OnTitleChange(const std::wstring& title) override;

protected:
    int OnCreate(CREATESTRUCTW* cs) override;

private:
    // A hall link to another game of the platform: its launcher, else the offer to download it.
    void EnterGame(const std::wstring& url);
    const PageSettings& m_settings;
};

class CMainFrame : public fw::CFrameWnd {
public:
    explicit CMainFrame(const PageSettings& settings) : m_settings(settings) {}
    ~CMainFrame() override { StopWatchingMainProcess(); }

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    int OnCreate(CREATESTRUCTW* cs) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnTimer(UINT_PTR id);
    LRESULT OnSetMute(WPARAM wParam);
    LRESULT OnReloadHotkeys();
    void WatchMainProcess(HWND mainWnd);
    void StopWatchingMainProcess();
    const PageSettings& m_settings;
    // The main window's process: its end is seen at once, not at the next tick of timer 2, which
    // stays for a main window that goes while its process lives on.
    win::ScopedHandle m_mainProcess;
    HANDLE m_mainProcessWait = nullptr;
};

// The document, view and frame of the process, in the order of their destruction.
struct CPageWindows {
    explicit CPageWindows(const PageSettings& s) : settings(s), view(settings), frame(settings) {}
    PageSettings settings;
    CGmWndDoc doc;
    CGmWndView view;
    CMainFrame frame;
};

// Creates the frame hidden, titled "QuarnMorvane", announced to and joined with the main window,
// and starts the view's navigation; the frame shows itself when its page has loaded. Null when the
// frame could not be made.
std::unique_ptr<CPageWindows> OpenGamePage(const PageSettings& settings);

// The view of this process, once its first update ran.
extern CGmWndView* g_pPageView;

}  // namespace mrvn::gamewnd::page
