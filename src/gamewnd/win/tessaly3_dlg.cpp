#include "gamewnd/win/tessaly3_dlg.h"

#include <windowsx.h>

#include "core/install.h"
#include "gamewnd/page_label.h"
#include "gamewnd/private_messages.h"
#include "gamewnd/win/placement.h"
#include "hotkeys/win/key_state.h"
#include "hotkeys/win/setting_dlg.h"
#include "platform/win32/os_version.h"
#include "resource.h"
#include "skin/skin_images.h"
#include "skin/win/message_box.h"
#include "skin/win/skin_image.h"
#include "skin/win/skin_paint.h"

namespace mrvn::gamewnd {

CTessaly3Dlg* g_pMainDlg = nullptr;

namespace {

constexpr wchar_t kCaption[] = L"QuarnMorvane";

constexpr UINT_PTR kTimerPages = 3;       // mute broadcast, frames that are gone
constexpr UINT_PTR kTimerNotice = 4;      // the notice, once, after the first page
constexpr UINT_PTR kTimerCacheClean = 7;  // cache cleaning
constexpr UINT_PTR kTimerPending = 8;     // the pending page process ended unannounced

win::OwnedBitmap SkinImage(int id) { return win::OwnedBitmap(skin::LoadSkinImage(fw::ResourceInstance(), id)); }

}  // namespace

CTessaly3Dlg::CTessaly3Dlg(const MainWindowSettings& settings)
    : CDlgEx(IDD_TESSALY3_DIALOG, HWND(nullptr)),
      m_settings(settings),
      m_pages(m_tabs, *settings.launcher, settings.pageProgram),
      m_commands(m_settings, m_titleBar, [this] { ExitAll(); }) {
    m_hIcon = ::LoadIconW(fw::ResourceInstance(), MAKEINTRESOURCEW(IDI_MAINFRAME));
    g_pMainDlg = this;
}

CTessaly3Dlg::~CTessaly3Dlg() { if (g_pMainDlg == this) g_pMainDlg = nullptr; }

void CTessaly3Dlg::DoDataExchange(fw::CDataExchange* dx) { m_titleBar.Bind(dx); }

BOOL CTessaly3Dlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_hook.Install(m_hWnd, {[this] { return m_tabs.Count(); }, [this] { ToggleHideRestore(); },
                            [this] { m_bMuted = FlipMuted(m_bMuted); }});
    m_osvi = win::OsVersion();
    SetupAppearance();
    m_pages.SetMainWindow(m_hWnd);
    m_commands.SetMainWindow(m_hWnd, m_hIcon);
    // The windows that go when this one hides.
    m_commands.AddCompanion([this] { if (m_dlgAddAcc.m_hWnd) ::ShowWindow(m_dlgAddAcc.m_hWnd, SW_HIDE); });
    m_commands.AddCompanion([this] { m_dlgPopInfo.ShowPopup(false); });
    m_commands.AddCompanion([] { hotkeys::CancelOpenSettingsDialog(); });
    // With no page and no page process to come, the window would stay an invisible 1 x 1 for ever
    // (the program file may have been renamed under us by a repaired update).
    if (!m_pages.StartPageProcess()) ExitAll();
    StartTimer(kTimerPending);
    ReloadHotkeys();
    return TRUE;
}

void CTessaly3Dlg::SetupAppearance() {
    ModifyStyle(0, WS_CLIPCHILDREN);
    SetTitle(kCaption);
    m_nCaptionHeight = kCaptionHeight;
    m_nBorder = 4;
    m_nBtnRightMargin = 0;
    m_nBtnTop = 0;
    m_nBtnSpacing = 0;
    m_nTitleWeight = 600;
    m_bmpClose = SkinImage(kImgClose);
    m_bmpMinimize = SkinImage(kImgMinimize);
    SetSkin(SkinImage(kImgMainBg), false, true, m_bmpMinimize.Get(), SkinImage(kImgMaximize), SkinImage(kImgRestore),
            m_bmpClose.Get());
    m_bResizable = TRUE;
    // Out of sight while the first login runs in the first page process.
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 1, 1, SWP_NOZORDER | SWP_NOACTIVATE);

    m_titleBar.Setup();
    m_stripView.Create(this);
}

// ---- pages

