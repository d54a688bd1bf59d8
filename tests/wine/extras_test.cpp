// Shortcuts, removal with the self-deleting batch, cache cleaning and the favourites dialog, on the
// real shell, file system and WinINet cache.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>
#include <wininet.h>

#include <thread>

#include "extras/win/cache_clean.h"
#include "extras/win/fav_dlg.h"
#include "util/http_probe.h"
#include "wine/wine_util.h"

namespace mrvn::wt {
namespace {

const std::wstring kSetup = L"C:\\MrvnExtras";
const std::wstring kGame = L"QuarnMorvane极速登录器";
const std::wstring kPlatform = L"Quarn网页游戏";
const std::wstring kUninstall = L"卸载 QuarnMorvane极速登录器";

std::wstring Folder(int csidl) {
    wchar_t buf[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf)) ? buf : L"";
}
std::wstring Desktop() { return Folder(CSIDL_COMMON_DESKTOPDIRECTORY); }
std::wstring StartMenu() { return Folder(CSIDL_COMMON_PROGRAMS) + L"\\Quarn登录器"; }
std::wstring UserDesktop() {
    const std::wstring docs = Folder(CSIDL_PERSONAL);
    return docs.substr(0, docs.rfind(L'\\')) + L"\\Desktop";
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

struct Link {
    std::wstring path, arguments, icon, description;
    int iconIndex = -1;
};

::testing::AssertionResult ReadLink(const std::wstring& file, Link& out) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link)))) {
        return ::testing::AssertionFailure() << "no shell link object";
    }
    IPersistFile* persist = nullptr;
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist));
    const HRESULT loaded = persist ? persist->Load(file.c_str(), STGM_READ) : E_FAIL;
    wchar_t buf[MAX_PATH] = {};
    if (SUCCEEDED(loaded)) {
        link->GetPath(buf, MAX_PATH, nullptr, 0);
        out.path = buf;
        link->GetArguments(buf, MAX_PATH);
        out.arguments = buf;
        buf[0] = 0;
        link->GetIconLocation(buf, MAX_PATH, &out.iconIndex);
        out.icon = buf;
        buf[0] = 0;
        link->GetDescription(buf, MAX_PATH);
        out.description = buf;
    }
    if (persist) persist->Release();
    link->Release();
    if (FAILED(loaded)) return ::testing::AssertionFailure() << "cannot load " << testing::PrintToString(file);
    return ::testing::AssertionSuccess();
}

void RemoveLinks() {
    for (const auto& name : {kGame, kPlatform}) DeleteFileW((Desktop() + L"\\" + name + L".lnk").c_str());
    RemoveTree(StartMenu());
}

class ShortcutTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ResetLauncherState(TestServerPort()));
        RemoveLinks();
        RemoveTree(kSetup);
        ASSERT_TRUE(MakeFolders(kSetup));
        ASSERT_TRUE(CopyFileW(MrvnExe().c_str(), setupCopy.c_str(), FALSE));
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    }
    void TearDown() override {
        // The installed launcher that an installation starts ends at its cancelled login; one
        // left over by a failed test must not hold the files of the next.
        EndProcesses(L"Mrvn.exe");
        CoUninitialize();
    }
    std::wstring installed() const { return InstallFolder() + L"\\Mrvn.exe"; }
    std::wstring setupCopy = kSetup + L"\\Mrvn.exe";
};

