// Usage reports as the platform's client-service host sees them.
#include <gtest/gtest.h>

#include <algorithm>

#include "util/http_probe.h"
#include "wine/wine_util.h"

namespace mrvn::wt {
namespace {

const std::wstring kSetup = L"C:\\MrvnReport";

class ReportTest : public testing::Test {
protected:
    void SetUp() override {
        port = TestServerPort();
        ASSERT_NE(port, 0);
        ASSERT_TRUE(ResetLauncherState(port));
        RemoveTree(kSetup);
        ASSERT_TRUE(MakeFolders(kSetup));
        ASSERT_TRUE(CopyFileW(MrvnExe().c_str(), exe.c_str(), FALSE));
        ASSERT_TRUE(test::ResetServer(port));
    }
    void UseServer() { SetLauncherString(L"ClientHost", L"127.0.0.1:" + std::to_wstring(port)); }
    void RunAll(const std::wstring& args = L"") { ASSERT_TRUE(RunLauncher(exe, args)); }
    // The requests of the client-service host: the game page's login page is not one of them.
    std::vector<std::string> ClientRequests() const {
        std::vector<std::string> lines;
        for (const std::string& line : test::RequestLinesOf(test::ServerLog(port)))
            if (line.find(" /mrvn/client/") == std::string::npos) lines.push_back(line);
        return lines;
    }
    uint16_t port = 0;
    std::wstring exe = kSetup + L"\\Mrvn.exe";
};

TEST_F(ReportTest, InstallationAndTheInstalledCopyReportWithRunningCounts) {
    RunAll();
    EXPECT_EQ(ClientRequests(),
              (std::vector<std::string>{"GET /install.htm?tag=mrvn&ver=3.0.0.1&count=1 HTTP/1.1",
                                        "GET /active.htm?tag=mrvn&ver=3.0.0.1&count=1 HTTP/1.1"}));
    ASSERT_TRUE(test::ResetServer(port));
    RunAll();
    EXPECT_EQ(ClientRequests(),
              (std::vector<std::string>{"GET /install.htm?tag=mrvn&ver=3.0.0.1&count=2 HTTP/1.1",
                                        "GET /active.htm?tag=mrvn&ver=3.0.0.1&count=2 HTTP/1.1"}));
}

TEST_F(ReportTest, CountsGoOnWhenTheServerWasDownTheFirstTime) {
    // Nothing listens on the discard port: the connection is refused at once.
    SetLauncherString(L"ClientHost", L"127.0.0.1:9");
    RunAll();
    EXPECT_EQ(IniValue(CountersFile(), L"Inst"), L"1") << "the installation did not complete";
    EXPECT_TRUE(FileExists(InstallFolder() + L"\\Mrvn.exe"));
    EXPECT_EQ(IniValue(CountersFile(), L"Game"), L"1");
    UseServer();
    RunAll();
    const auto lines = ClientRequests();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "GET /install.htm?tag=mrvn&ver=3.0.0.1&count=2 HTTP/1.1");
}

TEST_F(ReportTest, GameShortcutReportsAGameStart) {
    ASSERT_TRUE(MakeFolders(InstallFolder()));
    ASSERT_TRUE(WritePrivateProfileStringW(L"Mrvn", L"Game", L"41", CountersFile().c_str()));
    RunAll(L"/MrvnD");
    // The scheduled update check comes first (the server has no configuration: no update).
    EXPECT_EQ(ClientRequests(),
              (std::vector<std::string>{"GET /update/ConfigMrvn.htm HTTP/1.1",
                                        "GET /active.htm?tag=mrvn&ver=3.0.0.1&count=42 HTTP/1.1"}));
    EXPECT_EQ(IniValue(CountersFile(), L"Game"), L"42");
}

TEST_F(ReportTest, InstallationEndsEvenWhenItsReportIsNeverAnswered) {
    ASSERT_TRUE(test::SetServerRoute(port, "/install.htm", "hang", ""));
    // The installation waits for its report; the report gives up after 15 s, not never.
    const RunResult r = RunAndWait(exe, L"", 90000);
    EXPECT_TRUE(r.ended) << "the installation process never ended";
    ASSERT_TRUE(WaitForNoProcess(L"Mrvn.exe", 60000));
    EXPECT_EQ(IniValue(CountersFile(), L"Inst"), L"1");
    // The installed copy it started reported its game start as usual.
    EXPECT_EQ(IniValue(CountersFile(), L"Game"), L"1");
    const auto lines = ClientRequests();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "GET /active.htm?tag=mrvn&ver=3.0.0.1&count=1 HTTP/1.1"),
              lines.end());
}

// A client-service host that has moved answers every report with a redirect: the count must still
// arrive, on this host or another.
TEST_F(ReportTest, ReportsFollowTheClientHostsRedirects) {
    const std::string second = "http://127.0.0.2:" + std::to_string(port);
    ASSERT_TRUE(test::SetServerRoute(port, "/install.htm", "redirect", second + "/moved/install.htm?count=1", 301));
    ASSERT_TRUE(test::SetServerRoute(port, "/active.htm", "redirect", "/moved/active.htm?count=1", 302));
    ASSERT_TRUE(test::SetServerRoute(port, "/moved/install.htm", "ok", "counted"));
    ASSERT_TRUE(test::SetServerRoute(port, "/moved/active.htm", "ok", "counted"));
    RunAll();
    // The installed copy reports while the installation still waits for its own: any order.
    std::vector<std::string> lines = ClientRequests();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"GET /active.htm?tag=mrvn&ver=3.0.0.1&count=1 HTTP/1.1",
                                               "GET /install.htm?tag=mrvn&ver=3.0.0.1&count=1 HTTP/1.1",
                                               "GET /moved/active.htm?count=1 HTTP/1.1",
                                               "GET /moved/install.htm?count=1 HTTP/1.1"}));
}

}  // namespace
}  // namespace mrvn::wt
