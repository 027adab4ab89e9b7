// The private-profile rules, one table run on both backends: natively on the
// POSIX stand-in and cross-built under Wine on the real kernel32 calls. The
// expected answers are what Wine gives; the stand-in must agree row by row.
#include <gtest/gtest.h>
#include <stdint.h>

#include <cstring>
#include <string>

#include "platform/profile.h"
#include "support/test_machine.h"

namespace {

namespace tm = testing_machine;

const char kScript[] =
    "; leading comment\r\n"
    "[Main]\r\n"
    "Name=Value\r\n"
    "  Spaced Key  =   spaced value   \r\n"
    "dq=\"quoted\"\r\n"
    "sq='single'\r\n"
    "dqhalf=\"open\r\n"
    "mixq=\"a'\r\n"
    "dqinner=\"a\"b\"\r\n"
    "dqspace=  \"  in  \"  \r\n"
    "dqonly=\"\r\n"
    "dqtwo=\"\"\r\n"
    "empty=\r\n"
    "nolinekey\r\n"
    ";comment=hidden\r\n"
    "num1=12abc\r\n"
    "num2=-5\r\n"
    "num3= 7\r\n"
    "num4=0x10\r\n"
    "num5=0X10\r\n"
    "num6=\r\n"
    "num7=abc\r\n"
    "num8=+9\r\n"
    "num9=2147483648\r\n"
    "num10=99999999999\r\n"
    "num11=010\r\n"
    "num12=\"42\"\r\n"
    "num13=- 3\r\n"
    "num14=\t8\r\n"
    "dup=first\r\n"
    "dup=second\r\n"
    "long=0123456789\r\n"
    "eqin=a=b\r\n"
    "tab\t=\ttabbed\t\r\n"
    "\r\n"
    "[ Spaced ]\r\n"
    "k=v\r\n"
    "[main]\r\n"
    "dup2=fromsecond\r\n"
    "dup=third\r\n"
    "[Empty]\r\n"
    "  [Indented]  \r\n"
    "k=ind\r\n"
    "[Brk]x\r\n"
    "k=brk\r\n"
    "[NoClose\r\n"
    "k2=v2\r\n"
    "[LF]\nlf1=a\nlf2=b\n"
    "[Last]\r\n"
    "last=end";

std::string ScriptPath() {
    return tm::Path("rules.ini");
}

TEST(ProfileRules, ReadStringTable) {
    tm::Reset();
    ASSERT_TRUE(tm::WriteFile(ScriptPath(), kScript));
    struct Row {
        const char* section;
        const char* key;
        const char* def;
        uint32_t size;
        uint32_t ret;
        const char* expected;
    } rows[] = {
        /* 0 */ {"Main", "Name", "d", 256, 5, "Value"},
        /* 1 */ {"MAIN", "NAME", "d", 256, 5, "Value"},
        /* 2 */ {" Main ", " Name ", "d", 256, 5, "Value"},
        /* 3 */ {"Main", "spaced key", "d", 256, 12, "spaced value"},
        /* 4 */ {"Main", "dq", "d", 256, 6, "quoted"},
        /* 5 */ {"Main", "sq", "d", 256, 6, "single"},
        /* 6 */ {"Main", "dqhalf", "d", 256, 5, "\"open"},
        /* 7 */ {"Main", "mixq", "d", 256, 3, "\"a'"},
        /* 8 */ {"Main", "dqinner", "d", 256, 3, "a\"b"},
        /* 9 */ {"Main", "dqspace", "d", 256, 6, "  in  "},
        /* 10 */ {"Main", "dqonly", "d", 256, 1, "\""},
        /* 11 */ {"Main", "dqtwo", "d", 256, 0, ""},
        // Quotes and the reading limit: the closing quote is taken off the
        // copied text, so a value that only just fits loses a character.
        /* 12 */ {"Main", "dq", "d", 4, 3, "quo"},
        /* 13 */ {"Main", "dq", "d", 6, 5, "quote"},
        /* 14 */ {"Main", "dq", "d", 7, 5, "quote"},
        /* 15 */ {"Main", "dq", "d", 8, 6, "quoted"},
        /* 16 */ {"Main", "empty", "d", 256, 0, ""},
        /* 17 */ {"Main", "nolinekey", "d", 256, 1, "d"},
        /* 18 */ {"Main", ";comment", "d", 256, 6, "hidden"},
        /* 19 */ {"Main", "comment", "d", 256, 1, "d"},
        /* 20 */ {"Main", "dup", "d", 256, 5, "first"},
        /* 21 */ {"Main", "dup2", "d", 256, 1, "d"},
        /* 22 */ {"Main", "long", "d", 5, 4, "0123"},
        /* 23 */ {"Main", "long", "d", 10, 9, "012345678"},
        /* 24 */ {"Main", "long", "d", 11, 10, "0123456789"},
        /* 25 */ {"Main", "long", "d", 1, 0, ""},
        /* 26 */ {"Main", "eqin", "d", 256, 3, "a=b"},
        /* 27 */ {"Main", "tab", "d", 256, 6, "tabbed"},
        /* 28 */ {"Main", "missing", "dflt", 256, 4, "dflt"},
        /* 29 */ {"Main", "missing", "dflt  ", 256, 4, "dflt"},
        /* 30 */ {"Main", "missing", "  dflt", 256, 6, "  dflt"},
        /* 31 */ {"Main", "missing", "\"qd\"", 256, 2, "qd"},
        /* 32 */ {"Main", "missing", "longdefault", 5, 4, "long"},
        /* 33 */ {"Main", "missing", nullptr, 256, 0, ""},
        /* 34 */ {"Missing", "k", "d", 256, 1, "d"},
        /* 35 */ {"Spaced", "k", "d", 256, 1, "v"},
        /* 36 */ {"Empty", "k", "d", 256, 1, "d"},
        /* 37 */ {"Indented", "k", "d", 256, 3, "ind"},
        /* 38 */ {"Brk", "k", "d", 256, 3, "brk"},
        /* 39 */ {"NoClose", "k2", "d", 256, 1, "d"},
        /* 40 */ {"Brk", "k2", "d", 256, 2, "v2"},
        /* 41 */ {"LF", "lf2", "d", 256, 1, "b"},
        /* 42 */ {"Last", "last", "d", 256, 3, "end"},
    };
    std::string path = ScriptPath();
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        const Row& r = rows[i];
        char buf[300];
        memset(buf, '#', sizeof buf);
        uint32_t ret = plat::ProfileGetString(r.section, r.key, r.def, buf, r.size, path.c_str());
        EXPECT_EQ(r.ret, ret) << "row " << i << " [" << r.section << "] " << r.key;
        EXPECT_EQ(std::string(r.expected), std::string(buf))
            << "row " << i << " [" << r.section << "] " << r.key;
    }
    // Size 0: nothing is written, not even the terminator.
    char untouched[4] = {'x', 'x', 'x', 0};
    EXPECT_EQ(0u, plat::ProfileGetString("Main", "Name", "d", untouched, 0, path.c_str()));
    EXPECT_STREQ("xxx", untouched);
}

