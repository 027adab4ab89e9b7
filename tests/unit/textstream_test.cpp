// Text streams over real files on both backends.
#include "platform/textstream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_machine.h"

namespace {

// Every line TextReadLine gives with lines of at most size - 1 characters.
std::vector<std::string> ReadAll(const std::string& path, uint32_t size) {
    std::vector<std::string> lines;
    TextStream stream;
    if (!TextOpenRead(&stream, path.c_str())) {
        lines.push_back("<open failed>");
        return lines;
    }
    std::vector<char> line(size + 1, '#');
    while (uint32_t n = TextReadLine(&stream, line.data(), size)) {
        EXPECT_EQ(n, std::string(line.data()).size());
        lines.push_back(std::string(line.data(), n));
        if (lines.size() > 100000) {
            break;  // a stream that never ends
        }
    }
    EXPECT_EQ(1, TextClose(&stream));
    return lines;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& l : lines) {
        all += "[" + l + "]";
    }
    return all;
}

}  // namespace

TEST(TextStream, ReadsWithTextModeRules) {
    struct Row {
        std::string bytes;
        uint32_t size;
        std::vector<std::string> lines;
    } rows[] = {
        // 0: CR LF reads as LF.
        {"a\r\nb\r\n", 80, {"a\n", "b\n"}},
        // 1: a lone CR stays, a bare LF stays.
        {"a\rb\nc\n", 80, {"a\rb\n", "c\n"}},
        // 2: a CR at the very end stays.
        {"a\r", 80, {"a\r"}},
        // 3: Ctrl-Z ends the input, even mid-line.
        {"abc\x1A"
         "def\r\n",
         80,
         {"abc"}},
        // 4: CR CR LF: the first CR stays.
        {"\r\r\n", 80, {"\r\n"}},
        // 5: the last line needs no line end.
        {"x\r\ny", 80, {"x\n", "y"}},
        // 6: an empty file has no lines.
        {"", 80, {}},
        // 7: a long line comes in pieces of size - 1 characters.
        {"abcdef\r\ngh\r\n", 4, {"abc", "def", "\n", "gh\n"}},
        // 8: a CR LF counts as one character when the line is cut.
        {"ab\r\ncd", 4, {"ab\n", "cd"}},
        // 9: Ctrl-Z at the start of a line after full lines.
        {"one\r\n\x1A\r\ntwo\r\n", 80, {"one\n"}},
        // 10: empty lines are lines.
        {"blank lines\r\n\r\n\r\nend", 80, {"blank lines\n", "\n", "\n", "end"}},
    };
    testing_machine::Reset();
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        std::string path = testing_machine::Path("row" + std::to_string(i) + ".txt");
        ASSERT_TRUE(testing_machine::WriteFile(path, rows[i].bytes)) << "row " << i;
        EXPECT_EQ(Join(rows[i].lines), Join(ReadAll(path, rows[i].size))) << "row " << i;
    }
}

TEST(TextStream, CrLfSplitAcrossBufferReads) {
    // Lines of every length from 0 to 300 put a CR LF across each buffer
    // boundary at some point; a lone CR now and then too.
    std::string bytes;
    std::string expected;
    for (int len = 0; len <= 300; len++) {
        std::string body(static_cast<size_t>(len), static_cast<char>('a' + len % 26));
        if (len % 7 == 3) {
            body[static_cast<size_t>(len) / 2] = '\r';
        }
        bytes += body + "\r\n";
        expected += body + "\n";
    }
    // And a CR LF exactly on the first boundary, then a lone CR on the second.
    std::string edge(kTextStreamBuffer - 1, 'x');
    std::string edgeBytes = edge + "\r\n" + std::string(kTextStreamBuffer - 2, 'y') + "\rz\r\n";
    std::string edgeExpected = edge + "\n" + std::string(kTextStreamBuffer - 2, 'y') + "\rz\n";

    testing_machine::Reset();
    struct Row {
        std::string bytes, expected;
    } rows[] = {{bytes, expected}, {edgeBytes, edgeExpected}};
    for (size_t i = 0; i < 2; i++) {
        std::string path = testing_machine::Path("split.txt");
        ASSERT_TRUE(testing_machine::WriteFile(path, rows[i].bytes));
        std::string got;
        for (const std::string& line : ReadAll(path, 10000)) {
            got += line;
        }
        EXPECT_EQ(rows[i].expected.size(), got.size()) << "row " << i;
        EXPECT_TRUE(rows[i].expected == got) << "row " << i;
    }
}

TEST(TextStream, TellAndSeekRereadALine) {
    testing_machine::Reset();
    std::string path = testing_machine::Path("seek.txt");
    std::string bytes;
    for (int i = 0; i < 1500; i++) {
        bytes += "line " + std::to_string(i) + "\r\n";  // several buffers' worth
    }
    ASSERT_TRUE(testing_machine::WriteFile(path, bytes));

    TextStream stream;
    ASSERT_EQ(1, TextOpenRead(&stream, path.c_str()));
    std::vector<uint32_t> offsets;
    std::vector<std::string> lines;
    char line[64];
    for (;;) {
        uint32_t at = TextTell(&stream);
        if (TextReadLine(&stream, line, sizeof line) == 0) {
            break;
        }
        offsets.push_back(at);
        lines.push_back(line);
    }
    ASSERT_EQ(1500u, lines.size());
    // The offset is the file's: "line 0\r\n" is 8 bytes.
    EXPECT_EQ(8u, offsets[1]);
    for (size_t i : {size_t{1499}, size_t{0}, size_t{700}, size_t{455}, size_t{456}}) {
        ASSERT_EQ(1, TextSeek(&stream, offsets[i])) << "line " << i;
        ASSERT_NE(0u, TextReadLine(&stream, line, sizeof line)) << "line " << i;
        EXPECT_EQ(lines[i], line) << "line " << i;
        if (i + 1 < lines.size()) {
            EXPECT_EQ(offsets[i + 1], TextTell(&stream)) << "line " << i;
        }
    }
    EXPECT_EQ(1, TextClose(&stream));
}

TEST(TextStream, WritesCrLfAcrossBuffers) {
    testing_machine::Reset();
    std::string path = testing_machine::Path("out.txt");
    TextStream stream;
    ASSERT_EQ(1, TextOpenWrite(&stream, path.c_str()));
    std::string expected;
    for (int i = 0; i < 3000; i++) {
        std::string text = "[section" + std::to_string(i) + "]\nkey=value\n";
        ASSERT_EQ(1, TextWrite(&stream, text.c_str()));
        expected += "[section" + std::to_string(i) + "]\r\nkey=value\r\n";
    }
    ASSERT_EQ(1, TextWrite(&stream, "no line end, lone \r"));
    expected += "no line end, lone \r";
    EXPECT_EQ(1, TextClose(&stream));
    std::string got;
    ASSERT_TRUE(testing_machine::ReadFile(path, &got));
    EXPECT_EQ(expected.size(), got.size());
    EXPECT_TRUE(expected == got);

    // What was written reads back as written.
    std::vector<std::string> lines = ReadAll(path, 256);
    ASSERT_EQ(6001u, lines.size());
    EXPECT_EQ("key=value\n", lines[5999]);
}

TEST(TextStream, OpeningWhatIsNotThereFails) {
    testing_machine::Reset();
    TextStream stream;
    EXPECT_EQ(0, TextOpenRead(&stream, testing_machine::Path("missing.txt").c_str()));
    EXPECT_EQ(0, TextOpenWrite(&stream, testing_machine::Path("no\\such\\dir.txt").c_str()));
}
