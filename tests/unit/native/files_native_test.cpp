// File calls natively: the parts that only the stand-ins offer (injected
// faults, a full disk, a chosen amount of free space).
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/lz.h"
#include "platform/posix/machine.h"
#include "platform/profile.h"
#include "platform/raw_file.h"
#include "support/test_machine.h"

using plat::posix::ClearFaults;
using plat::posix::InjectFault;
using plat::posix::Op;

namespace {
std::string P(const std::string& relative) {
    return testing_machine::Path(relative);
}
}  // namespace

TEST(FilesNative, FreeSpaceAsWindows98ReportsIt) {
    struct Row {
        uint64_t freeBytes;
        uint64_t reported;
    } rows[] = {
        {0, 0},                                      // 0
        {4095, 0},                                   // 1: less than a cluster
        {100 * 4096 + 17, 100 * 4096},               // 2: whole clusters
        {(1ull << 31) - 4096, (1ull << 31) - 4096},  // 3: just below the limit
        {(1ull << 31), (1ull << 31) - 4096},         // 4: the 2 GiB limit
        {40ull << 30, (1ull << 31) - 4096},          // 5: a big drive
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        testing_machine::Reset();
        plat::posix::Machine().freeBytes['C'] = rows[i].freeBytes;
        uint32_t spc = 0, bps = 0, freeClusters = 0, total = 0;
        ASSERT_EQ(1, plat::DiskFreeSpace("c:\\", &spc, &bps, &freeClusters, &total)) << "row " << i;
        EXPECT_EQ(rows[i].reported, uint64_t{spc} * bps * freeClusters) << "row " << i;
        EXPECT_LE(freeClusters, total) << "row " << i;
    }
    testing_machine::Reset();
    uint32_t spc = 0, bps = 0, freeClusters = 0, total = 0;
    ASSERT_EQ(1, plat::DiskFreeSpace("C:\\", &spc, &bps, &freeClusters, &total));
    EXPECT_EQ(uint64_t{1} << 30, uint64_t{spc} * bps * freeClusters);  // the default
}

TEST(FilesNative, EveryCallCanBeMadeToFail) {
    struct Row {
        Op op;
        int (*call)();
    } rows[] = {
        {Op::DirCreate, [] { return plat::DirCreate(P("NEWDIR").c_str()); }},
        {Op::FileDelete, [] { return plat::FileDelete(P("A.TXT").c_str()); }},
        {Op::FileRename, [] { return plat::FileRename(P("A.TXT").c_str(), P("C.TXT").c_str()); }},
        {Op::DiskFree,
         [] {
             uint32_t a, b, c, d;
             return plat::DiskFreeSpace("C:\\", &a, &b, &c, &d);
         }},
        {Op::FileOpenRead,
         [] {
             plat::File f = plat::FileOpenRead(P("A.TXT").c_str());
             return f != nullptr && plat::FileClose(f) ? 1 : 0;
         }},
        {Op::FileCreate,
         [] {
             plat::File f = plat::FileCreate(P("A.TXT").c_str());
             return f != nullptr && plat::FileClose(f) ? 1 : 0;
         }},
        {Op::FileWrite,
         [] {
             plat::File f = plat::FileCreate(P("A.TXT").c_str());
             int ok = plat::FileWrite(f, "abc", 3);
             plat::FileClose(f);
             return ok;
         }},
        {Op::FileRead,
         [] {
             plat::File f = plat::FileOpenRead(P("A.TXT").c_str());
             char buf[8];
             uint32_t got = 0;
             int ok = plat::FileRead(f, buf, sizeof buf, &got);
             plat::FileClose(f);
             return ok && got == 3 ? 1 : 0;
         }},
        {Op::FileSeek,
         [] {
             plat::File f = plat::FileOpenRead(P("A.TXT").c_str());
             int ok = plat::FileSeek(f, 1);
             plat::FileClose(f);
             return ok;
         }},
        {Op::FileClose,
         [] {
             plat::File f = plat::FileCreate(P("A.TXT").c_str());
             return f != nullptr && plat::FileClose(f) ? 1 : 0;
         }},
        {Op::FileOpenWrite,
         [] {
             plat::File f = plat::FileOpenWrite(P("A.TXT").c_str());
             return f != nullptr && plat::FileClose(f) ? 1 : 0;
         }},
        {Op::FileFlush,
         [] {
             plat::File f = plat::FileOpenWrite(P("A.TXT").c_str());
             int ok = plat::FileFlush(f);
             plat::FileClose(f);
             return ok;
         }},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        for (int faulty = 0; faulty < 2; faulty++) {
            testing_machine::Reset();
            ASSERT_TRUE(testing_machine::WriteFile(P("A.TXT"), "old"));
            if (faulty) {
                InjectFault(rows[i].op, "");
            }
            EXPECT_EQ(faulty ? 0 : 1, rows[i].call()) << "row " << i << " faulty " << faulty;
            if (faulty && rows[i].op != Op::FileWrite && rows[i].op != Op::FileClose &&
                rows[i].op != Op::FileCreate) {
                // A refused call changes nothing.
                std::string bytes;
                EXPECT_TRUE(testing_machine::ReadFile(P("A.TXT"), &bytes)) << "row " << i;
                EXPECT_EQ("old", bytes) << "row " << i;
                EXPECT_FALSE(testing_machine::Exists(P("NEWDIR"))) << "row " << i;
                EXPECT_FALSE(testing_machine::Exists(P("C.TXT"))) << "row " << i;
            }
        }
    }
}

