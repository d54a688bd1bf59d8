// The main window under Wine, driven as the page processes and the player would: Mrvn.exe runs with
// the page-process double as its page program; the tests tell each double to log in, cancel or die,
// answer the window's questions by clicking their buttons, and look at frames, sizes and pixels.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "gamewnd/private_messages.h"
#include "gamewnd/win/window_commands.h"
#include "util/http_probe.h"
#include "resource.h"
#include "wine/page_double.h"
#include "wine/wine_util.h"

namespace mrvn::wt {
namespace {

constexpr wchar_t kCaption[] = L"QuarnMorvane";

struct Box {
    HWND hwnd = nullptr;
    std::vector<std::wstring> buttons;  // labels in order
    std::wstring text;                  // the message, as the box names it for screen readers
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ResetLauncherState(TestServerPort())); }

    void TearDown() override {
        if (launcher_) {
            if (WaitForSingleObject(launcher_, 0) == WAIT_TIMEOUT) TerminateProcess(launcher_, 1);
            CloseHandle(launcher_);
        }
        for (HWND d : Doubles()) PostMessageW(d, kDoubleDie, 0, 0);
        WaitForNoProcess(L"page_double.exe", 20000);
        SetEnvironmentVariableW(L"MRVN_PLACEMENT", nullptr);
    }

    // Starts the launcher as the game shortcut does; its first page process is a double.
    void Start(const wchar_t* placement = nullptr) {
        const std::wstring program = WinPathFromEnv("MRVN_PAGE_DOUBLE");
        ASSERT_FALSE(program.empty()) << "MRVN_PAGE_DOUBLE is not set";
        SetEnvironmentVariableW(L"MRVN_PAGE_PROGRAM", program.c_str());
        SetEnvironmentVariableW(L"MRVN_PAGE_DOUBLE_AUTO", nullptr);
        SetEnvironmentVariableW(L"MRVN_PLACEMENT", placement);
        launcher_ = StartProcess(MrvnExe(), L"/MrvnD", &pid_);
        ASSERT_NE(launcher_, nullptr);
        main_ = WaitForMainWindow(pid_);
        ASSERT_NE(main_, nullptr) << "no main window";
        first_ = NewDouble();
        ASSERT_NE(first_, nullptr) << "no page process was started";
    }

    static std::vector<HWND> Doubles() {
        return TopLevel([](HWND h) { return ClassOf(h) == kDoubleClass; });
    }

    // The control window of a double that no test has seen yet.
    HWND NewDouble(DWORD timeoutMs = 20000) {
        HWND found = nullptr;
        WaitFor(
            [&] {
                for (HWND d : Doubles()) {
                    if (std::find(seen_.begin(), seen_.end(), d) == seen_.end()) found = d;
                }
                return found != nullptr;
            },
            timeoutMs);
        if (found) seen_.push_back(found);
        return found;
    }

    static LRESULT Login(HWND dbl, const std::wstring& label, ULONG_PTR how = kDoubleLogin) {
        COPYDATASTRUCT cds{how, DWORD((label.size() + 1) * 2), const_cast<wchar_t*>(label.c_str())};
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(dbl, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL, 10000, &answer);
        return LRESULT(answer);
    }

    static LRESULT Ask(HWND dbl, WPARAM question) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(dbl, kDoubleQuery, question, 0, SMTO_NORMAL, 5000, &answer);
        return LRESULT(answer);
    }

    static HWND FrameOf(HWND dbl) { return reinterpret_cast<HWND>(Ask(dbl, kAskFrame)); }

    // A logged-in tab: the first login goes to the pending first page, later ones to a page the
    // add-account answer starts. Returns the double's control window.
    HWND AddTab(const std::wstring& label) {
        HWND dbl = first_;
        if (tabs_ > 0) {
            PostMessageW(main_, WM_ADD_ACCOUNT, 1, 0);
            dbl = NewDouble();
        }
        if (!dbl) return nullptr;
        if (Login(dbl, label) != 1) return nullptr;
        HWND frame = FrameOf(dbl);
        if (!WaitFor([&] { return IsWindowVisible(frame) != FALSE; })) return nullptr;
        // The main window hides the other pages when it takes the new one.
        if (!WaitFor([&] {
                for (HWND d : seen_) {
                    if (d != dbl && IsWindow(d) && IsWindowVisible(FrameOf(d))) return false;
                }
                return true;
            }))
            return nullptr;
        ++tabs_;
        return dbl;
    }

    // The frame in the page area: the one page frame that is visible.
    static bool Shows(HWND dbl) { return IsWindowVisible(FrameOf(dbl)) != FALSE; }

    bool LauncherEnds(DWORD ms = 15000) const { return WaitForSingleObject(launcher_, ms) == WAIT_OBJECT_0; }

    // A round trip through the main window to a page: a hotkey change posted now reaches the page's
    // frame after everything the window did before it, and after whatever it posted to that frame
    // meanwhile (a close included). False when the page never got it.
    bool RoundTrip(HWND dbl) const {
        const LRESULT before = Ask(dbl, kAskReloadCount);
        PostMessageW(main_, WM_HOTKEYS_CHANGED, 0, 0);
        return WaitFor([&] { return Ask(dbl, kAskReloadCount) > before; }, 10000);
    }

    // A message box of the launcher, owned by the main window (or by any window).
    Box WaitForBox(DWORD timeoutMs = 10000, bool ownedByMain = true) const {
        Box box;
        WaitFor(
            [&] {
                const auto boxes = TopLevel([&](HWND h) {
                    return h != main_ && PidOf(h) == pid_ && ClassOf(h) == L"#32770" && IsWindowVisible(h) &&
                           (!ownedByMain || GetWindow(h, GW_OWNER) == main_) && GetDlgItem(h, IDC_MSG_BTN1);
                });
                if (!boxes.empty()) box.hwnd = boxes.front();
                return box.hwnd != nullptr;
            },
            timeoutMs);
        if (!box.hwnd) return box;
        for (int id : {IDC_MSG_BTN1, IDC_MSG_BTN2}) {
            if (HWND b = GetDlgItem(box.hwnd, id)) box.buttons.push_back(TextOf(b));
        }
        box.text = TextOf(GetDlgItem(box.hwnd, IDC_MSG_TEXT));
        return box;
    }

    static void Click(const Box& box, int id) { PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    bool NoBoxFor(DWORD ms) const { return WaitForBox(ms).hwnd == nullptr; }

    // Clicks "登录其他账号" and returns the prompt once it shows. Wine may deliver a late activation of
    // a new page's frame after the click, which rightly hides the prompt again; a player would click
    // once more, and so does the test.
    HWND AskAddAccount() const {
        HWND link = GetDlgItem(main_, IDC_LBL_OTHER_ACCOUNT);
        HWND prompt = nullptr;
        for (int attempt = 0; link && attempt < 4 && !prompt; ++attempt) {
            PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDC_LBL_OTHER_ACCOUNT, STN_CLICKED), LPARAM(link));
            WaitFor(
                [&] {
                    const auto found = TopLevel([&](HWND h) {
                        return PidOf(h) == pid_ && GetWindow(h, GW_OWNER) == main_ &&
                               GetDlgItem(h, IDC_ADD_ACCOUNT_TEXT) && IsWindowVisible(h);
                    });
                    prompt = found.empty() ? nullptr : found.front();
                    return prompt != nullptr;
                },
                5000);
        }
        return prompt;
    }

    // A middle click on tab `index` of the strip (client coordinates).
    void MiddleClickTab(int index) const {
        PostMessageW(main_, WM_MBUTTONUP, 0, MAKELPARAM(120 + 189 * index + 60, 12));
    }

    SIZE MainSize() const {
        RECT r{};
        GetWindowRect(main_, &r);
        return {r.right - r.left, r.bottom - r.top};
    }

    HANDLE launcher_ = nullptr;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
    HWND first_ = nullptr;
    int tabs_ = 0;
    std::vector<HWND> seen_;
};

