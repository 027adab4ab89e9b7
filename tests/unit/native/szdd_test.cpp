// The SZDD decoder itself (native only: it is the POSIX stand-in for lz32),
// against the plain reference expander, with the input handed over in
// pieces of every awkward size so the refill and flush paths are reached.
#include "szdd/szdd.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/lz.h"
#include "platform/posix/machine.h"
#include "support/szdd_reference.h"
#include "support/test_machine.h"

namespace {

std::string ExpandInPieces(const std::string& body, size_t piece) {
    static szdd::Decoder decoder;
    std::vector<uint8_t> out(body.size() * 9 + 64);
    uint64_t n = szdd::ExpandMemory(&decoder, reinterpret_cast<const uint8_t*>(body.data()),
                                    body.size(), piece, out.data(), out.size());
    EXPECT_LE(n, out.size());
    return std::string(reinterpret_cast<const char*>(out.data()), static_cast<size_t>(n));
}

TEST(Szdd, ClassifiesHeaders) {
    std::string a = szdd_reference::Header(5);
    std::string b = szdd_reference::Header(5, 'B');
    std::string kwaj = "KWAJ\x88\xF0\x27\xD1\0\0\0\0\0\0";
    struct Row {
        std::string head;
        szdd::Format expected;
    } rows[] = {
        {a, szdd::Format::Compressed},           // 1
        {b, szdd::Format::UnknownMode},          // 2
        {a.substr(0, 13), szdd::Format::Plain},  // 3 one byte short
        {kwaj, szdd::Format::Plain},             // 4
        {"", szdd::Format::Plain},               // 5
    };
    int row = 0;
    for (const Row& r : rows) {
        row++;
        szdd::Format got = szdd::Classify(reinterpret_cast<const uint8_t*>(r.head.data()),
                                          static_cast<uint32_t>(r.head.size()));
        EXPECT_EQ(static_cast<int>(r.expected), static_cast<int>(got)) << "row " << row;
    }
}

TEST(Szdd, PiecesOfAnySizeGiveTheSameOutput) {
    std::mt19937 rng(11);
    const size_t pieces[] = {0, 1, 2, 3, 16, 17, 18, 4095, 65535};
    for (int stream = 0; stream < 6; stream++) {
        szdd_reference::Writer w;
        uint32_t pos = 0xFF0;
        size_t target = stream < 3 ? 300 + stream * 7 : 70000 + stream * 1000;
        while (w.Size() < target) {
            uint32_t pick = rng() % 4;
            if (pick == 0) {
                w.Literal(static_cast<char>(rng()));
                pos++;
            } else {
                uint32_t len = 3 + rng() % 16;
                // Near (overlapping), far, and anywhere in the window.
                uint32_t back = pick == 1 ? 1 + rng() % 8 : pick == 2 ? 8 + rng() % 64 : rng();
                w.Match((pos - back) & 0xFFF, len);
                pos += len;
            }
        }
        std::string body = w.Bytes();
        std::string expected = szdd_reference::Expand(body);
        for (size_t piece : pieces) {
            std::string got = ExpandInPieces(body, piece);
            EXPECT_TRUE(expected == got) << "stream " << stream << " piece " << piece << ": got "
                                         << got.size() << " bytes, expected " << expected.size();
        }
        // Every cut of the stream's last bytes stops where the reference stops.
        for (size_t cut = 1; cut <= 20 && cut <= body.size(); cut++) {
            std::string shorter = body.substr(0, body.size() - cut);
            EXPECT_TRUE(szdd_reference::Expand(shorter) == ExpandInPieces(shorter, 5))
                << "stream " << stream << " cut " << cut;
        }
    }
}

// Only matches of the longest length: nine output bytes per input byte,
// so the output buffer is flushed many times per input buffer.
TEST(Szdd, HighlyExpandingStreamCrossesFlushes) {
    szdd_reference::Writer w;
    w.Literal('q');
    uint32_t pos = 0xFF1;
    for (int i = 0; i < 60000; i++) {
        w.Match((pos - 1 - (i % 4096)) & 0xFFF, 18);
        pos += 18;
    }
    std::string body = w.Bytes();
    std::string expected = szdd_reference::Expand(body);
    ASSERT_EQ(1u + 60000u * 18u, expected.size());
    EXPECT_TRUE(expected == ExpandInPieces(body, 0));
    EXPECT_TRUE(expected == ExpandInPieces(body, 1000));
}

TEST(Szdd, WriteFailureIsReported) {
    szdd::Decoder* decoder = new szdd::Decoder;
    std::string body(40, '\xFF');  // groups of eight literals: output to write
    szdd::Stream s = {[](void* c, uint8_t* buf, uint32_t size, uint32_t* got) {
                          std::string* in = static_cast<std::string*>(c);
                          uint32_t n = size < in->size() ? size : static_cast<uint32_t>(in->size());
                          in->copy(reinterpret_cast<char*>(buf), n);
                          in->erase(0, n);
                          *got = n;
                          return 1;
                      },
                      [](void*, const uint8_t*, uint32_t) { return 0; }, &body};
    EXPECT_EQ(szdd::kWriteFailed, szdd::Expand(decoder, s));
    delete decoder;
}

TEST(LzNative, InjectedFaultsFailTheOpen) {
    testing_machine::Reset();
    std::string src = testing_machine::Path("A.TXT");
    std::string dst = testing_machine::Path("B.TXT");
    ASSERT_TRUE(testing_machine::WriteFile(src, "plain"));
    plat::posix::InjectFault(plat::posix::Op::LzOpenRead, "a.txt", 0, 1);
    EXPECT_LT(plat::LzOpenRead(src.c_str()), 0);
    int h = plat::LzOpenRead(src.c_str());
    EXPECT_GE(h, 0) << "one failure only";
    plat::posix::InjectFault(plat::posix::Op::LzCreate, "B.TXT");
    char opened[64];
    EXPECT_LT(plat::LzCreate(dst.c_str(), opened, sizeof opened), 0);
    EXPECT_FALSE(testing_machine::Exists(dst));
    plat::LzClose(h);
}

}  // namespace
