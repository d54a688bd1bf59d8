// The fixture of tests that show pages of the loopback server in the built-in page engine, in this
// process: OLE and GDI+ up, the server's routes and log cleared.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/win32/scoped.h"
#include "util/http_probe.h"
#include "wine/wine_util.h"

namespace mrvn::wt {

class BuiltInPageTest : public ::testing::Test {
protected:
    // The engine is chosen once per process, from both views of the environment.
    static void SetUpTestSuite() {
        ::SetEnvironmentVariableW(L"MRVN_WEB_ENGINE", L"builtin");
        _putenv("MRVN_WEB_ENGINE=builtin");
    }
    void SetUp() override {
        port_ = TestServerPort();
        ASSERT_NE(port_, 0) << "MRVN_TEST_PORT";
        ASSERT_TRUE(ole_.Start());
        ASSERT_TRUE(gdiplus_.Start());
        ASSERT_TRUE(test::ResetServer(port_));
    }
    std::wstring Url(const std::string& path) const {
        return L"http://127.0.0.1:" + std::to_wstring(port_) + std::wstring(path.begin(), path.end());
    }
    std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }
    void Route(const std::string& path, const std::string& html) {
        ASSERT_TRUE(test::SetServerRoute(port_, path, "ok", html));
    }

    uint16_t port_ = 0;
    win::ScopedOleInit ole_;
    win::ScopedGdiplus gdiplus_;
};

}  // namespace mrvn::wt
