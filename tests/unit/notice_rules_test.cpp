#include <gtest/gtest.h>

#include <climits>
#include <cwchar>

#include "extras/notice_rules.h"
#include "fakes/fake_platform.h"
#include "skin/skin_images.h"

namespace mrvn {
namespace {

TEST(NoticeLine, SplitsSevenFieldsAndCutsEachAtItsRoom) {
    NoticeFields f;
    ASSERT_TRUE(SplitNoticeLine(L"n1|2026-12-09|标题|http://a/b|正文|http://a/p.jpg|3\r\n", f));
    EXPECT_EQ(f.id, L"n1");
    EXPECT_EQ(f.lastDay, L"2026-12-09");
    EXPECT_EQ(f.title, L"标题");
    EXPECT_EQ(f.link, L"http://a/b");
    EXPECT_EQ(f.text, L"正文");
    EXPECT_EQ(f.picture, L"http://a/p.jpg");
    EXPECT_EQ(f.showCount, 3);

    const struct {
        size_t field;  // 0-based
        size_t room;
    } rooms[] = {{0, kNoticeIdRoom}, {1, kNoticeDayRoom}, {2, kNoticeTitleRoom},
                 {3, kNoticeLinkRoom}, {4, kNoticeTextRoom}, {5, kNoticePictureRoom}};
    for (const auto& r : rooms) {
        std::wstring parts[6] = {L"i", L"d", L"t", L"l", L"x", L"p"};
        parts[r.field] = std::wstring(r.room + 40, L'w');
        std::wstring line;
        for (const auto& p : parts) line += p + L"|";
        line += L"1";
        ASSERT_TRUE(SplitNoticeLine(line, f));
        const std::wstring* got[6] = {&f.id, &f.lastDay, &f.title, &f.link, &f.text, &f.picture};
        EXPECT_EQ(got[r.field]->size(), r.room - 1) << "field " << r.field + 1;
        // A pair that straddles the room's end goes whole.
        parts[r.field] = std::wstring(r.room - 2, L'w') + L"\xD83D\xDE00";
        line.clear();
        for (const auto& p : parts) line += p + L"|";
        ASSERT_TRUE(SplitNoticeLine(line, f));
        EXPECT_EQ(got[r.field]->size(), r.room - 2) << "field " << r.field + 1;
    }
}

TEST(NoticeLine, FewerThanSixBarsIsNoNoticeAndFieldSevenReadsLeadingDigits) {
    NoticeFields f;
    EXPECT_FALSE(SplitNoticeLine(L"", f));
    EXPECT_FALSE(SplitNoticeLine(L"a|b|c|d|e|f", f));
    const struct {
        const wchar_t* seventh;
        int count;
    } rows[] = {{L"", 0}, {L"0", 0}, {L"1", 1}, {L"3", 3}, {L" 12x", 12}, {L"x3", 0}, {L"-2", -2}, {L"3|4", 3}};
    for (const auto& r : rows) {
        ASSERT_TRUE(SplitNoticeLine(std::wstring(L"a|b|c|d|e|f|") + r.seventh, f));
        EXPECT_EQ(f.showCount, r.count) << "field 7 \"" << std::string(r.seventh, r.seventh + wcslen(r.seventh))
                                        << "\"";
    }
}

TEST(NoticeDates, CompareDatesByNumberAsTheNoticeWritesThem) {
    const wchar_t* same = L"2026-12-09";
    const struct {
        const wchar_t* a;
        const wchar_t* b;
        int result;
    } rows[] = {
        {same, same, 0},
        {nullptr, nullptr, 0},
        {L"2026-12-09", nullptr, -1},
        {nullptr, L"2026-12-09", 1},
        {L"", L"2026-12-09", 1},
        {L"2026-12-09", L"2026-12-09", 0},
        {L"2026-12-08", L"2026-12-09", 1},   // b a day later
        {L"2026-12-10", L"2026-12-09", -1},
        {L"2026-1-9", L"2026-01-09", 0},     // by number, not by text
        {L"2025-12-31", L"2026-01-01", 1},   // the year decides first
        {L"2026-11-30", L"2026-12-01", 1},
        {L"2026-12-09 23:59:59", L"2026-12-09", 0},  // from the first blank on ignored
        {L"20261209", L"2026-12-09", 1},     // a without "-" sorts first
        {L"2026-12-09", L"20261209", -1},
        {L"x", L"y", 0},
        {L"2026-12", L"2026-12-09", 1},      // a without its second "-"
        {L"2026-12-09", L"2026-12", -1},
        {L"2027-12", L"2026-12-09", -1},     // the year compares before the second "-" is looked for
        {L"2026-12-00000091", L"2026-12-09", 0},  // only the first 15 characters count
        {L"2147483648-1-1", L"2147483647-1-1", INT_MAX},  // saturated, never wrapped
    };
    for (const auto& r : rows) {
        EXPECT_EQ(CompareDates(r.a, r.b), r.result)
            << (r.a ? std::wstring(r.a).size() : 0) << " / " << (r.b ? std::wstring(r.b).size() : 0) << " row "
            << &r - rows;
    }
    EXPECT_EQ(CompareDates(L"2026-12-01", L"2026-12-31"), 30) << "the result is the difference";
}

TEST(NoticeDates, TodayIsWrittenAsTheNoticeWritesItsLastDay) {
    SystemTime t;
    t.year = 2026, t.month = 3, t.day = 7;
    EXPECT_EQ(FormatNoticeDate(t), L"2026-03-07");
}

TEST(NoticeWanted, NewLinesAlwaysTheSameOneUntilDismissed) {
    const struct {
        const wchar_t* line;
        const wchar_t* stored;
        const wchar_t* enable;
        bool wanted;
    } rows[] = {
        {L"", L"", L"", false},
        {L"a|b", L"", L"0", true},            // nothing stored: new
        {L"a|b", L"c|d", L"0", true},         // another line: new even after a dismissed one
        {L"a|b|c", L"a|b|c", L"1", true},
        {L"a|b|c", L"a|b|c", L"", true},
        {L"a|b|c", L"a|b|c", L"0", false},
        {L"a|b|c\r\n", L"a|b|c", L"0", false},  // a stored part of the line is the same notice
        {L"a|b|c", L"a|b|c", L"00", true},
    };
    for (const auto& r : rows) EXPECT_EQ(IsNoticeWanted(r.line, r.stored, r.enable), r.wanted) << &r - rows;
}

TEST(NoticeWanted, AcceptStoresTheLineAndRefusesExpiredDismissedOrBrokenOnes) {
    const std::wstring ini = L"C:\\M\\Statistic.ini";
    const std::wstring today = L"2026-12-09";
    const struct {
        const char* name;
        std::wstring line;
        bool accepted;
    } rows[] = {
        {"today's", L"n|2026-12-09|t|l|x|p|2", true},
        {"yesterday's", L"n|2026-12-08|t|l|x|p|2", false},
        {"next year's", L"n|2027-01-01|t|l|x|p|2", true},
        {"a date and a time", L"n|2026-12-09 10:00|t|l|x|p|2", true},
        {"five bars", L"n|2026-12-09|t|l|x|p", false},
        {"1024 characters", L"n|2026-12-09|t|l|x|p|" + std::wstring(1003, L'9'), false},
        {"1023 characters", L"n|2026-12-09|t|l|x|p|" + std::wstring(1002, L'9'), true},
    };
    for (const auto& r : rows) {
        test::FakeProfileFile profile;
        NoticeFields f;
        EXPECT_EQ(AcceptNotice(r.line, profile, ini, today, f), r.accepted) << r.name;
        const std::wstring* stored = profile.Find(ini, L"Mrvn", L"PopInfo");
        const std::wstring* enable = profile.Find(ini, L"Mrvn", L"PopEnable");
        if (r.accepted) {
            ASSERT_TRUE(stored && enable) << r.name;
            EXPECT_EQ(*stored, r.line) << r.name;
            EXPECT_EQ(*enable, L"1") << r.name;
            EXPECT_EQ(f.title, L"t");
        } else {
            EXPECT_FALSE(stored || enable) << r.name << ": nothing is written for a refused line";
        }
    }
    // Dismissed, then the same line again: refused; a new line: accepted and enabled again.
    test::FakeProfileFile profile;
    NoticeFields f;
    ASSERT_TRUE(AcceptNotice(L"n|2026-12-09|t|l|x|p|1", profile, ini, today, f));
    profile.WriteString(ini, L"Mrvn", L"PopEnable", L"0");
    EXPECT_FALSE(AcceptNotice(L"n|2026-12-09|t|l|x|p|1", profile, ini, today, f));
    EXPECT_TRUE(AcceptNotice(L"m|2026-12-09|t|l|x|p|1", profile, ini, today, f));
    EXPECT_EQ(*profile.Find(ini, L"Mrvn", L"PopEnable"), L"1");
}

TEST(NoticeLayoutRules, TheFieldsChooseTheLayoutAndItsGeometry) {
    NoticeFields f;
    EXPECT_EQ(ChooseNoticeLayout(f), NoticeLayout::TextOnly) << "an empty notice";
    f.text = L"x";
    EXPECT_EQ(ChooseNoticeLayout(f), NoticeLayout::TextOnly);
    f.picture = L"http://h/p.jpg";
    EXPECT_EQ(ChooseNoticeLayout(f), NoticeLayout::PictureAndText);
    f.text.clear();
    EXPECT_EQ(ChooseNoticeLayout(f), NoticeLayout::PictureOnly);

    const NoticeGeometry a = NoticeLayoutGeometry(NoticeLayout::PictureAndText, 250, 191);
    EXPECT_EQ(a.backgroundId, kImgNoticeBg);
    EXPECT_EQ(a.closeStripId, kImgNoticeClose);
    EXPECT_EQ(a.picture.rect, RectXywh(15, 67, 75, 80));
    EXPECT_EQ(a.title.rect, RectXywh(100, 48, 130, 15));
    EXPECT_EQ(a.text.rect, RectXywh(100, 68, 134, 13));
    EXPECT_EQ(a.more.rect, RectXywh(195, 168, 42, 13));
    EXPECT_EQ(a.textCut, 54u);
    EXPECT_FALSE(a.colourKeyed);

    const NoticeGeometry b = NoticeLayoutGeometry(NoticeLayout::PictureOnly, 160, 212);
    EXPECT_EQ(b.backgroundId, kImgPictureBg);
    EXPECT_EQ(b.closeStripId, kImgPictureClose);
    EXPECT_TRUE(b.colourKeyed);
    EXPECT_EQ(b.text.rect, RectXywh(-3, 22, 163, 190));
    EXPECT_FALSE(b.title.shown || b.more.shown || b.picture.shown);
    EXPECT_EQ(b.border, 0);
    EXPECT_EQ(b.btnTop, 1);

    const NoticeGeometry c = NoticeLayoutGeometry(NoticeLayout::TextOnly, 250, 167);
    EXPECT_EQ(c.backgroundId, kImgNoticeTextBg);
    EXPECT_EQ(c.title.rect, RectXywh(0, 45, 250, 15));
    EXPECT_EQ(c.text.rect, RectXywh(18, 65, 216, 13));
    EXPECT_EQ(c.more.rect, RectXywh(195, 145, 42, 13));
    EXPECT_EQ(c.textCut, 71u);
    EXPECT_FALSE(c.picture.shown);

    EXPECT_EQ(NoticeWindowOrigin({0, 0, 1024, 740}, 250, 191), (SkinPoint{774, 549}));
    EXPECT_EQ(NoticeWindowOrigin({100, 30, 1380, 800}, 160, 212), (SkinPoint{1220, 588}));
}

TEST(NoticeLayoutRules, TextsAreCutAndAlwaysEndInDotsNeverInsideAPair) {
    const std::wstring eighty(80, L'字');
    const struct {
        std::wstring text;
        size_t cut;
        std::wstring want;
    } rows[] = {
        {L"", 54, L"..."},
        {L"0123456789", 71, L"0123456789..."},
        {eighty, 71, std::wstring(71, L'字') + L"..."},
        {eighty, 54, std::wstring(54, L'字') + L"..."},
        {std::wstring(53, L'a') + L"\xD83D\xDE00" + L"b", 54, std::wstring(53, L'a') + L"..."},
        {std::wstring(52, L'a') + L"\xD83D\xDE00" + L"b", 54, std::wstring(52, L'a') + L"\xD83D\xDE00..."},
        {std::wstring(70, L'a') + L"\xD83D\xDE00", 71, std::wstring(70, L'a') + L"..."},
    };
    for (const auto& r : rows) EXPECT_EQ(CutNoticeText(r.text, r.cut), r.want) << &r - rows;
}

TEST(NoticeLinks, OnlyWebAddressesAreOpened) {
    const struct {
        const wchar_t* link;
        bool opens;
    } rows[] = {
        {L"http://www.quarn.com/n", true}, {L"HTTPS://h/", true},       {L"http:", true},
        {L"", false},                      {L"file:///c:/x", false},    {L"C:\\Windows\\notepad.exe", false},
        {L"\\\\server\\share", false},     {L" http://h/", false},      {L"javascript:alert(1)", false},
        {L"httpx://h", false},
    };
    for (const auto& r : rows) EXPECT_EQ(IsNoticeLinkOpenable(r.link), r.opens) << &r - rows;
}

TEST(NoticeTimesSetting, ATestSettingShortensBothTimesAndNothingElseDoes) {
    const NoticeTimes product;
    EXPECT_EQ(product.showMs, 11000u);
    EXPECT_EQ(product.gapMs, 2400000u);
    const struct {
        const wchar_t* text;
        uint32_t show, gap;
    } rows[] = {{L"1500,3000", 1500, 3000}, {L"", 11000, 2400000}, {L"1500", 11000, 2400000},
                {L"0,3000", 11000, 2400000}, {L"-5,3000", 11000, 2400000}, {L"x,y", 11000, 2400000}};
    for (const auto& r : rows) {
        const NoticeTimes t = ParseNoticeTimes(r.text);
        EXPECT_EQ(t.showMs, r.show) << &r - rows;
        EXPECT_EQ(t.gapMs, r.gap) << &r - rows;
    }
    EXPECT_TRUE(NoticeShowsAgain(1, 3));
    EXPECT_TRUE(NoticeShowsAgain(2, 3));
    EXPECT_FALSE(NoticeShowsAgain(3, 3));
    EXPECT_FALSE(NoticeShowsAgain(1, 1));
    EXPECT_FALSE(NoticeShowsAgain(1, 0));
}

}  // namespace
}  // namespace mrvn