TEST_F(MainWindowTest, ThreeTabsAttachInOrderEachAtIdlePriorityAndAFourthIsRefused) {
    Start();
    const SIZE start = MainSize();
    EXPECT_EQ(start.cx, 1);
    EXPECT_EQ(start.cy, 1);
    HWND a = AddTab(L"1服-双线-甲");
    ASSERT_NE(a, nullptr);
    // The page shows itself 100 ms after its frame is announced, which may come before the
    // window has taken the announcement.
    EXPECT_TRUE(WaitFor([&] { return MainSize().cx > 1050; }, 5000))
        << "the first page gives the window its maximised size, not " << MainSize().cx;
    HWND b = AddTab(L"1服-双线-乙");
    HWND c = AddTab(L"2服-电信-丙");
    ASSERT_NE(b, nullptr);
    ASSERT_NE(c, nullptr);
    // The newest tab is current; the others are hidden.
    EXPECT_TRUE(Shows(c));
    EXPECT_FALSE(Shows(a));
    EXPECT_FALSE(Shows(b));
    // Each page reads its own class (Wine answers NORMAL for another process's).
    for (HWND d : {a, b, c}) EXPECT_EQ(Ask(d, kAskPriorityClass), LRESULT(IDLE_PRIORITY_CLASS));
    // Every button names itself for screen readers, whether the skin draws a label on it or not.
    for (int id : {IDC_BTN_HIDE, IDC_BTN_SOUND, IDC_BTN_MENU, IDC_BTN_HALL, IDC_SKIN_CLOSE, IDC_SKIN_MIN, IDC_SKIN_MAX}) {
        SCOPED_TRACE(id);
        HWND button = GetDlgItem(main_, id);
        ASSERT_NE(button, nullptr);
        EXPECT_FALSE(TextOf(button).empty());
    }
    EXPECT_EQ(TextOf(GetDlgItem(main_, IDC_BTN_MENU)), L"系统");

    PostMessageW(main_, WM_ADD_ACCOUNT, 1, 0);
    const Box box = WaitForBox();
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"确定"});
    // The window refuses in the handler that would have started the page: with its box up, a fourth
    // page process would already exist.
    EXPECT_EQ(ProcessCount(L"page_double.exe"), 3u) << "a fourth page was started";
    Click(box, IDC_MSG_BTN1);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box.hwnd); }));
    EXPECT_TRUE(Shows(c));
}

TEST_F(MainWindowTest, ALabelOpenLetterForLetterIsRefusedOneDifferingInCaseIsNot) {
    Start();
    ASSERT_NE(AddTab(L"1服-双线-abc"), nullptr);
    PostMessageW(main_, WM_ADD_ACCOUNT, 1, 0);
    HWND same = NewDouble();
    ASSERT_NE(same, nullptr);
    DWORD samePid = 0;
    GetWindowThreadProcessId(same, &samePid);
    EXPECT_EQ(Login(same, L"1服-双线-abc"), 0);
    // The refused page ends as a cancelled one; the launcher only forgets it.
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(same); }));
    // Its watch of the pending page (400 ms) would end the launcher, whose window takes 2 s to go.
    EXPECT_FALSE(LauncherEnds(kWindowGoesMs));
    EXPECT_NE(AddTab(L"1服-双线-ABC"), nullptr);
}

TEST_F(MainWindowTest, ClosingTheMiddleOfThreeTabsMakesTheOldThirdCurrentAndFreesItsLabel) {
    Start();
    HWND a = AddTab(L"1服-a-x");
    HWND b = AddTab(L"1服-b-x");
    HWND c = AddTab(L"1服-c-x");
    ASSERT_TRUE(a && b && c);
    HWND frameB = FrameOf(b);

    // Declining keeps everything.
    MiddleClickTab(1);
    Box box = WaitForBox();
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.buttons, (std::vector<std::wstring>{L"是", L"否"}));
    Click(box, IDC_MSG_BTN2);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.hwnd); }));
    EXPECT_TRUE(RoundTrip(b)) << "the declined page was closed";
    EXPECT_TRUE(IsWindow(frameB));

    MiddleClickTab(1);
    box = WaitForBox();
    ASSERT_NE(box.hwnd, nullptr);
    Click(box, IDC_MSG_BTN1);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(frameB); })) << "the closed page did not end";
    EXPECT_TRUE(WaitFor([&] { return Shows(c); }));
    EXPECT_FALSE(Shows(a));
    --tabs_;
    // The closed tab's label went with it; the others are still held.
    PostMessageW(main_, WM_ADD_ACCOUNT, 1, 0);
    HWND again = NewDouble();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Login(again, L"1服-a-x"), 0);
    EXPECT_NE(AddTab(L"1服-b-x"), nullptr);
}

TEST_F(MainWindowTest, ClosingTheOnlyTabAsksTheExitQuestion) {
    Start();
    HWND a = AddTab(L"1服-双线-独");
    ASSERT_NE(a, nullptr);
    MiddleClickTab(0);
    Box box = WaitForBox();
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.buttons, (std::vector<std::wstring>{L"是", L"否"}));
    Click(box, IDC_MSG_BTN2);
    EXPECT_TRUE(RoundTrip(a)) << "No ended the window or its page";
    EXPECT_TRUE(Shows(a));
    // Yes to the exit question ends everything (a log-out question would only close the tab).
    MiddleClickTab(0);
    box = WaitForBox();
    ASSERT_NE(box.hwnd, nullptr);
    Click(box, IDC_MSG_BTN1);
    EXPECT_TRUE(LauncherEnds());
    EXPECT_TRUE(WaitForNoProcess(L"page_double.exe", 5000));
}

TEST_F(MainWindowTest, CloseCommandWithoutPageEndsThePendingPageAndTheLauncherWithoutAsking) {
    Start();
    PostMessageW(main_, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(LauncherEnds());
    EXPECT_TRUE(WaitForNoProcess(L"page_double.exe", 5000));
}

TEST_F(MainWindowTest, CloseCommandWithAPageAsksFirst) {
    Start();
    HWND a = AddTab(L"1服-双线-问");
    ASSERT_NE(a, nullptr);
    PostMessageW(main_, WM_SYSCOMMAND, SC_CLOSE, 0);
    const Box box = WaitForBox();
    ASSERT_NE(box.hwnd, nullptr);
    Click(box, IDC_MSG_BTN2);
    EXPECT_TRUE(RoundTrip(a)) << "No ended the window or its page";
    EXPECT_FALSE(LauncherEnds(0));
}

TEST_F(MainWindowTest, ACancelledFirstLoginEndsTheLauncher) {
    Start();
    PostMessageW(first_, kDoubleCancel, 0, 0);
    EXPECT_TRUE(LauncherEnds());
    EXPECT_TRUE(NoBoxFor(0));
}

TEST_F(MainWindowTest, ACancelledAdditionalLoginOnlyForgetsThePendingPage) {
    Start();
    HWND a = AddTab(L"1服-双线-留");
    ASSERT_NE(a, nullptr);
    PostMessageW(main_, WM_ADD_ACCOUNT, 1, 0);
    HWND extra = NewDouble();
    ASSERT_NE(extra, nullptr);
    PostMessageW(extra, kDoubleCancel, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(extra); }));
    // The cancel is handled before the round trip, a question box with it; the watch of the pending
    // page (400 ms) would end the launcher, whose window takes 2 s to go.
    EXPECT_TRUE(RoundTrip(a));
    EXPECT_TRUE(NoBoxFor(0));
    EXPECT_FALSE(LauncherEnds(kWindowGoesMs));
    EXPECT_TRUE(Shows(a));
    // With nothing pending, the same cancel message is a plain close request, which asks.
    PostMessageW(main_, WM_SYSCOMMAND, SC_CLOSE, kLauncherMarker);
    const Box box = WaitForBox();
    ASSERT_NE(box.hwnd, nullptr);
    Click(box, IDC_MSG_BTN2);
}

