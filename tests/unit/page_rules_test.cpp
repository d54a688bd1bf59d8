#include "gamewnd/page/page_rules.h"

#include <gtest/gtest.h>

#include "gamewnd/private_messages.h"

namespace mrvn::gamewnd::page {
namespace {

const std::wstring kHome = L"http://www.example.test/";

TEST(PageEnterGame, TagAndDownloadPage) {
    const struct {
        const wchar_t* url;
        EnterGameParse result;
        const wchar_t* tag;
        const wchar_t* download;
    } rows[] = {
        {L"http://host/webgame.htm", EnterGameParse::NotEnterGame, L"", L""},
        {L"app://entergame|mrvn", EnterGameParse::Launch, L"Mrvn", L"http://www.example.test/"},
        {L"app://entergame|mrvn/|http://d/x|y", EnterGameParse::Launch, L"Mrvn", L"http://d/x|y"},
        {L"app://entergame|/q/z/", EnterGameParse::Launch, L"Qz", L"http://www.example.test/"},
        {L"app://entergame|9lives", EnterGameParse::Launch, L"9lives", L"http://www.example.test/"},
        {L"app://entergame|Écho", EnterGameParse::Launch, L"Écho", L"http://www.example.test/"},
        {L"app://entergame||http://d", EnterGameParse::BadTag, L"", L"http://d"},
        {L"app://entergame|..\\..\\Windows\\evil", EnterGameParse::BadTag, L"", L"http://www.example.test/"},
        {L"app://entergame|.//.", EnterGameParse::BadTag, L"", L"http://www.example.test/"},  // ".." once "/" is gone
        {L"app://entergame|c:evil", EnterGameParse::BadTag, L"", L"http://www.example.test/"},
        {L"app://entergame|abcdefghijklmnopqrstuvwxyz012345", EnterGameParse::Launch,
         L"Abcdefghijklmnopqrstuvwxyz012345", L"http://www.example.test/"},
        {L"app://entergame|abcdefghijklmnopqrstuvwxyz0123456", EnterGameParse::BadTag, L"",
         L"http://www.example.test/"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(row.result));
        EnterGame game{L"stale", L"stale"};
        EXPECT_EQ(ParseEnterGame(row.url, kHome, game), row.result);
        EXPECT_EQ(game.tag, row.tag);
        EXPECT_EQ(game.downloadPage, row.download);
    }
    EXPECT_EQ(GameLauncherPath(L"C:\\ProgramData", L"Mrvn"), L"C:\\ProgramData\\Quarn\\GameLogin\\Mrvn.exe");
}

// The process runs elevated: whatever the page put after the second "|" goes to the shell only as
// a web page, and only on Cancel.
TEST(PageEnterGame, OnlyCancelOpensTheDownloadPageAndOnlyAWebAddress) {
    const struct {
        const wchar_t* page;
        bool web;
    } rows[] = {
        {L"http://www.quarn.com/download/xhzj.htm", true},
        {L"HTTPS://dl.quarn.com/xhzj.htm?from=hall#top", true},
        {L"http://127.0.0.1:8790/", true},
        {L"http://下载.quarn.com/游戏.htm", true},
        {L"C:\\ProgramData\\Quarn\\GameLogin\\evil.exe", false},
        {L"\\\\fileserver\\share\\setup.exe", false},
        {L"file:///C:/Windows/System32/calc.exe", false},
        {L"http:\\\\fileserver\\share\\setup.exe", false},
        {L"http:///C:/x.exe", false},
        {L"http://", false},
        {L"https:", false},
        {L"httpx://a.com/", false},
        {L" http://a.com/", false},
        {L"http://a.com/x y", false},
        {L"http://a.com/\" --new-window \"C:\\x.exe", false},
        {L"http://a.com/\tx", false},
        {L"http://a.com\\..\\x", false},
        {L"javascript:alert(1)", false},
        {L"ftp://a.com/x.exe", false},
        {L"", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.page)));
        EXPECT_EQ(IsWebAddress(row.page), row.web);
        EXPECT_EQ(OpensDownloadPage(kOfferAnswerCancel, row.page), row.web);
        // OK is the client download's answer; a box that could not be shown answers 0 or -1.
        for (int answer : {1, 0, -1, 6, 7}) EXPECT_FALSE(OpensDownloadPage(answer, row.page)) << answer;
    }
    // Without a page after the tag the offer falls back to the web home page, which opens.
    EnterGame game;
    ASSERT_EQ(ParseEnterGame(L"app://entergame|xhzj", kHome, game), EnterGameParse::Launch);
    EXPECT_TRUE(OpensDownloadPage(kOfferAnswerCancel, game.downloadPage));
}

TEST(PageKeys, F5RefreshesUnlessTakenOrFromTheMenu) {
    const Hotkey plainF5{0, 116};
    const Hotkey ctrlF5{kModCtrl, 116};
    const Hotkey f10{0, 121};
    const Hotkey ctrlQ{kModCtrl, 81};
    const struct {
        Hotkey boss;
        Hotkey sound;
        long lParam;
        bool refreshes;
    } rows[] = {
        {f10, ctrlQ, 0x3F0001, true},
        {f10, ctrlF5, 0x3F0001, true},
        {plainF5, ctrlQ, 0x3F0001, false},
        {f10, plainF5, 0x3F0001, false},
        {plainF5, ctrlQ, kLauncherMarker, true},
        {f10, plainF5, kLauncherMarker, true},
    };
    for (const auto& row : rows) EXPECT_EQ(F5Refreshes(row.boss, row.sound, row.lParam), row.refreshes);
}

TEST(PageKeys, WindowSwitchKeyIsForwarded) {
    const Hotkey ctrlTab{kModCtrl, kVkTab};
    EXPECT_TRUE(ForwardsToMainWindow(ctrlTab, kVkTab, kModCtrl, 0x000F0001));
    EXPECT_FALSE(ForwardsToMainWindow(ctrlTab, kVkTab, kModCtrl, kLauncherMarker));
    EXPECT_FALSE(ForwardsToMainWindow(ctrlTab, kVkTab, kModCtrl | kModShift, 0x000F0001));
    EXPECT_FALSE(ForwardsToMainWindow(ctrlTab, kVkTab, 0, 0x000F0001));
    EXPECT_FALSE(ForwardsToMainWindow(Hotkey{kModCtrl, 0}, 0, kModCtrl, 0));  // no key: never
}

}  // namespace
}  // namespace mrvn::gamewnd::page