void CTessaly3Dlg::SwitchToNextPage() {
    if (m_tabs.Count() == 0 || !::IsWindowVisible(m_hWnd) || ::IsIconic(m_hWnd)) return;
    const GameTabs::Switch s = m_tabs.SwitchToNextPage(m_pages.HallVisible());
    if (s.oldCurrent != s.newCurrent) {
        Repaint(TabRect(s.oldCurrent));
        Repaint(TabRect(s.newCurrent));
    }
    m_pages.ShowPage(ToHwnd(s.show));
}

void CTessaly3Dlg::ClosePage(int index) {
    const auto question = m_tabs.AskClose(index);
    if (!question) return;
    if (question->exitWindow) {
        Repaint(TabCloseRect(index));
        m_tabs.ClearHover();
        OnCancel();
        return;
    }
    if (skin::SkinMessageBox(m_hWnd, question->text, kCaption, 4) != IDYES) {
        m_tabs.ClearHover();
        Repaint(TabRect(index));
        return;
    }
    // By frame: while the question was up, the tabs may have changed.
    const GameTabs::Closed closed = m_tabs.CloseTab(question->frame);
    if (!closed.removed) return;
    m_pages.ShowPage(ToHwnd(closed.show));
    Repaint(closed.repaint);
    m_pages.CloseFrame(ToHwnd(closed.removed));
}

void CTessaly3Dlg::OnCancel() {
    if (skin::SkinMessageBox(m_hWnd, kExitQuestionText, kCaption, 4) == IDYES) ExitAll();
}

void CTessaly3Dlg::ExitAll() {
    m_hook.Remove();
    m_pages.CloseAll();
    SetTrayIcon(false);
    // The hall process ends by itself once this window is gone.
    ::PostQuitMessage(0);
}

void CTessaly3Dlg::ShowAddAccount() {
    if (!m_dlgAddAcc.m_hWnd && !m_dlgAddAcc.Create(this)) return;
    // The prompt's top right corner sits at the link's bottom right corner.
    const RECT link = m_titleBar.AccountLinkRect();
    const RECT prompt = m_dlgAddAcc.GetWindowRect();
    const int width = prompt.right - prompt.left;
    ::MoveWindow(m_dlgAddAcc.m_hWnd, link.right - width, link.bottom, width, prompt.bottom - prompt.top, TRUE);
    ::ShowWindow(m_dlgAddAcc.m_hWnd, SW_SHOW);
}

void CTessaly3Dlg::ToggleHall() { m_pages.ToggleHall(); }

void CTessaly3Dlg::ReloadHotkeys() {
    HotkeyStore store(*m_settings.ini, m_settings.settingsPath);
    m_bossKey = store.Read(HotkeyId::Boss);
    m_switchKey = store.Read(HotkeyId::WindowSwitch);
    m_pages.PostToFrames(WM_RELOAD_HOTKEYS, 0, 0, true);
    m_soundKey = store.Read(HotkeyId::Sound);
    m_hook.SetKeys(m_bossKey, m_soundKey);
}

// ---- messages from other processes

LRESULT CTessaly3Dlg::OnPageCreated(HWND frame, bool hall) {
    if (!::IsWindow(frame)) return 0;
    if (m_tabs.TakeFirstArrival()) {
        ToggleMaximize();
        SetTrayIcon(true);
        StartTimer(kTimerPages);
        StartTimer(kTimerCacheClean);
        StartTimer(kTimerNotice);
    }
    if (m_pages.OnPageCreated(frame, hall) && !hall) Repaint(StripRect(m_tabs.Count()));
    return 0;
}

LRESULT CTessaly3Dlg::OnCopyData(HWND sender, const COPYDATASTRUCT* data) {
    std::wstring label;
    if (!data || !ReadPageLabel(data->lpData, data->cbData, label)) return 0;
    bool known = false;
    const ProcessId pid = m_pages.LabelOwner(sender, known);
    return m_tabs.AddLabel(label, pid, known) ? 1 : 0;
}

LRESULT CTessaly3Dlg::OnAddAccount(WPARAM wParam) {
    // A page already on its way counts: two quick answers must not make a fourth tab.
    switch (DecideAddAccount(wParam, m_pages.PagesInFlight())) {
    case AddAccountAction::StartPage:
        if (!m_pages.StartPageProcess() && m_tabs.Count() == 0) ExitAll();
        break;
    case AddAccountAction::TooManyPages:
        skin::SkinMessageBox(m_hWnd, kTooManyPagesText, kCaption, 0);
        break;
    case AddAccountAction::NewLauncher:
        m_settings.launcher->Launch(m_settings.programPath, PlainCommandLine(m_settings.programPath));
        break;
    case AddAccountAction::Nothing:
        break;
    }
    return 0;
}

