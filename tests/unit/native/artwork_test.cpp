// The pictures and icons SETUP.EXE carries: sizes and colour depths the
// templates and the backdrop rely on, exact magenta in the banners, and
// run-length data that Windows 95's decoder reads back to every pixel.
#include <gtest/gtest.h>
#include <stdint.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

std::vector<uint8_t> ReadArt(const std::string& name) {
    return ReadFile(std::string(SETUP_SOURCE_DIR) + "/resources/art/" + name);
}

uint32_t U32(const std::vector<uint8_t>& d, size_t at) {
    return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<uint32_t>(d[at + 3]) << 24;
}
uint16_t U16(const std::vector<uint8_t>& d, size_t at) {
    return static_cast<uint16_t>(d[at] | d[at + 1] << 8);
}

const uint32_t kRle8 = 1, kRle4 = 2;  // biCompression

// A bitmap file as the resource loader reads it: every pixel's colour as
// 0xRRGGBB, top row first, or what in it Windows would not read back whole.
struct Picture {
    int32_t width = 0, height = 0;
    int bits = 0;
    uint32_t compression = 0;
    std::vector<uint32_t> rgb;
    std::string fault;
};

// Index of the pixel n of a run: 4-bit runs and absolute data take the high
// nibble first.
int Nibble(const uint8_t* bytes, int n, int bits) {
    return bits == 8 ? bytes[n] : (n % 2 == 0 ? bytes[n / 2] >> 4 : bytes[n / 2] & 15);
}

// BI_RLE8 and BI_RLE4 by the published rules, refusing what the packing
// must never write: a delta or a row ended early leaves pixels unset, a run
// past the end of its row is drawn differently by different decoders.
std::string DecodeRle(const uint8_t* d, size_t n, int bits, int32_t w, int32_t h,
                      std::vector<int>* index) {
    size_t at = 0;
    int32_t x = 0, y = 0;  // y counts rows from the bottom
    std::string row;
    while (at + 2 <= n) {
        uint8_t count = d[at], code = d[at + 1];
        at += 2;
        row = " (row " + std::to_string(y) + " from the bottom, pixel " + std::to_string(x) + ")";
        bool end = count == 0 && code == 1;
        if (y >= h && !end) {
            return "data past the last row" + row;
        }
        if (count > 0) {
            if (x + count > w) {
                return "run of " + std::to_string(count) + " past the end of the row" + row;
            }
            uint8_t pair[2] = {code, code};
            for (int i = 0; i < count; i++) {
                (*index)[(h - 1 - y) * w + x++] = Nibble(pair, i % 2, bits);
            }
        } else if (code == 0) {
            if (x != w) {
                return "end of line before the row is full" + row;
            }
            x = 0;
            y++;
        } else if (end) {
            if (!(y == h - 1 && x == w) && !(y == h && x == 0)) {
                return "end of bitmap before the last pixel" + row;
            }
            return at == n ? "" : "bytes after the end of bitmap";
        } else if (code == 2) {
            return "delta: the pixels it skips stay unset" + row;
        } else {
            size_t bytes = bits == 8 ? code : (code + 1) / 2;
            bytes += bytes & 1;  // absolute data fills whole words
            if (at + bytes > n || x + code > w) {
                return "absolute run of " + std::to_string(code) + " past its data or row" + row;
            }
            for (int i = 0; i < code; i++) {
                (*index)[(h - 1 - y) * w + x++] = Nibble(d + at, i, bits);
            }
            at += bytes;
        }
    }
    return "no end of bitmap";
}

Picture Decode(const std::vector<uint8_t>& bmp) {
    Picture p;
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M' || U32(bmp, 14) != 40) {
        p.fault = "no BMP file with a plain BITMAPINFOHEADER";
        return p;
    }
    p.width = static_cast<int32_t>(U32(bmp, 18));
    p.height = static_cast<int32_t>(U32(bmp, 22));
    p.bits = U16(bmp, 28);
    p.compression = U32(bmp, 30);
    const size_t colours = U32(bmp, 46) ? U32(bmp, 46) : size_t{1} << p.bits;
    const size_t pixels = U32(bmp, 10);
    const size_t size = U32(bmp, 34);
    if (54 + colours * 4 != pixels || pixels + size != bmp.size()) {
        p.fault = "palette of " + std::to_string(colours) + " and data of " + std::to_string(size) +
                  " bytes do not fill the file";
        return p;
    }
    std::vector<int> index(p.width * p.height, -1);
    if (p.compression == (p.bits == 8 ? kRle8 : kRle4)) {
        p.fault = DecodeRle(&bmp[pixels], size, p.bits, p.width, p.height, &index);
    } else {
        p.fault = "compression " + std::to_string(p.compression) + " at " + std::to_string(p.bits) +
                  " bits";
    }
    for (size_t i = 0; i < index.size() && p.fault.empty(); i++) {
        if (static_cast<size_t>(index[i]) >= colours) {
            p.fault = "pixel " + std::to_string(i) + " has index " + std::to_string(index[i]) +
                      " of " + std::to_string(colours);
            break;
        }
        const uint8_t* entry = &bmp[54 + index[i] * 4];  // blue, green, red
        p.rgb.push_back(entry[2] << 16 | entry[1] << 8 | entry[0]);
    }
    return p;
}

