#include "gamewnd/win/tessaly3_dlg.h"

#include <windowsx.h>

#include <vector>

#include "core/win/app.h"
#include "platform/win32/win32_platform.h"
#include "gamewnd/page_label.h"
#include "gamewnd/private_messages.h"
#include "gamewnd/win/placement.h"
#include "resource.h"
#include "skin/skin_images.h"
#include "skin/win/message_box.h"
#include "skin/win/skin_image.h"
#include "skin/win/skin_paint.h"

namespace mrvn::gamewnd {

CTessaly3Dlg* g_pMainDlg = nullptr;

namespace {

constexpr wchar_t kCaption[] = L"QuarnMorvane";

win::OwnedBitmap SkinImage(int id) { return win::OwnedBitmap(skin::LoadSkinImage(fw::ResourceInstance(), id)); }

HWND ToHwnd(FrameHandle f) { return reinterpret_cast<HWND>(f); }
FrameHandle ToFrame(HWND h) { return reinterpret_cast<FrameHandle>(h); }

// A key is down for this thread, or for the system: a key forwarded by a page process arrives
// while this thread never saw the modifier go down (an overlay frame shares no input state with us).
bool KeyDown(int vk) { return (::GetKeyState(vk) & 0x8000) || (::GetAsyncKeyState(vk) & 0x8000); }

bool ProcessAlive(ProcessId pid) {
    win::ScopedHandle h(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (!h) return ::GetLastError() == ERROR_ACCESS_DENIED;
    return ::WaitForSingleObject(h.Get(), 0) == WAIT_TIMEOUT;
}

void BuildImageList(fw::CImageList& list, HBITMAP strip, int frames) {
    const SIZE s = skin::BitmapSize(strip);
    if (!strip || s.cx < frames) return;
    if (list.Create(s.cx / frames, s.cy, ILC_COLOR24 | ILC_MASK, frames, 0)) list.Add(strip, skin::kKeyColor);
}

void DrawFrameOf(const fw::CImageList& list, int frame, HDC dc, const SkinRect& r) {
    ::ImageList_DrawEx(list.GetSafeHandle(), frame, dc, r.left, r.top, r.Width(), r.Height(), CLR_DEFAULT,
                       CLR_DEFAULT, ILD_TRANSPARENT);
}

}  // namespace

std::wstring PageProgramPath() {
    wchar_t buf[MAX_PATH + 1] = {};
    const DWORD n = ::GetEnvironmentVariableW(L"MRVN_PAGE_PROGRAM", buf, MAX_PATH + 1);
    if (n > 0 && n <= MAX_PATH) return buf;
    return win::Win32ProcessEnv().ProgramPath();
}

CTessaly3Dlg::CTessaly3Dlg(ProfileFile& ini, std::wstring settingsPath)
    : CDlgEx(IDD_TESSALY3_DIALOG, HWND(nullptr)), m_ini(ini), m_settingsPath(std::move(settingsPath)) {
    m_hIcon = ::LoadIconW(fw::ResourceInstance(), MAKEINTRESOURCEW(IDI_MAINFRAME));
    g_pMainDlg = this;
}

CTessaly3Dlg::~CTessaly3Dlg() {
    if (g_pMainDlg == this) g_pMainDlg = nullptr;
}

void CTessaly3Dlg::DoDataExchange(fw::CDataExchange* dx) {
    fw::DDX_Control(dx, IDC_BTN_HIDE, m_btnHide);
    fw::DDX_Control(dx, IDC_BTN_MENU, m_btnMenu);
    fw::DDX_Control(dx, IDC_BTN_SOUND, m_btnSound);
    fw::DDX_Control(dx, IDC_LBL_OTHER_ACCOUNT, m_lblOtherAccount);
    fw::DDX_Control(dx, IDC_BTN_HALL, m_btnHall);
}

BOOL CTessaly3Dlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    // The low-level keyboard hook (boss, window-switch and sound keys) is installed here by the
    // hotkey work of a later issue; until then the switch key works through PreTranslateMessage.
    m_osvi.dwOSVersionInfoSize = sizeof(m_osvi);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ::GetVersionExW(&m_osvi);
#pragma GCC diagnostic pop
    SetupAppearance();
    StartPageProcess();
    ::SetTimer(m_hWnd, kTimerPending, kPagesPeriodMs, nullptr);
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

