// The file calls' contract, the same on the POSIX stand-ins and on Win32.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/raw_file.h"
#include "support/test_machine.h"

namespace {

std::string P(const std::string& relative) {
    return testing_machine::Path(relative);
}

std::string Contents(const std::string& path) {
    std::string bytes;
    return testing_machine::ReadFile(path, &bytes) ? bytes : std::string("<missing>");
}

}  // namespace

TEST(Files, DirCreateMakesTheLastComponentOnly) {
    testing_machine::Reset();
    EXPECT_EQ(1, plat::DirCreate(P("NEW").c_str()));
    EXPECT_EQ(plat::kAttrDirectory, plat::FileAttributes(P("NEW").c_str()) & plat::kAttrDirectory);
    // An existing directory is a failure, in any letter case.
    EXPECT_EQ(0, plat::DirCreate(P("NEW").c_str()));
    EXPECT_EQ(0, plat::DirCreate(P("new").c_str()));
    // A missing parent is not made.
    EXPECT_EQ(0, plat::DirCreate(P("A\\B").c_str()));
    EXPECT_FALSE(testing_machine::Exists(P("A")));
    // A file in the way.
    ASSERT_TRUE(testing_machine::WriteFile(P("FILE"), "x"));
    EXPECT_EQ(0, plat::DirCreate(P("FILE").c_str()));
}

// ".." climbs one folder, out of a folder right below the drive too: the
// scratch root is C:\TOP\N, so C:\TOP\..\TOP\N is the root again.
TEST(Files, DotDotClimbsOneFolder) {
    const std::string root = testing_machine::Reset();
    ASSERT_TRUE(testing_machine::WriteFile(P("SUB\\F.TXT"), "x"));
    const std::string top = root.substr(0, root.find('\\', 3));
    const std::string rows[] = {
        top + "\\..\\" + root.substr(3) + "\\SUB\\F.TXT",
        root + "\\SUB\\..\\SUB\\F.TXT",
        root + "\\SUB\\.\\F.TXT",
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        EXPECT_NE(plat::kInvalidAttributes, plat::FileAttributes(rows[i].c_str()))
            << "row " << i << ": " << rows[i];
    }
}

TEST(Files, Attributes) {
    testing_machine::Reset();
    ASSERT_TRUE(testing_machine::WriteFile(P("DIR\\F.TXT"), "x"));
    struct Row {
        std::string path;
        bool valid;
        bool directory;
    } rows[] = {
        {P("DIR"), true, true},            // 0
        {P("DIR\\F.TXT"), true, false},    // 1
        {P("dir\\f.txt"), true, false},    // 2: case-blind
        {P("DIR\\NONE"), false, false},    // 3
        {P("NONE\\F.TXT"), false, false},  // 4
        {"C:\\", true, true},              // 5: a drive's root
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        uint32_t a = plat::FileAttributes(rows[i].path.c_str());
        EXPECT_EQ(rows[i].valid, a != plat::kInvalidAttributes) << "row " << i;
        if (rows[i].valid) {
            EXPECT_EQ(rows[i].directory, (a & plat::kAttrDirectory) != 0) << "row " << i;
        }
    }
}

TEST(Files, RenameNeverReplaces) {
    struct Row {
        const char* from;
        const char* to;
        int result;
        const char* a;  // contents of A.TXT afterwards
        const char* b;  // contents of B.TXT
    } rows[] = {
        {"A.TXT", "B.TXT", 0, "old", "new"},             // 0: target exists: nothing changes
        {"A.TXT", "b.txt", 0, "old", "new"},             // 1: ... in another letter case too
        {"NONE.TXT", "C.TXT", 0, "old", "new"},          // 2: source missing
        {"a.txt", "C.TXT", 1, "<missing>", "new"},       // 3: case-blind source
        {"B.TXT", "SUB\\B.TXT", 1, "old", "<missing>"},  // 4: into another directory
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        testing_machine::Reset();
        ASSERT_TRUE(testing_machine::WriteFile(P("A.TXT"), "old"));
        ASSERT_TRUE(testing_machine::WriteFile(P("B.TXT"), "new"));
        ASSERT_TRUE(testing_machine::MakeDirs(P("SUB")));
        EXPECT_EQ(rows[i].result, plat::FileRename(P(rows[i].from).c_str(), P(rows[i].to).c_str()))
            << "row " << i;
        EXPECT_EQ(rows[i].a, Contents(P("A.TXT"))) << "row " << i;
        EXPECT_EQ(rows[i].b, Contents(P("B.TXT"))) << "row " << i;
        if (rows[i].result == 1) {
            EXPECT_TRUE(testing_machine::Exists(P(rows[i].to))) << "row " << i;
        }
    }
}

TEST(Files, DeleteRemovesFilesOnly) {
    testing_machine::Reset();
    ASSERT_TRUE(testing_machine::WriteFile(P("GONE.TXT"), "x"));
    ASSERT_TRUE(testing_machine::MakeDirs(P("DIR")));
    EXPECT_EQ(1, plat::FileDelete(P("gone.TXT").c_str()));
    EXPECT_FALSE(testing_machine::Exists(P("GONE.TXT")));
    EXPECT_EQ(0, plat::FileDelete(P("GONE.TXT").c_str()));
    EXPECT_EQ(0, plat::FileDelete(P("DIR").c_str()));
    EXPECT_TRUE(testing_machine::Exists(P("DIR")));
}

