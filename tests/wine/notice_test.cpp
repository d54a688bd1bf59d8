// The notice pop-up against the loopback server: in this process over a window of our own (each
// layout, its place and pixels, closes, clicks, showings), and in Mrvn.exe's main window (timer 4,
// and a host that never answers).
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "extras/win/notice_popup.h"
#include "extras/win/pop_info_dlg.h"
#include "framework/pump.h"
#include "net/transfer_uses.h"
#include "net/update_rules.h"
#include "platform/win32/win32_file_io.h"
#include "platform/win32/win32_http.h"
#include "platform/win32/win32_platform.h"
#include "framework/winapp.h"
#include "resource.h"
#include "skin/skin_images.h"
#include "skin/win/skin_controls_win.h"
#include "skin/win/skin_image.h"
#include "util/http_probe.h"
#include "wine/page_double.h"
#include "wine/wine_util.h"

namespace mrvn::wt {
namespace {

// Runs everything queued for this thread, the one pump's way.
void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!fw::PreTranslate(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000) {
    return WaitFor(
        [&] {
            Pump();
            return done();
        },
        timeoutMs);
}

// Text in the system's code page, as the platform serves its notice.
std::string Ansi(const std::wstring& w) {
    std::string out(size_t(WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, out.data(), int(out.size()), nullptr, nullptr);
    out.pop_back();
    return out;
}

// A 24-bit BMP of one colour: GDI+ decodes it like a JPEG.
std::string SolidBmp(int w, int h, COLORREF c) {
    const DWORD stride = DWORD((w * 3 + 3) & ~3), size = stride * DWORD(h);
    BITMAPINFOHEADER bi{sizeof bi, w, h, 1, 24, BI_RGB, size, 0, 0, 0, 0};
    BITMAPFILEHEADER fh{0x4D42, DWORD(sizeof fh + sizeof bi + size), 0, 0, DWORD(sizeof fh + sizeof bi)};
    std::string data(reinterpret_cast<const char*>(&fh), sizeof fh);
    data.append(reinterpret_cast<const char*>(&bi), sizeof bi);
    std::string row(stride, '\0');
    for (int x = 0; x < w; ++x) {
        row[size_t(x) * 3] = char(GetBValue(c));
        row[size_t(x) * 3 + 1] = char(GetGValue(c));
        row[size_t(x) * 3 + 2] = char(GetRValue(c));
    }
    for (int y = 0; y < h; ++y) data += row;
    return data;
}

std::wstring LocalDate(int daysFromToday) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
    t.QuadPart += ULONGLONG(int64_t(daysFromToday) * 864000000000LL);
    ft = {t.LowPart, t.HighPart};
    FileTimeToSystemTime(&ft, &st);
    wchar_t buf[32];
    wsprintfW(buf, L"%04d-%02d-%02d", st.wYear, st.wMonth, st.wDay);
    return buf;
}

RECT WorkArea() {
    RECT wa{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &wa, 0);
    return wa;
}

COLORREF ScreenPixel(int x, int y) {
    HDC dc = GetDC(nullptr);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(nullptr, dc);
    return c;
}

COLORREF ImagePixel(int id, int x, int y) {
    HBITMAP bmp = skin::LoadSkinImage(fw::ResourceInstance(), id);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    const COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
    return c;
}

// The window alone as a BMP for the gallery (MRVN_GALLERY_DIR; converted to PNG outside).
void SaveWindow(HWND h, const std::wstring& name) {
    RECT r;
    GetWindowRect(h, &r);
    SaveGalleryBmp(r, name);
}

// The fenced block after "<!-- example: NAME -->" in the operator's document, its lines joined by
// CR LF; empty when there is none.
std::string DocExample(const std::string& name) {
    std::string doc;
    if (!ReadFileBytes(WinPathFromEnv("MRVN_OPERATING_DOC"), doc)) return "";
    const size_t marker = doc.find("<!-- example: " + name + " -->");
    if (marker == std::string::npos) return "";
    const size_t open = doc.find("```\n", marker);
    const size_t close = doc.find("\n```", open + 4);
    if (open == std::string::npos || close == std::string::npos) return "";
    std::string block = doc.substr(open + 4, close - open - 4), out;
    for (char c : block) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

std::wstring FromUtf8(const std::string& s) {
    std::wstring out(size_t(MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, out.data(), int(out.size()));
    out.pop_back();
    return out;
}


constexpr COLORREF kPictureColor = RGB(200, 30, 40);

class NoticePopupTest : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = TestServerPort();
        ASSERT_TRUE(test::ResetServer(port_));
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"mrvn-notice";
        RemoveTree(folder_);
        ASSERT_TRUE(MakeFolders(folder_));
        settings_.settingsPath = folder_ + L"\\Statistic.ini";
        settings_.programPath = folder_ + L"\\Mrvn.exe";
        settings_.hosts.clientHost = L"127.0.0.1:" + std::to_wstring(port_);
        settings_.hosts.webHost = settings_.hosts.clientHost;
        settings_.hosts.domains = {L"127.0.0.1"};
        settings_.times = {60000, 60000};
        owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(owner_, nullptr);
        extras::g_nNoticeShows = 1;
        ASSERT_TRUE(test::SetServerRoute(port_, "/notice/pic.bmp", "ok", SolidBmp(160, 190, kPictureColor)));
    }

    void TearDown() override {
        popup_.reset();
        if (owner_) DestroyWindow(owner_);
        Pump();
        RemoveTree(folder_);
    }

    std::wstring Host() const { return L"http://" + settings_.hosts.clientHost; }

    // Serves `line` as the notice and opens a fresh pop-up for it.
    void Serve(const std::wstring& line) {
        ASSERT_TRUE(test::SetServerRoute(port_, "/notice/mrvn.txt", "ok", Ansi(line)));
        popup_ = std::make_unique<extras::CNoticePopup>();
        popup_->Open(owner_, settings_);
    }

    HWND WaitShown(DWORD ms = 20000) {
        HWND h = nullptr;
        PumpUntil(
            [&] {
                h = popup_->Window();
                return h && IsWindowVisible(h);
            },
            ms);
        return h;
    }

    // The fetch is over and whatever it posted has been handled: no pop-up now means none comes.
    bool Settled() { return PumpUntil([&] { return popup_->FetchEnded(); }) && (Pump(), true); }

    std::wstring Ini(const wchar_t* key) const { return IniValue(settings_.settingsPath, key); }

    static skin::CStaticEx* Label(HWND dlg, int id) {
        return dynamic_cast<skin::CStaticEx*>(fw::CWnd::FromHandle(GetDlgItem(dlg, id)));
    }

    uint16_t port_ = 0;
    std::wstring folder_;
    extras::NoticeSettings settings_;
    HWND owner_ = nullptr;
    std::unique_ptr<extras::CNoticePopup> popup_;
};

TEST_F(NoticePopupTest, EachLayoutSitsAtTheWorkAreasCornerWithItsBackgroundAndTexts) {
    const std::wstring eighty(80, L'通');
    const struct {
        const char* name;
        std::wstring text;
        bool picture;
        int background, width, height;
        POINT picturePoint;  // client point inside the picture, or x < 0
        bool cornersArePicture;  // the picture covers the keyed background's lower corners
        bool pictureControl, moreLink;
        std::wstring shownText;
    } rows[] = {
        {"notice-picture-text", eighty, true, kImgNoticeBg, 250, 191, {50, 107}, false, true, true,
         std::wstring(54, L'通') + L"..."},
        {"notice-picture", L"", true, kImgPictureBg, 160, 212, {80, 120}, true, false, false, L""},
        {"notice-text", L"十个字的公告内容正文", false, kImgNoticeTextBg, 250, 167, {-1, 0}, false, false, true,
         L"十个字的公告内容正文..."},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        RemoveTree(folder_);
        ASSERT_TRUE(MakeFolders(folder_));
        const std::wstring pic = r.picture ? Host() + L"/notice/pic.bmp" : L"";
        Serve(L"n-" + std::wstring(r.name, r.name + strlen(r.name)) + L"|" + LocalDate(0) + L"|平台公告|" + Host() +
              L"/news.htm|" + r.text + L"|" + pic + L"|1");
        HWND dlg = WaitShown();
        ASSERT_NE(dlg, nullptr) << "not shown";
        RECT rc;
        GetWindowRect(dlg, &rc);
        const RECT wa = WorkArea();
        EXPECT_EQ(rc.right, wa.right);
        EXPECT_EQ(rc.bottom, wa.bottom);
        EXPECT_EQ(rc.right - rc.left, r.width);
        EXPECT_EQ(rc.bottom - rc.top, r.height);
        EXPECT_EQ(GetWindow(dlg, GW_OWNER), owner_);
        EXPECT_TRUE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) << "no taskbar button";
        // The screen shows the background at its corners (inside the cut corner blocks) and the picture.
        const COLORREF left = r.cornersArePicture ? kPictureColor : ImagePixel(r.background, 12, r.height - 12);
        const COLORREF right =
            r.cornersArePicture ? kPictureColor : ImagePixel(r.background, r.width - 12, r.height - 12);
        EXPECT_TRUE(PumpUntil([&] { return ScreenPixel(rc.left + 12, rc.bottom - 12) == left; }, 5000))
            << "bottom-left corner " << std::hex << ScreenPixel(rc.left + 12, rc.bottom - 12) << " want " << left;
        EXPECT_EQ(ScreenPixel(rc.right - 12, rc.bottom - 12), right) << "bottom-right corner";
        if (r.picturePoint.x >= 0) {
            EXPECT_EQ(ScreenPixel(rc.left + r.picturePoint.x, rc.top + r.picturePoint.y), kPictureColor);
        }
        EXPECT_TRUE(FileExists(folder_ + L"\\PopWnd.jpg") == r.picture);
        skin::CStaticEx* content = Label(dlg, IDC_POP_CONTENT);
        ASSERT_NE(content, nullptr);
        EXPECT_EQ(content->m_strText, r.shownText);
        EXPECT_EQ(IsWindowVisible(GetDlgItem(dlg, IDC_POP_MORE)) != FALSE, r.moreLink);
        EXPECT_EQ(IsWindowVisible(GetDlgItem(dlg, IDC_POP_PICTURE)) != FALSE, r.pictureControl);
        EXPECT_EQ(Ini(L"PopEnable"), L"1");
        SaveWindow(dlg, std::wstring(r.name, r.name + strlen(r.name)));
        popup_.reset();
        Pump();
    }
}

TEST_F(NoticePopupTest, AFailedPictureDownloadLeavesTheEarlierPictureToShow) {
    const COLORREF older = RGB(20, 60, 210);
    ASSERT_TRUE(WriteFileBytes(folder_ + L"\\PopWnd.jpg", SolidBmp(160, 190, older)));
    // The new picture is cut short: announced longer than it is.
    ASSERT_TRUE(test::SetServerRoute(port_, "/notice/cut.bmp", "short", SolidBmp(160, 190, kPictureColor), 4000));
    Serve(L"p1|" + LocalDate(0) + L"|t||x|" + Host() + L"/notice/cut.bmp|1");
    HWND dlg = WaitShown();
    ASSERT_NE(dlg, nullptr);
    RECT rc;
    GetWindowRect(dlg, &rc);
    EXPECT_TRUE(PumpUntil([&] { return ScreenPixel(rc.left + 50, rc.top + 107) == older; }, 5000))
        << "shows " << std::hex << ScreenPixel(rc.left + 50, rc.top + 107);
    EXPECT_FALSE(FileExists(folder_ + L"\\PopWnd.jpg.part")) << "the cut download was left";
}

TEST_F(NoticePopupTest, TheCloseButtonDismissesTheNoticeForGoodUntilANewLineComes) {
    const std::wstring line = L"n1|" + LocalDate(0) + L"|标题||正文||1";
    Serve(line);
    HWND dlg = WaitShown();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(Ini(L"PopInfo"), line);
    // The skin's close button, clicked as the player does.
    HWND close = GetDlgItem(dlg, 50000);
    ASSERT_NE(close, nullptr);
    SendMessageW(close, BM_CLICK, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(dlg); }, kWindowGoesMs));
    EXPECT_EQ(Ini(L"PopEnable"), L"0");

    // The same line at the next start: nothing.
    Serve(line);
    ASSERT_TRUE(Settled());
    EXPECT_EQ(popup_->Window(), nullptr) << "a dismissed notice came back";

    // A new line is shown even so, and enabled again.
    Serve(L"n2|" + LocalDate(0) + L"|新标题||正文||1");
    EXPECT_NE(WaitShown(), nullptr) << "a new notice after a dismissed one";
    EXPECT_EQ(Ini(L"PopEnable"), L"1");
}