    m_bmpHide = SkinImage(kImgHide);
    m_bmpSoundOn = SkinImage(kImgSoundOn);
    m_bmpSoundOff = SkinImage(kImgSoundOff);
    m_bmpMenu = SkinImage(kImgMenu);
    m_bmpHallHidden = SkinImage(kImgHallHidden);
    m_bmpHallShown = SkinImage(kImgHallShown);
    m_bmpAccount = SkinImage(kImgAccount);
    m_btnHide.SetImageStrip(m_bmpHide.Get(), true);
    m_btnSound.SetImageStrip(m_bmpSoundOn.Get(), true);
    m_btnMenu.SetImageStrip(m_bmpMenu.Get(), true);
    m_btnMenu.m_crText = RGB(255, 255, 255);
    m_btnMenu.SetLabel(L"系统");
    m_btnHall.SetImageStrip(m_bmpHallHidden.Get(), true);
    // Image-only buttons: the name is for screen readers; the skin draws no text on them.
    m_btnHide.SetWindowText(L"隐藏");
    m_btnSound.SetWindowText(L"声音");
    m_btnHall.SetWindowText(L"游戏大厅");

    m_lblOtherAccount.m_crText = RGB(255, 255, 255);
    m_lblOtherAccount.m_bHandCursor = TRUE;
    m_lblOtherAccount.m_bUnderline = TRUE;
    m_lblOtherAccount.ModifyStyle(0, SS_NOTIFY);
    m_lblOtherAccount.SetImage(m_bmpAccount.Get());

    win::OwnedBitmap tabs = SkinImage(kImgTab);
    win::OwnedBitmap close = SkinImage(kImgTabClose);
    BuildImageList(m_imgTabs, tabs.Get(), 3);
    BuildImageList(m_imgTabClose, close.Get(), 3);

    if (m_tipTabs.Create(this, TTS_ALWAYSTIP)) {
        m_tipTabs.AddTool(this, nullptr, 0);
        m_tipTabs.SetDelayTime(TTDT_AUTOMATIC, 500);
    }
}

// ---- processes

bool CTessaly3Dlg::StartProcess(const std::wstring& commandLine, bool keepAsPending) {
    std::vector<wchar_t> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back(L'\0');
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    // Wine ignores the priority class of CreateProcess, so it is set again before the process runs.
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, IDLE_PRIORITY_CLASS | CREATE_SUSPENDED,
                          nullptr, nullptr, &si, &pi))
        return false;
    ::SetPriorityClass(pi.hProcess, IDLE_PRIORITY_CLASS);
    ::ResumeThread(pi.hThread);
    ::CloseHandle(pi.hThread);
    if (keepAsPending) {
        m_hPendingProcess.Reset(pi.hProcess);
    } else {
        ::CloseHandle(pi.hProcess);
    }
    return true;
}

void CTessaly3Dlg::StartPageProcess() {
    // With no page and no page process to come, the window would stay an invisible 1 x 1 for ever
    // (the program file may have been renamed under us by a repaired update).
    if (!StartProcess(PageProcessCommandLine(PageProgramPath(), ToFrame(m_hWnd), m_tabs.Count()), true) &&
        m_tabs.Count() == 0)
        ExitAll();
}

// ---- pages

bool CTessaly3Dlg::HallVisible() const { return m_hHallWnd && ::IsWindow(m_hHallWnd) && ::IsWindowVisible(m_hHallWnd); }

HWND CTessaly3Dlg::FrameInPageArea() const {
    if (HallVisible()) return m_hHallWnd;
    return ToHwnd(m_tabs.CurrentFrame());
}