// The add-account prompt is asked by a click on its link, answers only by its buttons, and any
// other way of leaving it (Escape, another window) starts nothing.
TEST_F(MainWindowTest, TheAddAccountPromptDropsUnderItsLinkAndOnlyItsButtonsAnswer) {
    Start();
    HWND page = AddTab(L"1服-双线-问");
    ASSERT_NE(page, nullptr);
    HWND link = GetDlgItem(main_, IDC_LBL_OTHER_ACCOUNT);
    ASSERT_NE(link, nullptr);
    HWND prompt = nullptr;
    const auto ask = [&] { return (prompt = AskAddAccount()) != nullptr; };
    const auto hidden = [&] { return WaitFor([&] { return !IsWindowVisible(prompt); }, 5000); };

    ASSERT_TRUE(ask()) << "no prompt";
    RECT r{}, l{};
    GetWindowRect(prompt, &r);
    GetWindowRect(link, &l);
    EXPECT_EQ(r.right - r.left, 284);
    EXPECT_EQ(r.bottom - r.top, 150);
    EXPECT_EQ(r.right, l.right);
    EXPECT_EQ(r.top, l.bottom);
    EXPECT_EQ(TextOf(GetDlgItem(prompt, IDC_ADD_ACCOUNT_TEXT)),
              L"在当前窗口新增标签页？\r\n点击\"是\"，在当前窗口登录(支持3个标签页)；\r\n点击\"否\"，在新窗口中登录。");
    EXPECT_EQ(TextOf(GetDlgItem(prompt, IDC_ADD_ACCOUNT_YES)), L"是");
    EXPECT_EQ(TextOf(GetDlgItem(prompt, IDC_ADD_ACCOUNT_NO)), L"否");
    // The title band does not drag it.
    EXPECT_EQ(SendMessageW(prompt, WM_NCHITTEST, 0, MAKELPARAM(r.left + 100, r.top + 10)), HTCLIENT);

    PostMessageW(GetDlgItem(prompt, IDC_ADD_ACCOUNT_YES), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(hidden()) << "Escape left the prompt up";
    ASSERT_TRUE(ask());
    PostMessageW(prompt, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_TRUE(hidden()) << "losing activation left the prompt up";
    // The prompt answers by posting to the window it belongs to, before it hides: after the round
    // trip an answer would have started its page process.
    EXPECT_TRUE(RoundTrip(page));
    EXPECT_EQ(ProcessCount(L"page_double.exe"), 1u) << "a page was started without an answer";

    // Shown again in the same place; "是" opens a second page in this window.
    ASSERT_TRUE(ask());
    RECT again{};
    GetWindowRect(prompt, &again);
    EXPECT_TRUE(EqualRect(&r, &again));
    PostMessageW(prompt, WM_COMMAND, MAKEWPARAM(IDC_ADD_ACCOUNT_YES, BN_CLICKED),
                 LPARAM(GetDlgItem(prompt, IDC_ADD_ACCOUNT_YES)));
    EXPECT_TRUE(hidden());
    EXPECT_NE(NewDouble(), nullptr) << "\"是\" started no page";
}

// The prompt's "否" has the id a dialog gives its close (IDCANCEL): closing the prompt must not
// answer "否", which starts a whole new launcher.
TEST_F(MainWindowTest, ClosingTheAddAccountPromptOtherThanByItsButtonsAnswersNothing) {
    Start();
    ASSERT_NE(AddTab(L"1服-双线-关"), nullptr);
    const size_t launchers = ProcessCount(L"Mrvn.exe");
    const struct {
        const char* name;
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        bool toButton;  // keys go to the control with the focus
    } rows[] = {
        {"Alt+F4", WM_SYSKEYDOWN, VK_F4, 0x203E0001, true},
        {"the system menu's Close", WM_SYSCOMMAND, SC_CLOSE, 0, false},
        {"a close request", WM_CLOSE, 0, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        HWND prompt = AskAddAccount();
        ASSERT_NE(prompt, nullptr) << "no prompt";
        PostMessageW(row.toButton ? GetDlgItem(prompt, IDC_ADD_ACCOUNT_YES) : prompt, row.msg, row.wParam, row.lParam);
        EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(prompt); }, 5000)) << "the prompt stays up";
        // A "是" posted now is handled after anything the close posted; its page is the round trip.
        PostMessageW(main_, WM_ADD_ACCOUNT, 1, 0);
        HWND page = NewDouble();
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(ProcessCount(L"Mrvn.exe"), launchers) << "the close started a new launcher";
        PostMessageW(page, kDoubleCancel, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(page); }));
    }
}

// Ctrl stays down until ReleaseCtrl: a page forwards the key, and the main window reads the modifier
// when the forwarded message arrives.
void PressCtrlTab() {
    INPUT in[3] = {};
    for (INPUT& i : in) i.type = INPUT_KEYBOARD;
    in[0].ki.wVk = VK_CONTROL;
    in[1].ki.wVk = VK_TAB;
    in[2].ki.wVk = VK_TAB;
    in[2].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(3, in, sizeof(INPUT));
}

// Ctrl+Tab as the main window's thread sees it. Wine did not route injected keys to the main window
// reliably, so this thread shares the window's input state, holds Ctrl there and delivers the Tab.
// Undone by ReleaseCtrlOfMain.
class CtrlHeldInMain {
public:
    explicit CtrlHeldInMain(HWND main) : thread_(GetWindowThreadProcessId(main, nullptr)) {
        attached_ = AttachThreadInput(GetCurrentThreadId(), thread_, TRUE) != FALSE;
        GetKeyboardState(saved_);
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = keys[VK_LCONTROL] = 0x80;
        SetKeyboardState(keys);
    }
    ~CtrlHeldInMain() {
        SetKeyboardState(saved_);
        if (attached_) AttachThreadInput(GetCurrentThreadId(), thread_, FALSE);
    }
    bool Attached() const { return attached_; }

private:
    DWORD thread_;
    bool attached_ = false;
    BYTE saved_[256] = {};
};

void ReleaseCtrl() {
    INPUT up{};
    up.type = INPUT_KEYBOARD;
    up.ki.wVk = VK_CONTROL;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(1, &up, sizeof(INPUT));
}

TEST_F(MainWindowTest, TheWindowSwitchKeyCyclesTabsFromTheMainWindowAndFromAPage) {
    Start();
    HWND a = AddTab(L"1服-a-切");
    HWND b = AddTab(L"1服-b-切");
    HWND c = AddTab(L"1服-c-切");
    ASSERT_TRUE(a && b && c);
    ASSERT_TRUE(Shows(c));

    // Tab alone is not the key.
    PostMessageW(main_, WM_KEYDOWN, VK_TAB, 0x000F0001);
    EXPECT_TRUE(RoundTrip(c));
    EXPECT_TRUE(Shows(c));
    {
        CtrlHeldInMain ctrl(main_);
        ASSERT_TRUE(ctrl.Attached());
        PostMessageW(main_, WM_KEYDOWN, VK_TAB, 0x000F0001);
        EXPECT_TRUE(WaitFor([&] { return Shows(a); }, 5000)) << "Ctrl+Tab in the main window did not wrap to tab 1";
        // A key the launcher made up itself (lParam 6825) is never a hotkey.
        PostMessageW(main_, WM_KEYDOWN, VK_TAB, kLauncherMarker);
        EXPECT_TRUE(RoundTrip(a));
        EXPECT_TRUE(Shows(a));
    }

    // ShowPage made the new page's frame the foreground window; the key goes to the page there.
    HWND frameA = FrameOf(a);
    SetForegroundWindow(frameA);
    WaitFor([&] { return GetForegroundWindow() == frameA; }, 3000);
    PressCtrlTab();
    EXPECT_TRUE(WaitFor([&] { return Shows(b); }, 5000)) << "Ctrl+Tab in a page did not reach the main window";
    ReleaseCtrl();
    EXPECT_GE(Ask(a, kAskForwardedKeys), 1);
    EXPECT_FALSE(Shows(a));
}

