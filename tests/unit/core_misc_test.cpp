#include <gtest/gtest.h>

#include <optional>

#include "core/crash_rules.h"
#include "core/host_config.h"
#include "core/install.h"
#include "core/state_store.h"
#include "core/text.h"
#include "core/text_encoding.h"
#include "fakes/fake_platform.h"

namespace mrvn {
namespace {

TEST(ParseLeadingInt, CRuntimeRules) {
    const struct {
        const wchar_t* text;
        int32_t value;
    } rows[] = {
        {L"0", 0},   {L"42", 42},        {L" \t42", 42},       {L"+7", 7},
        {L"-7", -7}, {L"42A9", 42},      {L"B42", 0},          {L"", 0},
        {L"-", 0},   {L"--1", 0},        {L"4294967296", 0},   {L"4294967297", 1},
        {L"2147483648", INT32_MIN},      {L"- 1", 0},
    };
    for (const auto& row : rows) EXPECT_EQ(ParseLeadingInt(row.text), row.value) << testing::PrintToString(row.text);
}

TEST(Text, CaseRulesAreAsciiOnly) {
    EXPECT_EQ(UpperAscii(L"abcXYZ09\\é中"), L"ABCXYZ09\\é中");
    EXPECT_TRUE(EqualsNoCase(L"/MrvnD", L"/mRVNd"));
    EXPECT_FALSE(EqualsNoCase(L"/MrvnD", L"/MrvnD "));
}

TEST(Text, Utf16LeRoundTripWithChineseAndSurrogates) {
    const std::wstring text = L"确定 ok \U0001F600";
    const auto bytes = Utf16LeFromWide(text);
    // 确 = U+786E; the emoji takes two 16-bit units; then the NUL.
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0x6E);
    EXPECT_EQ(bytes[1], 0x78);
    EXPECT_EQ(bytes.size(), (2 + 4 + 2 + 1) * 2u);
    EXPECT_EQ(WideFromUtf16Le(bytes), text);
    // Data stops at the first NUL and an odd last byte is dropped.
    EXPECT_EQ(WideFromUtf16Le({'a', 0, 0, 0, 'b', 0}), L"a");
    EXPECT_EQ(WideFromUtf16Le({'a', 0, 'b'}), L"a");
}

TEST(HostConfig, DomainsSplitTrimmedAndCapped) {
    EXPECT_EQ(SplitDomains(L"a.com"), (std::vector<std::wstring>{L"a.com"}));
    EXPECT_EQ(SplitDomains(L" a.com ; b.com;;c.com;d.com"),
              (std::vector<std::wstring>{L"a.com", L"b.com", L"c.com"}));
    EXPECT_TRUE(SplitDomains(L" ; ;").empty());
}

TEST(HostConfig, RegistryOverridesDefaults) {
    const HostConfig defaults = DefaultHostConfig();
    test::FakeRegistry none;
    EXPECT_EQ(LoadHostConfig(none).clientHost, defaults.clientHost);
    EXPECT_EQ(LoadHostConfig(none).domains, defaults.domains);

    const struct {
        const char* name;
        // The three values as stored; nullopt: a DWORD, which is not a string.
        std::optional<std::wstring> clientHost, webHost, domains;
        // What is read; empty: the default.
        std::wstring wantClientHost, wantWebHost;
        std::vector<std::wstring> wantDomains;
    } rows[] = {
        {"strings override, a DWORD is ignored", L"127.0.0.1:8790", std::nullopt, L"127.0.0.1;x.cn",
         L"127.0.0.1:8790", L"", {L"127.0.0.1", L"x.cn"}},
        {"empty or over-long values", L"", std::wstring(300, L'h'), L";;", L"", L"", {}},
        // Blanks around a value are trimmed before it is judged: blanks alone are as good as nothing.
        {"blanks alone", L" ", L" \t ", L"  ", L"", L"", {}},
        {"blanks around", L"  10.0.0.1:81 ", L" \t ", L"  ", L"10.0.0.1:81", L"", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::FakeRegistry reg;
        const auto put = [&](const wchar_t* name, const std::optional<std::wstring>& value) {
            if (value) {
                reg.Put(RegRoot::LocalMachine, kLauncherKey, name, kRegSz, Utf16LeFromWide(*value));
            } else {
                reg.Put(RegRoot::LocalMachine, kLauncherKey, name, kRegDword, {1, 0, 0, 0});
            }
        };
        put(L"ClientHost", row.clientHost);
        put(L"WebHost", row.webHost);
        put(L"PlatformDomains", row.domains);
        const HostConfig c = LoadHostConfig(reg);
        EXPECT_EQ(c.clientHost, row.wantClientHost.empty() ? defaults.clientHost : row.wantClientHost);
        EXPECT_EQ(c.webHost, row.wantWebHost.empty() ? defaults.webHost : row.wantWebHost);
        EXPECT_EQ(c.domains, row.wantDomains.empty() ? defaults.domains : row.wantDomains);
    }
}

// A downloaded program about to install itself.
class InstallTest : public testing::Test {
protected:
    void SetUp() override { fs.files[UpperAscii(L"C:\\Downloads\\Mrvn.exe")] = "MZ program"; }
    test::FakeFileSystem fs;
    test::FakeProcess proc;
};

TEST_F(InstallTest, CopiesIntoTheFolderAndStartsTheCopy) {
    const std::wstring target = InstallSelfFiles(fs, proc, L"C:\\ProgramData", L"C:\\Downloads\\Mrvn.exe");
    EXPECT_EQ(target, L"C:\\ProgramData\\Quarn\\GameLogin\\Mrvn.exe");
    EXPECT_EQ(fs.log, (std::vector<std::wstring>{L"mkdir C:\\ProgramData\\Quarn",
                                                 L"mkdir C:\\ProgramData\\Quarn\\GameLogin",
                                                 L"copy C:\\Downloads\\Mrvn.exe -> " + target}));
    EXPECT_EQ(fs.files[UpperAscii(target)], "MZ program");
    ASSERT_EQ(proc.launched.size(), 1u);
    EXPECT_EQ(proc.launched[0].first, target);
    EXPECT_EQ(proc.launched[0].second, L"\"" + target + L"\"");
}

TEST_F(InstallTest, ShortcutsAreMadeForTheCopiedTargetBeforeItStarts) {
    std::vector<std::wstring> seen;
    InstallSelfFiles(fs, proc, L"C:\\ProgramData", L"C:\\Downloads\\Mrvn.exe", [&](const std::wstring& target) {
        seen.push_back(target);
        EXPECT_TRUE(fs.FileExists(target)) << "links to a file not yet copied";
        EXPECT_TRUE(proc.launched.empty()) << "the installed copy started first";
    });
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"C:\\ProgramData\\Quarn\\GameLogin\\Mrvn.exe"}));
}