void CTessaly3Dlg::ShowPage(HWND frame) {
    for (FrameHandle f : m_tabs.Frames()) {
        HWND h = ToHwnd(f);
        if (h != frame) {
            HideFrame(h);
            continue;
        }
        ShowFrame(h, m_hWnd);
        ::SetForegroundWindow(h);
        if (HallVisible()) HideFrame(m_hHallWnd);
    }
}

void CTessaly3Dlg::SwitchToNextPage() {
    if (m_tabs.Count() == 0 || !::IsWindowVisible(m_hWnd) || ::IsIconic(m_hWnd)) return;
    const GameTabs::Switch s = m_tabs.SwitchToNextPage(HallVisible());
    if (s.oldCurrent != s.newCurrent) {
        Repaint(TabRect(s.oldCurrent));
        Repaint(TabRect(s.newCurrent));
    }
    ShowPage(ToHwnd(s.show));
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
    ShowPage(ToHwnd(closed.show));
    Repaint(closed.repaint);
    HWND removed = ToHwnd(closed.removed);
    DetachFrame(removed);
    ::PostMessageW(removed, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void CTessaly3Dlg::OnCancel() {
    if (skin::SkinMessageBox(m_hWnd, kExitQuestionText, kCaption, 4) == IDYES) ExitAll();
}

void CTessaly3Dlg::ExitAll() {
    if (m_hPendingProcess) {
        ::TerminateProcess(m_hPendingProcess.Get(), 0);
        m_hPendingProcess.Reset();
    }
    // The keyboard hook of a later issue is removed here.
    for (FrameHandle f : m_tabs.Frames()) {
        HWND h = ToHwnd(f);
        DetachFrame(h);
        ::PostMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    SetTrayIcon(false);
    // The hall process ends by itself once this window is gone.
    ::PostQuitMessage(0);
}

void CTessaly3Dlg::ShowAddAccount() {
    if (!m_dlgAddAcc.m_hWnd && !m_dlgAddAcc.Create(this)) return;
    // The prompt's top right corner sits at the link's bottom right corner.
    const RECT link = m_lblOtherAccount.GetWindowRect();
    const RECT prompt = m_dlgAddAcc.GetWindowRect();
    const int width = prompt.right - prompt.left;
    ::MoveWindow(m_dlgAddAcc.m_hWnd, link.right - width, link.bottom, width, prompt.bottom - prompt.top, TRUE);
    ::ShowWindow(m_dlgAddAcc.m_hWnd, SW_SHOW);
}

void CTessaly3Dlg::ToggleHall() {
    const bool hallWindow = m_hHallWnd && ::IsWindow(m_hHallWnd);
    if (hallWindow && ::IsWindowVisible(m_hHallWnd)) {
        ShowPage(ToHwnd(m_tabs.CurrentFrame()));
        HideFrame(m_hHallWnd);
        return;
    }
    if (hallWindow) {
        ShowFrame(m_hHallWnd, m_hWnd);
    } else {
        StartProcess(HallProcessCommandLine(PageProgramPath(), ToFrame(m_hWnd)), false);
    }
    ShowPage(nullptr);
}

void CTessaly3Dlg::ReloadHotkeys() {
    HotkeyStore store(m_ini, m_settingsPath);
    m_bossKey = store.Read(HotkeyId::Boss);
    m_switchKey = store.Read(HotkeyId::WindowSwitch);
    for (FrameHandle f : m_tabs.Frames()) ::PostMessageW(ToHwnd(f), WM_RELOAD_HOTKEYS, 0, 0);
    if (m_hHallWnd) ::PostMessageW(m_hHallWnd, WM_RELOAD_HOTKEYS, 0, 0);
    m_soundKey = store.Read(HotkeyId::Sound);
}

void CTessaly3Dlg::BroadcastMute(bool muted) {
    for (FrameHandle f : m_tabs.Frames()) ::PostMessageW(ToHwnd(f), WM_SET_MUTE, muted ? 1 : 0, 0);
}

void CTessaly3Dlg::CheckPendingProcess() {
    if (!m_hPendingProcess || ::WaitForSingleObject(m_hPendingProcess.Get(), 0) != WAIT_OBJECT_0) return;
    m_hPendingProcess.Reset();
    if (m_tabs.Count() == 0) ExitAll();
}

void CTessaly3Dlg::DropDeadPages() {
    bool changed = false;
    for (FrameHandle f : m_tabs.Frames()) {
        if (::IsWindow(ToHwnd(f))) continue;
        const GameTabs::Dropped d = m_tabs.DropFrame(f);
        changed = changed || d.dropped;
        if (d.show) ShowPage(ToHwnd(d.show));
    }
    for (ProcessId owner : m_tabs.WaitingLabelOwners()) {
        if (!ProcessAlive(owner)) m_tabs.DropWaitingLabels(owner);
    }
    if (changed) Repaint(StripRect(kMaxPages));
}

// ---- messages from other processes

LRESULT CTessaly3Dlg::OnPageCreated(HWND frame, bool hall) {
    if (!::IsWindow(frame)) return 0;
    if (m_tabs.TakeFirstArrival()) {
        ToggleMaximize();
        SetTrayIcon(true);
        ::SetTimer(m_hWnd, kTimerPages, kPagesPeriodMs, nullptr);
        ::SetTimer(m_hWnd, kTimerCacheClean, kCacheCleanPeriodMs, nullptr);
    }
    if (hall) {
        m_hHallWnd = frame;
        return 0;
    }
    ShowPage(nullptr);
    if (m_hHallWnd && ::IsWindow(m_hHallWnd)) HideFrame(m_hHallWnd);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(frame, &pid);
    if (m_tabs.AttachFrame(ToFrame(frame), pid) < 0) return 0;
    // A page that showed itself before this message came was placed by the size the window had then.
    PlaceFrame(frame, m_hWnd, false);
    m_hPendingProcess.Reset();
    Repaint(StripRect(m_tabs.Count()));
    return 0;
}

LRESULT CTessaly3Dlg::OnCopyData(HWND sender, const COPYDATASTRUCT* data) {
    std::wstring label;
    if (!data || !ReadPageLabel(data->lpData, data->cbData, label)) return 0;
    DWORD pid = 0;
    bool known = false;
    if (sender && ::IsWindow(sender)) {
        ::GetWindowThreadProcessId(sender, &pid);
        known = pid != 0;
    } else if (m_hPendingProcess) {
        pid = ::GetProcessId(m_hPendingProcess.Get());
    }
    return m_tabs.AddLabel(label, pid, known) ? 1 : 0;
}

LRESULT CTessaly3Dlg::OnAddAccount(WPARAM wParam) {
    switch (DecideAddAccount(wParam, m_tabs.Count())) {
    case AddAccountAction::StartPage:
        StartPageProcess();
        break;
    case AddAccountAction::TooManyPages:
        skin::SkinMessageBox(m_hWnd, kTooManyPagesText, kCaption, 0);
        break;
    case AddAccountAction::NewLauncher:
        win::LaunchProgram();
        break;
    case AddAccountAction::Nothing:
        break;
    }
    return 0;
}

void CTessaly3Dlg::OnTimer(UINT_PTR id) {
    if (id == kTimerPages) {
        DropDeadPages();
        BroadcastMute(m_bMuted != 0);
        // The button looks of the window commands (a later issue) are refreshed here too.
    }
    if (id == kTimerPending) CheckPendingProcess();
    // kTimerCacheClean: the cache cleaning of a later issue starts here.
}

BOOL CTessaly3Dlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT code = HIWORD(wParam);
    switch (LOWORD(wParam)) {
    case IDC_BTN_HALL:
        if (code == BN_CLICKED) {
            ToggleHall();
            return TRUE;
        }
        break;
    case IDC_BTN_HIDE:
        if (code == BN_CLICKED) {
            ToggleHideRestore();
            return TRUE;
        }
        break;
    case IDC_LBL_OTHER_ACCOUNT:
        if (code == STN_CLICKED) {
            ShowAddAccount();
            return TRUE;
        }
        break;
    // The sound and menu buttons get their commands with the window commands of a later issue.
    default:
        break;
    }
    return CDlgEx::OnCommand(wParam, lParam);
}

// ---- keys

BOOL CTessaly3Dlg::PreTranslateMessage(MSG* msg) {
    const UINT m = msg->message;
    if ((m == WM_KEYDOWN || m == WM_SYSKEYDOWN) && msg->lParam != kLauncherMarker) {
        const int32_t mods = CurrentModifiers(KeyDown(VK_CONTROL), KeyDown(VK_SHIFT), KeyDown(VK_MENU));
        if (HotkeyMatches(m_switchKey, int32_t(msg->wParam), mods)) {
            SwitchToNextPage();
            return TRUE;
        }
    }
    if (m == WM_KEYDOWN && (msg->wParam == VK_ESCAPE || msg->wParam == VK_SPACE)) return TRUE;
    if (m == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == SC_CLOSE && msg->hwnd == m_hWnd) {
        switch (DecideCloseCommand(msg->lParam, m_tabs.Count(), bool(m_hPendingProcess))) {
        case CloseCommand::Exit:
            ExitAll();
            return TRUE;
        case CloseCommand::ForgetPending:
            m_hPendingProcess.Reset();
            return TRUE;
        case CloseCommand::PassOn:
            break;
        }
    } else if (((m == WM_CHAR && IsFavouritesChar(msg->wParam, msg->lParam)) || (m == WM_KEYDOWN && msg->wParam == VK_F5)) &&
               m_tabs.Count() > 0) {
        HWND current = ToHwnd(m_tabs.CurrentFrame());
        HWND target = ::IsWindowVisible(current) ? current : HallVisible() ? m_hHallWnd : nullptr;
        if (target) ::PostMessageW(target, m, msg->wParam, msg->lParam);
        return TRUE;
    } else if (m == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == SC_RESTORE && m_tabs.Count() == 0) {
        ::ShowWindow(m_hWnd, SW_RESTORE);
    }
    if (m_tipTabs.m_hWnd) m_tipTabs.RelayEvent(msg);
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
        win::ScopedSaveDc saved(mem);
        if (HFONT font = GetFont()) ::SelectObject(mem, font);
        ::SetBkMode(mem, TRANSPARENT);
        skin::GdiTextMeasurer measurer(mem);
        for (const GameTabs::TabPaint& tab : m_tabs.PaintTabs(measurer)) {
            DrawFrameOf(m_imgTabs, tab.backgroundFrame, mem, tab.background);
            if (tab.closeFrame >= 0) DrawFrameOf(m_imgTabClose, tab.closeFrame, mem, tab.closeBox);
            RECT text = skin::ToRect(tab.textRect);
            ::DrawTextW(mem, tab.text.c_str(), int(tab.text.size()), &text, DT_SINGLELINE);
        }
    });
}