// ---- timers and commands

// Every timer of the window: its id, period and tick.
struct CTessaly3Dlg::TimerEntry {
    UINT_PTR id;
    UINT periodMs;
    void (CTessaly3Dlg::*tick)();
};

const CTessaly3Dlg::TimerEntry CTessaly3Dlg::kTimers[] = {
    {kTimerPages, 400, &CTessaly3Dlg::OnPagesTick},           // from the first page on
    {kTimerCacheClean, 2400000, &CTessaly3Dlg::OnCacheCleanTick},  // 40 minutes, from the first page on
    {kTimerNotice, 5000, &CTessaly3Dlg::OnNoticeTick},        // once: the login has closed by then
    {kTimerPending, 400, &CTessaly3Dlg::OnPendingTick},       // from the start
};

// Every command of the title bar: the control, its notification and what it does.
struct CTessaly3Dlg::CommandEntry {
    int id;
    UINT code;
    void (CTessaly3Dlg::*action)();
};

const CTessaly3Dlg::CommandEntry CTessaly3Dlg::kCommands[] = {
    {IDC_BTN_HIDE, BN_CLICKED, &CTessaly3Dlg::ToggleHideRestore},
    {IDC_BTN_SOUND, BN_CLICKED, &CTessaly3Dlg::OnSoundButton},
    {IDC_BTN_MENU, BN_CLICKED, &CTessaly3Dlg::OnMenuButton},
    {IDC_BTN_HALL, BN_CLICKED, &CTessaly3Dlg::ToggleHall},
    {IDC_LBL_OTHER_ACCOUNT, STN_CLICKED, &CTessaly3Dlg::ShowAddAccount},
    {5, 0, &CTessaly3Dlg::OpenSettings},  // the menu's "设置..."
};

void CTessaly3Dlg::StartTimer(UINT_PTR id) {
    for (const TimerEntry& t : kTimers) {
        if (t.id == id) ::SetTimer(m_hWnd, id, t.periodMs, nullptr);
    }
}

void CTessaly3Dlg::OnTimer(UINT_PTR id) {
    for (const TimerEntry& t : kTimers) {
        if (t.id == id) (this->*t.tick)();
    }
}

void CTessaly3Dlg::OnNoticeTick() {
    ::KillTimer(m_hWnd, kTimerNotice);
    m_dlgPopInfo.Open(m_hWnd, m_settings.notice);
}

void CTessaly3Dlg::OnPagesTick() {
    if (m_pages.DropDeadPages()) Repaint(StripRect(kMaxPages));
    // The sound state goes to every page on each tick; a page applies only a change.
    m_pages.PostToFrames(WM_SET_MUTE, m_bMuted ? 1 : 0, 0, false);
    m_commands.ShowLooks(m_bMuted, m_pages.HallVisible());
}

void CTessaly3Dlg::OnPendingTick() {
    // A pending page process that ended without a frame: with no page the launcher ends (nothing
    // could ever show it), with pages it is forgotten as a cancelled login would be.
    if (m_pages.PendingEndedUnannounced() && m_tabs.Count() == 0) ExitAll();
}

BOOL CTessaly3Dlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    for (const CommandEntry& c : kCommands) {
        if (c.id == LOWORD(wParam) && c.code == HIWORD(wParam)) {
            (this->*c.action)();
            return TRUE;
        }
    }
    return CDlgEx::OnCommand(wParam, lParam);
}

// ---- keys

