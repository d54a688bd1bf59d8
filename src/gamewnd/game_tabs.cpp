#include "gamewnd/game_tabs.h"

#include <algorithm>

#include "core/install.h"
#include "gamewnd/private_messages.h"

namespace mrvn {

namespace {

const std::wstring kNoLabel;

}  // namespace

std::wstring LogOutQuestion(const std::wstring& label) { return L"确定要退出账号：" + label + L" ?"; }

bool GameTabs::AddLabel(const std::wstring& label, ProcessId owner, bool senderKnown) {
    // Exact comparison: labels that differ only in letter case are different accounts.
    for (const Tab& tab : tabs_) {
        if (tab.label == label) return false;
    }
    for (const WaitingLabel& w : waiting_) {
        if (w.label == label) return false;
    }
    waiting_.push_back({label, owner, senderKnown && owner != 0});
    return true;
}

bool GameTabs::TakeFirstArrival() {
    const bool first = !arrived_;
    arrived_ = true;
    return first;
}

int GameTabs::AttachFrame(FrameHandle frame, ProcessId framePid) {
    if (frame == 0 || IndexOf(frame) >= 0 || !CanAddPage()) return -1;
    auto match = waiting_.end();
    if (framePid != 0) {
        match = std::find_if(waiting_.begin(), waiting_.end(),
                             [&](const WaitingLabel& w) { return w.senderKnown && w.owner == framePid; });
    }
    if (match == waiting_.end()) {
        match = std::find_if(waiting_.begin(), waiting_.end(), [](const WaitingLabel& w) { return !w.senderKnown; });
    }
    std::wstring label;
    if (match != waiting_.end()) {
        label = std::move(match->label);
        waiting_.erase(match);
    }
    tabs_.push_back({frame, std::move(label)});
    current_ = Count() - 1;
    return current_;
}

FrameHandle GameTabs::Frame(int index) const {
    return index >= 0 && index < Count() ? tabs_[static_cast<size_t>(index)].frame : 0;
}

const std::wstring& GameTabs::Label(int index) const {
    return index >= 0 && index < Count() ? tabs_[static_cast<size_t>(index)].label : kNoLabel;
}

int GameTabs::IndexOf(FrameHandle frame) const {
    for (int i = 0; i < Count(); ++i) {
        if (tabs_[static_cast<size_t>(i)].frame == frame) return i;
    }
    return -1;
}

std::vector<FrameHandle> GameTabs::Frames() const {
    std::vector<FrameHandle> frames;
    for (const Tab& tab : tabs_) frames.push_back(tab.frame);
    return frames;
}

GameTabs::Switch GameTabs::SwitchToNextPage(bool hallVisible) {
    if (tabs_.empty()) return {};
    Switch s;
    s.oldCurrent = current_;
    // With the hall shown the key only brings the current page back.
    if (Count() >= 2 && !hallVisible) current_ = (current_ + 1) % Count();
    s.newCurrent = current_;
    s.show = CurrentFrame();
    return s;
}

std::optional<GameTabs::CloseQuestion> GameTabs::AskClose(int index) const {
    if (index < 0 || index >= Count()) return std::nullopt;
    if (Count() == 1) return CloseQuestion{true, kExitQuestionText, Frame(index)};
    return CloseQuestion{false, LogOutQuestion(Label(index)), Frame(index)};
}

GameTabs::Closed GameTabs::CloseTab(FrameHandle frame) {
    const int index = IndexOf(frame);
    if (index < 0) return {};
    tabs_.erase(tabs_.begin() + index);
    Closed c;
    c.removed = frame;
    c.repaint = StripRect(Count() + 1);
    if (!tabs_.empty()) {
        current_ = std::min(index, Count() - 1);
        c.current = current_;
        c.show = CurrentFrame();
    } else {
        current_ = 0;
    }
    ClearHover();
    return c;
}

GameTabs::Dropped GameTabs::DropFrame(FrameHandle frame) {
    const int index = IndexOf(frame);
    if (index < 0) return {};
    tabs_.erase(tabs_.begin() + index);
    Dropped d;
    d.dropped = true;
    if (index < current_) {
        --current_;  // the same tab stays current
    } else if (index == current_) {
        current_ = std::max(std::min(index, Count() - 1), 0);
        d.show = CurrentFrame();
    }
    ClearHover();
    return d;
}

std::vector<ProcessId> GameTabs::WaitingLabelOwners() const {
    std::vector<ProcessId> owners;
    for (const WaitingLabel& w : waiting_) {
        if (w.owner != 0 && std::find(owners.begin(), owners.end(), w.owner) == owners.end())
            owners.push_back(w.owner);
    }
    return owners;
}

int GameTabs::DropWaitingLabels(ProcessId owner) {
    if (owner == 0) return 0;
    const auto gone = std::remove_if(waiting_.begin(), waiting_.end(),
                                     [owner](const WaitingLabel& w) { return w.owner == owner; });
    const int count = static_cast<int>(waiting_.end() - gone);
    waiting_.erase(gone, waiting_.end());
    return count;
}

GameTabs::Hover GameTabs::OnHitTest(SkinPoint client, bool leftButtonDown, bool baseSaysCaption) {
    Hover h;
    const StripHit hit = HitTestStrip(client, Count());
    if (hit.tab < 0) {
        if (hoverTab_ >= 0) h.repaint.push_back(TabRect(hoverTab_));
        hoverTab_ = closeState_ = -1;
        tipActive_ = false;
        h.tip = TipChange::Deactivate;
        return h;
    }
    const int t = hit.tab;
    int k = 0;
    if (!tipActive_) {
        tipActive_ = true;
        h.tip = TipChange::Activate;
        h.tipTab = t;
    } else if (t != hoverTab_) {
        // Re-activated with the new label at the next mouse move.
        tipActive_ = false;
        h.tip = TipChange::Deactivate;
    }
    if (hit.onClose) {
        k = leftButtonDown ? kCloseFramePressed : kCloseFrameHover;
        tipActive_ = false;  // no tooltip over the close box
        h.tip = TipChange::Deactivate;
        h.tipTab = -1;
    }
    if (t != hoverTab_ || k != closeState_) {
        const int old = hoverTab_;
        hoverTab_ = t;
        closeState_ = k;
        if (old != -1) h.repaint.push_back(old == t ? TabCloseRect(old) : TabRect(old));
        if (old != t) h.repaint.push_back(TabRect(t));
    }
    h.trackLeave = !trackingLeave_ && !baseSaysCaption;
    return h;
}

std::optional<SkinRect> GameTabs::OnMouseLeave(bool clientForm) {
    std::optional<SkinRect> repaint;
    if (hoverTab_ >= 0) repaint = TabRect(hoverTab_);
    hoverTab_ = closeState_ = -1;
    if (clientForm) trackingLeave_ = false;
    return repaint;
}

GameTabs::Press GameTabs::OnLeftButtonDown(SkinPoint client, bool hallVisible) {
    Press p;
    const StripHit hit = HitTestStrip(client, Count());
    if (hit.tab < 0) return p;
    p.inStrip = true;
    const int t = hit.tab;
    if (t != current_) {
        p.repaint.push_back(TabRect(current_));
        p.repaint.push_back(TabRect(t));
        current_ = t;
        p.show = Frame(t);
    } else if (hallVisible) {
        p.show = Frame(t);  // showing the page hides the hall
    }
    if (hit.onClose) {
        closeState_ = kCloseFramePressed;
        hoverTab_ = t;
        p.repaint.push_back(TabCloseRect(t));
    }
    return p;
}

void GameTabs::ClearHover() {
    hoverTab_ = -1;
    closeState_ = -1;
}

std::vector<GameTabs::TabPaint> GameTabs::PaintTabs(TextMeasurer& measurer) const {
    std::vector<TabPaint> out;
    for (int i = 0; i < Count(); ++i) {
        TabPaint p;
        p.backgroundFrame = i == current_ ? kTabFrameCurrent : i == hoverTab_ ? kTabFrameHover : kTabFrameNormal;
        p.background = TabRect(i);
        if (i == hoverTab_ && closeState_ >= 0) {
            p.closeFrame = closeState_;
            p.closeBox = TabCloseRect(i);
        }
        p.text = CutTabLabel(Label(i), measurer);
        p.textRect = TabLabelRect(i);
        out.push_back(std::move(p));
    }
    return out;
}

CloseCommand DecideCloseCommand(intptr_t lParam, int pages, bool pendingProcess) {
    if (lParam == kLauncherMarker) {
        if (pages == 0) return CloseCommand::Exit;
        return pendingProcess ? CloseCommand::ForgetPending : CloseCommand::PassOn;
    }
    if (lParam == 0 && pages == 0) return CloseCommand::Exit;
    return CloseCommand::PassOn;
}

AddAccountAction DecideAddAccount(uintptr_t wParam, int pages) {
    if (wParam == 1) return pages < kMaxPages ? AddAccountAction::StartPage : AddAccountAction::TooManyPages;
    return wParam == 0 ? AddAccountAction::NewLauncher : AddAccountAction::Nothing;
}

bool IsFavouritesChar(uintptr_t ch, intptr_t lParam) {
    return ch == 4 && ((static_cast<uintptr_t>(lParam) >> 16) & 0xFFFF) == 0x0020;
}

std::wstring PageProcessCommandLine(const std::wstring& programPath, FrameHandle mainWnd, int pageCount) {
    return PlainCommandLine(programPath) + L" /newgm /" + std::to_wstring(static_cast<int32_t>(mainWnd)) + L" /" +
           std::to_wstring(pageCount);
}

std::wstring HallProcessCommandLine(const std::wstring& programPath, FrameHandle mainWnd) {
    return PlainCommandLine(programPath) + L" /gmhall /" + std::to_wstring(static_cast<int32_t>(mainWnd));
}

}  // namespace mrvn