TEST_F(ShortcutTest, InstallationMakesTheFourLinksAndReplacesThemTheNextTime) {
    // A same-named link on the player's own desktop goes away.
    ASSERT_TRUE(MakeFolders(UserDesktop()));
    const std::wstring own = UserDesktop() + L"\\" + kGame + L".lnk";
    ASSERT_TRUE(WriteFileBytes(own, "old link"));

    ASSERT_TRUE(RunLauncher(setupCopy, L""));
    const struct {
        std::wstring file, arguments, description;
        int icon;
    } rows[] = {
        {Desktop() + L"\\" + kGame + L".lnk", L"/MrvnD", kGame, 0},
        {Desktop() + L"\\" + kPlatform + L".lnk", L"/webQuarnD",
         L"127.0.0.1:" + std::to_wstring(TestServerPort()) + L"中国最大的网页游戏平台", 1},
        {StartMenu() + L"\\" + kGame + L".lnk", L"/MrvnD", L"", 0},
        {StartMenu() + L"\\" + kUninstall + L".lnk", L"/uninst", L"", 0},
    };
    const auto check = [&] {
        for (const auto& row : rows) {
            SCOPED_TRACE(testing::PrintToString(row.file));
            Link link;
            ASSERT_TRUE(ReadLink(row.file, link));
            EXPECT_EQ(lstrcmpiW(link.path.c_str(), installed().c_str()), 0) << testing::PrintToString(link.path);
            EXPECT_EQ(link.arguments, row.arguments);
            EXPECT_EQ(lstrcmpiW(link.icon.c_str(), installed().c_str()), 0) << testing::PrintToString(link.icon);
            EXPECT_EQ(link.iconIndex, row.icon);
            EXPECT_EQ(link.description, row.description);
        }
    };
    check();
    EXPECT_FALSE(Exists(own));

    // A spoilt link is made anew by the next installation.
    ASSERT_TRUE(WriteFileBytes(rows[3].file, "spoilt"));
    ASSERT_TRUE(RunLauncher(setupCopy, L""));
    check();
}

bool WaitGone(const std::wstring& path, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 100) {
        if (!Exists(path)) return true;
        Sleep(100);
    }
    return !Exists(path);
}

TEST_F(ShortcutTest, YesRemovesKeyAndLinksReportsAndTheBatchDeletesOnlyTheProgram) {
    const uint16_t port = TestServerPort();
    ASSERT_TRUE(RunLauncher(setupCopy, L""));
    ASSERT_TRUE(Exists(StartMenu() + L"\\" + kUninstall + L".lnk"));
    ASSERT_TRUE(test::ResetServer(port));

    ASSERT_TRUE(RemoveWithYes(installed()));
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Quarn\\GameLogin\\Mrvn", 0, KEY_READ, &key), ERROR_SUCCESS);
    HKEY parent = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Quarn\\GameLogin", 0, KEY_READ, &parent), ERROR_SUCCESS);
    if (parent) RegCloseKey(parent);
    for (const auto& link : {Desktop() + L"\\" + kGame + L".lnk", Desktop() + L"\\" + kPlatform + L".lnk"}) {
        EXPECT_FALSE(Exists(link)) << testing::PrintToString(link);
    }
    EXPECT_FALSE(Exists(StartMenu())) << "the empty start-menu folder stays";
    EXPECT_EQ(IniValue(CountersFile(), L"UnInst"), L"1");
    EXPECT_EQ(test::RequestLinesOf(test::ServerLog(port)),
              (std::vector<std::string>{"GET /uninstall.htm?tag=mrvn&ver=3.0.0.1&count=1 HTTP/1.1"}));

    EXPECT_TRUE(WaitGone(installed(), 10000)) << "the batch did not delete the program";
    EXPECT_TRUE(FileExists(CountersFile()));
    EXPECT_TRUE(Exists(InstallFolder()));
}