TEST(ProfileRules, ReadIntTable) {
    tm::Reset();
    ASSERT_TRUE(tm::WriteFile(ScriptPath(), kScript));
    struct Row {
        const char* key;
        int32_t def;
        uint32_t expected;
    } rows[] = {
        /* 0 */ {"num1", 55, 12},
        /* 1 */ {"num2", 55, static_cast<uint32_t>(-5)},
        /* 2 */ {"num3", 55, 7},
        /* 3 */ {"num4", 55, 16},  // a lower-case 0x prefix reads as hexadecimal
        /* 4 */ {"num5", 55, 0},
        /* 5 */ {"num6", 55, 55},  // present but empty: the default
        /* 6 */ {"num7", 55, 0},
        /* 7 */ {"num8", 55, 9},
        /* 8 */ {"num9", 55, 2147483648u},
        /* 9 */ {"num10", 55, 1215752191u},  // 99999999999 wraps at 32 bits
        /* 10 */ {"num11", 55, 10},
        /* 11 */ {"num12", 55, 42},
        /* 12 */ {"num13", 55, 0},
        /* 13 */ {"num14", 55, 8},
        /* 14 */ {"missing", 55, 55},
        /* 15 */ {"missing", -3, static_cast<uint32_t>(-3)},
        /* 16 */ {"Name", 55, 0},
        /* 17 */ {"nolinekey", 55, 55},
    };
    std::string path = ScriptPath();
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        uint32_t got = plat::ProfileGetInt("Main", rows[i].key, rows[i].def, path.c_str());
        EXPECT_EQ(rows[i].expected, got) << "row " << i << " key " << rows[i].key;
    }
}