TEST_F(MainWindowTest, MinimumSizeGrowsWithThePages) {
    Start();
    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE(n);
        ASSERT_NE(AddTab(L"1服-min-" + std::to_wstring(n)), nullptr);
        // The window may still be taking the page when the frame shows itself: ask until it has.
        EXPECT_TRUE(WaitFor([&] {
            SetWindowPos(main_, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            const SIZE s = MainSize();
            return s.cx == 483 + 189 * n && s.cy == 260;
        }, 5000)) << MainSize().cx << " x " << MainSize().cy;
    }
}

TEST_F(MainWindowTest, AKilledPagesTabGoesAndItsAccountCanLogInAgain) {
    Start();
    HWND a = AddTab(L"1服-双线-活");
    HWND b = AddTab(L"1服-双线-死");
    ASSERT_TRUE(a && b);
    HWND frameB = FrameOf(b);
    PostMessageW(b, kDoubleDie, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(frameB); }));
    --tabs_;
    // The current tab went: the remaining one is shown.
    EXPECT_TRUE(WaitFor([&] { return Shows(a); }, 5000));
    EXPECT_NE(AddTab(L"1服-双线-死"), nullptr) << "the dead tab's label still blocks its account";
    // Two pages again, so the minimum is that of two.
    EXPECT_TRUE(WaitFor([&] {
        SetWindowPos(main_, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return MainSize().cx == 483 + 189 * 2;
    }, 5000)) << MainSize().cx;
}

TEST_F(MainWindowTest, ALabelWhosePageEndsBeforeItsFrameDoesNotBlockItsAccount) {
    Start();
    ASSERT_NE(AddTab(L"1服-双线-在"), nullptr);
    PostMessageW(main_, WM_ADD_ACCOUNT, 1, 0);
    HWND lost = NewDouble();
    ASSERT_NE(lost, nullptr);
    EXPECT_EQ(Login(lost, L"1服-双线-丢", kDoubleLabelOnly), 1);
    PostMessageW(lost, kDoubleDie, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(lost); }));
    // After a few of the window's 400 ms checks the label is gone and the account logs in.
    Sleep(1500);
    PostMessageW(main_, WM_ADD_ACCOUNT, 1, 0);
    HWND again = NewDouble();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Login(again, L"1服-双线-丢"), 1);
}

TEST_F(MainWindowTest, WithTheHallShownTheSwitchKeyReturnsToTheCurrentPage) {
    Start();
    HWND a = AddTab(L"1服-a-厅");
    HWND b = AddTab(L"1服-b-厅");
    ASSERT_TRUE(a && b);
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDC_BTN_HALL, BN_CLICKED), 0);
    HWND hall = NewDouble();
    ASSERT_NE(hall, nullptr) << "no hall process was started";
    HWND hallFrame = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        hallFrame = FrameOf(hall);
        return hallFrame && IsWindowVisible(hallFrame);
    }));
    EXPECT_TRUE(WaitFor([&] { return !Shows(a) && !Shows(b); }, 5000)) << "the hall hides the pages";
    // The hall frame shows itself; the window knows it once it forwards a hotkey reload to it too
    // (posted after the hall's announcement, so handled after it).
    PostMessageW(main_, WM_HOTKEYS_CHANGED, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return Ask(hall, kAskReloadCount) >= 1; }, 5000));

    {
        CtrlHeldInMain ctrl(main_);
        ASSERT_TRUE(ctrl.Attached());
        PostMessageW(main_, WM_KEYDOWN, VK_TAB, 0x000F0001);
        EXPECT_TRUE(WaitFor([&] { return Shows(b) && !IsWindowVisible(hallFrame); }, 5000))
            << "the key did not bring the current page back";
    }
    EXPECT_FALSE(Shows(a)) << "with the hall shown the key does not advance";
}

TEST_F(MainWindowTest, RefreshFavouritesMuteAndHotkeyReloadReachThePages) {
    Start();
    HWND a = AddTab(L"1服-双线-键");
    HWND b = AddTab(L"1服-双线-盘");
    ASSERT_TRUE(a && b);
    PostMessageW(main_, WM_KEYDOWN, VK_F5, kLauncherMarker);
    PostMessageW(main_, WM_CHAR, 4, 0x00200000);
    EXPECT_TRUE(WaitFor([&] { return Ask(b, kAskF5Count) == 1 && Ask(b, kAskCtrlDCount) == 1; }, 5000));
    EXPECT_EQ(Ask(a, kAskF5Count), 0) << "only the current page refreshes";
    // Ctrl+D is character 4 with exactly 0x0020 in the lParam's high word.
    PostMessageW(main_, WM_CHAR, 4, 0x00210000);
    EXPECT_TRUE(RoundTrip(b));
    EXPECT_EQ(Ask(b, kAskCtrlDCount), 1);

    const LRESULT reloads = Ask(a, kAskReloadCount);
    PostMessageW(main_, WM_HOTKEYS_CHANGED, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return Ask(a, kAskReloadCount) == reloads + 1; }, 5000));
    EXPECT_TRUE(WaitFor([&] { return Ask(a, kAskMuteCount) >= 2 && Ask(b, kAskMuteCount) >= 2; }, 5000));
    EXPECT_EQ(Ask(a, kAskLastMute), 0);
}

TEST_F(MainWindowTest, AFrameAnnouncedAgainChangesNothing) {
    Start();
    HWND a = AddTab(L"1服-双线-重");
    HWND b = AddTab(L"1服-双线-复");
    ASSERT_TRUE(a && b);
    // The older tab's frame announces itself once more, as a restarted page loop might.
    PostMessageW(main_, WM_PAGE_CREATED, reinterpret_cast<WPARAM>(FrameOf(a)), 0);
    ASSERT_TRUE(RoundTrip(b));
    EXPECT_TRUE(Shows(b)) << "the current page was hidden by a repeated announcement";
    EXPECT_FALSE(Shows(a));
}

TEST_F(MainWindowTest, TwoQuickAddAccountAnswersNeverMakeAFourthTab) {
    Start();
    HWND a = AddTab(L"1服-双线-一");
    HWND b = AddTab(L"1服-双线-二");
    ASSERT_TRUE(a && b);
    // Two "是" before the third page has logged in: the second finds a page on its way.
    PostMessageW(main_, WM_ADD_ACCOUNT, 1, 0);
    PostMessageW(main_, WM_ADD_ACCOUNT, 1, 0);
    HWND c = NewDouble();
    ASSERT_NE(c, nullptr);
    const Box box = WaitForBox();
    ASSERT_NE(box.hwnd, nullptr) << "the second answer was not refused";
    EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"确定"}) << "not the three-pages message";
    Click(box, IDC_MSG_BTN1);
    EXPECT_EQ(Login(c, L"1服-双线-三"), 1);
    EXPECT_TRUE(WaitFor([&] { return Shows(c); }));
}

TEST_F(MainWindowTest, AFourthFrameIsClosedWithItsProcess) {
    Start();
    HWND a = AddTab(L"1服-双线-甲丁");
    HWND b = AddTab(L"1服-双线-乙丁");
    HWND c = AddTab(L"1服-双线-丙丁");
    ASSERT_TRUE(a && b && c);
    // A page process the window did not start (or started before a race) logs in and announces its
    // frame: its label is taken, there being room among the labels, but three tabs are all there is.
    DWORD latePid = 0;
    HANDLE process = StartProcess(WinPathFromEnv("MRVN_PAGE_DOUBLE"),
                                  L"/newgm /" + std::to_wstring(reinterpret_cast<intptr_t>(main_)) + L" /3", &latePid);
    ASSERT_NE(process, nullptr);
    HWND late = NewDouble();
    ASSERT_NE(late, nullptr);
    Login(late, L"1服-双线-戊丁");
    EXPECT_EQ(WaitForSingleObject(process, 20000), WAIT_OBJECT_0) << "the fourth frame was kept";
    CloseHandle(process);
    ASSERT_TRUE(RoundTrip(a));
    EXPECT_TRUE(Shows(c)) << "the refused frame changed the page shown";
    for (HWND d : {a, b, c}) EXPECT_TRUE(IsWindow(FrameOf(d)));
}

