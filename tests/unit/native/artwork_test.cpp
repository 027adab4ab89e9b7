// The pictures and icons SETUP.EXE carries: sizes and colour depths the
// templates and the backdrop rely on, and exact magenta in the banners.
#include <gtest/gtest.h>
#include <stdint.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> ReadArt(const std::string& name) {
    std::ifstream in(std::string(SETUP_SOURCE_DIR) + "/resources/art/" + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

uint32_t U32(const std::vector<uint8_t>& d, size_t at) {
    return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<uint32_t>(d[at + 3]) << 24;
}
uint16_t U16(const std::vector<uint8_t>& d, size_t at) {
    return static_cast<uint16_t>(d[at] | d[at + 1] << 8);
}

// Number of pixels whose palette colour is exactly red, green, blue.
size_t CountColour(const std::vector<uint8_t>& bmp, uint8_t r, uint8_t g, uint8_t b) {
    int32_t w = static_cast<int32_t>(U32(bmp, 18)), h = static_cast<int32_t>(U32(bmp, 22));
    int bits = U16(bmp, 28);
    const size_t palette = 14 + U32(bmp, 14);
    const size_t pixels = U32(bmp, 10);
    const size_t stride = ((w * bits + 31) / 32) * 4;
    size_t count = 0;
    for (int32_t y = 0; y < h; y++) {
        for (int32_t x = 0; x < w; x++) {
            size_t at = pixels + y * stride + x * bits / 8;
            int index = bits == 8 ? bmp[at] : (x % 2 == 0 ? bmp[at] >> 4 : bmp[at] & 15);
            const uint8_t* entry = &bmp[palette + index * 4];  // blue, green, red
            if (entry[2] == r && entry[1] == g && entry[0] == b) {
                count++;
            }
        }
    }
    return count;
}

TEST(Artwork, BitmapsHaveTheirSizesAndDepths) {
    struct Row {
        const char* file;
        int width, height, bits;
        bool magentaField;
    } rows[] = {
        {"ps2-plug.bmp", 70, 55, 8, false},      {"serial-plug.bmp", 70, 55, 8, false},
        {"disk-off.bmp", 98, 26, 4, false},      {"disk-on.bmp", 98, 26, 4, false},
        {"floppy-off.bmp", 98, 26, 4, false},    {"floppy-on.bmp", 98, 26, 4, false},
        {"side.bmp", 118, 234, 4, false},        {"title-banner.bmp", 400, 50, 4, true},
        {"notice-banner.bmp", 490, 43, 4, true},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        const Row& r = rows[i];
        std::vector<uint8_t> bmp = ReadArt(r.file);
        ASSERT_GT(bmp.size(), 54u) << "row " << i << " " << r.file;
        EXPECT_EQ('B', bmp[0]) << "row " << i;
        EXPECT_EQ('M', bmp[1]) << "row " << i;
        EXPECT_EQ(40u, U32(bmp, 14)) << "row " << i << ": a plain BITMAPINFOHEADER";
        EXPECT_EQ(r.width, static_cast<int32_t>(U32(bmp, 18))) << "row " << i;
        EXPECT_EQ(r.height, static_cast<int32_t>(U32(bmp, 22))) << "row " << i;
        EXPECT_EQ(r.bits, U16(bmp, 28)) << "row " << i;
        EXPECT_EQ(0u, U32(bmp, 30)) << "row " << i << ": uncompressed";
        size_t stride = ((r.width * r.bits + 31) / 32) * 4;
        EXPECT_EQ(U32(bmp, 10) + stride * r.height, bmp.size()) << "row " << i;
        size_t magenta = CountColour(bmp, 255, 0, 255);
        size_t white = CountColour(bmp, 255, 255, 255);
        if (r.magentaField) {
            // Most of a banner is the see-through field; the letters are white.
            EXPECT_GT(magenta, static_cast<size_t>(r.width * r.height / 2)) << "row " << i;
            EXPECT_GT(white, 100u) << "row " << i;
            EXPECT_EQ(0u, CountColour(bmp, 254, 0, 255)) << "row " << i;
        }
    }
}

TEST(Artwork, IconsAreOne32By32SixteenColourImage) {
    const char* files[] = {"setup.ico", "diskette.ico", "dots.ico", "warning.ico"};
    for (size_t i = 0; i < sizeof files / sizeof files[0]; i++) {
        std::vector<uint8_t> ico = ReadArt(files[i]);
        ASSERT_GT(ico.size(), 22u + 40u) << "row " << i << " " << files[i];
        EXPECT_EQ(1, U16(ico, 2)) << "row " << i << ": type icon";
        EXPECT_EQ(1, U16(ico, 4)) << "row " << i << ": one image";
        EXPECT_EQ(32, ico[6]) << "row " << i;
        EXPECT_EQ(32, ico[7]) << "row " << i;
        EXPECT_EQ(16, ico[8]) << "row " << i;
        EXPECT_EQ(4, U16(ico, 12)) << "row " << i;
        uint32_t offset = U32(ico, 18);
        EXPECT_EQ(U32(ico, 14) + offset, ico.size()) << "row " << i;
        EXPECT_EQ(32u, U32(ico, offset + 4)) << "row " << i;
        EXPECT_EQ(64u, U32(ico, offset + 8)) << "row " << i << ": colour and mask";
        EXPECT_EQ(4, U16(ico, offset + 14)) << "row " << i;
    }
}

}  // namespace
