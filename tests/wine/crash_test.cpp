#include <gtest/gtest.h>

#include "wine/wine_util.h"

namespace mrvn::wt {
namespace {

const std::wstring kFolder = L"C:\\MrvnCrash";

class CrashDumpTest : public testing::Test {
protected:
    void SetUp() override {
        const std::wstring source = WinPathFromEnv("MRVN_CRASH_PROBE");
        ASSERT_FALSE(source.empty()) << "MRVN_CRASH_PROBE is not set";
        RemoveTree(kFolder);
        ASSERT_TRUE(MakeFolders(kFolder));
        ASSERT_TRUE(CopyFileW(source.c_str(), probe.c_str(), FALSE));
    }
    std::wstring probe = kFolder + L"\\probe.exe";
    std::wstring dump = kFolder + L"\\probe.dmp";
};

TEST_F(CrashDumpTest, UnhandledFaultLeavesAMinidumpBesideTheProgram) {
    // A stale dump from an earlier crash is replaced, not kept.
    ASSERT_TRUE(WriteFileBytes(dump, "old dump"));
    const RunResult r = RunAndWait(probe, L"fault", 60000);
    ASSERT_TRUE(r.ended);
    EXPECT_NE(r.exitCode, 0u);
    std::string data;
    ASSERT_TRUE(ReadFileBytes(dump, data)) << "no dump file";
    ASSERT_GE(data.size(), 32u);
    EXPECT_EQ(data.substr(0, 4), "MDMP");
}

TEST_F(CrashDumpTest, SecondExceptionEndsTheProcessWithoutAnotherDump) {
    const RunResult r = RunAndWait(probe, L"twice", 60000);
    ASSERT_TRUE(r.ended);
    EXPECT_EQ(r.exitCode, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    std::string report;
    ASSERT_TRUE(ReadFileBytes(kFolder + L"\\probe.txt", report));
    EXPECT_EQ(report, "filter=0 dump=MDMP") << "the first exception must write a dump and pass it on";
    EXPECT_FALSE(FileExists(dump)) << "the second exception wrote a dump";
}

}  // namespace
}  // namespace mrvn::wt