TEST_F(MainWindowTest, TwoQuickHallClicksStartOneHall) {
    Start();
    HWND a = AddTab(L"1服-双线-馆");
    ASSERT_NE(a, nullptr);
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDC_BTN_HALL, BN_CLICKED), 0);
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDC_BTN_HALL, BN_CLICKED), 0);
    HWND hall = NewDouble();
    ASSERT_NE(hall, nullptr) << "no hall process was started";
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(FrameOf(hall)) != FALSE; }));
    // Both clicks are handled once the hall has the reload posted after them; a process started by
    // either exists from that moment.
    ASSERT_TRUE(RoundTrip(hall));
    EXPECT_EQ(ProcessCount(L"page_double.exe"), 2u) << "a second hall process was started";
}

TEST_F(MainWindowTest, MalformedLabelsFromAnyProcessAreRefused) {
    Start();
    struct Row {
        const char* what;
        std::vector<uint8_t> data;
        DWORD size;  // what cbData claims
    };
    auto utf16 = [](const std::wstring& s, bool zero) {
        std::vector<uint8_t> out;
        for (wchar_t c : s) {
            out.push_back(uint8_t(c & 0xFF));
            out.push_back(uint8_t(c >> 8));
        }
        if (zero) out.insert(out.end(), {0, 0});
        return out;
    };
    const std::vector<uint8_t> good = utf16(L"1服-a-b", true);
    std::vector<uint8_t> odd = good;
    odd.push_back(0);
    const std::vector<uint8_t> noZero = utf16(L"1服-a-b", false);
    const std::vector<uint8_t> huge = utf16(std::wstring(3000, L'x'), true);
    const std::vector<uint8_t> loneSurrogate = utf16(std::wstring(1, wchar_t(0xD800)) + L"x", true);
    const Row rows[] = {
        {"zero size", good, 0},
        {"odd size", odd, DWORD(odd.size())},
        {"no terminating zero", noZero, DWORD(noZero.size())},
        {"absurd length", huge, DWORD(huge.size())},
        {"empty label", {0, 0}, 2},
        {"lone surrogate", loneSurrogate, DWORD(loneSurrogate.size())},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        COPYDATASTRUCT cds{0, row.size, row.size ? const_cast<uint8_t*>(row.data.data()) : nullptr};
        DWORD_PTR answer = 99;
        ASSERT_TRUE(SendMessageTimeoutW(main_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL, 5000, &answer));
        EXPECT_EQ(answer, 0u);
    }
    // The window still works: the same label, well formed, is taken once.
    COPYDATASTRUCT cds{0, DWORD(good.size()), const_cast<uint8_t*>(good.data())};
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(main_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL, 5000, &answer);
    EXPECT_EQ(answer, 1u);
    SendMessageTimeoutW(main_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL, 5000, &answer);
    EXPECT_EQ(answer, 0u);
}

// ---- the window commands: menus, tray, hiding, sound, cleaning and update

// The ids and texts of a menu of this process (Wine lets no process read another's menus); a
// separator reads as id 0 and "-", a plain enabled text item as its text, anything else with a "!".
std::vector<std::pair<UINT, std::wstring>> MenuItemsOf(HMENU menu) {
    std::vector<std::pair<UINT, std::wstring>> items;
    const int n = menu ? GetMenuItemCount(menu) : 0;
    for (int i = 0; i < n; ++i) {
        wchar_t buf[128] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID | MIIM_STATE;
        info.dwTypeData = buf;
        info.cch = 127;
        if (!GetMenuItemInfoW(menu, UINT(i), TRUE, &info)) {
            items.push_back({0, L"?"});
        } else if (info.fType & MFT_SEPARATOR) {
            items.push_back({info.wID, L"-"});
        } else {
            const bool plain = info.fType == MFT_STRING && info.fState == MFS_ENABLED;
            items.push_back({info.wID, std::wstring(buf) + (plain ? L"" : L"!")});
        }
    }
    return items;
}

TEST(MainWindowMenus, BothMenusHoldTheirItemsInOrderAsPlainEnabledTextItems) {
    using Items = std::vector<std::pair<UINT, std::wstring>>;
    const Items common = {{1, L"刷新 (F5)"}, {2, L"隐藏/恢复(Ctrl  +  Q)"}, {3, L"清除缓存"}, {0, L"-"},
                          {4, L"更新"},      {5, L"设置..."}};
    Items system = common, tray = common;
    system.push_back({0xFFFFFFFF, L"版本号: 3.0.0.1"});
    tray.push_back({6, L"退出"});
    EXPECT_EQ(MenuItemsOf(gamewnd::BuildPopupMenu(MenuKind::System, {2, 81}).Get()), system);
    EXPECT_EQ(MenuItemsOf(gamewnd::BuildPopupMenu(MenuKind::Tray, {2, 81}).Get()), tray);
}

// A hash of what the screen shows in `r`: a button's look.
uint32_t ScreenHash(const RECT& r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    uint32_t hash = 2166136261u;
    const auto* p = static_cast<const uint8_t*>(bits);
    for (int i = 0; bits && i < w * h * 4; ++i) hash = (hash ^ p[i]) * 16777619u;
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return hash;
}

class MainWindowCommands : public MainWindowTest {
protected:
    void TearDown() override {
        WritePrivateProfileStringW(L"Mrvn", L"ShortKey", nullptr, SettingsFile().c_str());
        // An updater started by "更新" runs a main window of its own.
        EndProcesses(L"Mrvn.exe");
        MainWindowTest::TearDown();
    }

    // The hotkeys' file: Statistic.ini beside the running program.
    static std::wstring SettingsFile() {
        std::wstring exe = MrvnExe();
        return exe.substr(0, exe.rfind(L'\\')) + L"\\Statistic.ini";
    }

    RECT ButtonRect(int id) const {
        RECT r{};
        GetWindowRect(GetDlgItem(main_, id), &r);
        return r;
    }

    // The open popup menu of the launcher, once it shows.
    HWND WaitForMenu(DWORD timeoutMs = 10000) const {
        HWND found = nullptr;
        WaitFor(
            [&] {
                const auto menus =
                    TopLevel([&](HWND h) { return PidOf(h) == pid_ && ClassOf(h) == L"#32768" && IsWindowVisible(h); });
                found = menus.empty() ? nullptr : menus.front();
                return found != nullptr;
            },
            timeoutMs);
        return found;
    }
    bool MenuGoes(HWND menu) const { return WaitFor([&] { return !IsWindowVisible(menu); }, 5000); }

