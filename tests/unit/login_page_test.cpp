#include "login/page_command.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace mrvn::login {
namespace {

TEST(LoginPageCommand, ReadByCharacterPosition) {
    const struct {
        const wchar_t* url;
        PageCommand command;
    } rows[] = {
        {L"http://host/mrvn/client/index.html?cid=4224", PageCommand::None},
        {L"App://loadgame|x|y", PageCommand::None},  // case-sensitive prefix
        {L"app", PageCommand::None},
        {L"app:", PageCommand::Other},
        {L"app://loadgame|S1服-a-b|http://g", PageCommand::LoadGame},
        {L"app:XYloadgame", PageCommand::LoadGame},  // 4-5 and 14 are not looked at
        {L"app://exitgame", PageCommand::ExitGame},
        {L"app://minimize?", PageCommand::Minimize},
        {L"app://MINIMIZE", PageCommand::Other},
        {L"app://minimiz", PageCommand::Other},    // one short of the word
        {L"app:/minimize", PageCommand::Other},    // shifted by one
        {L"app://entergame|mrvn", PageCommand::Other},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(row.command));
        EXPECT_EQ(ClassifyPageCommand(row.url), row.command);
    }
}

TEST(LoginPageCommand, LoadGameSplitsAtTheFirstBarFromIndex15) {
    const struct {
        const wchar_t* url;
        const wchar_t* loginText;
        const wchar_t* gameAddress;
    } rows[] = {
        {L"app://loadgame|S1服-《游戏》双线-abc|http://g/play?a=1|b", L"S1服-《游戏》双线-abc", L"http://g/play?a=1|b"},
        {L"app://loadgame|S1服-a-b", L"", L""},  // no bar: both empty
        {L"app://loadgame|", L"", L""},
        {L"app://loadgame||http://g", L"", L"http://g"},  // the separator itself is never the bar
        {L"app://loadgameXa|", L"a", L""},
    };
    for (const auto& row : rows) {
        const LoadGameArgs args = SplitLoadGame(row.url);
        EXPECT_EQ(args.loginText, row.loginText);
        EXPECT_EQ(args.gameAddress, row.gameAddress);
    }
}

// U+1F600 as this platform's wide text holds it.
std::wstring Emoji() {
    uint32_t cp = 0x1F600;
    return sizeof(wchar_t) == 2 ? std::wstring(L"\xD83D\xDE00") : std::wstring(1, static_cast<wchar_t>(cp));
}

TEST(LoginUnescape, PercentAndUtf8) {
    const struct {
        const wchar_t* in;
        std::wstring out;
    } rows[] = {
        {L"S1服-a-b", L"S1服-a-b"},                 // no "%": unchanged
        {L"%E6%B5%8B", L"测"},
        {L"%e6%b5%8b", L"测"},                      // lower-case hex
        {L"100%", L"100%"},                         // "%" without two hex digits stays
        {L"%4%41%G1", L"%4A%G1"},
        {L"S1%E6%9C%8D-%E5%8F%8C-abc", L"S1服-双-abc"},
        {L"%F0%9F%98%80", Emoji()},
        {L"%E6%B5", L"\xFFFD"},                     // incomplete at the end
        {L"%E6%B5x", L"\xFFFDx"},
        {L"%C0%80", L"\xFFFD\xFFFD"},               // overlong
        {L"%ED%A0%80", L"\xFFFD\xFFFD\xFFFD"},      // an encoded surrogate: each bad byte, as browsers do
        {L"%FF%80a", L"\xFFFD\xFFFD" L"a"},
        {L"%00a", std::wstring(1, L'\0') + L"a"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.in);
        EXPECT_EQ(UnescapeLoginText(row.in), row.out);
    }
}

TEST(LoginUnescape, LongTextIsCutAtACharacterNeverInsideIt) {
    std::wstring escaped;
    for (int i = 0; i < 300; ++i) escaped += L"%E6%B5%8B";
    // 255 bytes of escapes hold 85 escapes: 28 whole characters and one byte of the 29th, dropped.
    EXPECT_EQ(UnescapeLoginText(escaped), std::wstring(28, L'测'));

    // 300 escaped ASCII characters: 85 fit, and the cut falls on an escape boundary.
    std::wstring ascii;
    for (int i = 0; i < 300; ++i) ascii += L"%41";
    EXPECT_EQ(UnescapeLoginText(ascii), std::wstring(85, L'A'));

    // A cut that would fall inside an escape ("%4" at 254..255) moves back before its "%".
    const std::wstring shifted = std::wstring(253, L'x') + L"%41%41";
    EXPECT_EQ(UnescapeLoginText(shifted), std::wstring(253, L'x'));

    // A raw non-ASCII character is never split by the cut either.
    const std::wstring raw = L"%41" + std::wstring(100, L'测');
    const std::wstring out = UnescapeLoginText(raw);
    EXPECT_EQ(out, L"A" + std::wstring(84, L'测'));
}

