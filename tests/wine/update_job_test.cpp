// The update download job with the real WinINet session: a cancel in the middle of a transfer
// ends both threads and leaves the program untouched.
#include <gtest/gtest.h>

#include "wine/wine_util.h"

#include <commctrl.h>

#include <functional>

#include "core/host_config.h"
#include "core/state_store.h"
#include "net/update_rules.h"
#include "net/win/download_job.h"
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

// Stands in for the dialog's progress bar: keeps the last PBM_SETPOS the worker sends.
LONG g_percent = -1;
LRESULT CALLBACK ProgressProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == PBM_SETPOS) {
        InterlockedExchange(&g_percent, LONG(wParam));
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Pumps this thread (the worker's progress is sent to it) until `done` or `ms` pass.
bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    return true;
}

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
    net::UpdateJob job(updater, session, sink, updater.UpdAddr());
    HANDLE finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    int reported = 0;
    WNDCLASSW wc{};
    wc.lpfnWndProc = ProgressProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MrvnTestProgress";
    RegisterClassW(&wc);
    HWND bar = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(bar, nullptr);
    g_percent = -1;
    ASSERT_TRUE(job.Start(bar, [&](int result) {
        reported = result;
        SetEvent(finished);
    }));
    // The server sends half the body and then nothing: once the worker has reported half, its next
    // read can only block. Ending instead would take it no more than the return from that read.
    ASSERT_TRUE(PumpUntil([] { return g_percent >= 50; }, 30000)) << "the half that was sent never arrived";
    EXPECT_FALSE(PumpUntil([&] { return WaitForSingleObject(finished, 0) == WAIT_OBJECT_0; }, 2000))
        << "a stalled body ended the job";
    job.Cancel();
    EXPECT_EQ(job.Wait(), 2);
    EXPECT_EQ(WaitForSingleObject(finished, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(reported, 2);
    CloseHandle(finished);
    DestroyWindow(bar);

    EXPECT_FALSE(ApplyUpdateFiles(ops, platform.registry, program, false));
    std::string now;
    ASSERT_TRUE(ReadFileBytes(program, now));
    EXPECT_EQ(now, "MZ the running program");
    EXPECT_FALSE(FileExists(kFolder + L"\\OldMrvn.exe"));
}

}  // namespace
}  // namespace mrvn::wt
