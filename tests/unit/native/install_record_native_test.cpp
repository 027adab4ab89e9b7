// Install record cases that need the POSIX stand-ins: injected failures of
// its write, what a stop leaves for recovery, and paths longer than Windows
// allows.
#include <gtest/gtest.h>

#include <string>

#include "platform/posix/machine.h"
#include "record/install_record.h"
#include "support/test_machine.h"

namespace {

namespace tm = testing_machine;
namespace posix = plat::posix;

const char kBefore[] = "[PS2]\r\nMfg=old\r\n[End]\r\nWhole=1\r\n";

std::string Recorded(InstallRecord& record, const char* section, const char* key) {
    char value[256];
    return record.ReadInstallRecord(section, key, "", value, sizeof value);
}

// A write of the record that fails anywhere is told, and SETUP.INF stays as
// it was: never a record cut short, never one without its mark.
TEST(InstallRecordNative, AFailedWriteIsToldAndLeavesTheRecord) {
    struct Row {
        int line;
        posix::Op op;
        const char* match;
        int skip;
        int recorded;  // what RecordOriginalValue answers
    } rows[] = {
        {__LINE__, posix::Op::ProfileWrite, "SETUP.NEW", 0, 0},  // the entry itself
        // The write-out stops part-way and, as on Windows, says nothing:
        // only the mark read back from the disk tells.
        {__LINE__, posix::Op::ProfileFlush, "SETUP.NEW", 0, 1},
        {__LINE__, posix::Op::FileFlush, "SETUP.NEW", 0, 1},   // FlushFileBuffers
        {__LINE__, posix::Op::FileRead, "SETUP.INF", 1, 0},    // the copy, read part-way
        {__LINE__, posix::Op::FileCreate, "SETUP.NEW", 0, 0},  // the copy's new file
        {__LINE__, posix::Op::FileRename, "SETUP.INF", 0, 1},  // stepping aside
        {__LINE__, posix::Op::FileRename, "SETUP.NEW", 0, 1},  // taking the name
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line);
        tm::Reset();
        std::string dest = tm::Path("DEST");
        // Longer than one read of the copy, so a read can fail part-way.
        std::string before = "[PS2]\r\n" + std::string(5000, ';') + "\r\n" + kBefore;
        ASSERT_TRUE(tm::WriteFile(dest + "\\SETUP.INF", before));
        posix::InjectFault(row.op, row.match, row.skip, -1);
        // Profile writes held in memory until the commit writes them out.
        posix::PowerCutAfter(-1, posix::kCutBefore);
        InstallRecord record;
        record.Open(dest.c_str());
        EXPECT_EQ(row.recorded, record.RecordOriginalValue("PS2", "DeviceDesc", "earlier"));
        EXPECT_EQ(0, record.Commit());
        posix::ClearFaults();
        posix::WindowsRestart(false);
        std::string bytes;
        ASSERT_TRUE(tm::ReadFile(dest + "\\SETUP.INF", &bytes));
        EXPECT_EQ(before, bytes);
        EXPECT_FALSE(tm::Exists(dest + "\\SETUP.NEW"));
        record.Recover();
        EXPECT_EQ("", Recorded(record, "PS2", "DeviceDesc")) << "a failed stage is forgotten";
    }
}