TEST_F(NoticePopupTest, YesterdaysNoticeIsNotShownTodaysIs) {
    Serve(L"old|" + LocalDate(-1) + L"|t||x||1");
    ASSERT_TRUE(Settled());
    EXPECT_EQ(popup_->Window(), nullptr) << "yesterday's notice was shown";
    EXPECT_EQ(Ini(L"PopInfo"), L"<none>") << "an expired notice is not stored";
    Serve(L"new|" + LocalDate(0) + L" 23:59|t||x||1");
    EXPECT_NE(WaitShown(), nullptr) << "today's notice was not shown";
}

TEST_F(NoticePopupTest, AClickOpensAWebLinkAndDismissesOtherLinksAreNotOpened) {
    const std::wstring stub = WinPathFromEnv("MRVN_GAME_STUB");
    ASSERT_FALSE(stub.empty());
    const std::wstring opener = folder_ + L"\\opener.exe";
    ASSERT_TRUE(CopyFileW(stub.c_str(), opener.c_str(), FALSE));
    const HttpOpener web(opener);
    ASSERT_TRUE(web.Ok());
    const struct {
        const char* name;
        std::wstring link;
        int control;
        bool opens;
    } rows[] = {
        {"the details link", Host() + L"/news.htm?id=7", IDC_POP_MORE, true},
        {"the title", Host() + L"/title.htm", IDC_POP_TITLE, true},
        {"a program", opener, IDC_POP_CONTENT, false},
        {"a file address", L"file:///" + opener, IDC_POP_MORE, false},
    };
    int n = 0;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        DeleteFileW((opener + L".log").c_str());
        Serve(L"c" + std::to_wstring(++n) + L"|" + LocalDate(0) + L"|t|" + r.link + L"|x||1");
        HWND dlg = WaitShown();
        ASSERT_NE(dlg, nullptr);
        HWND ctl = GetDlgItem(dlg, r.control);
        SendMessageW(ctl, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageW(ctl, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(dlg); }, kWindowGoesMs));
        EXPECT_EQ(Ini(L"PopEnable"), L"0");
        std::string log;
        if (r.opens) {
            ASSERT_TRUE(WaitFor([&] { return ReadFileBytes(opener + L".log", log) && !log.empty(); }));
            const std::wstring text(reinterpret_cast<const wchar_t*>(log.data()), log.size() / sizeof(wchar_t));
            EXPECT_NE(text.find(r.link), std::wstring::npos);
        } else {
            // The shell starts what it opens before it returns: no opener running now means none.
            EXPECT_TRUE(WaitForNoProcess(L"opener.exe", 10000));
            EXPECT_FALSE(ReadFileBytes(opener + L".log", log) && !log.empty()) << "opened";
        }
    }
}