// A temporary folder that does not exist: no batch can be written, so the program cannot go, and the
// closing message must say so instead of claiming a removal.
TEST_F(ShortcutTest, ARemovalThatCannotWriteItsBatchNamesTheProgramThatStays) {
    ASSERT_TRUE(RunLauncher(setupCopy, L""));
    wchar_t tmp[MAX_PATH] = {}, temp[MAX_PATH] = {};
    GetEnvironmentVariableW(L"TMP", tmp, MAX_PATH);
    GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", L"C:\\MrvnNoSuchTemp");
    SetEnvironmentVariableW(L"TEMP", L"C:\\MrvnNoSuchTemp");
    std::wstring text;
    const auto removed = RemoveWithYes(installed(), &text);
    SetEnvironmentVariableW(L"TMP", tmp[0] ? tmp : nullptr);
    SetEnvironmentVariableW(L"TEMP", temp[0] ? temp : nullptr);
    ASSERT_TRUE(removed);
    EXPECT_EQ(text.find(L"成功"), std::wstring::npos) << testing::PrintToString(text);
    EXPECT_NE(text.find(installed()), std::wstring::npos) << "the message does not name the program";
    // What could go went: the key and the links.
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Quarn\\GameLogin\\Mrvn", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_FALSE(Exists(Desktop() + L"\\" + kGame + L".lnk"));
    EXPECT_TRUE(Exists(installed()));
}

TEST_F(ShortcutTest, ACopyAloneInAFolderOfSpecialCharactersGoesWithItsFolder) {
    // A user's own link keeps the start-menu folder.
    ASSERT_TRUE(MakeFolders(StartMenu()));
    const std::wstring mine = StartMenu() + L"\\我的链接.lnk";
    ASSERT_TRUE(WriteFileBytes(mine, "mine"));
    // A neighbour whose name the batch could match if it were written carelessly.
    const std::wstring parent = L"C:\\游戏 100% (a&b)^";
    const std::wstring folder = parent + L"\\x";
    const std::wstring neighbour = parent + L"\\x100";
    RemoveTree(parent);
    ASSERT_TRUE(MakeFolders(folder));
    ASSERT_TRUE(MakeFolders(neighbour));
    ASSERT_TRUE(WriteFileBytes(neighbour + L"\\keep.txt", "keep"));
    const std::wstring exe = folder + L"\\Mrvn.exe";
    ASSERT_TRUE(CopyFileW(MrvnExe().c_str(), exe.c_str(), FALSE));

    ASSERT_TRUE(RemoveWithYes(exe));
    EXPECT_TRUE(WaitGone(folder, 10000)) << "the folder of the copy stays";
    EXPECT_TRUE(FileExists(neighbour + L"\\keep.txt"));
    EXPECT_TRUE(Exists(mine));
    RemoveTree(parent);
    RemoveTree(StartMenu());
}

TEST_F(ShortcutTest, AProgramPathOutsideTheCodePageIsDeletedThroughIts83Form) {
    const std::wstring folder = L"C:\\MrvnGame \u0E01";  // a Thai letter: not in code page 936
    RemoveTree(folder);
    ASSERT_TRUE(MakeFolders(folder));
    const std::wstring exe = folder + L"\\Mrvn.exe";
    ASSERT_TRUE(CopyFileW(MrvnExe().c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(folder + L"\\other.txt", "other"));
    wchar_t shortPath[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameW(exe.c_str(), shortPath, MAX_PATH), 0u);
    BOOL lossy = FALSE;
    char ansi[MAX_PATH] = {};
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, shortPath, -1, ansi, MAX_PATH, nullptr, &lossy);
    ASSERT_FALSE(lossy) << "this system's 8.3 form does not fit the code page either";

    ASSERT_TRUE(RemoveWithYes(exe));
    EXPECT_TRUE(WaitGone(exe, 10000)) << "the program stays";
    EXPECT_TRUE(FileExists(folder + L"\\other.txt"));
    RemoveTree(folder);
}

// --- Cache cleaning ----------------------------------------------------------------------------

bool IsLink(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT) && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Wine makes no folder links of its own, and moving a Unix link would move its target, so the
// harness has put one into the Flash data folder, pointing at a folder that holds "keep.txt".
const std::wstring kLinkTarget = L"C:\\MrvnLinkTarget";

struct CacheCount {
    int cookies = 0, others = 0;
};

