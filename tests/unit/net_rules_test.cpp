#include <gtest/gtest.h>

#include "net/http_rules.h"

namespace mrvn {
namespace {

TEST(SplitHttpUrl, HostPortAndObject) {
    const struct {
        const wchar_t* rest;
        const wchar_t* host;
        uint16_t port;
        const wchar_t* object;
    } rows[] = {
        {L"host:8080/a/b.htm", L"host", 8080, L"a/b.htm"},
        {L"client.quarn.com/update/ConfigMrvn.htm", L"client.quarn.com", 80, L"update/ConfigMrvn.htm"},
        {L"client.quarn.com", L"client.quarn.com", 80, L""},  // no "/" after the host
        {L"127.0.0.1:8790", L"127.0.0.1", 8790, L""},
        {L"h:70000/x", L"h", 4464, L"x"},    // 70000 - 65536: cut to 16 bits
        {L"h:/x", L"h", 0, L"x"},            // no digits
        {L"h:12ab/x", L"h", 12, L"x"},       // leading digits only
        {L"h/a:99/b", L"h", 80, L"a:99/b"},  // a ":" in the object is not a port
        {L"h:1:2/x", L"h", 1, L"x"},         // cut at the first ":"
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.rest)));
        HttpTarget t;
        ASSERT_TRUE(SplitHttpUrl(row.rest, t));
        EXPECT_EQ(t.host, row.host);
        EXPECT_EQ(t.port, row.port);
        EXPECT_EQ(t.object, row.object);
    }
}

TEST(SplitHttpUrl, NamesThatDoNotFitTheirBuffersAreRefused) {
    const struct {
        size_t hostChars, objectChars;
        bool ok;
    } rows[] = {{259, 0, true}, {260, 0, false}, {5, 511, true}, {5, 512, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.hostChars << " " << row.objectChars);
        const std::wstring rest = std::wstring(row.hostChars, L'h') + L"/" + std::wstring(row.objectChars, L'o');
        HttpTarget t;
        t.host = L"before";
        EXPECT_EQ(SplitHttpUrl(rest, t), row.ok);
        if (!row.ok) {
            EXPECT_EQ(t.host, L"before");
        }
    }
}

TEST(IsPlatformUrl, SubstringOfTheWholeAddressWithExactCase) {
    const std::vector<std::wstring> domains = {L"qsvc.net", L"quarn.com", L"quarn.cn"};
    const struct {
        const wchar_t* address;
        bool ok;
    } rows[] = {
        {L"http://client.qsvc.net/x.exe", true},          // first name
        {L"http://dl.quarn.com/NewMrvn.exe", true},       // second
        {L"http://www.quarn.cn/a", true},                 // third
        {L"http://evil.example/x.exe?from=quarn.cn", true},  // only mentioned in the query
        {L"http://dl.QUARN.com/x.exe", false},            // letter case counts
        {L"http://dl.quarn.co/x.exe", false},
        {L"http://example.org/", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.address)));
        EXPECT_EQ(IsPlatformUrl(row.address, domains), row.ok);
    }
}

TEST(IsPlatformUrl, EmptyNamesAndListsMatchNothing) {
    EXPECT_FALSE(IsPlatformUrl(L"http://a/", {}));
    EXPECT_FALSE(IsPlatformUrl(L"http://a/", {L""}));
    EXPECT_TRUE(IsPlatformUrl(L"http://127.0.0.1:8790/a", {L"", L"127.0.0.1"}));
}

TEST(ResolveRedirect, EveryFormOfLocation) {
    const std::wstring from = L"http://dl.quarn.com:8080/up/v3/NewMrvn.exe?x=1";
    const struct {
        const wchar_t* location;
        const wchar_t* to;  // empty: not followed
    } rows[] = {
        {L"http://127.0.0.2:9000/evil.exe", L"http://127.0.0.2:9000/evil.exe"},
        {L"HTTP://cdn.quarn.com/a.exe", L"http://cdn.quarn.com/a.exe"},
        {L"//cdn.quarn.com/a.exe", L"http://cdn.quarn.com/a.exe"},
        {L"/other/a.exe", L"http://dl.quarn.com:8080/other/a.exe"},
        {L"a.exe", L"http://dl.quarn.com:8080/up/v3/a.exe"},
        {L"../a.exe?y=2", L"http://dl.quarn.com:8080/up/v3/../a.exe?y=2"},
        {L" /a.exe#part ", L"http://dl.quarn.com:8080/a.exe"},
        {L"https://dl.quarn.com/a.exe", L""},
        {L"ftp://dl.quarn.com/a.exe", L""},
        {L"javascript:alert(1)", L""},
        {L"", L""},
        {L"  ", L""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.location)));
        EXPECT_EQ(ResolveRedirect(from, row.location), row.to);
    }
    // From an address without an object, a relative name lands at the root.
    EXPECT_EQ(ResolveRedirect(L"http://a.quarn.com", L"b.htm"), L"http://a.quarn.com/b.htm");
}

TEST(ProgressPercent, FractionDroppedAndBounded) {
    const struct {
        uint64_t received;
        uint32_t length;
        uint32_t percent;
    } rows[] = {
        {0, 1300, 0},   {512, 1300, 39},  {1024, 1300, 78}, {1299, 1300, 99}, {1300, 1300, 100},
        {2000, 1300, 100},                           // more than announced
        {0, 0, 100},    {512, 0, 100},               // an empty body is complete at once
        {50000000, 100000000, 50},                   // 5e9 would wrap 32 bits
        {4294967295u, 4294967295u, 100},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.received << "/" << row.length);
        EXPECT_EQ(ProgressPercent(row.received, row.length), row.percent);
    }
}

}  // namespace
}  // namespace mrvn
