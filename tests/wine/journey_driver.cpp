// Plays the player's journey for tools/run: finds the launcher's windows by class, owner and control
// ids, answers them as a player would and prints one line per step ("journey NN name seen|MISSED
// detail"), then waits a moment so that tools/run can take the step's screenshot. The logins
// themselves come from the stand-in's journey mode (abc, def, abc again, ghi); this program only
// clicks what a player clicks. The hall's first game (Xhzj) is then downloaded from the stand-in. A step that is not seen in time ends the journey: the launcher is
// closed and the rest is reported as skipped. Exit code: the number of steps not seen.
//   journey_driver.exe SETUP_COPY
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "resource.h"

namespace {

constexpr wchar_t kTitle[] = L"QuarnMorvane";
constexpr wchar_t kFrameClass[] = L"MrvnFrameWnd";
constexpr DWORD kShotPauseMs = 1500;  // tools/run shoots the screen after each line

std::wstring ClassOf(HWND h) {
    wchar_t buf[64] = {};
    GetClassNameW(h, buf, 64);
    return buf;
}

std::wstring TextOf(HWND h) {
    wchar_t buf[128] = {};
    GetWindowTextW(h, buf, 128);
    return buf;
}

DWORD PidOf(HWND h) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    return pid;
}

BOOL CALLBACK Collect(HWND h, LPARAM p) {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
    return TRUE;
}

std::vector<HWND> TopLevel(const std::function<bool(HWND)>& keep) {
    std::vector<HWND> all, out;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&all));
    for (HWND h : all)
        if (keep(h)) out.push_back(h);
    return out;
}

bool IsDialog(HWND h) { return ClassOf(h) == L"#32770"; }

HWND FindMain() {
    const auto found = TopLevel([](HWND h) {
        return IsDialog(h) && TextOf(h) == kTitle && !GetWindow(h, GW_OWNER) && GetDlgItem(h, IDC_LBL_OTHER_ACCOUNT);
    });
    return found.empty() ? nullptr : found.front();
}

// Page frames of `main` (owned windows under Wine, child windows on Windows): all, or the shown ones.
int FrameCount(HWND main, bool shownOnly) {
    std::vector<HWND> frames = TopLevel([&](HWND w) { return ClassOf(w) == kFrameClass && GetWindow(w, GW_OWNER) == main; });
    std::vector<HWND> children;
    if (IsWindow(main)) EnumChildWindows(main, Collect, reinterpret_cast<LPARAM>(&children));
    for (HWND h : children)
        if (ClassOf(h) == kFrameClass) frames.push_back(h);
    int n = 0;
    for (HWND h : frames) n += !shownOnly || IsWindowVisible(h) ? 1 : 0;
    return n;
}

// The login window of a page process: its layered background with the page shown over it.
HWND FindLogin(HWND main) {
    const DWORD mainPid = PidOf(main);
    for (HWND bk : TopLevel([&](HWND h) {
             return IsDialog(h) && IsWindowVisible(h) && PidOf(h) != mainPid && TextOf(h) == kTitle &&
                    (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_LAYERED) && !GetDlgItem(h, IDC_MSG_BTN1);
         })) {
        if (!TopLevel([&](HWND h) { return GetWindow(h, GW_OWNER) == bk && IsWindowVisible(h); }).empty()) return bk;
    }
    return nullptr;
}

// The popup menu of the main window's process, while it is open.
HWND FindMenu(HWND main) {
    const DWORD mainPid = PidOf(main);
    const auto found =
        TopLevel([&](HWND h) { return ClassOf(h) == L"#32768" && IsWindowVisible(h) && PidOf(h) == mainPid; });
    return found.empty() ? nullptr : found.front();
}

HWND FindPrompt(HWND main) {
    const auto found = TopLevel([&](HWND h) {
        return IsDialog(h) && IsWindowVisible(h) && GetWindow(h, GW_OWNER) == main &&
               GetDlgItem(h, IDC_ADD_ACCOUNT_TEXT) && GetDlgItem(h, IDC_ADD_ACCOUNT_YES);
    });
    return found.empty() ? nullptr : found.front();
}

// The notice pop-up over the main window, while it shows.
HWND FindNotice(HWND main) {
    const auto found = TopLevel([&](HWND h) {
        return IsDialog(h) && IsWindowVisible(h) && GetWindow(h, GW_OWNER) == main && GetDlgItem(h, IDC_POP_MORE);
    });
    return found.empty() ? nullptr : found.front();
}