TEST(Files, RawReadWriteSeek) {
    testing_machine::Reset();
    std::string path = P("RAW.BIN");
    plat::File f = plat::FileCreate(path.c_str());
    ASSERT_NE(nullptr, f);
    std::string data(10000, '\0');
    for (size_t i = 0; i < data.size(); i++) {
        data[i] = static_cast<char>(i * 7);
    }
    EXPECT_EQ(1, plat::FileWrite(f, data.data(), static_cast<uint32_t>(data.size())));
    EXPECT_EQ(1, plat::FileSeek(f, 2));
    EXPECT_EQ(1, plat::FileWrite(f, "\r\n", 2));  // no text-mode change here
    EXPECT_EQ(1, plat::FileClose(f));
    data[2] = '\r';
    data[3] = '\n';
    EXPECT_TRUE(data == Contents(path));

    f = plat::FileOpenRead(P("raw.bin").c_str());
    ASSERT_NE(nullptr, f);
    char buf[6000];
    uint32_t got = 0;
    EXPECT_EQ(1, plat::FileRead(f, buf, sizeof buf, &got));
    EXPECT_EQ(6000u, got);
    EXPECT_EQ(1, plat::FileRead(f, buf, sizeof buf, &got));
    EXPECT_EQ(4000u, got);
    EXPECT_EQ(data.substr(6000), std::string(buf, got));
    EXPECT_EQ(1, plat::FileRead(f, buf, sizeof buf, &got));
    EXPECT_EQ(0u, got);  // the end
    EXPECT_EQ(1, plat::FileSeek(f, 9998));
    EXPECT_EQ(1, plat::FileRead(f, buf, sizeof buf, &got));
    EXPECT_EQ(2u, got);
    EXPECT_EQ(1, plat::FileClose(f));

    // Opening for writing keeps the contents; only a handle for writing flushes.
    f = plat::FileOpenWrite(path.c_str());
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(1, plat::FileWrite(f, "\1", 1));
    EXPECT_EQ(1, plat::FileFlush(f));
    EXPECT_EQ(1, plat::FileClose(f));
    data[0] = '\1';
    EXPECT_TRUE(data == Contents(path));
    f = plat::FileOpenRead(path.c_str());
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(0, plat::FileFlush(f));
    EXPECT_EQ(1, plat::FileClose(f));

    // Creating again empties the file.
    f = plat::FileCreate(path.c_str());
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(1, plat::FileClose(f));
    EXPECT_EQ("", Contents(path));

    EXPECT_EQ(nullptr, plat::FileOpenRead(P("NONE.BIN").c_str()));
    EXPECT_EQ(nullptr, plat::FileOpenWrite(P("NONE.BIN").c_str()));
    EXPECT_EQ(nullptr, plat::FileCreate(P("NODIR\\X.BIN").c_str()));
    EXPECT_EQ(nullptr, plat::FileOpenRead(P("").c_str()));  // a directory is no file
}

// The line reader flags, per line, the caller's words it holds, wherever
// they end (across a buffer read too), letter case counting; a word longer
// than the reader's window is never found.
TEST(Files, LineReaderFlagsTheWordsItIsGiven) {
    const std::string across = std::string(fileio::kRawBuffer - 3, 'x') + "mouse";
    struct Row {
        std::string text;
        const char* words;
        std::vector<uint32_t> holds;  // per line
    } rows[] = {
        {"[386Enh]\r\nmouse=x\r\n", "[386Enh]\0mouse\0", {1, 2}},    // 0
        {"a mouse [386Enh]\nMOUSE\n", "[386Enh]\0mouse\0", {3, 0}},  // 1
        {"one two\nthree", "three\0two\0one\0", {6, 1}},             // 2: no last line end
        {across + "\n", "mouse\0", {1}},                             // 3
        {"longerword\n", "longerwor\0word\0", {2}},                  // 4
        {"mouse\n", nullptr, {0}},                                   // 5: no words
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        testing_machine::Reset();
        ASSERT_TRUE(testing_machine::WriteFile(P("LINES.TXT"), rows[i].text));
        static fileio::RawFile f;
        static fileio::LineFacts line;
        ASSERT_EQ(1, fileio::RawOpenRead(&f, P("LINES.TXT").c_str())) << "row " << i;
        for (size_t k = 0; k < rows[i].holds.size(); k++) {
            ASSERT_EQ(1, fileio::RawNextLine(&f, &line, rows[i].words)) << "row " << i;
            EXPECT_EQ(rows[i].holds[k], line.holds) << "row " << i << ", line " << k;
        }
        EXPECT_EQ(0, fileio::RawNextLine(&f, &line, rows[i].words)) << "row " << i;
        EXPECT_EQ(1, fileio::RawClose(&f)) << "row " << i;
    }
}

TEST(Files, DiskFreeSpaceOfDriveC) {
    testing_machine::Reset();
    uint32_t spc = 0, bps = 0, freeClusters = 0, total = 0;
    ASSERT_EQ(1, plat::DiskFreeSpace("C:\\", &spc, &bps, &freeClusters, &total));
    EXPECT_GT(spc, 0u);
    EXPECT_GT(bps, 0u);
    EXPECT_LE(freeClusters, total);
    // Windows 98 never reports more than 2 GiB through this call.
    EXPECT_LE(uint64_t{spc} * bps * freeClusters, uint64_t{1} << 31);
    EXPECT_EQ(0, plat::DiskFreeSpace("Q:\\", &spc, &bps, &freeClusters, &total));
}