LRESULT CTessaly3Dlg::OnNcHitTest(LPARAM lParam) {
    const LRESULT r = CDlgEx::OnNcHitTest(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    const POINT c = ClientPoint(lParam, true);
    const GameTabs::Hover hover =
        m_tabs.OnHitTest({c.x, c.y}, (::GetKeyState(VK_LBUTTON) & 0x8000) != 0, r == HTCAPTION);
    for (const SkinRect& rect : hover.repaint) Repaint(rect);
    if (m_tipTabs.m_hWnd) {
        if (hover.tip == TipChange::Activate) {
            ::SendMessageW(m_tipTabs.m_hWnd, TTM_ACTIVATE, TRUE, 0);
            m_tipTabs.UpdateTipText(m_tabs.Label(hover.tipTab), this, 0);
        } else if (hover.tip == TipChange::Deactivate) {
            ::SendMessageW(m_tipTabs.m_hWnd, TTM_ACTIVATE, FALSE, 0);
        }
    }
    if (hover.trackLeave) {
        TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, m_hWnd, HOVER_DEFAULT};
        m_tabs.SetTrackingLeave(::TrackMouseEvent(&tme) != FALSE);
    }
    return r;
}

bool CTessaly3Dlg::OnStripLeftDown(POINT client) {
    const GameTabs::Press press = m_tabs.OnLeftButtonDown({client.x, client.y}, HallVisible());
    if (!press.inStrip) return false;
    if (press.show) ShowPage(ToHwnd(press.show));
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
    const TitleBarWidth::Change change = m_titleWidth.OnSize(width, m_btnHide.m_hWnd != nullptr, int(m_osvi.dwMajorVersion));
    if (!change.relayout) return;
    const TitleBarLayout l = mrvn::LayoutTitleBar(width);
    const std::pair<fw::CWnd*, SkinRect> moves[] = {
        {&m_btnHide, l.hide}, {&m_btnSound, l.sound}, {&m_btnMenu, l.menu}, {&m_btnHall, l.hall},
        {&m_lblOtherAccount, l.otherAccount}};
    for (const auto& [wnd, r] : moves) {
        if (wnd->m_hWnd) ::MoveWindow(wnd->m_hWnd, r.left, r.top, r.Width(), r.Height(), TRUE);
    }
    for (skin::CBtnEx* b : {&m_btnHide, &m_btnSound, &m_btnMenu, &m_btnHall}) b->UpdateStoredRect();
    for (const auto& [wnd, r] : moves) {
        if (wnd->m_hWnd) ::InvalidateRect(wnd->m_hWnd, nullptr, TRUE);
    }
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
        if (!m_bMinimized) {
            HWND shown = FrameInPageArea();
            m_hHiddenWithMe = ::IsWindowVisible(shown) ? shown : nullptr;
            FollowMainVisibility(m_hHiddenWithMe, m_hWnd, false);
        }
        m_bMinimized = true;
        return Default();
    }
    if (m_bMinimized) {
        m_bMinimized = false;
        FollowMainVisibility(m_hHiddenWithMe, m_hWnd, true);
        m_hHiddenWithMe = nullptr;
    }
    if (HallVisible()) {
        PlaceFrame(m_hHallWnd, m_hWnd, false);
    } else if (m_tabs.Count() > 0) {
        PlaceFrame(ToHwnd(m_tabs.CurrentFrame()), m_hWnd, false);
    }
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

void CTessaly3Dlg::OnWindowPosChanged(const WINDOWPOS& pos) {
    if (!m_bMinimized) FollowMainWindow(FrameInPageArea(), m_hWnd, pos);
}

void CTessaly3Dlg::OnShowWindow(bool shown) {
    if (!shown) {
        HWND frame = FrameInPageArea();
        if (::IsWindowVisible(frame)) {
            m_hHiddenWithMe = frame;
            FollowMainVisibility(frame, m_hWnd, false);
        }
    } else if (m_hHiddenWithMe && !m_bMinimized) {
        FollowMainVisibility(m_hHiddenWithMe, m_hWnd, true);
        m_hHiddenWithMe = nullptr;
    }
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
        // The tray icon and its menu plug in here with the window commands of a later issue.
        return 0;
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
        OnWindowPosChanged(*reinterpret_cast<const WINDOWPOS*>(lParam));
        return r;
    }
    case WM_SHOWWINDOW:
        OnShowWindow(wParam != 0);
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

void RunMainWindow(ProfileFile& ini, const std::wstring& settingsPath) {
    CTessaly3Dlg dlg(ini, settingsPath);
    dlg.DoModal();
}

}  // namespace mrvn::gamewnd