TEST_F(NoticePopupTest, FieldSevenGivesThatManyShowingsAndAHiddenOwnerCountsThemUnseen) {
    settings_.times = {1500, 1500};
    for (bool hideOwner : {false, true}) {
        SCOPED_TRACE(hideOwner ? "owner hidden after the first showing" : "owner visible");
        extras::g_nNoticeShows = 1;
        ShowWindow(owner_, SW_SHOWNA);
        Serve(L"s" + std::to_wstring(int(hideOwner)) + L"|" + LocalDate(0) + L"|t||x||3");
        HWND dlg = WaitShown();
        ASSERT_NE(dlg, nullptr);
        if (hideOwner) {
            // As the main window's hiding does: itself and the pop-up.
            ShowWindow(owner_, SW_HIDE);
            popup_->ShowPopup(false);
        }
        // Looked at after every message, so that no showing passes between two looks.
        std::set<int> seenAt;  // the showings during which the pop-up was on the screen
        int visibleWhileHidden = 0;
        const DWORD start = GetTickCount();
        bool ended = false;
        while (GetTickCount() - start < 30000) {
            if (!IsWindow(dlg)) {
                ended = true;
                break;
            }
            if (IsWindowVisible(dlg)) {
                seenAt.insert(extras::g_nNoticeShows);
                if (hideOwner && !IsWindowVisible(owner_)) ++visibleWhileHidden;
            }
            MSG msg;
            if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (!fw::PreTranslate(&msg)) {
                    TranslateMessage(&msg);
                    DispatchMessageW(&msg);
                }
            } else {
                Sleep(10);
            }
        }
        EXPECT_TRUE(ended) << "the pop-up did not end after its showings";
        EXPECT_EQ(extras::g_nNoticeShows, 3);
        const std::set<int> expected = hideOwner ? std::set<int>() : std::set<int>({1, 2, 3});
        EXPECT_EQ(seenAt, expected);
        EXPECT_EQ(visibleWhileHidden, 0);
        EXPECT_EQ(Ini(L"PopEnable"), L"1") << "a notice that ran out comes again at the next start";
    }
}