TEST(LoginLabel, SplitAndRebuild) {
    const struct {
        const wchar_t* text;
        const wchar_t* server;
        const wchar_t* middle;
        const wchar_t* account;
        const wchar_t* label;
    } rows[] = {
        {L"S1服-《游戏》双线-abc", L"1", L"双线", L"abc", L"1服-双线-abc"},
        {L"", L"", L"", L"", L"服--"},
        {L"SS12S服-电信-a-b", L"12", L"电信", L"a-b", L"12服-电信-a-b"},
        {L"s1服-x-y", L"s1", L"x", L"y", L"s1服-x-y"},                       // only capital S
        {L"1服-《a》《b》123456-c", L"1", L"《b》1", L"c", L"1服-《b》1-c"},  // first 》, 4 after it
        {L"1服-abc》-d", L"1", L"", L"d", L"1服--d"},                         // 》 at the end
        {L"1服-", L"1", L"", L"1服-", L"1服--1服-"},                          // 服- at the end
        {L"1服-ab", L"1", L"", L"1服-ab", L"1服--1服-ab"},                    // no dash after it
        {L"abc", L"", L"", L"abc", L"服--abc"},
        // Without 服- the dash is still looked for from index 1.
        {L"ab-cd", L"", L"b", L"cd", L"服-b-cd"},
        {L"-abc", L"", L"", L"-abc", L"服---abc"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.text);
        const LoginFields fields = SplitLoginText(row.text);
        EXPECT_EQ(fields.server, row.server);
        EXPECT_EQ(fields.middle, row.middle);
        EXPECT_EQ(fields.account, row.account);
        EXPECT_EQ(PageLabel(fields), row.label);
    }
}

TEST(LoginLabel, HostileTextsStayInside) {
    const std::wstring many = std::wstring(1000, L'》');
    LoginFields fields = SplitLoginText(L"1服-" + many + L"-x");
    EXPECT_EQ(fields.middle, L"》》》》");
    const std::wstring big = std::wstring(1000, L'S') + L"服-" + std::wstring(1000, L'z');
    fields = SplitLoginText(big);
    EXPECT_EQ(fields.server, L"");
    EXPECT_EQ(fields.account, big);
}

TEST(LoginLabel, RefusalNamesAccountThenServer) {
    EXPECT_EQ(RefusalMessage(SplitLoginText(UnescapeLoginText(L"S1%E6%9C%8D-%E3%80%8A%E6%B8%B8%E6%88%8F%E3%80%8B%E5%8F%8C%E7%BA%BF-abc"))),
              L"账号 abc 已在 1服 登录，同一账号不能在一服重复登录");
    EXPECT_EQ(RefusalMessage(SplitLoginText(L"")), L"账号  已在 服 登录，同一账号不能在一服重复登录");
}

TEST(LoginLabel, OnlyLabelsTheMainWindowReadsBackAreSent) {
    EXPECT_TRUE(PageLabelSendable(L"1服-双线-abc"));
    EXPECT_TRUE(PageLabelSendable(std::wstring(255, L'a')));
    EXPECT_FALSE(PageLabelSendable(std::wstring(256, L'a')));
    // 253 characters without "服-" gain "服--" and no longer fit.
    EXPECT_FALSE(PageLabelSendable(PageLabel(SplitLoginText(std::wstring(253, L'a')))));
    EXPECT_FALSE(PageLabelSendable(PageLabel(SplitLoginText(UnescapeLoginText(L"1服-a-b%00c")))));
    EXPECT_FALSE(PageLabelSendable(std::wstring(L"a") + static_cast<wchar_t>(0xD800)));
    // Outside the BMP counts as two units.
    const std::wstring wide = UnescapeLoginText(L"%F0%9F%98%80");
    std::wstring label = std::wstring(253, L'a') + wide;
    EXPECT_TRUE(PageLabelSendable(label));
    EXPECT_FALSE(PageLabelSendable(label + L"a"));
}

}  // namespace
}  // namespace mrvn::login
