// The LZ contract on both backends: natively the project's SZDD decoder,
// under Wine the real lz32. Expected expansions of the hand-made edge files
// were made by Wine's lz32 and agree with msexpand where msexpand reads the
// file at all (it refuses plain files and reads past a cut match pair).
#include "platform/lz.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/text.h"
#include "support/szdd_reference.h"
#include "support/test_machine.h"

namespace {

namespace tm = testing_machine;

using szdd_reference::Fixture;

struct CopyResult {
    int source;
    int destination;
    long copied;
    std::string bytes;
};

// Opens src, creates dst, copies and closes both, as the copy engine does.
CopyResult CopyOne(const std::string& src, const std::string& dst) {
    CopyResult r;
    r.source = plat::LzOpenRead(src.c_str());
    char opened[256];
    r.destination = plat::LzCreate(dst.c_str(), opened, sizeof opened);
    r.copied = r.source >= 0 && r.destination >= 0 ? plat::LzCopy(r.source, r.destination) : 0;
    if (r.source >= 0) {
        plat::LzClose(r.source);
    }
    if (r.destination >= 0) {
        plat::LzClose(r.destination);
    }
    tm::ReadFile(dst, &r.bytes);
    return r;
}

TEST(Lz, FixturesExpandLikeLz32) {
    tm::Reset();
    ASSERT_TRUE(tm::MakeDirs(tm::Path("OUT")));
    struct Row {
        const char* file;
        const char* expected;  // file with the expected output; null: empty
        long copied;
    } rows[] = {
        {"BLANKS.SZ", "BLANKS.OUT", 38},      // 1 matches into the initial blanks, distance 0
        {"OVERLAP.SZ", "OVERLAP.OUT", 28},    // 2 matches overlapping themselves
        {"WRAP.SZ", "WRAP.OUT", 46},          // 3 a match wrapping past 0xFFF
        {"ENDFLAG.SZ", "ENDFLAG.OUT", 8},     // 4 ends right after a flag byte
        {"HALFPAIR.SZ", "HALFPAIR.OUT", 6},   // 5 ends inside a match pair: stops before it
        {"JUNK.SZ", "JUNK.OUT", 43},          // 6 junk after the stream is decoded too
        {"LENBIG.SZ", "LENBIG.OUT", 27},      // 7 length field larger than the data: ignored
        {"LENSMALL.SZ", "LENSMALL.OUT", 27},  // 8 ... and smaller
        {"MODEB.SZ", nullptr, 0},             // 9 mode 'B': nothing written
        {"SHORT13.SZ", "SHORT13.SZ", 13},     // 10 shorter than a header: copied unchanged
        {"HEADONLY.SZ", nullptr, 0},          // 11 a header alone expands to nothing
        {"KWAJ.SZ", "KWAJ.SZ", 30},           // 12 other magics are plain files
        {"OLDSZ.SZ", "OLDSZ.SZ", 32},         // 13
        {"EMPTY.SZ", nullptr, 0},             // 14
        {"T4095.SZ", "T4095.BIN", 4095},      // 15 made by mscompress
        {"T4096.SZ", "T4096.BIN", 4096},      // 16
        {"T4097.SZ", "T4097.BIN", 4097},      // 17
        {"TEXT.SZ", "TEXT.BIN", 7000},        // 18
        {"MIXED.SZ", "MIXED.BIN", 6000},      // 19 random bytes, zeros, text
        {"TEXT.BIN", "TEXT.BIN", 7000},       // 20 a plain file
    };
    int row = 0;
    for (const Row& r : rows) {
        row++;
        std::string src = tm::Path(std::string("SRC\\") + r.file);
        ASSERT_TRUE(tm::WriteFile(src, Fixture(r.file))) << "row " << row;
        CopyResult got = CopyOne(src, tm::Path("OUT\\RESULT"));
        std::string expected = r.expected != nullptr ? Fixture(r.expected) : "";
        EXPECT_GE(got.source, 0) << "row " << row << " " << r.file;
        EXPECT_EQ(r.copied, got.copied) << "row " << row << " " << r.file;
        EXPECT_TRUE(expected == got.bytes)
            << "row " << row << " " << r.file << ": got " << got.bytes.size() << " bytes, expected "
            << expected.size();
    }
}

// Random streams, through the whole contract, against the plain reference
// expander: any byte string after a header is a valid stream.
TEST(Lz, RandomStreamsMatchTheReference) {
    tm::Reset();
    ASSERT_TRUE(tm::MakeDirs(tm::Path("OUT")));
    std::mt19937 rng(7);
    const size_t sizes[] = {0, 1, 2, 17, 18, 1000, 65535, 65536, 65537, 140000};
    int row = 0;
    for (size_t size : sizes) {
        for (int kind = 0; kind < 2; kind++) {
            row++;
            std::string body;
            if (kind == 0) {  // raw random bytes: mostly matches at random places
                for (size_t i = 0; i < size; i++) {
                    body.push_back(static_cast<char>(rng() & 0xFF));
                }
            } else {  // literals and near matches, like real data
                szdd_reference::Writer w;
                uint32_t pos = 0xFF0;
                while (w.Size() < size) {
                    if (rng() % 3 == 0) {
                        w.Literal(static_cast<char>('a' + rng() % 4));
                        pos++;
                    } else {
                        uint32_t len = 3 + rng() % 16;
                        w.Match((pos - 1 - rng() % 40) & 0xFFF, len);
                        pos += len;
                    }
                }
                body = w.Bytes();
            }
            std::string src = tm::Path("SRC\\RANDOM.SZ");
            ASSERT_TRUE(tm::WriteFile(src, szdd_reference::Header(0) + body));
            CopyResult got = CopyOne(src, tm::Path("OUT\\RANDOM"));
            std::string expected = szdd_reference::Expand(body);
            EXPECT_EQ(static_cast<long>(expected.size()), got.copied) << "row " << row;
            EXPECT_TRUE(expected == got.bytes) << "row " << row << ": got " << got.bytes.size()
                                               << " bytes, expected " << expected.size();
        }
    }
}

// A name that does not open is tried in its compressed spelling.
TEST(Lz, CompressedNameIsTriedWhenTheNameIsMissing) {
    tm::Reset();
    const std::string text = Fixture("TEXT.BIN");
    struct Row {
        const char* stored;
        const char* asked;
    } rows[] = {
        {"HELP.HL_", "HELP.HLP"},  // 1 last character replaced
        {"DRV.EX_", "DRV.EX"},     // 2 a short extension gets the '_' added
        {"NOEXT._", "NOEXT"},      // 3 no extension: "._" added
    };
    int row = 0;
    for (const Row& r : rows) {
        row++;
        ASSERT_TRUE(tm::WriteFile(tm::Path(std::string("SRC\\") + r.stored), Fixture("TEXT.SZ")));
        CopyResult got = CopyOne(tm::Path(std::string("SRC\\") + r.asked), tm::Path("OUT.TXT"));
        EXPECT_GE(got.source, 0) << "row " << row;
        EXPECT_EQ(7000, got.copied) << "row " << row;
        EXPECT_TRUE(text == got.bytes) << "row " << row;
    }
    EXPECT_LT(plat::LzOpenRead(tm::Path("SRC\\MISSING.EXE").c_str()), 0);
}

TEST(Lz, OpenAndCreateFailures) {
    tm::Reset();
    ASSERT_TRUE(tm::MakeDirs(tm::Path("DIR")));
    EXPECT_LT(plat::LzOpenRead(tm::Path("DIR").c_str()), 0) << "a directory is no file";
    EXPECT_LT(plat::LzOpenRead(tm::Path("NONE\\X.TXT").c_str()), 0);
    char opened[256];
    EXPECT_LT(plat::LzCreate(tm::Path("NONE\\X.TXT").c_str(), opened, sizeof opened), 0)
        << "missing directory";
    // lz32 tries the compressed spelling for a create too: over a directory
    // it makes DIR._ instead, and says so in the name it opened.
    int h = plat::LzCreate(tm::Path("DIR").c_str(), opened, sizeof opened);
    EXPECT_GE(h, 0);
    plat::LzClose(h);
    EXPECT_TRUE(tm::Exists(tm::Path("DIR._")));
    std::string name = opened;
    EXPECT_EQ("DIR._", name.substr(name.size() < 5 ? 0 : name.size() - 5)) << opened;
    h = plat::LzCreate(tm::Path("NEW.TXT").c_str(), opened, sizeof opened);
    EXPECT_GE(h, 0);
    plat::LzClose(h);
    EXPECT_EQ(0, text::CompareNoCase(tm::Path("NEW.TXT").c_str(), opened)) << opened;
}

TEST(Lz, CreateReplacesALongerFile) {
    tm::Reset();
    ASSERT_TRUE(tm::WriteFile(tm::Path("OLD.TXT"), std::string(10000, 'o')));
    ASSERT_TRUE(tm::WriteFile(tm::Path("NEW.SZ"), Fixture("T4095.SZ")));
    CopyResult got = CopyOne(tm::Path("NEW.SZ"), tm::Path("OLD.TXT"));
    EXPECT_EQ(4095, got.copied);
    EXPECT_TRUE(Fixture("T4095.BIN") == got.bytes) << got.bytes.size() << " bytes";
}

// lz32 keeps at most 16 expansion states: a 17th compressed file opens as a
// plain one and its copy writes nothing. Closing frees the states again.
TEST(Lz, SixteenCompressedFilesOpenAtOnce) {
    tm::Reset();
    ASSERT_TRUE(tm::WriteFile(tm::Path("T.SZ"), Fixture("TEXT.SZ")));
    const int kOpen = 18;
    std::vector<int> src, dst;
    for (int i = 0; i < kOpen; i++) {
        src.push_back(plat::LzOpenRead(tm::Path("T.SZ").c_str()));
        char opened[256];
        dst.push_back(
            plat::LzCreate(tm::Path("OUT" + std::to_string(i)).c_str(), opened, sizeof opened));
        ASSERT_GE(src.back(), 0) << "file " << i;
        ASSERT_GE(dst.back(), 0) << "file " << i;
    }
    for (int i = 0; i < kOpen; i++) {
        long expected = i < 16 ? 7000 : 0;
        EXPECT_EQ(expected, plat::LzCopy(src[i], dst[i])) << "file " << i;
    }
    EXPECT_EQ(0, plat::LzCopy(src[0], dst[0])) << "an expanding handle is read once";
    for (int i = 0; i < kOpen; i++) {
        plat::LzClose(src[i]);
        plat::LzClose(dst[i]);
    }
    for (int i = 0; i < kOpen; i++) {
        std::string bytes;
        tm::ReadFile(tm::Path("OUT" + std::to_string(i)), &bytes);
        EXPECT_EQ(i < 16 ? 7000u : 0u, bytes.size()) << "file " << i;
    }
    CopyResult again = CopyOne(tm::Path("T.SZ"), tm::Path("AGAIN"));
    EXPECT_EQ(7000, again.copied) << "closing freed the states";
}

}  // namespace