TEST_F(NoticePopupTest, TheOperatingDocumentsExamplesAreServedAndReadAsItSays) {
    // The notice line, in the system's code page as the platform serves it.
    const std::wstring line = FromUtf8(DocExample("notice"));
    ASSERT_FALSE(line.empty()) << "no notice example in docs/operating.md";
    Serve(line);
    HWND dlg = WaitShown();
    ASSERT_NE(dlg, nullptr) << "the document's notice was not shown";
    auto* pop = dynamic_cast<extras::CPopInfoDlg*>(fw::CWnd::FromHandle(dlg));
    ASSERT_NE(pop, nullptr);
    EXPECT_STREQ(pop->m_szTitle, L"Morvane新服开启");
    EXPECT_STREQ(pop->m_szLinkUrl, L"http://www.quarn.com/mrvn/news/1209.html");
    EXPECT_EQ(pop->m_nShowCount, 3);
    EXPECT_EQ(Label(dlg, IDC_POP_CONTENT)->m_strText, std::wstring(pop->m_szContent) + L"...");
    RECT rc;
    GetWindowRect(dlg, &rc);
    EXPECT_EQ(rc.right - rc.left, 250) << "text and picture";
    EXPECT_EQ(Ini(L"PopInfo"), line.substr(0, line.find_last_not_of(L"\r\n") + 1));

    // The update configuration, fetched and read as an update check does.
    const std::string config = DocExample("update-config");
    ASSERT_FALSE(config.empty()) << "no configuration example in docs/operating.md";
    ASSERT_TRUE(test::SetServerRoute(port_, "/update/ConfigMrvn.htm", "ok", config));
    win::Win32HttpSession session;
    win::Win32FileSink sink;
    const std::wstring target = folder_ + L"\\ConfigMrvn.htm";
    ASSERT_TRUE(DownloadForUse(TransferUse::UpdateConfig, session, sink, settings_.hosts,
                               UpdateConfigAddress(settings_.hosts.clientHost), target));
    win::Win32ProfileFile ini;
    const UpdateConfig read = ReadUpdateConfig(ini, target);
    EXPECT_EQ(read.versionKey.size(), 32u);
    EXPECT_EQ(read.versionKey.substr(28), VersionDigits(L"3.0.0.2"));
    EXPECT_EQ(read.updAddr, L"http://client.quarn.com/files/Mrvn3002.exe");
}