// A message box of a page process (`ofMain` false) or the main window's own.
HWND FindBox(HWND main, bool ofMain) {
    const DWORD mainPid = PidOf(main);
    const auto found = TopLevel([&](HWND h) {
        return IsDialog(h) && IsWindowVisible(h) && GetDlgItem(h, IDC_MSG_BTN1) && (PidOf(h) == mainPid) == ofMain;
    });
    return found.empty() ? nullptr : found.front();
}

// The settings dialog over the main window ("设置", menu command 5).
HWND FindSettings(HWND main) {
    const auto found = TopLevel([&](HWND h) {
        return IsDialog(h) && IsWindowVisible(h) && GetWindow(h, GW_OWNER) == main && GetDlgItem(h, IDC_EDIT_BOSS);
    });
    return found.empty() ? nullptr : found.front();
}

std::wstring ItemText(HWND dlg, int id) {
    wchar_t buf[64] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(GetDlgItem(dlg, id), WM_GETTEXT, 64, reinterpret_cast<LPARAM>(buf), SMTO_NORMAL, 5000, &ignored);
    return buf;
}

COLORREF ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

// Tabs drawn in the main window's strip: each tab is a light band on the dark title bar (tab i
// spans client x 120 + 189 i .. + 180).
int StripTabs(HWND main) {
    int n = 0;
    for (int i = 0; i < 3; ++i) {
        POINT p{120 + 189 * i + 150, 14};
        ClientToScreen(main, &p);
        const COLORREF c = ScreenPixel(p.x, p.y);
        if (GetRValue(c) + GetGValue(c) + GetBValue(c) > 3 * 170) ++n;
    }
    return n;
}

// The shown page frame of `main` (the hall, once its button was pressed).
HWND ShownFrame(HWND main) {
    std::vector<HWND> frames = TopLevel([&](HWND w) { return ClassOf(w) == kFrameClass && GetWindow(w, GW_OWNER) == main; });
    std::vector<HWND> children;
    if (IsWindow(main)) EnumChildWindows(main, Collect, reinterpret_cast<LPARAM>(&children));
    for (HWND h : children)
        if (ClassOf(h) == kFrameClass) frames.push_back(h);
    for (HWND h : frames)
        if (IsWindowVisible(h)) return h;
    return nullptr;
}

// The game client download dialog of the hall process, over the main window.
HWND FindDownload() {
    const auto found = TopLevel([](HWND h) {
        return IsDialog(h) && IsWindowVisible(h) && GetDlgItem(h, IDC_DOWN_GAME_PROGRESS) && GetDlgItem(h, IDOK);
    });
    return found.empty() ? nullptr : found.front();
}

bool WaitFor(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start > ms) return false;
        Sleep(100);
    }
}

// Holds for `ms` unless `broken` turns true meanwhile.
bool Holds(const std::function<bool()>& broken, DWORD ms) { return !WaitFor(broken, ms); }