size_t CountColour(const Picture& p, uint32_t rgb) {
    size_t count = 0;
    for (uint32_t c : p.rgb) {
        count += c == rgb;
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
        Picture p = Decode(ReadArt(r.file));
        ASSERT_EQ("", p.fault) << "row " << i << " " << r.file;
        EXPECT_EQ(r.width, p.width) << "row " << i;
        EXPECT_EQ(r.height, p.height) << "row " << i;
        EXPECT_EQ(r.bits, p.bits) << "row " << i;
        EXPECT_EQ(r.bits == 8 ? kRle8 : kRle4, p.compression) << "row " << i << ": run-length";
        if (r.magentaField) {
            // Most of a banner is the see-through field; the letters are white.
            EXPECT_GT(CountColour(p, 0xFF00FF), static_cast<size_t>(r.width * r.height / 2))
                << "row " << i;
            EXPECT_GT(CountColour(p, 0xFFFFFF), 100u) << "row " << i;
            EXPECT_EQ(0u, CountColour(p, 0xFE00FF)) << "row " << i;
        }
    }
}

// The standard 16 colours: pack.py keeps them exact at both depths.
const uint32_t kVga16[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                             0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                             0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

// pack.py on pictures made to reach the encoder's edges, read back by the
// rules above at 4 and 8 bits.
TEST(Artwork, PackedRunsDecodeToTheDrawnPixels) {
    struct Row {
        const char* what;
        int width, height;
        int (*colour)(int x, int y);
    } rows[] = {
        {"one colour, longer than a run's count", 600, 1, [](int, int) { return 13; }},
        {"every pixel differs from the last", 259, 2, [](int x, int y) { return (x + y) % 16; }},
        {"one pixel wide", 1, 3, [](int, int y) { return y + 1; }},
        {"two pixels wide", 2, 3, [](int x, int y) { return 2 * y + x; }},
        {"two colours taking turns", 41, 2, [](int x, int y) { return (x + y) % 2 ? 9 : 12; }},
        // Row y starts with y + 3 differing pixels: absolute runs of every
        // length modulo four, each padded to a word.
        {"absolute runs of 3 to 10, then one colour", 30, 8,
         [](int x, int y) { return x < y + 3 ? x % 16 : 7; }},
        {"one pixel between runs", 20, 2, [](int x, int) { return x == 10 ? 4 : 1; }},
        {"short runs of three colours", 97, 9,
         [](int x, int y) { return (x / (1 + (x * 7 + y) % 4) + y) % 3; }},
    };
    char dir[] = "/tmp/artworkXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    const std::string ppm = std::string(dir) + "/in.ppm", bmp = std::string(dir) + "/out.bmp";
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        const Row& r = rows[i];
        std::vector<uint32_t> drawn;
        std::string file =
            "P6\n" + std::to_string(r.width) + " " + std::to_string(r.height) + "\n255\n";
        for (int y = 0; y < r.height; y++) {
            for (int x = 0; x < r.width; x++) {
                drawn.push_back(kVga16[r.colour(x, y)]);
                file += static_cast<char>(drawn.back() >> 16);
                file += static_cast<char>(drawn.back() >> 8 & 255);
                file += static_cast<char>(drawn.back() & 255);
            }
        }
        std::ofstream(ppm, std::ios::binary) << file;
        for (const char* kind : {"bmp4", "bmp8"}) {
            std::string pack = "python3 -S '" + std::string(SETUP_SOURCE_DIR) +
                               "/resources/art/pack.py' " + kind + " " + ppm + " " + bmp;
            ASSERT_EQ(0, system(pack.c_str())) << "row " << i << " " << kind << ": " << pack;
            Picture p = Decode(ReadFile(bmp));
            EXPECT_EQ("", p.fault) << "row " << i << " " << kind << ": " << r.what;
            if (!p.fault.empty()) {
                continue;
            }
            EXPECT_EQ(r.width, p.width) << "row " << i << " " << kind;
            EXPECT_EQ(r.height, p.height) << "row " << i << " " << kind;
            size_t wrong = 0;
            while (wrong < drawn.size() && p.rgb[wrong] == drawn[wrong]) {
                wrong++;
            }
            EXPECT_EQ(drawn.size(), wrong)
                << "row " << i << " " << kind << ": " << r.what << "; pixel " << wrong % r.width
                << "," << wrong / r.width << " came back "
                << (wrong < drawn.size() ? p.rgb[wrong] : 0) << ", drawn "
                << (wrong < drawn.size() ? drawn[wrong] : 0);
        }
        unlink(bmp.c_str());
    }
    unlink(ppm.c_str());
    rmdir(dir);
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
