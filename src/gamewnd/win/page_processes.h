// The main window's page bookkeeping: starting page and hall processes, the pending page process,
// frames that are gone, the hall, and which frame stands in the page area. The tab rules are
// GameTabs'; this class does the system calls for them and tells the window what to repaint.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "gamewnd/game_tabs.h"
#include "platform/process.h"

namespace mrvn::gamewnd {

class CPageProcesses {
public:
    CPageProcesses(GameTabs& tabs, ProcessLauncher& launcher, std::wstring pageProgram)
        : m_tabs(tabs), m_launcher(launcher), m_pageProgram(std::move(pageProgram)) {}
    void SetMainWindow(HWND mainWnd) { m_hMain = mainWnd; }

    // A new game page process, kept as the pending one until its frame comes. False when it could
    // not be started.
    bool StartPageProcess();
    bool HasPending() const { return m_pending != nullptr; }
    // Tabs and the page on its way: what an added account would make the count.
    int PagesInFlight() const { return m_tabs.Count() + (m_pending ? 1 : 0); }
    // A cancelled login of the pending process: it is forgotten.
    void ForgetPending() { m_pending.reset(); }
    // The pending process that ended without a frame; true only the first time it is seen ended.
    bool PendingEndedUnannounced();

    bool HallVisible() const;
    HWND Hall() const { return m_hHall; }
    // The frame standing in the page area now: the hall when shown, else the current page's.
    HWND FrameInPageArea() const;
    // Shows `frame` in the page area and hides every other page frame; null hides them all.
    void ShowPage(HWND frame);
    // Shows the hall over the pages (starting its process the first time), or hides it again.
    void ToggleHall();

    // WM_PAGE_CREATED. True when the frame was taken (a page as a new tab, or the hall).
    bool OnPageCreated(HWND frame, bool hall);
    // The process a WM_COPYDATA label belongs to; `known` when the sender named its window.
    ProcessId LabelOwner(HWND sender, bool& known) const;
    // Tabs whose frame is no longer a window, and labels whose process ended before its frame came;
    // true when tabs went (the strip needs painting).
    bool DropDeadPages();
    // Lets a frame go and asks it to close.
    void CloseFrame(HWND frame);
    // The end of the main window: the pending process ends, every page frame is asked to close.
    // The hall process ends by itself once the main window is gone.
    void CloseAll();
    // Posts a message to every page frame in tab order, and to the hall when `withHall`.
    void PostToFrames(UINT msg, WPARAM wParam, LPARAM lParam, bool withHall) const;

    // The frame in the page area follows the main window: hidden with it (an overlay is not hidden
    // with its owner by the system), shown again, moved and raised with it.
    void OnMainMinimized();
    void OnMainResized();
    void OnMainShown(bool shown);
    void OnMainMoved(const WINDOWPOS& pos);

private:
    GameTabs& m_tabs;
    ProcessLauncher& m_launcher;
    std::wstring m_pageProgram;
    HWND m_hMain = nullptr;
    HWND m_hHall = nullptr;
    std::unique_ptr<StartedProcess> m_pending;
    std::unique_ptr<StartedProcess> m_hallStarting;  // the hall process until its frame comes
    HWND m_hHiddenWithMain = nullptr;  // the frame hidden while the main window is hidden or minimised
    bool m_bMainMinimized = false;
};

inline HWND ToHwnd(FrameHandle f) { return reinterpret_cast<HWND>(f); }
inline FrameHandle ToFrame(HWND h) { return reinterpret_cast<FrameHandle>(h); }

}  // namespace mrvn::gamewnd