BOOL CTessaly3Dlg::PreTranslateMessage(MSG* msg) {
    const UINT m = msg->message;
    if ((m == WM_KEYDOWN || m == WM_SYSKEYDOWN) && msg->lParam != kLauncherMarker) {
        if (HotkeyMatches(m_switchKey, int32_t(msg->wParam), hotkeys::CurrentModifiersNow())) {
            SwitchToNextPage();
            return TRUE;
        }
    }
    if (m == WM_KEYDOWN && (msg->wParam == VK_ESCAPE || msg->wParam == VK_SPACE)) return TRUE;
    if (m == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == SC_CLOSE && msg->hwnd == m_hWnd) {
        switch (DecideCloseCommand(msg->lParam, m_tabs.Count(), m_pages.HasPending())) {
        case CloseCommand::Exit:
            ExitAll();
            return TRUE;
        case CloseCommand::ForgetPending:
            m_pages.ForgetPending();
            return TRUE;
        case CloseCommand::PassOn:
            break;
        }
    } else if (((m == WM_CHAR && IsFavouritesChar(msg->wParam, msg->lParam)) || (m == WM_KEYDOWN && msg->wParam == VK_F5)) &&
               m_tabs.Count() > 0) {
        HWND current = ToHwnd(m_tabs.CurrentFrame());
        HWND target = ::IsWindowVisible(current) ? current : m_pages.HallVisible() ? m_pages.Hall() : nullptr;
        if (target) ::PostMessageW(target, m, msg->wParam, msg->lParam);
        return TRUE;
    } else if (m == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == SC_RESTORE && m_tabs.Count() == 0) {
        ::ShowWindow(m_hWnd, SW_RESTORE);
    }
    m_stripView.RelayEvent(msg);
    return CDlgEx::PreTranslateMessage(msg);
}

// ---- the strip and the title bar

void CTessaly3Dlg::Repaint(const SkinRect& r, BOOL erase) {
    const RECT rc = skin::ToRect(r);
    ::InvalidateRect(m_hWnd, &rc, erase);
}

POINT CTessaly3Dlg::ClientPoint(LPARAM lParam, bool screen) const {
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (screen) ::ScreenToClient(m_hWnd, &p);
    return p;
}

bool CTessaly3Dlg::InStrip(POINT client) const { return HitTestStrip({client.x, client.y}, m_tabs.Count()).tab >= 0; }

BOOL CTessaly3Dlg::OnEraseBkgnd(HDC dc) {
    const RECT wr = GetWindowRect();
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    return skin::PaintBuffered(dc, m_hWnd, w, h, false, [&](HDC mem) {
        PaintFrame(mem);
        m_stripView.Paint(mem, GetFont(), m_tabs);
    });
}

LRESULT CTessaly3Dlg::OnNcHitTest(LPARAM lParam) {
    const LRESULT r = CDlgEx::OnNcHitTest(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    const POINT c = ClientPoint(lParam, true);
    const GameTabs::Hover hover =
        m_tabs.OnHitTest({c.x, c.y}, (::GetKeyState(VK_LBUTTON) & 0x8000) != 0, r == HTCAPTION);
    for (const SkinRect& rect : hover.repaint) Repaint(rect);
    m_stripView.ShowTip(hover, m_tabs);
    if (hover.trackLeave) {
        TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, m_hWnd, HOVER_DEFAULT};
        m_tabs.SetTrackingLeave(::TrackMouseEvent(&tme) != FALSE);
    }
    return r;
}

bool CTessaly3Dlg::OnStripLeftDown(POINT client) {
    const GameTabs::Press press = m_tabs.OnLeftButtonDown({client.x, client.y}, m_pages.HallVisible());
    if (!press.inStrip) return false;
    if (press.show) m_pages.ShowPage(ToHwnd(press.show));
    for (const SkinRect& r : press.repaint) Repaint(r);
    return true;
}

bool CTessaly3Dlg::OnStripLeftUp(POINT client) {
    const StripHit hit = HitTestStrip({client.x, client.y}, m_tabs.Count());
    if (hit.tab < 0) return false;
    // The close takes effect on release, wherever the press was.
    if (hit.onClose) ClosePage(hit.tab);
    return true;
}

bool CTessaly3Dlg::OnStripMiddleUp(POINT client) {
    const StripHit hit = HitTestStrip({client.x, client.y}, m_tabs.Count());
    if (hit.tab < 0) return false;
    ClosePage(hit.tab);
    return true;
}

void CTessaly3Dlg::OnMouseLeave(bool clientForm) {
    if (const auto r = m_tabs.OnMouseLeave(clientForm)) Repaint(*r);
}

