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

TEST_F(CrashDumpTest, ProgramWithoutExtensionInADottedFolderWritesNoDumpAbove) {
    const std::wstring folder = kFolder + L"\\v1.2 games";
    ASSERT_TRUE(MakeFolders(folder));
    const std::wstring bare = folder + L"\\probe";
    ASSERT_TRUE(CopyFileW(probe.c_str(), bare.c_str(), FALSE));
    const RunResult r = RunAndWait(bare, L"fault", 60000);
    ASSERT_TRUE(r.started) << "a program file without extension would not start";
    ASSERT_TRUE(r.ended);
    EXPECT_EQ(r.exitCode, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION)) << "it did not fault";
    EXPECT_FALSE(FileExists(kFolder + L"\\v1.dmp")) << "the dump went into the parent folder";
}

// Wine prefers its own DLLs; an attacker's copy beside the program wins only when the native one is
// asked for first, as Windows does for DLLs that are not known system DLLs. The probe gets that
// order through Wine's per-program settings.
class PlantedDllTest : public CrashDumpTest {
protected:
    void SetUp() override {
        CrashDumpTest::SetUp();
        planted = WinPathFromEnv("MRVN_PLANTED_DLL");
        ASSERT_FALSE(planted.empty()) << "MRVN_PLANTED_DLL is not set";
        HKEY key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        for (const wchar_t* dll : {L"dbghelp", L"planted"}) {
            const wchar_t order[] = L"native,builtin";
            RegSetValueExW(key, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof order);
        }
        RegCloseKey(key);
    }
    void TearDown() override { RegDeleteKeyW(HKEY_CURRENT_USER, kOverrides); }
    static constexpr wchar_t kOverrides[] = L"Software\\Wine\\AppDefaults\\probe.exe\\DllOverrides";
    std::wstring planted;
    std::wstring marker = kFolder + L"\\planted.txt";
};

TEST_F(PlantedDllTest, CrashHandlerLoadsTheSystemDbgHelpNotTheOneBesideTheProgram) {
    ASSERT_TRUE(CopyFileW(planted.c_str(), (kFolder + L"\\DbgHelp.dll").c_str(), FALSE));
    const RunResult r = RunAndWait(probe, L"fault", 60000);
    ASSERT_TRUE(r.ended);
    EXPECT_FALSE(FileExists(marker)) << "the planted DbgHelp.dll ran in the program";
    std::string data;
    ASSERT_TRUE(ReadFileBytes(dump, data)) << "no dump: the system's DbgHelp was not used";
    EXPECT_EQ(data.substr(0, 4), "MDMP");
}

TEST_F(PlantedDllTest, RestrictedSearchRefusesADllBesideTheProgram) {
    ASSERT_TRUE(CopyFileW(planted.c_str(), (kFolder + L"\\planted.dll").c_str(), FALSE));
    // Without the restriction the same bare-name load takes the planted file: the set-up can fail.
    RunResult r = RunAndWait(probe, L"open", 60000);
    ASSERT_TRUE(r.ended);
    EXPECT_EQ(r.exitCode, 1u);
    ASSERT_TRUE(FileExists(marker));
    DeleteFileW(marker.c_str());
    r = RunAndWait(probe, L"search", 60000);
    ASSERT_TRUE(r.ended);
    EXPECT_EQ(r.exitCode, 0u) << "3: SetDefaultDllDirectories is missing; 1: the planted DLL loaded";
    EXPECT_FALSE(FileExists(marker));
}

}  // namespace
}  // namespace mrvn::wt