// The main window: the notice comes a few seconds after the first page, over a main window that
// stays responsive while the host never answers.
class NoticeMainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = TestServerPort();
        ASSERT_TRUE(ResetLauncherState(port_));
        SetLauncherString(L"PlatformDomains", L"127.0.0.1");
        ASSERT_TRUE(test::ResetServer(port_));
        settings_ = MrvnExe().substr(0, MrvnExe().rfind(L'\\')) + L"\\Statistic.ini";
        WritePrivateProfileStringW(L"Mrvn", L"PopInfo", nullptr, settings_.c_str());
        WritePrivateProfileStringW(L"Mrvn", L"PopEnable", nullptr, settings_.c_str());
    }
    void TearDown() override {
        if (launcher_) {
            TerminateProcess(launcher_, 1);
            CloseHandle(launcher_);
        }
        for (HWND d : TopLevel([](HWND h) { return ClassOf(h) == kDoubleClass; })) PostMessageW(d, kDoubleDie, 0, 0);
        WaitForNoProcess(L"page_double.exe", 20000);
        SetEnvironmentVariableW(L"MRVN_PAGE_PROGRAM", nullptr);
    }

    // The launcher with one logged-in page (the page double).
    void StartWithPage() {
        const std::wstring program = WinPathFromEnv("MRVN_PAGE_DOUBLE");
        ASSERT_FALSE(program.empty());
        SetEnvironmentVariableW(L"MRVN_PAGE_PROGRAM", program.c_str());
        SetEnvironmentVariableW(L"MRVN_PAGE_DOUBLE_AUTO", L"1");
        launcher_ = StartProcess(MrvnExe(), L"/MrvnD", &pid_);
        SetEnvironmentVariableW(L"MRVN_PAGE_DOUBLE_AUTO", nullptr);
        ASSERT_NE(launcher_, nullptr);
        main_ = WaitForMainWindow(pid_);
        ASSERT_NE(main_, nullptr);
        ASSERT_TRUE(WaitFor([&] {
            RECT r;
            return GetWindowRect(main_, &r) && r.right - r.left > 100;
        })) << "the first page never attached";
        attached_ = GetTickCount();
    }

    bool NoticeAsked() const { return test::ServerLog(port_).find("GET /notice/mrvn.txt") != std::string::npos; }

    HWND Popup() const {
        const auto found = TopLevel([&](HWND h) {
            return PidOf(h) == pid_ && GetWindow(h, GW_OWNER) == main_ && ClassOf(h) == L"#32770" &&
                   GetDlgItem(h, IDC_POP_MORE) != nullptr;
        });
        return found.empty() ? nullptr : found.front();
    }

    uint16_t port_ = 0;
    std::wstring settings_;
    HANDLE launcher_ = nullptr;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
    DWORD attached_ = 0;
};