// Tests run as root, so the read-only attribute and a write-protected
// drive are the stand-in's own: refused as Windows refuses them.
TEST(FilesNative, ReadOnlyFilesAndWriteProtectedDrivesRefuseChanges) {
    struct Row {
        const char* what;
        int (*call)();
        int result;
    } rows[] = {
        {"delete RO", [] { return plat::FileDelete(P("RO.TXT").c_str()); }, 0},
        {"create RO", [] { return plat::FileCreate(P("RO.TXT").c_str()) != nullptr ? 1 : 0; }, 0},
        {"open RO for writing",
         [] { return plat::FileOpenWrite(P("RO.TXT").c_str()) != nullptr ? 1 : 0; }, 0},
        {"profile write to RO",
         [] { return plat::ProfileWriteString("s", "k", "v", P("RO.TXT").c_str()); }, 0},
        {"attributes of RO",
         [] { return static_cast<int>(plat::FileAttributes(P("RO.TXT").c_str())); }, 0x21},
        {"rename RO, then delete it",
         [] {
             return plat::FileRename(P("RO.TXT").c_str(), P("MOVED.TXT").c_str()) * 2 +
                    plat::FileDelete(P("MOVED.TXT").c_str());
         },
         2},
        {"create on A:", [] { return plat::FileCreate("A:\\NEW.TXT") != nullptr ? 1 : 0; }, 0},
        {"directory on A:", [] { return plat::DirCreate("A:\\NEWDIR"); }, 0},
        {"delete on A:", [] { return plat::FileDelete("A:\\DISK.TXT"); }, 0},
        {"rename onto A:", [] { return plat::FileRename(P("RO.TXT").c_str(), "A:\\RO.TXT"); }, 0},
        {"profile write on A:", [] { return plat::ProfileWriteString("s", "k", "v", "A:\\D.INI"); },
         0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        testing_machine::Reset();
        ASSERT_TRUE(testing_machine::WriteFile(P("RO.TXT"), "old"));
        ASSERT_TRUE(testing_machine::WriteFile("A:\\DISK.TXT", "disk"));
        ASSERT_EQ(1, plat::posix::SetFileReadOnly(P("RO.TXT").c_str(), true));
        plat::posix::Machine().readOnlyDrives.insert('A');
        EXPECT_EQ(rows[i].result, rows[i].call()) << "row " << i << ": " << rows[i].what;
        std::string bytes;
        EXPECT_TRUE(testing_machine::ReadFile("A:\\DISK.TXT", &bytes)) << "row " << i;
        EXPECT_FALSE(testing_machine::Exists("A:\\NEW.TXT") ||
                     testing_machine::Exists("A:\\NEWDIR") || testing_machine::Exists("A:\\RO.TXT"))
            << "row " << i;
    }
}

// The power-cut explorer's cuts in a write: none of it, the first byte,
// half, all but the last.
TEST(FilesNative, PowerCutInAWriteLeavesItsPart) {
    const char* const kept[] = {"", "a", "ab", "abc"};
    for (int cut = plat::posix::kCutBefore; cut <= plat::posix::kCutAllButLast; cut++) {
        testing_machine::Reset();
        plat::File f = plat::FileCreate(P("CUT.BIN").c_str());
        ASSERT_NE(nullptr, f);
        plat::posix::PowerCutAfter(0, static_cast<plat::posix::CutPoint>(cut));
        EXPECT_EQ(0, plat::FileWrite(f, "abcd", 4)) << "cut " << cut;
        EXPECT_EQ(0, plat::FileWrite(f, "e", 1)) << "cut " << cut;  // the power is off
        plat::FileClose(f);
        plat::posix::WindowsRestart(true);
        std::string bytes;
        ASSERT_TRUE(testing_machine::ReadFile(P("CUT.BIN"), &bytes));
        EXPECT_EQ(kept[cut], bytes) << "cut " << cut;
    }
}

namespace {

void Make(const char* name, const char* bytes) {
    plat::File f = plat::FileCreate(P(name).c_str());
    plat::FileWrite(f, bytes, static_cast<uint32_t>(std::string(bytes).size()));
    plat::FileClose(f);
}

void Flush(const char* name) {
    plat::File f = plat::FileOpenWrite(P(name).c_str());
    plat::FileFlush(f);
    plat::FileClose(f);
}

void Rename(const char* from, const char* to) {
    plat::FileRename(P(from).c_str(), P(to).c_str());
}

// One disk a cut may leave, as it holds names: "A=bytes" (with "!" when
// read-only), "D/" a directory, "A-" missing.
std::string OnDisk(const plat::posix::CutDirectory& disk, const std::string& names) {
    std::istringstream in(names);
    std::string name;
    std::string out;
    while (in >> name) {
        std::string host = plat::posix::HostPath(P(name).c_str());
        auto n = std::find_if(disk.names.begin(), disk.names.end(),
                              [&](const plat::posix::CutName& c) { return c.host == host; });
        uint32_t attributes = plat::FileAttributes(P(name).c_str());
        std::string bytes;
        std::string state;
        if (n != disk.names.end()) {
            state = n->kind == plat::posix::CutName::kAbsent      ? "-"
                    : n->kind == plat::posix::CutName::kDirectory ? "/"
                                                                  : "=" + n->data;
            state += n->readOnly ? "!" : "";
        } else if (attributes == plat::kInvalidAttributes) {
            state = "-";
        } else if (attributes & plat::kAttrDirectory) {
            state = "/";
        } else {
            testing_machine::ReadFile(P(name), &bytes);
            state = "=" + bytes + (attributes & plat::kAttrReadOnly ? "!" : "");
        }
        out += (out.empty() ? "" : " ") + name + state;
    }
    return out;
}

}  // namespace

// The power-cut model's directory: every distinct disk a cut may leave
// after the row's operations (the last four not flushed in any order, a
// cut after any number of them), as the row's names stand there.
TEST(FilesNative, PowerCutLeavesDirectoryOperationsInAnyOrder) {
    struct Row {
        const char* names;
        void (*before)();  // uncounted
        void (*run)();
        std::vector<std::string> disks;  // sorted
    } rows[] = {
        // 0: two creates, either or both
        {"A B",
         [] {},
         [] {
             Make("A", "1");
             Make("B", "2");
         },
         {"A- B-", "A- B=2", "A=1 B-", "A=1 B=2"}},
        // 1: a flushed file stays
        {"A B",
         [] {},
         [] {
             Make("A", "1");
             Flush("A");
             Make("B", "2");
         },
         {"A=1 B-", "A=1 B=2"}},
        // 2: the replace through a new file; a cut may lose the old one
        {"INF NEW OLD",
         [] { testing_machine::WriteFile(P("INF"), "old"); },
         [] {
             Make("NEW", "new");
             Flush("NEW");
             Rename("INF", "OLD");
             Rename("NEW", "INF");
             plat::FileDelete(P("OLD").c_str());
         },
         {"INF- NEW=new OLD-", "INF- NEW=new OLD=old", "INF=new NEW- OLD-", "INF=new NEW- OLD=old",
          "INF=old NEW=new OLD-"}},
        // 3: a file in a new directory is not there without it
        {"D D\\X",
         [] {},
         [] {
             plat::DirCreate(P("D").c_str());
             Make("D\\X", "x");
         },
         {"D- D\\X-", "D/ D\\X-", "D/ D\\X=x"}},
        // 4: a flush puts the directory above on the disk
        {"D D\\X Y",
         [] {},
         [] {
             plat::DirCreate(P("D").c_str());
             Make("D\\X", "x");
             Flush("D\\X");
             Make("Y", "y");
         },
         {"D/ D\\X=x Y-", "D/ D\\X=x Y=y"}},
        // 5: a create over a file already there is data
        {"A",
         [] { testing_machine::WriteFile(P("A"), "old"); },
         [] { Make("A", "new"); },
         {"A=new"}},
        // 6: a delete not on the disk keeps the bytes
        {"A",
         [] { testing_machine::WriteFile(P("A"), "a"); },
         [] { plat::FileDelete(P("A").c_str()); },
         {"A-", "A=a"}},
        // 7: the read-only mark goes with the file
        {"RO R2",
         [] {
             testing_machine::WriteFile(P("RO"), "r");
             plat::posix::SetFileReadOnly(P("RO").c_str(), true);
         },
         [] { Rename("RO", "R2"); },
         {"RO- R2=r!", "RO=r! R2-"}},
        // 8: a flush puts the earlier changes of its names on the disk
        {"NEW INF",
         [] {},
         [] {
             Make("NEW", "1");
             Rename("NEW", "INF");
             Make("NEW", "2");
             Flush("NEW");
         },
         {"NEW=2 INF=1"}},
        // 9: a directory is not removed before what it held
        {"D D\\X",
         [] { testing_machine::WriteFile(P("D\\X"), "x"); },
         [] {
             plat::FileDelete(P("D\\X").c_str());
             plat::DirRemove(P("D").c_str());
         },
         {"D- D\\X-", "D/ D\\X-", "D/ D\\X=x"}},
        // 10: a profile written to a new file, and LZ's create
        {"N.INI L",
         [] {},
         [] {
             plat::ProfileWriteString("s", "k", "v", P("N.INI").c_str());
             plat::ProfileWriteString(nullptr, nullptr, nullptr, P("N.INI").c_str());
             char opened[260];
             plat::LzClose(plat::LzCreate(P("L").c_str(), opened, sizeof opened));
         },
         {"N.INI- L-", "N.INI- L=", "N.INI=[s]\r\nk=v\r\n L-", "N.INI=[s]\r\nk=v\r\n L="}},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        testing_machine::Reset();
        rows[i].before();
        plat::posix::PowerCutAfter(-1, plat::posix::kCutBefore);
        rows[i].run();
        plat::posix::CutDisks cut = plat::posix::PowerOff();
        EXPECT_TRUE(cut.directories[0].names.empty()) << "row " << i << ": the first is as made";
        std::vector<std::string> got;
        for (const plat::posix::CutDirectory& disk : cut.directories) {
            got.push_back(OnDisk(disk, rows[i].names));
        }
        std::sort(got.begin(), got.end());
        EXPECT_EQ(rows[i].disks, got) << "row " << i;
    }
    // Only the last operations not flushed are reordered: the first of one
    // more creates is on every disk.
    testing_machine::Reset();
    plat::posix::PowerCutAfter(-1, plat::posix::kCutBefore);
    for (int i = 0; i <= plat::posix::kReorderedDirectoryOps; i++) {
        Make(std::to_string(i).c_str(), "");
    }
    plat::posix::CutDisks cut = plat::posix::PowerOff();
    EXPECT_EQ(1u << plat::posix::kReorderedDirectoryOps, cut.directories.size());
    for (const plat::posix::CutDirectory& disk : cut.directories) {
        EXPECT_EQ("0=", OnDisk(disk, "0"));
    }
}

TEST(FilesNative, FullDiskFailsTheWriteThatCrossesIt) {
    testing_machine::Reset();
    plat::posix::Machine().writableBytes = 5;
    plat::File f = plat::FileCreate(P("FULL.BIN").c_str());
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(1, plat::FileWrite(f, "abc", 3));
    EXPECT_EQ(0, plat::FileWrite(f, "defg", 4));  // only "de" fits
    EXPECT_EQ(0, plat::FileWrite(f, "h", 1));
    EXPECT_EQ(1, plat::FileClose(f));
    std::string bytes;
    ASSERT_TRUE(testing_machine::ReadFile(P("FULL.BIN"), &bytes));
    EXPECT_EQ("abcde", bytes);
}

TEST(FilesNative, RawCloseReportsAFailedWrite) {
    // A raw file buffers: the disk fills while flushing, long after RawWrite
    // said yes, so only the close can tell.
    struct Row {
        uint64_t writable;
        int closeResult;
    } rows[] = {{1u << 20, 1}, {100, 0}, {0, 0}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        testing_machine::Reset();
        plat::posix::Machine().writableBytes = rows[i].writable;
        static fileio::RawFile out;
        ASSERT_EQ(1, fileio::RawCreate(&out, P("OUT.TXT").c_str())) << "row " << i;
        EXPECT_EQ(1, fileio::RawWrite(&out, "short\r\n", 7)) << "row " << i;
        for (int k = 0; k < 2000; k++) {
            fileio::RawWrite(&out, "a line of some length\r\n", 23);
        }
        EXPECT_EQ(rows[i].closeResult, fileio::RawClose(&out)) << "row " << i;
    }
    // A close that fails is reported too.
    testing_machine::Reset();
    static fileio::RawFile out;
    ASSERT_EQ(1, fileio::RawCreate(&out, P("OUT.TXT").c_str()));
    EXPECT_EQ(1, fileio::RawWrite(&out, "x\r\n", 3));
    InjectFault(Op::FileClose, "out.txt");
    EXPECT_EQ(0, fileio::RawClose(&out));
}

TEST(FilesNative, DosPathsResolveCaseBlindly) {
    testing_machine::Reset();
    ASSERT_TRUE(testing_machine::WriteFile(P("MiXeD\\Name.Txt"), "x"));
    plat::File f = plat::FileOpenRead(P("mixed\\NAME.TXT").c_str());
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(1, plat::FileClose(f));
    // A new name keeps the spelling it was given.
    ASSERT_EQ(1, plat::DirCreate(P("mixed\\NewDir").c_str()));
    EXPECT_EQ(plat::posix::HostPath(P("MIXED").c_str()) + "/NewDir",
              plat::posix::HostPath(P("mixed\\newdir").c_str()));
}

// ".." climbs one folder, out of a first-level folder too, and never above
// the drive, as Windows resolves it.
TEST(FilesNative, DotDotClimbsOneFolder) {
    testing_machine::Reset();
    const std::string c = plat::posix::Machine().root + "/c";
    struct Row {
        const char* dos;
        std::string host;
    } rows[] = {
        {"C:\\A\\..\\X", c + "/X"},      {"C:\\A\\B\\..\\..\\X", c + "/X"},
        {"C:\\A\\B\\..\\X", c + "/A/X"}, {"C:\\..\\X", c + "/X"},
        {"C:\\A\\..\\..\\X", c + "/X"},  {"C:\\A\\.\\X\\..", c + "/A"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        EXPECT_EQ(rows[i].host, plat::posix::HostPath(rows[i].dos)) << "row " << i;
    }
}

TEST(FilesNative, RawReadFailureEndsTheInputAndIsReported) {
    testing_machine::Reset();
    std::string lines;
    for (int i = 0; i < 1000; i++) {
        lines += "a line of text\r\n";  // several buffers
    }
    ASSERT_TRUE(testing_machine::WriteFile(P("IN.TXT"), lines));
    InjectFault(Op::FileRead, "in.txt", 1);  // the second buffer fails
    static fileio::RawFile in;
    static fileio::LineFacts line;
    ASSERT_EQ(1, fileio::RawOpenRead(&in, P("IN.TXT").c_str()));
    int count = 0;
    while (fileio::RawNextLine(&in, &line)) {
        count++;
    }
    EXPECT_EQ(static_cast<int>(fileio::kRawBuffer / 16), count);  // the first buffer's lines
    EXPECT_EQ(0, fileio::RawClose(&in));
    // A whole-file copy whose read fails after the first buffer is no copy.
    ClearFaults();
    InjectFault(Op::FileRead, "in.txt", 1);
    EXPECT_EQ(0, fileio::CopyWhole(P("IN.TXT").c_str(), P("OUT.TXT").c_str()));
    ClearFaults();
    EXPECT_EQ(1, fileio::CopyWhole(P("IN.TXT").c_str(), P("OUT.TXT").c_str()));
}