CacheCount CountCache() {
    CacheCount c;
    DWORD size = 0;
    FindFirstUrlCacheEntryW(nullptr, nullptr, &size);
    std::vector<BYTE> buf(size ? size : 1);
    auto* e = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buf.data());
    HANDLE find = size ? FindFirstUrlCacheEntryW(nullptr, e, &size) : nullptr;
    while (find) {
        (e->CacheEntryType & COOKIE_CACHE_ENTRY ? c.cookies : c.others)++;
        size = 0;
        FindNextUrlCacheEntryW(find, nullptr, &size);
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
        buf.assign(size, 0);
        e = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buf.data());
        if (!FindNextUrlCacheEntryW(find, e, &size)) break;
    }
    if (find) FindCloseUrlCache(find);
    return c;
}

// Fetches through WinINet with its cache on, as the browser would.
bool FetchCached(const std::wstring& url) {
    HINTERNET net = InternetOpenW(L"MrvnTest", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET req = net ? InternetOpenUrlW(net, url.c_str(), nullptr, 0, 0, 0) : nullptr;
    char buf[4096];
    DWORD got = 0, total = 0;
    while (req && InternetReadFile(req, buf, sizeof buf, &got) && got) total += got;
    if (req) InternetCloseHandle(req);
    if (net) InternetCloseHandle(net);
    return total > 0;
}

TEST(CacheCleanTest, CookiesStayEverythingElseGoesAndLinksAreNotFollowed) {
    const uint16_t port = TestServerPort();
    ASSERT_TRUE(test::ResetServer(port));
    const std::string body(3000, 'p');
    ASSERT_TRUE(test::SetServerRoute(port, "/game/a.png", "ok", body));
    ASSERT_TRUE(test::SetServerRoute(port, "/game/b.swf", "ok", body));
    const std::wstring base = L"http://127.0.0.1:" + std::to_wstring(port);
    ASSERT_TRUE(FetchCached(base + L"/game/a.png"));
    ASSERT_TRUE(FetchCached(base + L"/game/b.swf"));
    ASSERT_TRUE(InternetSetCookieW((base + L"/").c_str(), L"keep", L"yes; expires=Sat, 01-Jan-2050 00:00:00 GMT"));
    const CacheCount before = CountCache();
    ASSERT_GE(before.others, 2);
    ASSERT_GE(before.cookies, 1);

    wchar_t appData[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, appData, CSIDL_APPDATA, FALSE));
    const std::wstring flash = std::wstring(appData) + L"\\Macromedia\\Flash Player\\#SharedObjects";
    ASSERT_TRUE(MakeFolders(flash + L"\\game.example"));
    const std::wstring readOnly = flash + L"\\game.example\\settings.sol";
    ASSERT_TRUE(WriteFileBytes(readOnly, "sol"));
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    // A tree deeper than MAX_PATH, made through the extended form.
    std::wstring deep = flash;
    while (deep.size() < 300) {
        deep += L"\\deep_folder_name";
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    }
    ASSERT_TRUE(WriteFileBytes(L"\\\\?\\" + deep + L"\\x.sol", "deep"));
    const std::wstring link = flash + L"\\docs";
    ASSERT_TRUE(IsLink(link)) << "the harness's folder link is missing";
    ASSERT_TRUE(FileExists(kLinkTarget + L"\\keep.txt"));

    HANDLE worker = CreateThread(nullptr, 0, extras::ClearCacheThread, nullptr, 0, nullptr);
    ASSERT_NE(worker, nullptr);
    ASSERT_EQ(WaitForSingleObject(worker, 60000), WAIT_OBJECT_0);
    CloseHandle(worker);

    const CacheCount after = CountCache();
    EXPECT_EQ(after.others, 0);
    EXPECT_EQ(after.cookies, before.cookies);
    wchar_t cookie[256] = {};
    DWORD cookieSize = 256;
    EXPECT_TRUE(InternetGetCookieW((base + L"/").c_str(), nullptr, cookie, &cookieSize));
    EXPECT_STREQ(cookie, L"keep=yes");
    EXPECT_TRUE(FileExists(kLinkTarget + L"\\keep.txt")) << "the link was followed";
    // Windows removes the link with its folder. Wine cannot remove a Unix link through any call, so
    // there the link alone stays behind.
    if (Exists(flash)) {
        EXPECT_TRUE(IsLink(link));
        EXPECT_FALSE(Exists(flash + L"\\game.example"));
        EXPECT_FALSE(Exists(flash + L"\\deep_folder_name"));
    }

    // With nothing left to delete (or only what cannot go), a second cleaning says it failed.
    SetLastError(0);
    EXPECT_FALSE(extras::DeleteFlashData());
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_TRUE(FileExists(kLinkTarget + L"\\keep.txt"));
    EXPECT_FALSE(extras::DeleteFolderTree((std::wstring(appData) + L"\\NoSuchFolder").c_str()));
}