TEST(ProfileRules, MissingFileGivesDefaults) {
    tm::Reset();
    std::string path = tm::Path("none.ini");
    char buf[16];
    EXPECT_EQ(1u, plat::ProfileGetString("Main", "Name", "d", buf, sizeof buf, path.c_str()));
    EXPECT_STREQ("d", buf);
    EXPECT_EQ(77u, plat::ProfileGetInt("Main", "Name", 77, path.c_str()));
    EXPECT_FALSE(tm::Exists(path));
}

// One write into a file, and the whole file afterwards.
struct WriteStep {
    const char* section;
    const char* key;
    const char* value;
    int ret;
    const char* file;  // the file's bytes afterwards; null: no file
};

void RunWrites(const char* initial, const WriteStep* steps, size_t count, int line) {
    static int serial = 0;
    std::string path = tm::Path("w" + std::to_string(++serial) + ".ini");
    if (initial != nullptr) {
        ASSERT_TRUE(tm::WriteFile(path, initial)) << "table at line " << line;
    }
    for (size_t i = 0; i < count; i++) {
        const WriteStep& s = steps[i];
        int ret = plat::ProfileWriteString(s.section, s.key, s.value, path.c_str());
        EXPECT_EQ(s.ret, ret) << "table at line " << line << ", step " << i;
        std::string bytes;
        if (s.file == nullptr) {
            EXPECT_FALSE(tm::Exists(path)) << "table at line " << line << ", step " << i;
        } else {
            EXPECT_TRUE(tm::ReadFile(path, &bytes)) << "table at line " << line << ", step " << i;
            EXPECT_EQ(std::string(s.file), bytes) << "table at line " << line << ", step " << i;
        }
    }
}

