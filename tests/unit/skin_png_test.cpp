#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "../../tools/skin/png_writer.h"
#include "skin/skin_images.h"

namespace mrvn {
namespace {

pngw::Bytes BytesOf(const std::string& s) { return pngw::Bytes(s.begin(), s.end()); }

TEST(SkinPngWriter, ChecksumsMatchReferenceValues) {
    const pngw::Bytes check = BytesOf("123456789");
    EXPECT_EQ(pngw::Crc32(check.data(), check.size()), 0xCBF43926u);
    const pngw::Bytes iend = BytesOf("IEND");
    EXPECT_EQ(pngw::Crc32(iend.data(), iend.size()), 0xAE426082u);  // every PNG ends with it
    const pngw::Bytes wiki = BytesOf("Wikipedia");
    EXPECT_EQ(pngw::Adler32(wiki.data(), wiki.size()), 0x11E60398u);
    EXPECT_EQ(pngw::Adler32(nullptr, 0), 1u);
}

TEST(SkinPngWriter, FixedHuffmanStreams) {
    // Empty: final fixed block holding only end-of-block (7 zero bits).
    EXPECT_EQ(pngw::ZlibCompress({}), (pngw::Bytes{0x78, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}));
    // "a": header bits 1,1,0, literal 0x61 as the 8-bit code 0x91, end-of-block; Adler-32 0x00620062.
    EXPECT_EQ(pngw::ZlibCompress(BytesOf("a")),
              (pngw::Bytes{0x78, 0x01, 0x4B, 0x04, 0x00, 0x00, 0x62, 0x00, 0x62}));
    // Long runs must shrink: that is what the matches are for.
    EXPECT_LT(pngw::ZlibCompress(pngw::Bytes(10000, 7)).size(), 200u);
}

TEST(SkinPngWriter, PaletteFormRefusesTooManyColours) {
    std::vector<pngw::Rgba> px(257);
    for (int i = 0; i < 257; ++i) px[i] = {uint8_t(i), uint8_t(i >> 8), 0, 255};
    std::string error;
    EXPECT_TRUE(pngw::EncodePng(px, 257, 1, pngw::PngForm::Palette, &error).empty());
    EXPECT_FALSE(error.empty());
    px.pop_back();
    EXPECT_FALSE(pngw::EncodePng(px, 256, 1, pngw::PngForm::Palette).empty());
}

uint32_t Be32(const pngw::Bytes& b, size_t at) {
    return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3];
}

// The committed skin images must have the sizes and forms the windows are laid out for.
TEST(SkinPngImages, CommittedFilesMatchTheTable) {
    const std::string root = MRVN_SOURCE_ROOT;
    for (const SkinImageInfo& info : kSkinImages) {
        const std::string path = root + "/res/skin/" + std::to_string(info.id) + "_" + info.name + ".png";
        SCOPED_TRACE(path);
        FILE* f = std::fopen(path.c_str(), "rb");
#ifdef _WIN32
        if (!f) GTEST_SKIP() << "source tree not reachable from here";
#endif
        ASSERT_NE(f, nullptr);
        pngw::Bytes head(64);
        head.resize(std::fread(head.data(), 1, head.size(), f));
        std::fclose(f);
        ASSERT_GE(head.size(), 33u);
        EXPECT_EQ(std::string(head.begin() + 12, head.begin() + 16), "IHDR");
        EXPECT_EQ(int(Be32(head, 16)), info.width);
        EXPECT_EQ(int(Be32(head, 20)), info.height);
        EXPECT_EQ(head[24], 8);  // bit depth
        const int colorType = info.alpha == SkinAlpha::Rgba ? 6 : info.alpha == SkinAlpha::PaletteAlpha ? 3 : 2;
        EXPECT_EQ(head[25], colorType);
        if (info.alpha == SkinAlpha::PaletteAlpha) {
            // PLTE then tRNS carry the per-entry alpha.
            const size_t plte = 33;
            EXPECT_EQ(std::string(head.begin() + plte + 4, head.begin() + plte + 8), "PLTE");
            const size_t trns = plte + 12 + Be32(head, plte);
            std::FILE* g = std::fopen(path.c_str(), "rb");
            ASSERT_NE(g, nullptr);
            pngw::Bytes all(trns + 8);
            all.resize(std::fread(all.data(), 1, all.size(), g));
            std::fclose(g);
            ASSERT_EQ(all.size(), trns + 8);
            EXPECT_EQ(std::string(all.begin() + trns + 4, all.begin() + trns + 8), "tRNS");
        }
    }
}

}  // namespace
}  // namespace mrvn