    // Opens "系统" as a player does: the window in front, a real click on the button; a click that
    // did not open it is given again, as a player would.
    HWND OpenSystemMenu() const {
        const RECT b = ButtonRect(IDC_BTN_MENU);
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (!FocusForKeys(main_)) continue;
            // The pointer comes from elsewhere, as a player's does; a click where it already rests was
            // not taken by the button the second time.
            RunUnix(L"xdotool mousemove " + std::to_wstring(b.left - 40) + L" " + std::to_wstring(b.bottom + 200) +
                    L" sleep 0.2 mousemove " + std::to_wstring((b.left + b.right) / 2) + L" " +
                    std::to_wstring((b.top + b.bottom) / 2) + L" sleep 0.2 click 1");
            if (HWND menu = WaitForMenu(5000)) return menu;
        }
        return nullptr;
    }

    // Opens "系统" and picks an item by keys: `downs` times Down, then Enter.
    bool ChooseFromSystemMenu(int downs) const {
        HWND menu = OpenSystemMenu();
        if (!menu) return false;
        std::wstring keys;
        for (int i = 0; i < downs; ++i) keys += L"Down ";
        TypeKeys(keys + L"Return");
        return MenuGoes(menu);
    }

    static void Press(HWND main, int id) { PostMessageW(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    // Each page's count of "sound off" messages, after every page has had `ticks` more of timer 3.
    std::vector<LRESULT> MutedCountsAfterTicks(const std::vector<HWND>& pages, int ticks) const {
        std::vector<LRESULT> start;
        for (HWND d : pages) start.push_back(Ask(d, kAskMuteCount));
        WaitFor([&] {
            for (size_t i = 0; i < pages.size(); ++i) {
                if (Ask(pages[i], kAskMuteCount) < start[i] + ticks) return false;
            }
            return true;
        }, 10000);
        std::vector<LRESULT> muted;
        for (HWND d : pages) muted.push_back(Ask(d, kAskMutedCount));
        return muted;
    }
};

TEST_F(MainWindowCommands, TheSystemMenuListsItsItemsUnderItsButtonAndNamesTheBossKeyOfTheMoment) {
    Start();
    HWND a = AddTab(L"1服-双线-菜");
    ASSERT_NE(a, nullptr);
    HWND menu = OpenSystemMenu();
    ASSERT_NE(menu, nullptr) << "no menu";
    RECT m{};
    GetWindowRect(menu, &m);
    const RECT b = ButtonRect(IDC_BTN_MENU);
    EXPECT_EQ(m.left, b.left);
    EXPECT_EQ(m.top, b.bottom + 2);
    const int narrow = m.right - m.left;
    TypeKeys(L"Escape");
    ASSERT_TRUE(MenuGoes(menu));

    // The boss key changed in the file between two openings. Wine lets no other process read the
    // menu's texts (their order is BothMenusHoldTheirItemsInOrder...); the longer key name shows in the
    // menu's width, the hide item being the widest.
    ASSERT_TRUE(WritePrivateProfileStringW(L"Mrvn", L"ShortKey", L"6,65", SettingsFile().c_str()));
    menu = OpenSystemMenu();
    ASSERT_NE(menu, nullptr);
    GetWindowRect(menu, &m);
    EXPECT_GT(m.right - m.left, narrow + 40) << "the hide item still names F10";
    // The version line (the last item) does nothing.
    TypeKeys(L"Up Return");
    ASSERT_TRUE(MenuGoes(menu));
    EXPECT_TRUE(RoundTrip(a));
    EXPECT_TRUE(NoBoxFor(0));
    EXPECT_TRUE(IsWindowVisible(main_));
    EXPECT_EQ(Ask(a, kAskF5Count), 0);
}

TEST_F(MainWindowCommands, RefreshFromTheMenuReachesTheCurrentFrameWithTheMarker) {
    Start();
    HWND a = AddTab(L"1服-双线-刷");
    HWND b = AddTab(L"1服-双线-新");
    ASSERT_TRUE(a && b);
    ASSERT_TRUE(ChooseFromSystemMenu(1));
    EXPECT_TRUE(WaitFor([&] { return Ask(b, kAskF5Count) == 1; }, 5000));
    EXPECT_EQ(Ask(b, kAskLastF5LParam), LRESULT(kLauncherMarker));
    EXPECT_EQ(Ask(a, kAskF5Count), 0) << "only the current page refreshes";
}

TEST_F(MainWindowCommands, TheHideButtonAndTheTrayIconHideTheWindowWithItsCompanionsAndBringItBack) {
    Start();
    HWND a = AddTab(L"1服-双线-藏");
    ASSERT_NE(a, nullptr);
    HWND frame = FrameOf(a);
    // A real click on the hide button.
    const RECT hide = ButtonRect(IDC_BTN_HIDE);
    ASSERT_TRUE(FocusForKeys(main_));
    RunUnix(L"xdotool mousemove " + std::to_wstring((hide.left + hide.right) / 2) + L" " +
            std::to_wstring((hide.top + hide.bottom) / 2) + L" click 1");
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(main_) && !IsWindowVisible(frame); }, 10000));
    // The shell's left click on the icon brings it back in front.
    PostMessageW(main_, WM_TRAYICON, 1, WM_LBUTTONUP);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(main_) && IsWindowVisible(frame); }, 10000));
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == main_; }, 5000));
    RunUnix(L"xdotool mousemove 5 700");

    // The add-account prompt goes with the window and stays away when it comes back.
    HWND prompt = AskAddAccount();
    ASSERT_NE(prompt, nullptr);
    Press(main_, IDC_BTN_HIDE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(main_) && !IsWindowVisible(prompt); }, 10000));
    Press(main_, IDC_BTN_HIDE);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(main_) && IsWindowVisible(frame); }, 10000));
    EXPECT_TRUE(RoundTrip(a));
    EXPECT_FALSE(IsWindowVisible(prompt));
    // Other mouse messages of the icon do nothing.
    PostMessageW(main_, WM_TRAYICON, 1, WM_LBUTTONDOWN);
    EXPECT_TRUE(RoundTrip(a));
    EXPECT_TRUE(IsWindowVisible(main_));
}

// The shell's right click as the shell posts it: the menu opens at the cursor, right- and
// bottom-aligned. Choosing from it is ClicksOnTheIconInWinesOwnTrayWindow...'s: a menu opened by a
// posted message, with no input behind it, took no keys without a window manager, and under openbox
// closed by itself before any key or click came: a menu closes when its window is not in front, and
// the shell's real click gives the launcher that right, which a posted message cannot. So the window
// is put in front first.
TEST_F(MainWindowCommands, TheTrayMenuOpensAtTheCursor) {
    Start();
    HWND a = AddTab(L"1服-双线-托");
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(FocusForKeys(main_));
    ASSERT_TRUE(SetCursorPos(700, 500));
    PostMessageW(main_, WM_TRAYICON, 1, WM_RBUTTONUP);
    HWND menu = WaitForMenu();
    ASSERT_NE(menu, nullptr) << "no tray menu";
    RECT m{};
    GetWindowRect(menu, &m);
    EXPECT_EQ(m.right, 700);
    EXPECT_EQ(m.bottom, 500);
    // A click elsewhere closes it and chooses nothing.
    RunUnix(L"xdotool mousemove 100 400 sleep 0.2 click 1");
    EXPECT_TRUE(MenuGoes(menu));
    EXPECT_TRUE(RoundTrip(a));
    EXPECT_FALSE(LauncherEnds(0));
}

TEST_F(MainWindowCommands, SoundButtonTwiceBetweenTicksChangesNothingAndMuteReachesEveryPageButNotTheHall) {
    Start();
    HWND a = AddTab(L"1服-a-声");
    HWND b = AddTab(L"1服-b-声");
    HWND c = AddTab(L"1服-c-声");
    ASSERT_TRUE(a && b && c);
    const std::vector<HWND> pages{a, b, c};
    const RECT sound = ButtonRect(IDC_BTN_SOUND);
    const RECT hallButton = ButtonRect(IDC_BTN_HALL);
    // Settled looks: several ticks have passed.
    MutedCountsAfterTicks(pages, 2);
    const uint32_t soundOn = ScreenHash(sound), hallHidden = ScreenHash(hallButton);

    // Two presses before the next tick cancel.
    Press(main_, IDC_BTN_SOUND);
    Press(main_, IDC_BTN_SOUND);
    EXPECT_EQ(MutedCountsAfterTicks(pages, 3), (std::vector<LRESULT>{0, 0, 0}));

    // The hall comes; its button shows the pressed look.
    Press(main_, IDC_BTN_HALL);
    HWND hall = NewDouble();
    ASSERT_NE(hall, nullptr);
    HWND hallFrame = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (hallFrame = FrameOf(hall)) && IsWindowVisible(hallFrame); }));
    EXPECT_TRUE(WaitFor([&] { return ScreenHash(hallButton) != hallHidden; }, 5000)) << "the hall strip stayed";
    const uint32_t hallShown = ScreenHash(hallButton);

    Press(main_, IDC_BTN_SOUND);
    for (HWND d : pages) EXPECT_TRUE(WaitFor([&] { return Ask(d, kAskLastMute) == 1; }, 5000));
    EXPECT_TRUE(WaitFor([&] { return ScreenHash(sound) != soundOn; }, 5000)) << "the sound strip stayed";
    // After more ticks, the reload posted now reaches the hall after anything the window posted it.
    MutedCountsAfterTicks(pages, 2);
    EXPECT_TRUE(RoundTrip(hall));
    EXPECT_EQ(Ask(hall, kAskMuteCount), 0) << "the hall was told the sound state";

    Press(main_, IDC_BTN_SOUND);
    for (HWND d : pages) EXPECT_TRUE(WaitFor([&] { return Ask(d, kAskLastMute) == 0; }, 5000));
    EXPECT_TRUE(WaitFor([&] { return ScreenHash(sound) == soundOn; }, 5000)) << "the sound strip is not back";
    // The hall hidden again: its button goes back to its normal look.
    Press(main_, IDC_BTN_HALL);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(hallFrame); }, 5000));
    EXPECT_TRUE(WaitFor([&] { return ScreenHash(hallButton) == hallHidden; }, 5000))
        << std::hex << ScreenHash(hallButton) << " shown " << hallShown << " hidden " << hallHidden;
}

