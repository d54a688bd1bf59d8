#include <gtest/gtest.h>

#include "core/self_delete.h"
#include "fakes/fake_net.h"
#include "fakes/fake_platform.h"

namespace mrvn {
namespace {

const std::wstring kBatch = L"C:\\TEMP\\DEL1A2B.TMP.BAT";
const std::string kBatchA = "C:\\TEMP\\DEL1A2B.TMP.BAT";

std::string Shared(const std::string& program) {
    return "cd\\\r\n:delexe\r\nping -n 1 127.0.0.1\r\ndel \"" + program + "\"\r\nif exist \"" + program +
           "\" goto :delexe\r\ndel \"" + kBatchA + "\"\r\n";
}

std::string Private(const std::string& program, const std::string& folder) {
    return "cd\\\r\n:delexe\r\nping -n 1 127.0.0.1\r\ndel \"" + program + "\"\r\nif exist \"" + program +
           "\" goto :delexe\r\ndel \"" + folder + "\" /Q /F /A\r\nrd \"" + folder + "\"\r\ndel \"" + kBatchA +
           "\"\r\n";
}

TEST(SelfDeleteScript, TemplatesByteForByteWithPathsThatCmdWouldOtherwiseRead) {
    // 游戏 in code page 936; "%" doubled, "&", "(", ")", "^" and blanks safe between quotes.
    const std::wstring folder = L"C:\\游戏 100% (a&b)^";
    const std::string folderA = "C:\\\xD3\xCE\xCF\xB7 100%% (a&b)^";
    const struct {
        const char* name;
        std::vector<std::wstring> files;  // besides the program
        bool privateFolder;
    } rows[] = {
        {"beside the counters file", {L"Statistic.ini"}, false},
        {"beside a file one folder down", {L"sub\\x.dat"}, false},
        {"alone", {}, true},
        {"alone with an empty sub-folder", {L"empty\\"}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::FakeFileSystem fs;
        test::FakeCodePage936 cp;
        fs.PutFolder(folder);
        fs.Put(folder + L"\\Mrvn.exe", "MZ");
        for (const auto& f : row.files) {
            if (f.ends_with(L"\\")) {
                fs.PutFolder(folder + L"\\" + f);
            } else {
                fs.PutFolder(folder + L"\\" + f.substr(0, f.rfind(L'\\') + 1));
                fs.Put(folder + L"\\" + f, "");
            }
        }
        std::string script;
        ASSERT_TRUE(SelfDeleteScript(fs, cp, folder + L"\\Mrvn.exe", kBatch, script));
        const std::string program = folderA + "\\Mrvn.exe";
        EXPECT_EQ(script, row.privateFolder ? Private(program, folderA) : Shared(program));
    }
}

TEST(SelfDeleteScript, PathsTheCodePageCannotHoldUseTheir83FormOrNoBatchAtAll) {
    const std::wstring folder = L"C:\\Game \u0E01";  // a Thai letter: not in code page 936
    const std::wstring program = folder + L"\\Mrvn.exe";
    const struct {
        const char* name;
        bool besideCounters;
        const wchar_t* shortProgram;  // the 8.3 forms; nullptr: none
        const wchar_t* shortFolder;
        std::string script;  // empty: no batch
    } rows[] = {
        {"beside the counters file", true, L"C:\\GAME~1\\Mrvn.exe", nullptr, Shared("C:\\GAME~1\\Mrvn.exe")},
        {"alone: the folder's own 8.3 form", false, L"C:\\GAME~1\\Mrvn.exe", L"C:\\GAME~1",
         Private("C:\\GAME~1\\Mrvn.exe", "C:\\GAME~1")},
        // Without the folder's 8.3 form the folder cannot be named: no batch rather than a wrong one.
        {"alone without the folder's 8.3 form", false, L"C:\\GAME~1\\Mrvn.exe", nullptr, ""},
        {"no 8.3 form", false, nullptr, nullptr, ""},
        {"an 8.3 form that is no better", false, L"C:\\GAME\u0E01~1\\Mrvn.exe", nullptr, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::FakeFileSystem fs;
        test::FakeCodePage936 cp;
        fs.PutFolder(folder);
        fs.Put(program, "MZ");
        if (row.besideCounters) fs.Put(folder + L"\\Statistic.ini", "");
        if (row.shortProgram) fs.shortPaths[program] = row.shortProgram;
        if (row.shortFolder) fs.shortPaths[folder] = row.shortFolder;
        std::string script = "stale";
        EXPECT_EQ(SelfDeleteScript(fs, cp, program, kBatch, script), !row.script.empty());
        EXPECT_EQ(script, row.script);
    }
}

TEST(SelfDeleteScript, DoubtfulFoldersGetTheSharedTemplateAndUnsafePathsNone) {
    test::FakeCodePage936 cp;
    std::string script;
    {
        SCOPED_TRACE("a drive's root: del would take every file of the drive's current folder");
        test::FakeFileSystem fs;
        fs.PutFolder(L"C:\\");
        fs.folderSet.insert(L"C:");
        fs.Put(L"C:\\Mrvn.exe", "MZ");
        ASSERT_TRUE(SelfDeleteScript(fs, cp, L"C:\\Mrvn.exe", kBatch, script));
        EXPECT_EQ(script, Shared("C:\\Mrvn.exe"));
    }
    {
        SCOPED_TRACE("a folder that cannot be listed");
        test::FakeFileSystem fs;
        fs.PutFolder(L"D:\\Locked");
        fs.unlistable.insert(L"D:\\LOCKED");
        ASSERT_TRUE(SelfDeleteScript(fs, cp, L"D:\\Locked\\Mrvn.exe", kBatch, script));
        EXPECT_EQ(script, Shared("D:\\Locked\\Mrvn.exe"));
    }
    for (const wchar_t* bad : {L"Mrvn.exe", L"\\Games\\Mrvn.exe", L"C:\\a?b\\Mrvn.exe", L"C:\\a*\\Mrvn.exe",
                               L"C:\\a\"b\\Mrvn.exe", L"C:\\a\r\nb\\Mrvn.exe"}) {
        test::FakeFileSystem fs;
        EXPECT_FALSE(SelfDeleteScript(fs, cp, bad, kBatch, script)) << testing::PrintToString(std::wstring(bad));
        EXPECT_FALSE(SelfDeleteScript(fs, cp, L"C:\\G\\Mrvn.exe", bad, script));
    }
    // Paths so long that the script would not fit its 2048 bytes.
    test::FakeFileSystem fs;
    const std::wstring deep = L"C:\\" + std::wstring(1000, L'd') + L"\\Mrvn.exe";
    EXPECT_FALSE(SelfDeleteScript(fs, cp, deep, kBatch, script));
}

TEST(RemovalClosingText, SaysSoWhenTheProgramStays) {
    const std::wstring program = L"C:\\ProgramData\\Quarn\\GameLogin\\Mrvn (1).exe";
    EXPECT_EQ(RemovalClosingText(true, program), kRemovedText);
    const std::wstring stays = RemovalClosingText(false, program);
    EXPECT_EQ(stays.find(L"成功"), std::wstring::npos) << "a failure reported as success";
    EXPECT_NE(stays.find(L"\r\n" + program + L"\r\n"), std::wstring::npos) << "the program is not named on a line";
}

}  // namespace
}  // namespace mrvn