TEST_F(NoticeMainWindowTest, TheNoticeComesAFewSecondsAfterTheFirstPageAtTheCorner) {
    const std::wstring line = L"m1|" + LocalDate(0) + L"|平台公告||欢迎来到Morvane||1";
    ASSERT_TRUE(test::SetServerRoute(port_, "/notice/mrvn.txt", "ok", Ansi(line)));
    StartWithPage();
    ASSERT_TRUE(WaitFor([&] { return Popup() && IsWindowVisible(Popup()); }, 30000)) << "no notice";
    EXPECT_GE(GetTickCount() - attached_, 3000u) << "the notice must not come with the first page";
    RECT rc;
    GetWindowRect(Popup(), &rc);
    const RECT wa = WorkArea();
    EXPECT_EQ(rc.right, wa.right);
    EXPECT_EQ(rc.bottom, wa.bottom);
    EXPECT_EQ(IniValue(settings_, L"PopInfo"), line);
    SaveWindow(Popup(), L"notice-main");
}

TEST_F(NoticeMainWindowTest, TheTestSettingShortensTheShowingsAndTheGap) {
    ASSERT_TRUE(test::SetServerRoute(port_, "/notice/mrvn.txt", "ok", Ansi(L"m2|" + LocalDate(0) + L"|t||x||2")));
    SetEnvironmentVariableW(L"MRVN_NOTICE_TIMES", L"2000,1500");
    StartWithPage();
    SetEnvironmentVariableW(L"MRVN_NOTICE_TIMES", nullptr);
    HWND popup = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (popup = Popup()) && IsWindowVisible(popup); }, 30000)) << "no notice";
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(popup); }, 15000)) << "the first showing did not end";
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(popup) != FALSE; }, 15000)) << "no second showing";
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(popup); }, 15000)) << "the pop-up stayed after its two showings";
    EXPECT_EQ(IniValue(settings_, L"PopEnable"), L"1");
}

TEST_F(NoticeMainWindowTest, ANoticeHostThatNeverAnswersLeavesTheMainWindowResponsive) {
    ASSERT_TRUE(test::SetServerRoute(port_, "/notice/mrvn.txt", "hang", ""));
    StartWithPage();
    ASSERT_TRUE(WaitFor([&] { return NoticeAsked(); }, 30000)) << "the notice was never asked for";
    // The fetch waits on the host for 15 s; the window answers meanwhile, again and again.
    for (int i = 0; i < 5; ++i) {
        DWORD_PTR answer = 0;
        EXPECT_NE(SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &answer), 0) << "round " << i;
        Sleep(1000);
    }
    EXPECT_EQ(Popup(), nullptr);
}

}  // namespace
}  // namespace mrvn::wt
