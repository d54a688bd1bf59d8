// The harness's test server must be reachable from Windows programs under Wine.
#include <gtest/gtest.h>

#include "util/http_probe.h"
#include "wine/wine_util.h"

namespace mrvn::wt {
namespace {

TEST(TestServerFromWine, ScriptedRepliesAndTheRequestLog) {
    const uint16_t port = TestServerPort();
    ASSERT_NE(port, 0) << "MRVN_TEST_PORT is not set";
    ASSERT_TRUE(test::ResetServer(port));
    ASSERT_TRUE(test::SetServerRoute(port, "/install.htm", "ok", "fine"));
    ASSERT_TRUE(test::SetServerRoute(port, "/e", "500", "bad"));
    test::ProbeReply r = test::HttpProbe("127.0.0.1", port, "GET", "/install.htm?tag=mrvn");
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "fine");
    r = test::HttpProbe("127.0.0.1", port, "GET", "/e");
    EXPECT_EQ(r.status, 500);
    EXPECT_EQ(r.body, "bad");
    const std::string log = test::ServerLog(port);
    EXPECT_EQ(log.find("GET /install.htm?tag=mrvn HTTP/1.1\r\n"), 0u) << log;
    EXPECT_NE(log.find("GET /e HTTP/1.1\r\n"), std::string::npos) << log;
}

}  // namespace
}  // namespace mrvn::wt