TEST_F(MainWindowCommands, ClearCacheTellsAtOnceWhileTheCleaningStillRunsAndTwoRunSideBySide) {
    wchar_t appData[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData), S_OK);
    const std::wstring slow = std::wstring(appData) + L"\\Macromedia\\Flash Player\\#SharedObjects\\slow";
    ASSERT_TRUE(MakeFolders(slow));
    constexpr int kFiles = 4000;
    for (int i = 0; i < kFiles; ++i) ASSERT_TRUE(WriteFileBytes(slow + L"\\f" + std::to_wstring(i) + L".sol", "x"));
    const auto left = [&] {
        int n = 0;
        WIN32_FIND_DATAW fd;
        HANDLE f = FindFirstFileW((slow + L"\\*.sol").c_str(), &fd);
        if (f == INVALID_HANDLE_VALUE) return 0;
        do ++n;
        while (FindNextFileW(f, &fd));
        FindClose(f);
        return n;
    };
    Start();
    HWND page = AddTab(L"1服-双线-清");
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(ChooseFromSystemMenu(3));
    const Box box = WaitForBox(10000, false);
    ASSERT_NE(box.hwnd, nullptr) << "no message";
    const int stillThere = left();
    EXPECT_GT(stillThere, 0) << "the message waited for the cleaning";
    EXPECT_EQ(box.text, L"缓存清除完毕！");
    EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"确定"});
    // The box belongs to no window: the player may ask again while the first cleaning runs, and the
    // two cleanings go side by side over the same folders.
    ASSERT_TRUE(ChooseFromSystemMenu(3));
    Box second;
    ASSERT_TRUE(WaitFor([&] {
        const auto boxes = TopLevel([&](HWND h) {
            return h != box.hwnd && PidOf(h) == pid_ && ClassOf(h) == L"#32770" && IsWindowVisible(h) &&
                   GetDlgItem(h, IDC_MSG_BTN1);
        });
        second.hwnd = boxes.empty() ? nullptr : boxes.front();
        return second.hwnd != nullptr;
    }, 10000)) << "no second message";
    const int atSecond = left();
    Click(second, IDC_MSG_BTN1);
    Click(box, IDC_MSG_BTN1);
    EXPECT_TRUE(WaitFor([&] { return left() == 0; }, 120000)) << left() << " files left";
    EXPECT_TRUE(RoundTrip(page));
    std::printf("files left when the message showed: %d of %d, at the second: %d\n", stillThere, kFiles, atSecond);
}

// Without a notification area Wine's X11 driver shows a small tray window of its own; a real click on
// our icon there (the newest, so the rightmost) brings the hidden window back, a right click opens the
// tray menu.
TEST_F(MainWindowCommands, ClicksOnTheIconInWinesOwnTrayWindowRestoreAndOpenTheTrayMenu) {
    Start();
    HWND a = AddTab(L"1服-双线-标");
    ASSERT_NE(a, nullptr);
    Press(main_, IDC_BTN_HIDE);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(main_); }, 10000));
    const auto trays =
        TopLevel([](HWND h) { return ClassOf(h) == L"__winex11_standalone_tray" && IsWindowVisible(h); });
    if (trays.empty()) GTEST_SKIP() << "this Wine shows no tray window of its own";
    RECT t{};
    GetClientRect(trays.front(), &t);
    MapWindowPoints(trays.front(), nullptr, reinterpret_cast<POINT*>(&t), 2);
    // The rightmost column that is not the window's white background belongs to the newest icon.
    int right = -1;
    for (int x = t.right - 1; x >= t.left && right < 0; --x) {
        if (ScreenPixel(x, (t.top + t.bottom) / 2) != RGB(255, 255, 255)) right = x;
    }
    ASSERT_GT(right, t.left) << "no icon in the tray window";
    RunUnix(L"xdotool mousemove " + std::to_wstring(right - 7) + L" " + std::to_wstring((t.top + t.bottom) / 2) +
            L" sleep 0.2 click 1");
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(main_) && Shows(a); }, 10000)) << "the click did not restore it";

    // Hidden again, a right click there opens the tray menu at the pointer; its last item ends all.
    Press(main_, IDC_BTN_HIDE);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(main_); }, 10000));
    RunUnix(L"xdotool mousemove " + std::to_wstring(right - 7) + L" " + std::to_wstring((t.top + t.bottom) / 2) +
            L" sleep 0.2 click 3");
    HWND menu = WaitForMenu();
    ASSERT_NE(menu, nullptr) << "no tray menu";
    RECT m{};
    GetWindowRect(menu, &m);
    RunUnix(L"xdotool mousemove " + std::to_wstring((m.left + m.right) / 2) + L" " + std::to_wstring(m.bottom - 8) +
            L" sleep 0.2 click 1");
    EXPECT_TRUE(LauncherEnds());
    EXPECT_TRUE(NoBoxFor(0));
}

