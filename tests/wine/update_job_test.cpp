// The update download job with the real WinINet session: a cancel in the middle of a transfer
// ends both threads and leaves the program untouched.
#include <gtest/gtest.h>

#include "wine/wine_util.h"

#include "core/host_config.h"
#include "core/state_store.h"
#include "net/update_rules.h"
#include "net/win/update_job.h"
#include "platform/win32/win32_file_io.h"
#include "platform/win32/win32_http.h"
#include "platform/win32/win32_platform.h"
#include "util/http_probe.h"

namespace mrvn::wt {
namespace {

const std::wstring kFolder = L"C:\\MrvnCancel";

// The job believes it is a launcher installed in kFolder.
class ProgramInFolder final : public ProcessEnv {
public:
    std::wstring ProgramPath() override { return kFolder + L"\\Mrvn.exe"; }
    std::vector<std::wstring> Arguments() override { return {ProgramPath()}; }
};

class UpdateJobTest : public testing::Test {
protected:
    void SetUp() override {
        port = TestServerPort();
        ASSERT_NE(port, 0);
        RemoveTree(kFolder);
        ASSERT_TRUE(MakeFolders(kFolder));
        ASSERT_TRUE(WriteFileBytes(program, "MZ the running program"));
        hosts.clientHost = L"127.0.0.1:" + std::to_wstring(port);
        hosts.webHost = hosts.clientHost;
        hosts.domains = {L"127.0.0.1"};
        ASSERT_TRUE(test::ResetServer(port));
        const std::string release = "http://127.0.0.1:" + std::to_string(port) + "/files/Stalled.bin";
        ASSERT_TRUE(test::SetServerRoute(port, "/update/ConfigMrvn.htm", "ok",
                                         "[VerKey]\r\nMrvn=ffffffffffffffffffffffffffff3001\r\nUpdAddr=" + release +
                                             "\r\n"));
        ASSERT_TRUE(test::SetServerRoute(port, "/files/Stalled.bin", "stall", std::string(1 << 20, 'x')));
    }

    uint16_t port = 0;
    std::wstring program = kFolder + L"\\Mrvn.exe";
    HostConfig hosts;
    win::Platform platform;
    ProgramInFolder process;
    win::Win32HttpSession session;
    win::Win32FileSink sink;
    win::Win32FileSource source;
    win::Win32FileSystem ops;
    StateStore store{platform.registry, platform.profile, platform.folders, process, platform.clock, platform.random};
    Updater updater{UpdateContext{session, sink, source, ops, platform.profile, platform.codePage, process, store,
                                  hosts}};
};

TEST_F(UpdateJobTest, CancelDuringTheDownloadEndsTheJobAndKeepsTheProgram) {
    ASSERT_TRUE(updater.CheckForUpdate(true));
    win::UpdateJob job(updater, session, sink, updater.UpdAddr());
    HANDLE finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    int reported = 0;
    ASSERT_TRUE(job.Start(nullptr, [&](int result) {
        reported = result;
        SetEvent(finished);
    }));
    // Wait until the server has the request, then give the worker time to block in its read.
    for (int i = 0; i < 200 && test::ServerLog(port).find("GET /files/Stalled.bin") == std::string::npos; ++i)
        Sleep(50);
    ASSERT_NE(test::ServerLog(port).find("GET /files/Stalled.bin"), std::string::npos);
    Sleep(300);
    EXPECT_EQ(WaitForSingleObject(finished, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "a stalled body completed";
    job.Cancel();
    EXPECT_EQ(job.Wait(), 2);
    EXPECT_EQ(WaitForSingleObject(finished, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(reported, 2);
    CloseHandle(finished);

    EXPECT_FALSE(ApplyUpdateFiles(ops, platform.registry, program, false));
    std::string now;
    ASSERT_TRUE(ReadFileBytes(program, now));
    EXPECT_EQ(now, "MZ the running program");
    EXPECT_FALSE(FileExists(kFolder + L"\\OldMrvn.exe"));
}

}  // namespace
}  // namespace mrvn::wt
