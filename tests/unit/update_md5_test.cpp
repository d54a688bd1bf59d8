#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "fakes/fake_net.h"
#include "net/md5.h"
#include "net/update_rules.h"

namespace mrvn {
namespace {

// The test suite of RFC 1321, appendix A.5.
const struct {
    const char* message;
    const wchar_t* digest;
} kRfcSuite[] = {
    {"", L"d41d8cd98f00b204e9800998ecf8427e"},
    {"a", L"0cc175b9c0f1b6a831c399e269772661"},
    {"abc", L"900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", L"f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", L"c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", L"d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     L"57edf4a22be3c955ac49da2e2107b67a"},
};

TEST(Md5, RfcTestSuite) {
    for (const auto& row : kRfcSuite) {
        SCOPED_TRACE(row.message);
        EXPECT_EQ(HexLower(Md5Of(row.message, std::strlen(row.message))), row.digest);
    }
}

TEST(Md5, PiecesGiveTheSameDigestAsOneCall) {
    // The 80-byte message crosses a block boundary; feed it in every piece size from 1 to 80.
    const auto& row = kRfcSuite[6];
    const size_t n = std::strlen(row.message);
    for (size_t piece = 1; piece <= n; ++piece) {
        SCOPED_TRACE(piece);
        Md5 md5;
        for (size_t at = 0; at < n; at += piece) md5.Update(row.message + at, std::min(piece, n - at));
        EXPECT_EQ(HexLower(md5.Final()), row.digest);
    }
}

TEST(FileMd5Hex, ReadsTheWholeFileInChunks) {
    test::FakeFileSource files;
    files.files[L"C:\\G\\Mrvn.exe"] = kRfcSuite[6].message;
    files.maxRead = 7;  // short reads must not end the hash early
    std::wstring out;
    ASSERT_TRUE(FileMd5Hex(files, L"C:\\G\\Mrvn.exe", out));
    EXPECT_EQ(out, kRfcSuite[6].digest);
    EXPECT_EQ(files.closeCount, 1);

    files.files[L"C:\\G\\empty"] = "";
    ASSERT_TRUE(FileMd5Hex(files, L"C:\\G\\empty", out));
    EXPECT_EQ(out, L"d41d8cd98f00b204e9800998ecf8427e");
}

TEST(FileMd5Hex, UnreadableFilesLeaveTheOutputUnchanged) {
    test::FakeFileSource files;
    std::wstring out = L"before";
    EXPECT_FALSE(FileMd5Hex(files, L"C:\\missing.exe", out));
    EXPECT_EQ(out, L"before");
    EXPECT_EQ(files.closeCount, 0);

    files.files[L"C:\\G\\Mrvn.exe"] = std::string(10000, 'x');
    files.failReadAt = 1;
    EXPECT_FALSE(FileMd5Hex(files, L"C:\\G\\Mrvn.exe", out));
    EXPECT_EQ(out, L"before");
    EXPECT_EQ(files.closeCount, 1);
}

}  // namespace
}  // namespace mrvn