// The sound button with a real player as a page: the sound stand-in (tests/wine/sound_player.cpp, the
// launcher's own WM_SET_MUTE handler over a steady tone) announces its window as a page frame, and
// what the harness's PulseAudio sink plays is recorded while the player presses the button twice.
TEST_F(MainWindowCommands, TheSoundButtonSilencesARealPlayerAndBringsItBack) {
    char pulse[256] = {}, state[512] = {};
    if (!GetEnvironmentVariableA("PULSE_SERVER", pulse, sizeof pulse)) GTEST_SKIP() << "no PulseAudio in this harness";
    const std::wstring player = WinPathFromEnv("MRVN_SOUND_PLAYER");
    ASSERT_FALSE(player.empty()) << "MRVN_SOUND_PLAYER is not set";
    ASSERT_TRUE(GetEnvironmentVariableA("MRVN_HARNESS_STATE", state, sizeof state));
    const std::string raw = std::string(state) + "/pulse/main-window.raw", pidFile = raw + ".pid";
    const std::wstring rawWin = WinPathOfUnix(raw);
    DeleteFileW(rawWin.c_str());
    const auto size = [&] {
        WIN32_FILE_ATTRIBUTE_DATA a;
        if (!GetFileAttributesExW(rawWin.c_str(), GetFileExInfoStandard, &a)) return -1LL;
        return (static_cast<long long>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
    };
    Start();
    ASSERT_NE(AddTab(L"1服-双线-音"), nullptr);
    ASSERT_TRUE(RunUnix("parec -d mrvn_sink.monitor --raw --format=s16le --rate=44100 --channels=1 "
                        "--latency-msec=20 > '" + raw + "' & echo $! > '" + pidFile + "'; wait"));
    ASSERT_TRUE(WaitFor([&] { return size() > 0; })) << "parec records nothing";
    DWORD playerPid = 0;
    HANDLE process = StartProcess(player, L"wave", &playerPid);
    ASSERT_NE(process, nullptr);
    HWND playerWnd = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (playerWnd = FindWindowW(L"MrvnSoundPlayer", nullptr)) != nullptr; }));
    // Its window joins as a page: from now on timer 3 tells it the sound state, and it starts playing.
    PostMessageW(main_, WM_PAGE_CREATED, reinterpret_cast<WPARAM>(playerWnd), 0);

    constexpr long long kRate = 44100, kWindow = kRate / 10;
    long long marks[4] = {};
    const auto hold = [](DWORD ms) { Sleep(ms); };
    hold(3000);
    marks[0] = size() / 2;
    hold(2000);
    marks[1] = size() / 2;
    Press(main_, IDC_BTN_SOUND);  // off
    hold(3000);
    marks[2] = size() / 2;
    Press(main_, IDC_BTN_SOUND);  // on again
    hold(3000);
    marks[3] = size() / 2;
    PostMessageW(playerWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    RunUnix("kill $(cat '" + pidFile + "')");
    long long last = -1;
    ASSERT_TRUE(WaitFor([&] {
        const long long now = size();
        const bool still = now == last;
        last = now;
        if (!still) Sleep(300);
        return still;
    }, 10000));
    ASSERT_EQ(code, 0u) << "the player could not play";

    std::string pcm;
    ASSERT_TRUE(ReadFileBytes(rawWin, pcm));
    const auto* samples = reinterpret_cast<const int16_t*>(pcm.data());
    std::vector<double> rms;
    for (size_t at = 0; at + kWindow <= pcm.size() / 2; at += kWindow) {
        double sum = 0;
        for (size_t k = at; k < at + kWindow; ++k) sum += double(samples[k]) * samples[k];
        rms.push_back(std::sqrt(sum / double(kWindow)));
    }
    // Share of loud 100 ms windows (RMS above 1000: the tone has about 8500, the sink's silence 0).
    const auto loud = [&](long long from, long long to, const char* what) {
        int seen = 0, n = 0;
        for (size_t w = size_t(from / kWindow) + 1; (w + 1) * kWindow <= size_t(to) && w < rms.size(); ++w, ++seen)
            n += rms[w] > 1000;
        std::printf("%s: %d of %d windows loud\n", what, n, seen);
        EXPECT_GE(seen, 5) << what;
        return seen ? double(n) / seen : 0.0;
    };
    // The button takes effect at the next tick (400 ms) and the page applies it at once.
    EXPECT_GE(loud(marks[0], marks[1], "tone before the button"), 0.6);
    EXPECT_EQ(loud(marks[1] + kRate * 8 / 10, marks[2], "from 800 ms after the button to the second press"), 0.0);
    EXPECT_GE(loud(marks[2] + kRate * 14 / 10, marks[3], "from 1.4 s after the second press"), 0.6);
}

class MainWindowUpdate : public MainWindowCommands {
protected:
    void SetUp() override {
        MainWindowCommands::SetUp();
        port_ = TestServerPort();
        std::string exe;
        ASSERT_TRUE(ReadFileBytes(MrvnExe(), exe));
        localKey_ = Md5HexOf(exe).substr(0, 28) + "3001";
    }
    void Publish(const std::string& key) {
        ASSERT_TRUE(test::SetServerRoute(port_, "/update/ConfigMrvn.htm", "ok",
                                         "[VerKey]\r\nMrvn=" + key + "\r\nUpdAddr=http://127.0.0.1:" +
                                             std::to_string(port_) + "/files/none.bin\r\n"));
    }
    size_t ConfigFetches() const {
        const std::string log = test::ServerLog(port_);
        size_t n = 0;
        for (size_t at = log.find("GET /update/ConfigMrvn.htm"); at != std::string::npos;
             at = log.find("GET /update/ConfigMrvn.htm", at + 1))
            ++n;
        return n;
    }
    uint16_t port_ = 0;
    std::string localKey_;
};

TEST_F(MainWindowUpdate, TheSameReleaseIsTheLatestAnotherStartsTheUpdaterAndEndsTheWindow) {
    Start();
    HWND a = AddTab(L"1服-双线-更");
    ASSERT_NE(a, nullptr);
    Publish(localKey_);
    ASSERT_TRUE(ChooseFromSystemMenu(4));
    Box box = WaitForBox(30000);
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.text, L"已经是最新版本，无需进行更新。");
    Click(box, IDC_MSG_BTN1);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.hwnd); }));

    // Another release: "/update" starts (it asks for the configuration again) and this window ends
    // without a word.
    Publish("0000000000000000000000000000" "3002");
    const size_t before = ConfigFetches();
    ASSERT_TRUE(ChooseFromSystemMenu(4));
    HWND frame = FrameOf(a);
    EXPECT_TRUE(LauncherEnds(30000));
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(frame); })) << "the page stayed";
    EXPECT_TRUE(WaitFor([&] { return ConfigFetches() >= before + 2; }, 30000)) << "no updater asked";
}

TEST_F(MainWindowUpdate, TheWindowAnswersWhileTheCheckWaitsForAServerThatNeverAnswers) {
    Start();
    HWND a = AddTab(L"1服-双线-等");
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(test::SetServerRoute(port_, "/update/ConfigMrvn.htm", "hang", ""));
    const DWORD start = GetTickCount();
    ASSERT_TRUE(ChooseFromSystemMenu(4));
    // The window goes on: pages get their messages, a second "更新" adds no second check.
    EXPECT_TRUE(RoundTrip(a));
    const DWORD answered = GetTickCount() - start;
    ASSERT_TRUE(ChooseFromSystemMenu(4));
    const Box box = WaitForBox(60000);
    const DWORD told = GetTickCount() - start;
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.text, L"已经是最新版本，无需进行更新。");
    Click(box, IDC_MSG_BTN1);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.hwnd); }));
    EXPECT_TRUE(NoBoxFor(kWindowGoesMs)) << "a second check answered too";
    std::printf("round trip during the check after %lu ms; the answer after %lu ms\n", answered, told);
}

struct PlacementRow {
    const wchar_t* placement;
    bool drawnUnderWine;
};

class MainWindowPlacement : public MainWindowTest, public ::testing::WithParamInterface<PlacementRow> {};

TEST_P(MainWindowPlacement, TheFrameLandsOnThePageArea) {
    const PlacementRow row = GetParam();
    Start(row.placement);
    HWND a = AddTab(L"1服-双线-位");
    ASSERT_NE(a, nullptr);
    HWND frame = FrameOf(a);
    const bool child = std::wstring(row.placement) == L"child";
    EXPECT_EQ(GetAncestor(frame, GA_PARENT) == main_, child);
    if (!child) {
        EXPECT_EQ(GetWindow(frame, GW_OWNER), main_);
    }

    RECT client{};
    GetClientRect(main_, &client);
    POINT origin{4, 30};
    ClientToScreen(main_, &origin);
    RECT fr{};
    GetWindowRect(frame, &fr);
    EXPECT_EQ(fr.left, origin.x);
    EXPECT_EQ(fr.top, origin.y);
    EXPECT_EQ(fr.right - fr.left, client.right - 8);
    EXPECT_EQ(fr.bottom - fr.top, client.bottom - 34);

    // Give both windows time to paint, then look at the middle of the page area.
    Sleep(1500);
    const COLORREF colour = COLORREF(Ask(a, kAskColour));
    const COLORREF seen = ScreenPixel((fr.left + fr.right) / 2, (fr.top + fr.bottom) / 2 + 60);
    EXPECT_EQ(seen == colour, row.drawnUnderWine) << std::hex << "pixel " << seen << " frame colour " << colour;

    // The overlay follows the window when it moves.
    SetWindowPos(main_, nullptr, 20, 15, 900, 500, SWP_NOZORDER | SWP_NOACTIVATE);
    POINT moved{4, 30};
    ClientToScreen(main_, &moved);
    EXPECT_TRUE(WaitFor([&] {
        RECT r{};
        GetWindowRect(frame, &r);
        return r.left == moved.x && r.top == moved.y && r.right - r.left == 900 - 8;
    }, 5000));
}

INSTANTIATE_TEST_SUITE_P(Strategies, MainWindowPlacement,
                         ::testing::Values(PlacementRow{L"overlay", true}, PlacementRow{L"child", false}),
                         [](const auto& info) { return std::string(info.param.drawnUnderWine ? "overlay" : "child"); });

}  // namespace
}  // namespace mrvn::wt
