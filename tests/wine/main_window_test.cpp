// The main window under Wine, driven as the page processes and the player would: Mrvn.exe runs with
// the page-process double as its page program; the tests tell each double to log in, cancel or die,
// answer the window's questions by clicking their buttons, and look at frames, sizes and pixels.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "gamewnd/private_messages.h"
#include "resource.h"
#include "wine/page_double.h"
#include "wine/wine_util.h"

namespace mrvn::wt {
namespace {

constexpr wchar_t kCaption[] = L"QuarnMorvane";

struct Box {
    HWND hwnd = nullptr;
    std::vector<std::wstring> buttons;  // labels in order
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

    // A message box of the launcher, owned by the main window.
    Box WaitForBox(DWORD timeoutMs = 10000) const {
        Box box;
        WaitFor(
            [&] {
                const auto boxes = TopLevel([&](HWND h) {
                    return h != main_ && PidOf(h) == pid_ && ClassOf(h) == L"#32770" && IsWindowVisible(h) &&
                           GetWindow(h, GW_OWNER) == main_;
                });
                if (!boxes.empty()) box.hwnd = boxes.front();
                return box.hwnd != nullptr;
            },
            timeoutMs);
        if (!box.hwnd) return box;
        for (int id : {IDC_MSG_BTN1, IDC_MSG_BTN2}) {
            if (HWND b = GetDlgItem(box.hwnd, id)) box.buttons.push_back(TextOf(b));
        }
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
