#include "gamewnd/page/win/page_frame.h"

#include "extras/win/fav_dlg.h"
#include "gamewnd/page/page_rules.h"
#include "gamewnd/private_messages.h"
#include "gamewnd/win/placement.h"
#include "hotkeys/hotkey_format.h"
#include "hotkeys/win/key_state.h"
#include "hotkeys/win/sound_mute.h"

namespace mrvn::gamewnd::page {

CGmWndView* g_pPageView = nullptr;

namespace {

// This process's copies of the three hotkeys.
Hotkey g_bossKey;
Hotkey g_switchKey;
Hotkey g_soundKey;

// The box a page's script opens when it is asked to close, under the names browsers give it.
void KillScriptBox() {
    for (const wchar_t* title : {L"来自网页的消息", L"Windows Internet Explorer", L"Microsoft Internet Explorer"}) {
        if (HWND box = ::FindWindowW(L"#32770", title)) {
            ::DestroyWindow(box);
            return;
        }
    }
}

// Brings the main window above other programs' windows without activating it; the input of its
// thread is joined to the foreground's for the two calls only.
void RaiseMainWindow(HWND mainWnd) {
    if (!::IsWindow(mainWnd)) return;
    const DWORD mainThread = ::GetWindowThreadProcessId(mainWnd, nullptr);
    HWND fg = ::GetForegroundWindow();
    const DWORD fgThread = fg ? ::GetWindowThreadProcessId(fg, nullptr) : 0;
    const bool attached = fgThread && fgThread != mainThread && ::AttachThreadInput(mainThread, fgThread, TRUE);
    constexpr UINT flags = SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE;
    ::SetWindowPos(mainWnd, HWND_TOPMOST, 0, 0, 0, 0, flags);
    ::SetWindowPos(mainWnd, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
    if (attached) ::AttachThreadInput(mainThread, fgThread, FALSE);
}

}  // namespace

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTW& cs) {
    if (!CFrameWnd::PreCreateWindow(cs)) return FALSE;
    cs.cx = 10;
    cs.cy = 10;
    cs.hMenu = nullptr;
    return TRUE;
}

int CMainFrame::OnCreate(CREATESTRUCTW* cs) {
    ModifyStyle(WS_CAPTION | WS_THICKFRAME, 0);
    ModifyStyleEx(WS_EX_CLIENTEDGE, 0);
    // No taskbar button: the page belongs to the main window's.
    ModifyStyleEx(WS_EX_APPWINDOW, WS_EX_TOOLWINDOW);
    if (CFrameWnd::OnCreate(cs) == -1) return -1;
    // Topmost only as a child, where it means nothing to other programs; an overlay frame that
    // was topmost would stand over every other program's windows.
    if (CurrentPlacement() == Placement::Child)
        ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    HWND mainWnd = m_settings.mainWnd;
    if (::IsWindow(mainWnd)) {
        ::PostMessageW(mainWnd, WM_PAGE_CREATED, reinterpret_cast<WPARAM>(m_hWnd), m_settings.ShowsHall() ? 1 : 0);
        AttachFrame(m_hWnd, mainWnd);
        WatchMainProcess(mainWnd);
    }
    OnReloadHotkeys();
    ::SetTimer(m_hWnd, TIMER_WATCH_MAIN, kWatchMainMs, nullptr);
    return 0;
}

namespace {
void CALLBACK MainProcessEnded(void* frame, BOOLEAN) {
    ::PostMessageW(static_cast<HWND>(frame), WM_MAIN_PROCESS_ENDED, 0, 0);
}
}  // namespace

void CMainFrame::WatchMainProcess(HWND mainWnd) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(mainWnd, &pid);
    if (!pid || pid == ::GetCurrentProcessId()) return;
    m_mainProcess.Reset(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    // Without the wait, timer 2 alone ends the process.
    if (!m_mainProcess) return;
    if (!::RegisterWaitForSingleObject(&m_mainProcessWait, m_mainProcess.Get(), MainProcessEnded, m_hWnd, INFINITE,
                                       WT_EXECUTEONLYONCE)) {
        m_mainProcessWait = nullptr;
    }
}

void CMainFrame::StopWatchingMainProcess() {
    // Waits for a callback under way: it only posts to this window.
    if (m_mainProcessWait) ::UnregisterWaitEx(m_mainProcessWait, INVALID_HANDLE_VALUE);
    m_mainProcessWait = nullptr;
    m_mainProcess.Reset();
}

BOOL CMainFrame::PreTranslateMessage(MSG* msg) {
    const UINT m = msg->message;
    HWND mainWnd = m_settings.mainWnd;
    if ((m == WM_KEYDOWN || m == WM_SYSKEYDOWN) && msg->lParam != kLauncherMarker) {
        const int32_t mods = hotkeys::CurrentModifiersNow();
        if (page::ForwardsToMainWindow(g_switchKey, int32_t(msg->wParam), mods, long(msg->lParam))) {
            ::PostMessageW(mainWnd, m, msg->wParam, msg->lParam);
            return TRUE;
        }
    }
    if (m == WM_CHAR && msg->wParam == 4 && HIWORD(msg->lParam) == 0x0020) {
        const std::wstring title = m_settings.pageTitle ? *m_settings.pageTitle : std::wstring();
        const std::wstring url = m_settings.navigatedUrl ? *m_settings.navigatedUrl : std::wstring();
        extras::CFavDlg dlg(title, url, mainWnd);
        dlg.DoModal();
        return TRUE;
    }
    if (m == WM_KEYDOWN && msg->wParam == VK_F5) {
        if (page::F5Refreshes(g_bossKey, g_soundKey, long(msg->lParam)) && g_pPageView) g_pPageView->Refresh();
        return TRUE;
    }
    if (m == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == SC_CLOSE) {
        ::SetTimer(m_hWnd, TIMER_KILL_SCRIPT_BOX, kKillScriptBoxMs, nullptr);
    }
    return CFrameWnd::PreTranslateMessage(msg);
}

void CMainFrame::OnTimer(UINT_PTR id) {
    switch (id) {
    case TIMER_WATCH_MAIN:
        // Also when the main window ended without closing us: a crash, or the hall, which it never closes.
        if (!::IsWindow(m_settings.mainWnd)) ::PostQuitMessage(0);
        break;
    case TIMER_KILL_SCRIPT_BOX:
        ::KillTimer(m_hWnd, id);
        KillScriptBox();
        break;
    case TIMER_RAISE_MAIN:
        ::KillTimer(m_hWnd, id);
        RaiseMainWindow(m_settings.mainWnd);
        break;
    default:
        break;
    }
}

LRESULT CMainFrame::OnSetMute(WPARAM wParam) { return hotkeys::OnSetMuteMessage(wParam); }

LRESULT CMainFrame::OnReloadHotkeys() {
    if (!m_settings.ini) return 0;
    HotkeyStore store(*m_settings.ini, m_settings.settingsPath);
    g_bossKey = store.Read(HotkeyId::Boss);
    g_switchKey = store.Read(HotkeyId::WindowSwitch);
    g_soundKey = store.Read(HotkeyId::Sound);
    return 0;
}

LRESULT CMainFrame::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_TIMER: {
        const LRESULT r = Default();
        OnTimer(wParam);
        return r;
    }
    case WM_MOUSEACTIVATE:
        ::SetTimer(m_hWnd, TIMER_RAISE_MAIN, kRaiseMainMs, nullptr);
        break;
    case WM_DESTROY:
        StopWatchingMainProcess();
        break;
    default:
        break;
    }
    if (msg == WM_SET_MUTE) return OnSetMute(wParam);
    if (msg == WM_RELOAD_HOTKEYS) return OnReloadHotkeys();
    if (msg == WM_MAIN_PROCESS_ENDED) {
        // Its windows went with it.
        ::PostQuitMessage(0);
        return 0;
    }
    return CFrameWnd::WindowProc(msg, wParam, lParam);
}

std::unique_ptr<CPageWindows> OpenGamePage(const PageSettings& settings) {
    auto page = std::make_unique<CPageWindows>(settings);
    if (!page->doc.OnNewDocument()) return nullptr;
    // Made hidden and titled at once: the first navigation may complete inside the view's first
    // update and show the frame, which a later hide would undo.
    const RECT rc{0, 0, 10, 10};
    if (!page->frame.LoadFrame(L"QuarnMorvane", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, rc, nullptr, &page->view))
        return nullptr;
    ::UpdateWindow(page->frame.m_hWnd);
    page->frame.InitialUpdateFrame();
    return page;
}

}  // namespace mrvn::gamewnd::page