TEST(ProfileRules, WritesRewriteTheFile) {
    tm::Reset();
    const WriteStep existing[] = {
        // The whole file is written back: blank lines go, blanks around '='
        // go, comments and lines without '=' stay.
        {"A", "k", "9", 1, "; top\r\n[A]\r\nk=9\r\nspaced=2\r\n;c\r\nnoeq\r\n[B]\r\nx=3\r\n"},
        {"a", "K", "10", 1, "; top\r\n[A]\r\nk=10\r\nspaced=2\r\n;c\r\nnoeq\r\n[B]\r\nx=3\r\n"},
        {"A", "new", "n", 1,
         "; top\r\n[A]\r\nk=10\r\nspaced=2\r\n;c\r\nnoeq\r\nnew=n\r\n[B]\r\nx=3\r\n"},
        {"C", "c1", "v", 1,
         "; "
         "top\r\n[A]\r\nk=10\r\nspaced=2\r\n;c\r\nnoeq\r\nnew=n\r\n[B]\r\nx=3\r\n[C]\r\nc1=v\r\n"},
        {"B", "x", nullptr, 1,
         "; top\r\n[A]\r\nk=10\r\nspaced=2\r\n;c\r\nnoeq\r\nnew=n\r\n[B]\r\n[C]\r\nc1=v\r\n"},
        {"C", nullptr, nullptr, 1,
         "; top\r\n[A]\r\nk=10\r\nspaced=2\r\n;c\r\nnoeq\r\nnew=n\r\n[B]\r\n"},
        {"A", "k", "", 1, "; top\r\n[A]\r\nk=\r\nspaced=2\r\n;c\r\nnoeq\r\nnew=n\r\n[B]\r\n"},
    };
    RunWrites("; top\r\n[A]\r\nk=1\r\n  spaced  =  2  \r\n\r\n;c\r\nnoeq\r\n[B]\r\nx=3\r\n",
              existing, sizeof existing / sizeof existing[0], __LINE__);

    const WriteStep leadingBlanks[] = {
        // Leading blanks of a value are dropped, trailing ones written.
        {"D", "d1", "  lead and trail  ", 1, "[D]\r\nd1=lead and trail  \r\n"},
        {"D", "d2", "\"quoted\"", 1, "[D]\r\nd1=lead and trail\r\nd2=\"quoted\"\r\n"},
    };
    RunWrites(nullptr, leadingBlanks, 2, __LINE__);

    // Line feeds alone and a missing last line end come back as CR LF.
    const WriteStep lineFeeds[] = {{"B", "y", "4", 1, "[A]\r\nk=1\r\n[B]\r\nx=3\r\ny=4\r\n"}};
    RunWrites("[A]\nk=1\n\n[B]\nx=3", lineFeeds, 1, __LINE__);

    // A new section goes at the end, without a blank line before it.
    const WriteStep newSection[] = {{"Z", "z", "4", 1, "[A]\r\nk=1\r\n[Z]\r\nz=4\r\n"}};
    RunWrites("[A]\r\nk=1\r\n\r\n\r\n", newSection, 1, __LINE__);

    // Of two sections with one name, writes go to the first.
    const WriteStep duplicate[] = {{"A", "j", "5", 1, "[A]\r\nk=1\r\nj=5\r\n[A]\r\nj=2\r\n"}};
    RunWrites("[A]\r\nk=1\r\n[A]\r\nj=2\r\n", duplicate, 1, __LINE__);

    // Writing the value a key already has leaves the file as it was.
    const WriteStep unchanged[] = {{"A", "k", "1", 1, "[A]\nk=1\n\n"}};
    RunWrites("[A]\nk=1\n\n", unchanged, 1, __LINE__);

    // A new file, created by the first write; deleting from a missing file
    // creates nothing.
    const WriteStep fresh[] = {
        {"S", "k", nullptr, 1, nullptr},
        {"S", "k", "v", 1, "[S]\r\nk=v\r\n"},
        {"S", "k2", "v2", 1, "[S]\r\nk=v\r\nk2=v2\r\n"},
        {"T", "k", "v", 1, "[S]\r\nk=v\r\nk2=v2\r\n[T]\r\nk=v\r\n"},
        // The all-null flush answers 0, as Windows documents, and changes nothing.
        {nullptr, nullptr, nullptr, 0, "[S]\r\nk=v\r\nk2=v2\r\n[T]\r\nk=v\r\n"},
    };
    RunWrites(nullptr, fresh, sizeof fresh / sizeof fresh[0], __LINE__);
}

TEST(ProfileRules, WriteIntoMissingDirectoryFails) {
    tm::Reset();
    std::string path = tm::Path("nodir\\x.ini");
    EXPECT_EQ(0, plat::ProfileWriteString("S", "k", "v", path.c_str()));
    EXPECT_FALSE(tm::Exists(path));
}

TEST(ProfileRules, ReadsSeeWritesAndOutsideChanges) {
    tm::Reset();
    std::string path = tm::Path("seen.ini");
    char buf[32];
    ASSERT_TRUE(tm::WriteFile(path, "[A]\r\nk=1\r\n"));
    plat::ProfileGetString("A", "k", "d", buf, sizeof buf, path.c_str());
    EXPECT_STREQ("1", buf);
    // Another program changes the file: the next read sees it.
    ASSERT_TRUE(tm::WriteFile(path, "[A]\r\nk=22\r\nj=3\r\n"));
    plat::ProfileGetString("A", "k", "d", buf, sizeof buf, path.c_str());
    EXPECT_STREQ("22", buf);
    // Our own write is seen by the next read, and is on the disk.
    EXPECT_EQ(1, plat::ProfileWriteString("A", "k", "  333  ", path.c_str()));
    plat::ProfileGetString("A", "k", "d", buf, sizeof buf, path.c_str());
    EXPECT_STREQ("333", buf);
    std::string bytes;
    ASSERT_TRUE(tm::ReadFile(path, &bytes));
    EXPECT_EQ("[A]\r\nk=333  \r\nj=3\r\n", bytes);
}

}  // namespace