// --- Favourites dialog -------------------------------------------------------------------------

std::wstring Favorites() { return Folder(CSIDL_FAVORITES); }

// Shows the dialog; `act` runs on another thread with the dialog's window once it is up.
INT_PTR RunFavDlg(const std::wstring& name, const std::wstring& url, void (*act)(HWND)) {
    extras::CFavDlg dlg(name, url);
    std::thread driver([act] {
        HWND wnd = nullptr;
        // Shown only after its initialisation has filled the edit box.
        for (int i = 0; i < 500 && !(wnd && IsWindowVisible(wnd)); ++i) {
            Sleep(20);
            wnd = FindWindowW(nullptr, L"添加收藏");
        }
        if (wnd) act(wnd);
    });
    const INT_PTR result = dlg.DoModal();
    driver.join();
    return result;
}

TEST(FavDlgTest, TemplateHasItsStyleSizeAndControls) {
    HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(extras::kFavoriteTemplate), RT_DIALOG);
    ASSERT_NE(res, nullptr);
    const auto* p = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res)));
    ASSERT_NE(p, nullptr);
    const auto word = [&](size_t at) { return WORD(p[at] | p[at + 1] << 8); };
    ASSERT_EQ(word(2), 0xFFFF) << "an extended template";
    DWORD style = 0;
    memcpy(&style, p + 12, 4);
    EXPECT_EQ(style, 0x80C800C8u);
    EXPECT_EQ(word(16), 6) << "controls";
    EXPECT_EQ(word(22), 316);
    EXPECT_EQ(word(24), 97);
}

TEST(FavDlgTest, OkWritesTheInternetShortcutInTheAnsiCodePage) {
    const std::wstring file = Favorites() + L"\\游戏 收藏.url";
    DeleteFileW(file.c_str());
    const INT_PTR result = RunFavDlg(L"默认名称", L"http://g.example/游戏?id=1", [](HWND wnd) {
        wchar_t text[64] = {};
        GetDlgItemTextW(wnd, extras::kFavoriteNameEdit, text, 64);
        if (std::wstring(text) == L"默认名称") SetDlgItemTextW(wnd, extras::kFavoriteNameEdit, L"游戏 收藏");
        PostMessageW(wnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    EXPECT_EQ(result, IDOK);
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(file, bytes)) << "no favourite (or the default name was not shown)";
    const std::string url = "http://g.example/\xD3\xCE\xCF\xB7?id=1";
    EXPECT_EQ(bytes, "[DEFAULT]\r\nBASEURL=" + url +
                         "\r\n[{000214A0-0000-0000-C000-000000000046}]\r\n=19,2\r\n[InternetShortcut]\r\nURL=" + url +
                         "\r\nIDList=\r\n");
    DeleteFileW(file.c_str());
}

TEST(FavDlgTest, CancelWritesNothing) {
    EXPECT_EQ(RunFavDlg(L"取消的", L"http://g.example/",
                        [](HWND wnd) { PostMessageW(wnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }),
              IDCANCEL);
    EXPECT_FALSE(Exists(Favorites() + L"\\取消的.url"));
}

}  // namespace
}  // namespace mrvn::wt
