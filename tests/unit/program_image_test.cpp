#include <gtest/gtest.h>

#include "fakes/fake_net.h"
#include "fakes/program_bytes.h"
#include "net/md5.h"
#include "net/program_image.h"

namespace mrvn {
namespace {

using test::ProgramImage;
using test::SmallProgram;

bool Complete(const std::string& bytes) {
    return IsCompleteProgramImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), bytes.size());
}

TEST(ProgramImage, WholeProgramsPassAndEverythingElseFails) {
    const std::string good = SmallProgram();
    std::string badPe = good;
    badPe[0x81] = 'X';
    std::string badMz = good;
    badMz[0] = 'Z';
    std::string farPe = good;
    farPe[0x3C] = static_cast<char>(0xF0);  // e_lfanew past the end of the file
    farPe[0x3D] = static_cast<char>(0xFF);
    const struct {
        const char* name;
        std::string bytes;
        bool complete;
    } rows[] = {
        {"whole program", good, true},
        {"with data after the last section", good + "signature and tail", true},
        {"section without raw data", ProgramImage({{0x400, 0x200}, {0, 0}}), true},
        {"cut inside the last section", good.substr(0, good.size() - 1), false},
        {"cut after the headers", good.substr(0, 0x400), false},
        {"cut inside the section table", good.substr(0, 0x80 + 24 + 0xE0 + 50), false},
        {"cut before the PE header", good.substr(0, 0x70), false},
        {"empty body", "", false},
        {"HTML error page", "<html><body>500 Internal Server Error</body></html>", false},
        {"MZ without PE", badPe, false},
        {"no MZ", badMz, false},
        {"PE header outside the file", farPe, false},
        {"no sections", ProgramImage({}), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Complete(row.bytes), row.complete);
    }
    // Offset plus size past 32 bits must still count as outside the file.
    std::string wrap = ProgramImage({{0x400, 0x200}});
    const size_t sizeAt = 0x80 + 24 + 0xE0 + 16;
    for (int i = 0; i < 4; ++i) wrap[sizeAt + i] = static_cast<char>(0xFF);  // raw size 0xFFFFFFFF at 0x400
    EXPECT_FALSE(Complete(wrap));
}

TEST(ProgramImage, HeadersBeyondTheReadStartAreNotTrusted) {
    // The file is whole, but only its first bytes were looked at: the table lies beyond them.
    const std::string bytes = ProgramImage({{0x400, 0x200}});
    EXPECT_FALSE(IsCompleteProgramImage(reinterpret_cast<const uint8_t*>(bytes.data()), 0x100, bytes.size()));
}

TEST(ProgramImage, InspectHashesAndChecksInOnePass) {
    test::FakeFileSource files;
    const std::string program = SmallProgram() + std::string(200000, 'x');  // several reads
    files.files[L"C:\\a.exe"] = program;
    files.files[L"C:\\page.htm"] = "<html>portal</html>";
    files.maxRead = 4000;
    ProgramFileFacts facts;
    ASSERT_TRUE(InspectProgramFile(files, L"C:\\a.exe", facts));
    EXPECT_TRUE(facts.complete);
    EXPECT_EQ(facts.md5Hex, HexLower(Md5Of(program.data(), program.size())));
    ASSERT_TRUE(InspectProgramFile(files, L"C:\\page.htm", facts));
    EXPECT_FALSE(facts.complete);
    EXPECT_EQ(files.openCount, files.closeCount);
    EXPECT_FALSE(InspectProgramFile(files, L"C:\\missing.exe", facts));
    // A read that fails halfway gives no facts at all, and the file is closed all the same.
    test::FakeFileSource failing;
    failing.files = files.files;
    failing.maxRead = 4000;
    failing.failReadAt = 3;
    EXPECT_FALSE(InspectProgramFile(failing, L"C:\\a.exe", facts));
    EXPECT_EQ(failing.openCount, failing.closeCount);
}

TEST(ProgramImage, CertificateTableOfPe32AndPe32Plus) {
    const auto put32 = [](std::string& s, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const auto head = [](const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); };
    const struct {
        const char* name;
        uint16_t magic, optionalBytes;
        uint32_t directories;
        uint32_t size;     // written into the security entry
        uint32_t expected;
    } rows[] = {
        {"PE32, signed", 0x10B, 0xE0, 16, 0x1234, 0x1234},
        {"PE32+, signed", 0x20B, 0xF0, 16, 0x800, 0x800},
        {"PE32, unsigned", 0x10B, 0xE0, 16, 0, 0},
        {"too few directories to have one", 0x10B, 0xE0, 4, 0x1234, 0},
        {"optional header cut before the entry", 0x10B, 0x80, 16, 0x1234, 0},
        {"unknown optional header", 0x107, 0xE0, 16, 0x1234, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string image = test::ProgramImage({{0x400, 0x600}}, 0x80, row.optionalBytes);
        const size_t optional = 0x80 + 24;
        image[optional] = static_cast<char>(row.magic & 0xFF);
        image[optional + 1] = static_cast<char>(row.magic >> 8);
        const size_t count = optional + (row.magic == 0x20B ? 108 : 92);
        put32(image, count, row.directories);
        const size_t entry = count + 4 + 4 * 8;
        if (entry + 8 <= optional + row.optionalBytes) put32(image, entry + 4, row.size);
        EXPECT_EQ(CertificateTableBytes(head(image), image.size()), row.expected);
        // Headers that the read did not reach are not trusted.
        EXPECT_EQ(CertificateTableBytes(head(image), optional + 8), 0u);
    }
}

TEST(ReleaseKey, OnlyAKeyOfTheLocalFormNamesAHash) {
    const std::wstring md5 = L"900150983cd24fb0d6963f7d28e17f72";
    const struct {
        const wchar_t* key;
        bool localForm;
        bool matches;
    } rows[] = {
        {L"900150983cd24fb0d6963f7d28e13001", true, true},
        {L"900150983CD24FB0D6963F7D28E13002", true, true},  // any case, the next version's digits
        {L"000150983cd24fb0d6963f7d28e13001", true, false},
        {L"900150983cd24fb0d6963f7d28e03001", true, false},  // the 28th digit differs
        {L"900150983cd24fb0d6963f7d28e1300", false, true},   // too short: names no hash
        {L"900150983cd24fb0d6963f7d28e130012", false, true},
        {L"900150983cd24fb0d6963f7d28e1300x", false, true},  // version part not digits
        {L"g00150983cd24fb0d6963f7d28e13001", false, true},  // hash part not hex
        {L"", false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.key)));
        EXPECT_EQ(KeyHasLocalForm(row.key, 4), row.localForm);
        EXPECT_EQ(ReleaseMatchesKey(md5, row.key, 4), row.matches);
    }
    // Without a hash of the file nothing matches a key that names one.
    EXPECT_FALSE(ReleaseMatchesKey(L"", L"900150983cd24fb0d6963f7d28e13001", 4));
}

}  // namespace
}  // namespace mrvn
