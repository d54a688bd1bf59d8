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

// Byte i is (7 i + 3) mod 256; the digests were taken with md5sum. The lengths sit on both sides
// of the padding limit (56), of one and two blocks, and of the file chunk.
std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    return s;
}

const struct {
    size_t length;
    const wchar_t* digest;
} kOddLengths[] = {
    {55, L"52c0e574e1198de5fe3f8f11440dcb1b"},     {56, L"46c9907fc908ee68b1e7b8e71286a518"},
    {57, L"1c805dd236c35cab25fcb1bc73802c51"},     {63, L"a62f6d59e837867693f042f5b8f5a236"},
    {64, L"7160b8fb5e9e4023d549c3971fbaeead"},     {65, L"70bd662e7aefbda85a0f7244167b7897"},
    {119, L"e84905d4214f4d1ca56c2cdcc152b143"},    {120, L"e3eb5a6c8669ea01a8c185b8abc8a5dc"},
    {121, L"82f02aff7c685d5ef5f6abdfc38fd04f"},    {127, L"acce2474d6cc8302120d09c818d17ef7"},
    {128, L"10b2da1a82f16d99a81a7203fe9f02cb"},    {129, L"03fefbbcebe2959cf2270241aafe0250"},
    {1000, L"10046f077f2082ac19676b8079f1cb1a"},   {65535, L"70a2002bd59609d66effc9f59e27e0a7"},
    {65536, L"55f3da07043d8f6f30808f9309120b1d"},  {65537, L"8bbe2ba9b420c53493027ed87dbc57c8"},
    {200003, L"71ea1a2345bc501090ed0f67ced13f5e"},
};

TEST(Md5, LengthsAroundPaddingAndBlockEdges) {
    for (const auto& row : kOddLengths) {
        SCOPED_TRACE(row.length);
        const std::string data = Pattern(row.length);
        EXPECT_EQ(HexLower(Md5Of(data.data(), data.size())), row.digest);
        // Pieces that leave a partial block pending, then hand over whole blocks from an odd address.
        Md5 md5;
        for (size_t at = 0, piece = 1; at < data.size(); at += piece, piece = piece * 3 % 200 + 1) {
            md5.Update(data.data() + at, std::min(piece, data.size() - at));
        }
        EXPECT_EQ(HexLower(md5.Final()), row.digest);
    }
}

TEST(FileMd5Hex, FilesAroundTheChunkSize) {
    test::FakeFileSource files;
    for (const auto& row : kOddLengths) {
        SCOPED_TRACE(row.length);
        files.files[L"C:\\G\\f"] = Pattern(row.length);
        std::wstring out;
        ASSERT_TRUE(FileMd5Hex(files, L"C:\\G\\f", out));
        EXPECT_EQ(out, row.digest);
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