// What a stop in the record's write leaves (renames and deletes may reach
// the disk in any order), and what the next run takes: the newest copy
// that ends with the mark, never nothing while a copy is left, and nothing
// at all of a folder whose files are another program's.
TEST(InstallRecordNative, RecoveryTakesTheNewestWholeRecord) {
    const std::string whole = "[PS2]\r\nMfg=new\r\nDeviceDesc=kept\r\n[End]\r\nWhole=1\r\n";
    const std::string script = "[Main]\r\nProductName=Other\r\n";
    const std::string torn = "[PS2]\r\nMfg=torn\r\nDev";
    struct Row {
        int line;
        std::string inf, aside, fresh;  // SETUP.INF, SETUP.OLD, SETUP.NEW; "" absent
        std::string wantMfg, wantDesc;
        bool leftovers;  // SETUP.NEW or SETUP.OLD still there
    } rows[] = {
        {__LINE__, "", kBefore, whole, "new", "kept", false},            // between the two renames
        {__LINE__, "", kBefore, whole.substr(0, 40), "old", "", false},  // no mark: the old one
        {__LINE__, kBefore, "", torn, "old", "", false},                 // while writing
        {__LINE__, kBefore, kBefore, whole, "old", "", false},           // before SETUP.OLD went
        // Both renames lost: the copy set aside is the only one, and comes back.
        {__LINE__, "", kBefore, "", "old", "", false},
        {__LINE__, "", "", whole, "new", "kept", false},  // a lone whole SETUP.NEW
        {__LINE__, torn, kBefore, "", "old", "", false},  // SETUP.INF short of its mark
        {__LINE__, torn, kBefore, whole, "new", "kept", false},
        // Another program's SETUP.INF, or the setup script: nothing touched.
        {__LINE__, script, "", torn, "", "", true},
        {__LINE__, "", script, "", "", "", true},
        // A section after the mark: the record goes on, the mark is no end.
        {__LINE__, "", kBefore, whole + "[Serial]\r\nDeviceDesc=later\r\n", "old", "", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << r.line);
        tm::Reset();
        std::string dest = tm::Path("DEST");
        ASSERT_TRUE(tm::MakeDirs(dest));
        const std::pair<const char*, const std::string*> files[] = {
            {"\\SETUP.NEW", &r.fresh}, {"\\SETUP.INF", &r.inf}, {"\\SETUP.OLD", &r.aside}};
        for (const auto& f : files) {
            if (!f.second->empty()) {
                ASSERT_TRUE(tm::WriteFile(dest + f.first, *f.second));
            }
        }
        InstallRecord record;
        record.Open(dest.c_str());
        record.Recover();
        posix::ClearFaults();
        EXPECT_EQ(r.wantMfg, Recorded(record, "PS2", "Mfg"));
        EXPECT_EQ(r.wantDesc, Recorded(record, "PS2", "DeviceDesc"));
        EXPECT_EQ(r.leftovers,
                  tm::Exists(dest + "\\SETUP.NEW") || tm::Exists(dest + "\\SETUP.OLD"));
        EXPECT_EQ(r.leftovers, record.Foreign() == 1);
    }
}

// The first piece read ends with the mark and only blank lines follow, but
// the read of the rest fails: that proves nothing whole.
TEST(InstallRecordNative, ARecordReadPartWayIsNotWhole) {
    tm::Reset();
    const std::string path = tm::Path("SETUP.NEW");
    ASSERT_TRUE(tm::WriteFile(path, "[PS2]\r\nMfg=new\r\n" + std::string(4062, ';') +
                                        "\r\n[End]\r\nWhole=1\r\n" + std::string(40, '\n')));
    EXPECT_EQ(1, RecordIsWhole(path.c_str()));
    posix::InjectFault(posix::Op::FileRead, "SETUP.NEW", 1, 1);  // the second piece
    EXPECT_EQ(0, RecordIsWhole(path.c_str()));
    posix::ClearFaults();
}

TEST(InstallRecordNative, LongDestinationKeepsTheRecordName) {
    // 250 characters of destination: the record path needs 260 bytes. It
    // must not be cut into the name of another file ("...\SETUP").
    tm::Reset();
    std::string dest = tm::Path("L");
    dest += std::string(250 - dest.size(), 'D');
    ASSERT_EQ(250u, dest.size());
    ASSERT_TRUE(tm::MakeDirs(dest));
    InstallRecord record;
    ASSERT_EQ(1, record.Open(dest.c_str()));
    record.RecordOriginalValue("PS2", "Mfg", "kept");
    EXPECT_EQ(1, record.Commit());
    EXPECT_TRUE(tm::Exists(dest + "\\SETUP.INF"));
    EXPECT_FALSE(tm::Exists(dest + "\\SETUP"));
    EXPECT_EQ("kept", Recorded(record, "PS2", "Mfg"));
}

}  // namespace
