#include <gtest/gtest.h>

#include <algorithm>

#include "core/text.h"
#include "extras/cache_rules.h"
#include "core/folder_tree.h"
#include "extras/shortcut_rules.h"
#include "fakes/fake_net.h"
#include "fakes/fake_platform.h"

namespace mrvn {
namespace {

// A Flash folder with a read-only file one level down, a link to a player's documents and a link
// to a single file; the documents lie outside the tree.
void PutFlashTree(test::FakeFileSystem& fs) {
    fs.PutFolder(L"C:\\FLASH\\SUB\\EMPTY");
    fs.PutFolder(L"C:\\DOCS");
    fs.Put(L"C:\\DOCS\\SAVE.TXT", "mine");
    fs.Put(L"C:\\FLASH\\A.SOL", "a");
    fs.Put(L"C:\\FLASH\\SUB\\B.SOL", "b");
    fs.attributes[L"C:\\FLASH\\SUB\\B.SOL"] = kAttrReadOnly | 0x20;
    fs.PutFolder(L"C:\\FLASH\\DOCLINK");
    fs.links.insert(L"C:\\FLASH\\DOCLINK");
    fs.Put(L"C:\\FLASH\\FILELINK", "");
    fs.attributes[L"C:\\FLASH\\FILELINK"] = kAttrReparsePoint;
}

TEST(DeleteFolderTree, DeletesTheTreeAndRemovesLinksWithoutFollowingThem) {
    test::FakeFileSystem fs;
    PutFlashTree(fs);
    uint32_t error = 99;
    EXPECT_TRUE(DeleteFolderTree(fs, L"C:\\FLASH", &error));
    EXPECT_EQ(error, 99u) << "no error on success";
    EXPECT_FALSE(fs.folderSet.count(L"C:\\FLASH"));
    EXPECT_EQ(fs.files.size(), 1u);
    EXPECT_EQ(*fs.Find(L"C:\\DOCS\\SAVE.TXT"), "mine");
    for (const auto& entry : fs.log) {
        EXPECT_EQ(entry.find(L"list C:\\FLASH\\DOCLINK"), std::wstring::npos) << "the link was followed";
        EXPECT_NE(entry, L"attrib C:\\FLASH\\FILELINK") << "a link's attributes are its target's";
    }
    const auto& log = fs.log;
    EXPECT_NE(std::find(log.begin(), log.end(), L"attrib C:\\FLASH\\SUB\\B.SOL"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), L"rmdir C:\\FLASH\\DOCLINK"), log.end());
}

TEST(DeleteFolderTree, FailuresKeepTheWalkGoingAndReportTheRightError) {
    const struct {
        const char* name;
        void (*arrange)(test::FakeFileSystem&);
        bool folderStays;
        uint32_t error;
    } rows[] = {
        {"a file in use", [](test::FakeFileSystem& fs) { fs.fail.insert(L"delete C:\\FLASH\\A.SOL"); }, true, 32},
        // The sub-folder cannot go, so neither can the folder: no file failed, the folder's error counts.
        {"an unlistable sub-folder",
         [](test::FakeFileSystem& fs) {
             fs.unlistable.insert(L"C:\\FLASH\\SUB");
             fs.Put(L"C:\\FLASH\\SUB\\C.SOL", "c");
         },
         true, 145},
        {"a missing folder", [](test::FakeFileSystem& fs) { fs = test::FakeFileSystem(); }, false, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::FakeFileSystem fs;
        PutFlashTree(fs);
        row.arrange(fs);
        uint32_t error = 0;
        EXPECT_FALSE(DeleteFolderTree(fs, L"C:\\FLASH\\", &error));
        EXPECT_EQ(error, row.error);
        EXPECT_EQ(fs.folderSet.count(L"C:\\FLASH") > 0, row.folderStays);
        if (!row.folderStays) continue;
        // The walk went on past the failure.
        EXPECT_FALSE(fs.folderSet.count(L"C:\\FLASH\\DOCLINK"));
        EXPECT_FALSE(fs.FileExists(L"C:\\FLASH\\FILELINK"));
        EXPECT_TRUE(fs.FileExists(L"C:\\DOCS\\SAVE.TXT"));
    }
}

TEST(CountFilesRecursive, CountsFilesBelowAndTreatsDoubtfulEntriesAsFiles) {
    test::FakeFileSystem fs;
    PutFlashTree(fs);
    // A.SOL, B.SOL, the file link and the folder link; the empty folder adds nothing.
    EXPECT_EQ(CountFilesRecursive(fs, L"C:\\FLASH"), 4);
    EXPECT_EQ(CountFilesRecursive(fs, L"C:\\FLASH\\SUB\\"), 1);
    EXPECT_EQ(CountFilesRecursive(fs, L"C:\\FLASH\\SUB\\EMPTY"), 0);
    fs.unlistable.insert(L"C:\\FLASH\\SUB");
    EXPECT_EQ(CountFilesRecursive(fs, L"C:\\FLASH"), 4);
    EXPECT_EQ(CountFilesRecursive(fs, L"C:\\NOWHERE"), 1);
}

TEST(ShortcutRules, LinkPathsFitTheirBufferOrAreRefused) {
    const std::wstring folder = L"C:\\" + std::wstring(200, L'f');
    std::wstring out;
    // 3 + 200 + 1 + name + 4 = 259 characters: the longest that leaves room for the NUL.
    EXPECT_TRUE(PathInFolder(folder, std::wstring(51, L'n'), L".lnk", out));
    EXPECT_EQ(out.size(), 259u);
    EXPECT_EQ(out.substr(out.size() - 6), L"nn.lnk");
    EXPECT_FALSE(PathInFolder(folder, std::wstring(52, L'n'), L".lnk", out));
    EXPECT_TRUE(out.empty());

    EXPECT_EQ(StartMenuFolderOf(L"C:\\Programs"), L"C:\\Programs\\Quarn登录器");
    EXPECT_EQ(StartMenuFolderOf(std::wstring(252, L'p')), L"");
}

TEST(ShortcutRules, UserDesktopIsBesideTheDocumentsFolder) {
    const struct {
        const wchar_t* documents;
        const wchar_t* commonDesktop;
        const wchar_t* want;
    } rows[] = {
        {L"C:\\users\\root\\Documents", L"C:\\users\\Public\\Desktop", L"C:\\users\\root\\Desktop"},
        {L"D:\\Docs\\Me\\My Documents", L"C:\\Common\\桌面", L"D:\\Docs\\Me\\桌面"},
        {L"Documents", L"C:\\users\\Public\\Desktop", L""},
        {L"C:\\users\\root\\Documents", L"Desktop", L""},
    };
    for (const auto& row : rows) EXPECT_EQ(UserDesktopOf(row.documents, row.commonDesktop), row.want) << row.documents;
}

std::string UrlText(const std::string& address) {
    return "[DEFAULT]\r\nBASEURL=" + address + "\r\n[{000214A0-0000-0000-C000-000000000046}]\r\n=19,2\r\n"
           "[InternetShortcut]\r\nURL=" + address + "\r\nIDList=\r\n";
}

TEST(FavoriteUrlText, WritesTheTemplateInTheAnsiCodePageAndRefusesWhatItCannotHold) {
    test::FakeCodePage936 cp936;
    std::string out;
    ASSERT_TRUE(FavoriteUrlText(cp936, L"http://g.example/游戏/收藏?a=1", out));
    EXPECT_EQ(out, UrlText("http://g.example/\xD3\xCE\xCF\xB7/\xCA\xD5\xB2\xD8?a=1"));

    // The template without its address takes 105 units, so 203 characters fill the 511 exactly.
    ASSERT_EQ(UrlText("").size(), 105u);
    EXPECT_TRUE(FavoriteUrlText(cp936, std::wstring(203, L'a'), out));
    EXPECT_EQ(out.size(), 511u);
    EXPECT_FALSE(FavoriteUrlText(cp936, std::wstring(204, L'a'), out));
    EXPECT_TRUE(out.empty());
    // Fits in units, not in bytes: each of these characters takes two.
    EXPECT_FALSE(FavoriteUrlText(cp936, std::wstring(203, L'游'), out));
    // A character the code page has not would turn into "?" and name another address.
    EXPECT_FALSE(FavoriteUrlText(cp936, L"http://g.example/\u0E01", out));
}

TEST(FavoriteFilePath, NamesThatAreNoFileNameWriteNothing) {
    const std::wstring fav = L"C:\\users\\root\\Favorites";
    std::wstring out;
    EXPECT_TRUE(FavoriteFilePath(fav, L"游戏 Morvane", out));
    EXPECT_EQ(out, fav + L"\\游戏 Morvane.url");
    EXPECT_TRUE(FavoriteFilePath(fav, L"", out));
    EXPECT_EQ(out, fav + L"\\.url");
    EXPECT_TRUE(FavoriteFilePath(fav, std::wstring(200, L'x'), out));
    EXPECT_EQ(out, fav + L"\\" + std::wstring(127, L'x') + L".url");
    for (const wchar_t* bad :
         {L"..\\..\\Windows\\x", L"a/b", L"c:d", L"a*", L"why?", L"\"q\"", L"<a>", L"a|b", L"tab\t"}) {
        EXPECT_FALSE(FavoriteFilePath(fav, bad, out)) << bad;
        EXPECT_TRUE(out.empty());
    }
}

TEST(SetBrowserCacheLimit, WritesOnlyWhereTheKeyExists) {
    test::FakeRegistry reg;
    EXPECT_FALSE(SetBrowserCacheLimit(reg));
    EXPECT_TRUE(reg.keys.empty()) << "a missing key stays missing";

    reg.Put(RegRoot::CurrentUser, kCacheContentKey, L"Other", kRegSz, {});
    EXPECT_TRUE(SetBrowserCacheLimit(reg));
    const auto* v = reg.Find(RegRoot::CurrentUser, kCacheContentKey, L"CacheLimit");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->type, kRegDword);
    EXPECT_EQ(v->data, (std::vector<uint8_t>{0x00, 0x00, 0x10, 0x00}));

    reg.failCreate = true;
    EXPECT_FALSE(SetBrowserCacheLimit(reg));
}

}  // namespace
}  // namespace mrvn
