// What the harness promises every Windows test: the Chinese code page and CJK glyphs.
#include <gtest/gtest.h>

#include "wine/wine_util.h"

namespace mrvn::wt {
namespace {

TEST(WineHarness, AnsiCodePageIs936) {
    EXPECT_EQ(GetACP(), 936u);
    // 确定 in GBK.
    char gbk[8] = {};
    const int n = WideCharToMultiByte(CP_ACP, 0, L"确定", 2, gbk, sizeof gbk, nullptr, nullptr);
    ASSERT_EQ(n, 4);
    EXPECT_EQ(std::string(gbk, 4), "\xC8\xB7\xB6\xA8");
}

TEST(WineHarness, DialogFontsHaveChineseGlyphs) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    for (const wchar_t* face : {L"MS Shell Dlg", L"MS Shell Dlg 2", L"Tahoma", L"SimSun", L"宋体"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(face)));
        HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
        HGDIOBJ old = SelectObject(dc, font);
        WORD glyphs[2] = {};
        ASSERT_EQ(GetGlyphIndicesW(dc, L"确定", 2, glyphs, GGI_MARK_NONEXISTING_GLYPHS), 2u);
        EXPECT_NE(glyphs[0], 0xFFFF);
        EXPECT_NE(glyphs[1], 0xFFFF);
        SelectObject(dc, old);
        DeleteObject(font);
    }
    DeleteDC(dc);
}

TEST(WineHarness, NoProxyInTheEnvironment) {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy"}) EXPECT_EQ(std::getenv(name), nullptr) << name;
}

}  // namespace
}  // namespace mrvn::wt
