// The main window's game tabs without the window: labels and frames kept paired, the current tab,
// hover and close-box state of the strip, and the decisions the window's handlers take. The window
// does the system calls (show, hide, move, post, message boxes) that the results ask for.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gamewnd/tab_strip.h"
#include "platform/text_measurer.h"
#include "skin/skin_geometry.h"

namespace mrvn {

using FrameHandle = uintptr_t;  // a page frame's window handle; 0 is none
using ProcessId = uint32_t;     // 0 is unknown

inline constexpr int kMaxPages = 3;
inline constexpr wchar_t kTooManyPagesText[] = L"当前窗体只支持3个游戏页";
inline constexpr wchar_t kExitQuestionText[] = L"窗口即将关闭，确定要退出游戏？";

// "确定要退出账号：" + label + " ?"
std::wstring LogOutQuestion(const std::wstring& label);

// How the tooltip follows the mouse.
enum class TipChange { None, Activate, Deactivate };

class GameTabs {
public:
    // ---- labels and frames

    // WM_COPYDATA with a label already read. `owner` is the process the label belongs to: the sender's
    // when the message names its window (`senderKnown`), otherwise the best guess (the pending page
    // process) or 0. False when a tab or a label still waiting for its frame holds exactly this text.
    bool AddLabel(const std::wstring& label, ProcessId owner, bool senderKnown);

    // True for the first frame (page or hall) ever announced: the window then takes its maximised size,
    // adds the tray icon and starts its timers. Once per window, so tabs that come and go never repeat it.
    bool TakeFirstArrival();

    // WM_PAGE_CREATED of a page frame. The frame takes the waiting label of its own process when the
    // sender of that label was known, else the oldest waiting label of an unknown sender (labels and
    // frames of one process arrive in that order), else an empty label. The new tab becomes current.
    // -1 (nothing changes) for frame 0, a frame that already has a tab, or a fourth frame.
    int AttachFrame(FrameHandle frame, ProcessId framePid);

    int Count() const { return static_cast<int>(tabs_.size()); }
    int Current() const { return tabs_.empty() ? -1 : current_; }
    FrameHandle Frame(int index) const;  // 0 outside the tabs
    FrameHandle CurrentFrame() const { return Frame(Current()); }
    const std::wstring& Label(int index) const;
    int IndexOf(FrameHandle frame) const;
    std::vector<FrameHandle> Frames() const;
    bool CanAddPage() const { return Count() < kMaxPages; }
    size_t WaitingLabels() const { return waiting_.size(); }

    // ---- actions on tabs

    struct Switch {
        int oldCurrent = -1;  // differs from newCurrent when the current tab advanced
        int newCurrent = -1;
        FrameHandle show = 0;  // 0: nothing to do (no tab)
    };
    // The window-switch key (the window checks that it is neither hidden nor minimised): advances with
    // two or more tabs unless the hall is shown, then shows the current tab's frame.
    Switch SwitchToNextPage(bool hallVisible);

    struct CloseQuestion {
        bool exitWindow = false;  // the only tab: the exit question, answered as a close of the window
        std::wstring text;
        FrameHandle frame = 0;  // what a Yes closes
    };
    // The question a close of tab `index` asks; none outside the tabs.
    std::optional<CloseQuestion> AskClose(int index) const;

    struct Closed {
        FrameHandle removed = 0;  // 0: the frame has no tab (any more); nothing changed
        int current = -1;
        FrameHandle show = 0;
        SkinRect repaint;  // the strip up to the old last tab
    };
    // A Yes to the log-out question. By frame, since the message box's loop may have changed the tabs.
    // The tab at the same index (or the new last one) becomes current.
    Closed CloseTab(FrameHandle frame);

    struct Dropped {
        bool dropped = false;
        FrameHandle show = 0;  // the current tab changed: show this frame (0 with no tab left)
    };
    // A frame that is no longer a window: its tab goes and the current tab stays current if it can.
    Dropped DropFrame(FrameHandle frame);

    // Owners of the labels still waiting for a frame, and dropping those of a process that has ended.
    std::vector<ProcessId> WaitingLabelOwners() const;
    int DropWaitingLabels(ProcessId owner);

    // ---- the strip under the mouse

    struct Hover {
        std::vector<SkinRect> repaint;
        TipChange tip = TipChange::None;
        int tipTab = -1;          // with Activate: the tab whose label the tooltip shows
        bool trackLeave = false;  // request a leave notification and report its result
    };
    // WM_NCHITTEST, with the point in client coordinates and the base's hit result.
    Hover OnHitTest(SkinPoint client, bool leftButtonDown, bool baseSaysCaption);
    void SetTrackingLeave(bool tracking) { trackingLeave_ = tracking; }

    // WM_MOUSELEAVE (client) and WM_NCMOUSELEAVE: the rectangle to repaint, if any.
    std::optional<SkinRect> OnMouseLeave(bool clientForm);

    struct Press {
        bool inStrip = false;  // false: the base's handling (dragging)
        FrameHandle show = 0;
        std::vector<SkinRect> repaint;
    };
    Press OnLeftButtonDown(SkinPoint client, bool hallVisible);

    // After a close, a declined close or a tab change: no tab hovered, no close box lit.
    void ClearHover();
    int HoverTab() const { return hoverTab_; }
    int CloseState() const { return closeState_; }

    // ---- painting

    struct TabPaint {
        int backgroundFrame = kTabFrameNormal;
        SkinRect background;
        int closeFrame = -1;  // -1: no close box (only the hovered tab has one)
        SkinRect closeBox;
        std::wstring text;  // cut to the text rectangle
        SkinRect textRect;
    };
    std::vector<TabPaint> PaintTabs(TextMeasurer& measurer) const;

private:
    struct Tab {
        FrameHandle frame;
        std::wstring label;
    };
    struct WaitingLabel {
        std::wstring label;
        ProcessId owner;
        bool senderKnown;
    };
    std::vector<Tab> tabs_;
    std::vector<WaitingLabel> waiting_;
    int current_ = 0;
    int hoverTab_ = -1;
    int closeState_ = -1;
    bool tipActive_ = false;
    bool trackingLeave_ = false;
    bool arrived_ = false;
};

// What WM_SYSCOMMAND SC_CLOSE does in the main window's pre-translation.
enum class CloseCommand {
    Exit,           // end everything without asking (the pending page process too)
    ForgetPending,  // an additional login was cancelled: close the pending process handle
    PassOn,         // the normal close request, which asks the exit question
};
CloseCommand DecideCloseCommand(intptr_t lParam, int pages, bool pendingProcess);

// What the add-account prompt's answer (WM_ADD_ACCOUNT) does.
enum class AddAccountAction {
    StartPage,     // wParam 1 with fewer than 3 pages: StartPageProcess
    TooManyPages,  // wParam 1 with 3 pages: kTooManyPagesText in an OK box, nothing started
    NewLauncher,   // wParam 0: a plain start of the program, with a main window of its own
    Nothing,
};
AddAccountAction DecideAddAccount(uintptr_t wParam, int pages);

// WM_CHAR of Ctrl+D as the pages take it: character 4 with the lParam's high word exactly 0x0020.
bool IsFavouritesChar(uintptr_t ch, intptr_t lParam);

// Command lines of a page process and of the hall process; the program path is quoted so that a
// folder with blanks stays one argument. `mainWnd` is written as a signed 32-bit number.
std::wstring PageProcessCommandLine(const std::wstring& programPath, FrameHandle mainWnd, int pageCount);
std::wstring HallProcessCommandLine(const std::wstring& programPath, FrameHandle mainWnd);

}  // namespace mrvn
