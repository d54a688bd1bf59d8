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

// The recipe of docs/testing.md for real key presses: the keys typed after FocusForKeys reach the
// window of another process, though this process's window was in front.
TEST(WineHarness, KeysReachTheWindowGivenFocus) {
    HWND own = CreateWindowExW(0, L"EDIT", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300, 120, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(own, nullptr);
    ASSERT_TRUE(FocusForKeys(own));
    DWORD pid = 0;
    HANDLE notepad = StartProcess(L"C:\\windows\\notepad.exe", L"", &pid);
    ASSERT_NE(notepad, nullptr);
    HWND main = WaitForWindowOf(pid);
    HWND edit = main ? FindWindowExW(main, nullptr, L"Edit", nullptr) : nullptr;
    EXPECT_NE(edit, nullptr);
    if (edit) {
        // A new window may take the front on its own; bring ours back so that the focus must move.
        ASSERT_TRUE(FocusForKeys(own));
        ASSERT_TRUE(FocusForKeys(main));
        ASSERT_TRUE(TypeKeys(L"m r v n"));
        wchar_t text[16] = {};
        EXPECT_TRUE(WaitFor([&] {
            SendMessageW(edit, WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text));
            return std::wstring(text) == L"mrvn";
        })) << "the edit holds \"" << text << "\"";
    }
    TerminateProcess(notepad, 0);
    WaitForSingleObject(notepad, 10000);
    CloseHandle(notepad);
    DestroyWindow(own);
}

}  // namespace
}  // namespace mrvn::wt
