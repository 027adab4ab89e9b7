// The install record: write-once entries, staged until a commit puts them
// on the disk with the mark that proves the file whole.
#include "record/install_record.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_machine.h"

namespace {

namespace tm = testing_machine;

std::string Recorded(InstallRecord& record, const char* section, const char* key, const char* def) {
    char value[256];
    return record.ReadInstallRecord(section, key, def, value, sizeof value);
}

TEST(InstallRecord, EntriesAreWrittenOnceAndReachTheDiskWithTheMarkLast) {
    tm::Reset();
    std::string dest = tm::Path("DEST");
    ASSERT_TRUE(tm::MakeDirs(dest));
    InstallRecord record;
    ASSERT_EQ(1, record.Open(dest.c_str()));

    EXPECT_EQ("none", Recorded(record, "Serial", "MouseDriver", "none"));
    EXPECT_EQ(1, record.RecordOriginalValue("Serial", "MouseDriver", "old.drv"));
    EXPECT_EQ(1, record.RecordOriginalValue("Serial", "MouseDriver", "new.drv"));
    EXPECT_EQ("old.drv", Recorded(record, "Serial", "MouseDriver", "none"));
    EXPECT_EQ("old.drv", Recorded(record, "SERIAL", "mousedriver", "none"));
    // Another section is another record.
    EXPECT_EQ("none", Recorded(record, "PS2", "MouseDriver", "none"));
    // An empty value counts as not recorded: the next call overwrites it.
    record.RecordOriginalValue("PS2", "DriverDesc", "");
    EXPECT_EQ("", Recorded(record, "PS2", "DriverDesc", "dflt"));
    record.RecordOriginalValue("PS2", "DriverDesc", "Standard mouse");
    record.RecordOriginalValue("PS2", "DriverDesc", "Velor mouse");
    EXPECT_EQ("Standard mouse", Recorded(record, "PS2", "DriverDesc", ""));
    // Nothing reaches SETUP.INF before the commit.
    EXPECT_FALSE(tm::Exists(dest + "\\SETUP.INF"));
    ASSERT_EQ(1, record.Commit());
    std::string bytes;
    ASSERT_TRUE(tm::ReadFile(dest + "\\SETUP.INF", &bytes));
    EXPECT_EQ(
        "[Serial]\r\nMouseDriver=old.drv\r\n[PS2]\r\nDriverDesc=Standard mouse\r\n"
        "[End]\r\nWhole=1\r\n",
        bytes);
    EXPECT_FALSE(tm::Exists(dest + "\\SETUP.NEW"));
    EXPECT_FALSE(tm::Exists(dest + "\\SETUP.OLD"));
    // A later commit moves the mark behind its own entries.
    record.Set("Counted", "Windows, SYSTEM\\A.DLL", "3");
    ASSERT_EQ(1, record.Commit());
    ASSERT_TRUE(tm::ReadFile(dest + "\\SETUP.INF", &bytes));
    EXPECT_EQ(
        "[Serial]\r\nMouseDriver=old.drv\r\n[PS2]\r\nDriverDesc=Standard mouse\r\n"
        "[Counted]\r\nWindows, SYSTEM\\A.DLL=3\r\n[End]\r\nWhole=1\r\n",
        bytes);
    EXPECT_EQ(1, RecordIsWhole((dest + "\\SETUP.INF").c_str()));

    // Another destination directory is another record, and a present key
    // with an empty value in an existing record is overwritten.
    std::string other = tm::Path("OTHER");
    // An older setup's record: no mark, but a key only the record holds.
    ASSERT_TRUE(tm::WriteFile(other + "\\SETUP.INF",
                              "[Serial]\r\nSubKey1=Enum\\Root\r\nInfPath=\r\nMfg=Kept\r\n"));
    ASSERT_EQ(1, record.Open(other.c_str()));
    record.RecordOriginalValue("Serial", "InfPath", "MSMOUSE.INF");
    record.RecordOriginalValue("Serial", "Mfg", "Replaced");
    EXPECT_EQ("MSMOUSE.INF", Recorded(record, "Serial", "InfPath", ""));
    EXPECT_EQ("Kept", Recorded(record, "Serial", "Mfg", ""));
    // The value comes in the caller's buffer, cut to its size.
    char small[4];
    EXPECT_EQ(small, record.ReadInstallRecord("Serial", "Mfg", "", small, sizeof small));
    EXPECT_STREQ("Kep", small);
}

}  // namespace