void CTessaly3Dlg::LayoutTitleBar(int width) {
    const TitleBarWidth::Change change = m_titleBar.Layout(width, int(m_osvi.dwMajorVersion));
    if (!change.relayout) return;
    for (skin::CBtnEx* b : {&m_btnClose, &m_btnMax, &m_btnMin}) {
        if (b->m_hWnd) ::InvalidateRect(b->m_hWnd, nullptr, TRUE);
    }
    if (change.repaintCorner) {
        const RECT corner = skin::ToRect(CornerRepaintRect(skin::ToSkin(GetWindowRect())));
        ::RedrawWindow(::GetDesktopWindow(), &corner, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
}

LRESULT CTessaly3Dlg::OnSize(UINT type, int width, int /*height*/) {
    if (type == SIZE_MINIMIZED) {
        m_pages.OnMainMinimized();
        return Default();
    }
    m_pages.OnMainResized();
    const LRESULT r = CDlgEx::OnSize(width);
    LayoutTitleBar(width);
    return r;
}

bool CTessaly3Dlg::OnWindowPosChanging(WINDOWPOS* pos) {
    if (!pos || (pos->flags & SWP_NOSIZE)) return false;
    const SizeClamp clamp = ClampWindowSize(pos->cx, pos->cy, m_tabs.Count());
    if (!clamp.raised) return false;
    pos->cx = clamp.cx;
    pos->cy = clamp.cy;
    return true;
}

bool CTessaly3Dlg::OnPaintMinimized() {
    if (!::IsIconic(m_hWnd)) return false;
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    const RECT rc = GetClientRect();
    const int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
    ::DrawIcon(dc, (rc.right - cx + 1) / 2, (rc.bottom - cy + 1) / 2, m_hIcon);
    ::EndPaint(m_hWnd, &ps);
    return true;
}

LRESULT CTessaly3Dlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_hook.OnMessage(msg, wParam)) return 0;
    switch (msg) {
    case WM_PAGE_CREATED:
        return OnPageCreated(reinterpret_cast<HWND>(wParam), lParam != 0);
    case WM_HOTKEYS_CHANGED:
        ReloadHotkeys();
        return 0;
    case WM_ADD_ACCOUNT:
        return OnAddAccount(wParam);
    case WM_TRAYICON:
    case WM_SHOW_TRAY_MENU:
    case WM_UPDATE_CHECKED:
        return m_commands.OnMessage(msg, wParam, lParam);
    case WM_COPYDATA:
        return OnCopyData(reinterpret_cast<HWND>(wParam), reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_TIMER:
        OnTimer(wParam);
        return Default();
    case WM_ERASEBKGND:
        return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_NCHITTEST:
        return OnNcHitTest(lParam);
    case WM_LBUTTONDOWN:
        if (OnStripLeftDown(ClientPoint(lParam, false))) return 0;
        break;
    case WM_NCLBUTTONDOWN:
        if (OnStripLeftDown(ClientPoint(lParam, true))) return 0;
        break;
    case WM_LBUTTONUP:
        if (OnStripLeftUp(ClientPoint(lParam, false))) return 0;
        break;
    case WM_NCLBUTTONUP:
        if (OnStripLeftUp(ClientPoint(lParam, true))) return 0;
        break;
    case WM_LBUTTONDBLCLK:
        if (InStrip(ClientPoint(lParam, false))) return 0;
        break;
    case WM_NCLBUTTONDBLCLK:
        if (InStrip(ClientPoint(lParam, true))) return 0;
        break;
    case WM_MBUTTONUP:
        if (OnStripMiddleUp(ClientPoint(lParam, false))) return 0;
        break;
    case WM_NCMBUTTONUP:
        if (OnStripMiddleUp(ClientPoint(lParam, true))) return 0;
        break;
    case WM_MOUSELEAVE:
        OnMouseLeave(true);
        break;
    case WM_NCMOUSELEAVE:
        OnMouseLeave(false);
        break;
    case WM_SIZE:
        return OnSize(UINT(wParam), LOWORD(lParam), HIWORD(lParam));
    case WM_WINDOWPOSCHANGING:
        if (OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam))) return 0;
        break;
    case WM_WINDOWPOSCHANGED: {
        const LRESULT r = CDlgEx::WindowProc(msg, wParam, lParam);
        m_pages.OnMainMoved(*reinterpret_cast<const WINDOWPOS*>(lParam));
        return r;
    }
    case WM_SHOWWINDOW:
        m_pages.OnMainShown(wParam != 0);
        break;
    case WM_PAINT:
        if (OnPaintMinimized()) return 0;
        break;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_hIcon);
    default:
        break;
    }
    return CDlgEx::WindowProc(msg, wParam, lParam);
}

void RunMainWindow(const MainWindowSettings& settings) {
    CTessaly3Dlg dlg(settings);
    dlg.DoModal();
}

}  // namespace mrvn::gamewnd