void Command(HWND dlg, int id, WORD code) {
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::wstring ImageOf(HWND h) {
    std::wstring path;
    if (HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, PidOf(h))) {
        wchar_t buf[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (QueryFullProcessImageNameW(p, 0, buf, &size)) path = buf;
        CloseHandle(p);
    }
    return path;
}

class Journey {
public:
    // Runs step `name` unless an earlier step was missed; prints its line and pauses for the shot.
    void Step(const char* name, const std::function<bool(std::string&)>& act) {
        ++number_;
        std::string detail;
        const char* state = "skipped";
        if (!stopped_) {
            const bool seen = act(detail);
            state = seen ? "seen" : "MISSED";
            if (!seen) {
                ++missed_;
                stopped_ = true;
            }
        }
        std::printf("journey %02d %s %s%s%s\n", number_, name, state, detail.empty() ? "" : " ", detail.c_str());
        std::fflush(stdout);
        if (!stopped_ || state[0] == 'M') Sleep(kShotPauseMs);
    }
    bool Stopped() const { return stopped_; }
    int Missed() const { return missed_; }

private:
    int number_ = 0;
    int missed_ = 0;
    bool stopped_ = false;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring setupCopy = argc > 1 ? argv[1] : L"";
    Journey j;
    HWND main = nullptr;

    j.Step("installed", [&](std::string& detail) {
        // The setup copy installs itself and starts the installed copy, whose main window waits
        // (1 x 1) for its first page.
        if (!WaitFor([&] { return (main = FindMain()) != nullptr; }, 90000)) {
            detail = "(no main window in 90 s)";
            return false;
        }
        const std::wstring image = ImageOf(main);
        detail = "(main window of " + Utf8(image) + ")";
        return !image.empty() && lstrcmpiW(image.c_str(), setupCopy.c_str()) != 0;
    });
    // Each login comes from the stand-in's script; a page process shows its login window first.
    const auto login = [&](const char* who) {
        return [&main, who](std::string& detail) {
            HWND found = nullptr;
            const bool seen = WaitFor([&] { return (found = FindLogin(main)) != nullptr; }, 60000);
            detail = seen ? std::string("(login window shown; the stand-in logs ") + who + " in)"
                          : "(no login window in 60 s)";
            return seen;
        };
    };
    const auto tabs = [&](int count) {
        return [&main, count](std::string& detail) {
            bool seen = WaitFor(
                [&] { return FrameCount(main, false) == count && FrameCount(main, true) > 0 && !FindLogin(main); }, 60000);
            seen = seen && WaitFor([&] { return StripTabs(main) == count; }, 5000);
            RECT r{};
            GetWindowRect(main, &r);
            detail = "(" + std::to_string(FrameCount(main, false)) + " page(s), " + std::to_string(StripTabs(main)) +
                     " tab(s) in the strip, main window " +
                     (!IsWindow(main) ? std::string("gone)")
                                      : std::to_string(r.right - r.left) + " x " + std::to_string(r.bottom - r.top) +
                                            (IsZoomed(main) ? ", maximised)" : ")"));
            return seen;
        };
    };
    const auto addAccount = [&](std::string& detail) {
        Command(main, IDC_LBL_OTHER_ACCOUNT, STN_CLICKED);
        HWND prompt = nullptr;
        if (!WaitFor([&] { return (prompt = FindPrompt(main)) != nullptr; }, 15000)) {
            detail = "(no prompt under \"登录其他账号\" in 15 s)";
            return false;
        }
        detail = "(prompt shown; answered \"是\")";
        Sleep(kShotPauseMs);  // the prompt in the picture before it is answered
        Command(prompt, IDC_ADD_ACCOUNT_YES, BN_CLICKED);
        return WaitFor([&] { return !FindPrompt(main); }, 5000);
    };

    j.Step("login", login("abc, server 1"));
    j.Step("tab-abc", tabs(1));
    // The stand-in's notice comes a few seconds after the first page and goes after its showing.
    j.Step("notice", [&](std::string& detail) {
        HWND notice = nullptr;
        if (!WaitFor([&] { return (notice = FindNotice(main)) != nullptr; }, 30000)) {
            detail = "(no notice in 30 s)";
            return false;
        }
        RECT r{}, wa{};
        GetWindowRect(notice, &r);
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &wa, 0);
        detail = "(" + std::to_string(r.right - r.left) + " x " + std::to_string(r.bottom - r.top) + " at the work " +
                 "area's corner: " + (r.right == wa.right && r.bottom == wa.bottom ? "yes" : "no") + ")";
        Sleep(kShotPauseMs);
        return r.right == wa.right && r.bottom == wa.bottom && WaitFor([&] { return !FindNotice(main); }, 20000);
    });
    j.Step("add-account", addAccount);
    j.Step("login", login("def, server 1"));
    j.Step("tab-def", tabs(2));
    j.Step("add-account", addAccount);
    j.Step("login", login("abc, server 1 again"));
    HWND box = nullptr;
    j.Step("refused", [&](std::string& detail) {
        if (!WaitFor([&] { return (box = FindBox(main, false)) != nullptr; }, 60000)) {
            detail = "(no refusal message in 60 s)";
            return false;
        }
        detail = "(a message box \"" + Utf8(TextOf(box)) + "\" of the refused login's page process)";
        return true;
    });
    j.Step("refusal-answered", [&](std::string& detail) {
        Command(box, IDC_MSG_BTN1, BN_CLICKED);
        const bool gone = WaitFor([&] { return !FindBox(main, false) && !FindLogin(main); }, 15000);
        // The refused login adds no tab.
        const bool kept = gone && Holds([&] { return FrameCount(main, false) != 2; }, 3000);
        detail = "(" + std::to_string(FrameCount(main, false)) + " page(s)" + (gone ? ")" : ", login still open)");
        return kept;
    });
    j.Step("add-account", addAccount);
    j.Step("login", login("ghi, server 2"));
    j.Step("tab-ghi", tabs(3));
    j.Step("hall", [&](std::string& detail) {
        Command(main, IDC_BTN_HALL, BN_CLICKED);
        const bool seen = WaitFor([&] { return FrameCount(main, false) == 4 && FrameCount(main, true) > 0; }, 60000);
        detail = seen ? "(the hall shown over the page area)" : "(no hall in 60 s)";
        return seen;
    });

    // The hall's first game has no launcher here: the offer, then its download from the stand-in.
    j.Step("download-offer", [&](std::string& detail) {
        HWND frame = ShownFrame(main);
        HWND view = frame ? GetWindow(frame, GW_CHILD) : nullptr;
        HWND engine = view ? GetWindow(view, GW_CHILD) : nullptr;
        if (!engine) {
            detail = "(no hall page to click)";
            return false;
        }
        PostMessageW(engine, WM_KEYDOWN, VK_TAB, 0);
        PostMessageW(engine, WM_KEYDOWN, VK_RETURN, 0);
        if (!WaitFor([&] { return (box = FindBox(main, false)) != nullptr; }, 15000)) {
            detail = "(no offer to download the game's launcher in 15 s)";
            return false;
        }
        detail = "(\"" + Utf8(TextOf(box)) + "\" asks; answered \"确定\")";
        return true;
    });
    if (box && !j.Stopped()) Command(box, IDC_MSG_BTN1, BN_CLICKED);
    HWND download = nullptr;
    j.Step("download", [&](std::string& detail) {
        const bool done = WaitFor([&] { return (download = FindDownload()) && TextOf(download) == L"下载完成"; }, 60000);
        detail = done ? "(the launcher downloaded and started: \"下载完成\")"
                      : download ? "(the dialog says \"" + Utf8(TextOf(download)) + "\")" : "(no download dialog in 60 s)";
        return done;
    });
    if (download) {
        Command(download, IDOK, BN_CLICKED);
        WaitFor([&] { return !FindDownload(); }, 10000);
    }

    // The "系统" menu stays open for the step's picture and goes with Escape in the next step.
    HWND menu = nullptr;
    j.Step("menu", [&](std::string& detail) {
        Command(main, IDC_BTN_MENU, BN_CLICKED);
        const bool seen = WaitFor([&] { return (menu = FindMenu(main)) != nullptr; }, 15000);
        detail = seen ? "(the \"系统\" menu open under its button)" : "(no menu under \"系统\" in 15 s)";
        return seen;
    });
    j.Step("menu-closed", [&](std::string& detail) {
        PostMessageW(main, WM_KEYDOWN, VK_ESCAPE, 0);
        const bool gone = WaitFor([&] { return !IsWindowVisible(menu); }, 5000);
        detail = gone ? "(Escape closed the menu; nothing was chosen)" : "(the menu stayed open)";
        return gone;
    });

    j.Step("settings", [&](std::string& detail) {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(5, 0), 0);  // the menu's "设置..."
        HWND dlg = nullptr;
        if (!WaitFor([&] { return (dlg = FindSettings(main)) != nullptr; }, 15000)) {
            detail = "(no settings dialog in 15 s)";
            return false;
        }
        detail = "(settings dialog: " + Utf8(ItemText(dlg, IDC_EDIT_BOSS)) + " | " + Utf8(ItemText(dlg, IDC_EDIT_SWITCH)) +
                 " | " + Utf8(ItemText(dlg, IDC_EDIT_SOUND)) + "; cancelled)";
        Sleep(kShotPauseMs);  // the dialog in the picture before it goes
        Command(dlg, IDCANCEL, BN_CLICKED);
        return WaitFor([&] { return !FindSettings(main); }, 15000);
    });

    // The end is played even after a missed step, so that nothing is left running.
    const bool playing = !j.Stopped();
    box = nullptr;
    main = FindMain();
    if (main) PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (playing) {
        // With pages open the launcher asks first.
        j.Step("exit-question", [&](std::string& detail) {
            const bool seen = WaitFor([&] { return (box = FindBox(main, true)) != nullptr; }, 15000);
            detail = seen ? "(the launcher asks before it ends; answered yes)" : "(no question in 15 s)";
            return seen;
        });
    } else if (main && WaitFor([&] { return (box = FindBox(main, true)) != nullptr || !IsWindow(main); }, 15000)) {
        box = FindBox(main, true);
    }
    if (box) Command(box, IDC_MSG_BTN1, BN_CLICKED);
    const bool ended = !main || WaitFor([&] { return !IsWindow(main) && !FrameCount(main, false); }, 15000);
    std::printf("journey 99 end %s\n", !ended ? "MISSED (the main window or a page is still there)"
                                       : main ? "seen (the main window and every page ended)"
                                              : "seen (the launcher had already ended)");
    std::fflush(stdout);
    return j.Missed() + (ended ? 0 : 1);
}
