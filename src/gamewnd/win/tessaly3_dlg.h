// CTessaly3Dlg: the launcher's main window. It holds up to three game pages as tabs (frames of page
// processes placed over its page area), paints the tab strip in its caption band and talks with the
// page and hall processes only through window messages. The tab rules are GameTabs'; this class does
// the system calls they ask for.
#pragma once
#include <windows.h>

#include <string>

#include "framework/controls.h"
#include "gamewnd/game_tabs.h"
#include "gamewnd/win/add_acc_dlg.h"
#include "gamewnd/tab_strip.h"
#include "hotkeys/hotkey_format.h"
#include "platform/profile_file.h"
#include "platform/win32/scoped.h"
#include "skin/win/dlg_ex.h"
#include "skin/win/skin_controls_win.h"

namespace mrvn::gamewnd {

// Timers of the main window.
inline constexpr UINT_PTR kTimerPages = 3;       // 400 ms: mute broadcast, frames that are gone
inline constexpr UINT_PTR kTimerCacheClean = 7;  // 40 minutes: cache cleaning
inline constexpr UINT_PTR kTimerPending = 8;     // 400 ms: the pending page process ended unannounced
inline constexpr UINT kPagesPeriodMs = 400;
inline constexpr UINT kCacheCleanPeriodMs = 2400000;

// The program that page and hall processes run: this program, unless the test-only environment
// variable MRVN_PAGE_PROGRAM names another.
std::wstring PageProgramPath();

class CTessaly3Dlg : public skin::CDlgEx {
public:
    CTessaly3Dlg(ProfileFile& ini, std::wstring settingsPath);
    ~CTessaly3Dlg() override;

    void StartPageProcess();
    // Shows `frame` in the page area and hides every other page frame; null hides them all.
    void ShowPage(HWND frame);
    void SwitchToNextPage();
    void ClosePage(int index);
    void ExitAll();
    void ToggleHall();
    void ReloadHotkeys();

    // Hooks for the window commands of a later issue: hiding to the tray and back (also the boss
    // key) and the tray icon. They do nothing yet.
    void ToggleHideRestore() {}
    void SetTrayIcon(bool /*add*/) {}
    // Drops the add-account prompt down under its link.
    void ShowAddAccount();
    // Posts the sound state to every page frame (repeated by the 400 ms timer).
    void BroadcastMute(bool muted);

    HICON m_hIcon = nullptr;
    skin::CBtnEx m_btnHide;
    skin::CBtnEx m_btnMenu;
    skin::CBtnEx m_btnSound;
    skin::CBtnEx m_btnHall;
    skin::CStaticEx m_lblOtherAccount;
    CAddAccDlg m_dlgAddAcc;
    int m_bMuted = 0;
    int m_bHallShown = 0;
    OSVERSIONINFOW m_osvi{};
    HWND m_hHallWnd = nullptr;
    win::ScopedHandle m_hPendingProcess;
    // Frames and labels in tab order, the current tab, hover and close-box state.
    GameTabs m_tabs;
    fw::CImageList m_imgTabs;
    fw::CImageList m_imgTabClose;
    fw::CToolTipCtrl m_tipTabs;

    Hotkey m_bossKey;
    Hotkey m_switchKey;
    Hotkey m_soundKey;

protected:
    void DoDataExchange(fw::CDataExchange* dx) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // Message handlers.
    LRESULT OnPageCreated(HWND frame, bool hall);
    LRESULT OnCopyData(HWND sender, const COPYDATASTRUCT* data);
    LRESULT OnAddAccount(WPARAM wParam);
    void OnTimer(UINT_PTR id);
    BOOL OnEraseBkgnd(HDC dc);
    LRESULT OnNcHitTest(LPARAM lParam);
    bool OnStripLeftDown(POINT client);
    bool OnStripLeftUp(POINT client);
    bool OnStripMiddleUp(POINT client);
    bool InStrip(POINT client) const;
    void OnMouseLeave(bool clientForm);
    LRESULT OnSize(UINT type, int width, int height);
    bool OnWindowPosChanging(WINDOWPOS* pos);
    void OnWindowPosChanged(const WINDOWPOS& pos);
    void OnShowWindow(bool shown);
    bool OnPaintMinimized();

    void SetupAppearance();
    void LayoutTitleBar(int width);
    void Repaint(const SkinRect& r, BOOL erase = TRUE);
    bool HallVisible() const;
    // The frame standing in the page area now: the hall when shown, else the current page's.
    HWND FrameInPageArea() const;
    // Tabs whose frame is no longer a window, and labels whose process ended before its frame came.
    void DropDeadPages();
    // A pending page process that ended without a frame: with no page the launcher ends (nothing
    // could ever show it), with pages it is forgotten as a cancelled login would be.
    void CheckPendingProcess();
    bool StartProcess(const std::wstring& commandLine, bool keepAsPending);
    POINT ClientPoint(LPARAM lParam, bool screen) const;
    void AfterTabsChanged();

    ProfileFile& m_ini;
    std::wstring m_settingsPath;
    win::OwnedBitmap m_bmpClose, m_bmpMinimize;
    win::OwnedBitmap m_bmpHide, m_bmpSoundOn, m_bmpSoundOff, m_bmpMenu, m_bmpHallHidden, m_bmpHallShown,
        m_bmpAccount;
    TitleBarWidth m_titleWidth;
    HWND m_hHiddenWithMe = nullptr;  // the overlay frame hidden while this window is hidden or minimised
    bool m_bMinimized = false;
};

extern CTessaly3Dlg* g_pMainDlg;

// Runs the main window modally until it ends (run modes 2, 3 and 5).
void RunMainWindow(ProfileFile& ini, const std::wstring& settingsPath);

}  // namespace mrvn::gamewnd
