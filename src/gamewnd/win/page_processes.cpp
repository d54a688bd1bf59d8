#include "gamewnd/win/page_processes.h"

#include "gamewnd/win/placement.h"
#include "platform/win32/scoped.h"

namespace mrvn::gamewnd {

namespace {

bool ProcessAlive(ProcessId pid) {
    win::ScopedHandle h(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (!h) return ::GetLastError() == ERROR_ACCESS_DENIED;
    return ::WaitForSingleObject(h.Get(), 0) == WAIT_TIMEOUT;
}

}  // namespace

bool CPageProcesses::StartPageProcess() {
    auto process = m_launcher.LaunchWatched(m_pageProgram,
                                            PageProcessCommandLine(m_pageProgram, ToFrame(m_hMain), m_tabs.Count()));
    if (!process) return false;
    m_pending = std::move(process);
    return true;
}

bool CPageProcesses::PendingEndedUnannounced() {
    if (!m_pending || !m_pending->Ended()) return false;
    m_pending.reset();
    return true;
}

bool CPageProcesses::HallVisible() const { return m_hHall && ::IsWindow(m_hHall) && ::IsWindowVisible(m_hHall); }

HWND CPageProcesses::FrameInPageArea() const {
    if (HallVisible()) return m_hHall;
    return ToHwnd(m_tabs.CurrentFrame());
}

void CPageProcesses::ShowPage(HWND frame) {
    for (FrameHandle f : m_tabs.Frames()) {
        HWND h = ToHwnd(f);
        if (h != frame) {
            HideFrame(h);
            continue;
        }
        ShowFrame(h, m_hMain);
        ::SetForegroundWindow(h);
        if (HallVisible()) HideFrame(m_hHall);
    }
}

void CPageProcesses::ToggleHall() {
    const bool hallWindow = m_hHall && ::IsWindow(m_hHall);
    if (hallWindow && ::IsWindowVisible(m_hHall)) {
        ShowPage(ToHwnd(m_tabs.CurrentFrame()));
        HideFrame(m_hHall);
        return;
    }
    if (hallWindow) {
        ShowFrame(m_hHall, m_hMain);
    } else if (!m_hallStarting || m_hallStarting->Ended()) {
        // A second click while the hall is still on its way starts no second hall.
        m_hallStarting =
            m_launcher.LaunchWatched(m_pageProgram, HallProcessCommandLine(m_pageProgram, ToFrame(m_hMain)));
    }
    ShowPage(nullptr);
}

bool CPageProcesses::OnPageCreated(HWND frame, bool hall) {
    if (hall) {
        // One hall: a second one, however it came, closes again and ends its process.
        if (m_hHall && m_hHall != frame && ::IsWindow(m_hHall)) {
            CloseFrame(frame);
            return false;
        }
        m_hHall = frame;
        m_hallStarting.reset();
        return true;
    }
    // A frame announced again changes nothing, and shows or hides nothing.
    if (m_tabs.IndexOf(ToFrame(frame)) >= 0) return false;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(frame, &pid);
    if (!m_tabs.CanAddPage()) {
        // Three tabs are all the window holds, whatever order the logins came in.
        m_tabs.DropWaitingLabels(pid);
        CloseFrame(frame);
        return false;
    }
    ShowPage(nullptr);
    if (m_hHall && ::IsWindow(m_hHall)) HideFrame(m_hHall);
    if (m_tabs.AttachFrame(ToFrame(frame), pid) < 0) return false;
    // A page that showed itself before this message came was placed by the size the window had then.
    PlaceFrame(frame, m_hMain, false);
    m_pending.reset();
    return true;
}

ProcessId CPageProcesses::LabelOwner(HWND sender, bool& known) const {
    DWORD pid = 0;
    known = false;
    if (sender && ::IsWindow(sender)) {
        ::GetWindowThreadProcessId(sender, &pid);
        known = pid != 0;
    } else if (m_pending) {
        pid = m_pending->Id();
    }
    return pid;
}

bool CPageProcesses::DropDeadPages() {
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
    return changed;
}

void CPageProcesses::CloseFrame(HWND frame) {
    DetachFrame(frame);
    ::PostMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void CPageProcesses::CloseAll() {
    if (m_pending) {
        m_pending->Terminate();
        m_pending.reset();
    }
    for (FrameHandle f : m_tabs.Frames()) CloseFrame(ToHwnd(f));
}

void CPageProcesses::PostToFrames(UINT msg, WPARAM wParam, LPARAM lParam, bool withHall) const {
    for (FrameHandle f : m_tabs.Frames()) ::PostMessageW(ToHwnd(f), msg, wParam, lParam);
    if (withHall && m_hHall) ::PostMessageW(m_hHall, msg, wParam, lParam);
}

void CPageProcesses::OnMainMinimized() {
    if (!m_bMainMinimized) {
        HWND shown = FrameInPageArea();
        m_hHiddenWithMain = ::IsWindowVisible(shown) ? shown : nullptr;
        FollowMainVisibility(m_hHiddenWithMain, m_hMain, false);
    }
    m_bMainMinimized = true;
}

void CPageProcesses::OnMainResized() {
    if (m_bMainMinimized) {
        m_bMainMinimized = false;
        FollowMainVisibility(m_hHiddenWithMain, m_hMain, true);
        m_hHiddenWithMain = nullptr;
    }
    if (HallVisible()) {
        PlaceFrame(m_hHall, m_hMain, false);
    } else if (m_tabs.Count() > 0) {
        PlaceFrame(ToHwnd(m_tabs.CurrentFrame()), m_hMain, false);
    }
}

void CPageProcesses::OnMainShown(bool shown) {
    if (!shown) {
        HWND frame = FrameInPageArea();
        if (::IsWindowVisible(frame)) {
            m_hHiddenWithMain = frame;
            FollowMainVisibility(frame, m_hMain, false);
        }
    } else if (m_hHiddenWithMain && !m_bMainMinimized) {
        FollowMainVisibility(m_hHiddenWithMain, m_hMain, true);
        m_hHiddenWithMain = nullptr;
    }
}

void CPageProcesses::OnMainMoved(const WINDOWPOS& pos) {
    if (!m_bMainMinimized) FollowMainWindow(FrameInPageArea(), m_hMain, pos);
}

}  // namespace mrvn::gamewnd