TEST_F(InstallTest, KeepsTheFileNameAndSkipsCopyOntoItselfAndGoesOnAfterAFailedCopy) {
    EXPECT_EQ(InstallTargetOf(L"C:\\F", L"D:\\x\\Other.exe"), L"C:\\F\\Other.exe");
    InstallSelfFiles(fs, proc, L"C:\\ProgramData", L"c:\\programdata\\quarn\\gamelogin\\MRVN.EXE");
    EXPECT_EQ(fs.log.size(), 2u) << "no copy onto itself";
    EXPECT_EQ(proc.launched.size(), 1u);

    fs.failCopy = true;
    fs.log.clear();
    InstallSelfFiles(fs, proc, L"C:\\ProgramData", L"C:\\Downloads\\Mrvn.exe");
    EXPECT_EQ(fs.log.size(), 3u);
    EXPECT_EQ(proc.launched.size(), 2u) << "the installed copy starts even when the copy failed";
}

TEST(CrashRules, DumpPath) {
    const struct {
        const wchar_t* program;
        const wchar_t* dump;  // empty: no dump
    } rows[] = {
        {L"C:\\Quarn\\Mrvn.exe", L"C:\\Quarn\\Mrvn.dmp"},
        {L"C:\\a.b\\Mrvn.x.exe", L"C:\\a.b\\Mrvn.x.dmp"},
        {L"C:\\Quarn\\Mrvn", L""},
        // A dot in a folder name is no extension: the dump must not land in the parent folder.
        {L"C:\\v1.2 games\\Mrvn", L""},
        {L"C:\\v1.2 games\\Mrvn.exe", L"C:\\v1.2 games\\Mrvn.dmp"},
        {L"Mrvn.exe", L"Mrvn.dmp"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.program)));
        std::wstring out = L"stale";
        EXPECT_EQ(DumpPathFor(row.program, out), *row.dump != L'\0');
        EXPECT_EQ(out, row.dump);
    }
}

TEST(CrashRules, DumpTypesTriedInOrderUntilOneWorks) {
    const struct {
        int works;  // the attempt that succeeds
        int64_t got;
        std::vector<uint32_t> tried;
    } rows[] = {
        {0, 0x1A25, {0x1A25}},
        {1, 0x225, {0x1A25, 0x225}},
        {2, 0, {0x1A25, 0x225, 0}},
        {3, -1, {0x1A25, 0x225, 0}},  // none does
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.works);
        std::vector<uint32_t> tried;
        EXPECT_EQ(WriteWithFallback([&](uint32_t type) {
                      tried.push_back(type);
                      return static_cast<int>(tried.size()) - 1 == row.works;
                  }),
                  row.got);
        EXPECT_EQ(tried, row.tried);
    }
}

}  // namespace
}  // namespace mrvn
