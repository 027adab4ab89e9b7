// Install record cases that need the POSIX stand-ins: injected write
// failures, and paths longer than Windows allows.
#include <gtest/gtest.h>

#include <string>

#include "model/setup_state.h"
#include "platform/posix/machine.h"
#include "platform/text.h"
#include "script/setup_script.h"
#include "support/test_machine.h"
#include "support/test_registry.h"

namespace {

namespace tm = testing_machine;

std::string Recorded(const std::string& destDir, const char* section, const char* key,
                     const char* def) {
    char value[256];
    return ReadInstallRecord(destDir.c_str(), section, key, def, value, sizeof value);
}

TEST(SetupScriptNative, FailedRecordWriteIsNotNoticedAndNotRemembered) {
    tm::Reset();
    std::string dest = tm::Path("DEST");
    ASSERT_TRUE(tm::MakeDirs(dest));
    plat::posix::InjectFault(plat::posix::Op::ProfileWrite, "SETUP.NEW", 0, 1);
    RecordOriginalValue(dest.c_str(), "Serial", "Mfg", "first");
    EXPECT_FALSE(tm::Exists(dest + "\\SETUP.INF"));
    EXPECT_EQ(std::string(""), Recorded(dest, "Serial", "Mfg", ""));
    // The next call finds the key unrecorded and writes its own value.
    RecordOriginalValue(dest.c_str(), "Serial", "Mfg", "second");
    EXPECT_EQ(std::string("second"), Recorded(dest, "Serial", "Mfg", ""));
}

// What a stop in the record's write leaves, and what the next run takes:
// between the renames the whole SETUP.NEW; otherwise SETUP.INF as it stands.
TEST(SetupScriptNative, RecoveryTakesTheWholeRecordOnly) {
    const std::string whole = "[PS2]\r\nMfg=old\r\nDeviceDesc=kept\r\n";
    const std::string before = "[PS2]\r\nMfg=old\r\n";
    struct Row {
        bool inf, aside;  // SETUP.INF and SETUP.OLD there; SETUP.NEW always
        std::string newBytes, wantDesc;
    } rows[] = {
        {false, true, whole, "kept"},                  // stopped between the two renames
        {true, false, "[PS2]\r\nMfg=old\r\nDev", ""},  // stopped while writing SETUP.NEW
        {true, true, whole, ""},                       // stopped before SETUP.OLD went
    };
    for (const Row& r : rows) {
        tm::Reset();
        std::string dest = tm::Path("DEST");
        ASSERT_TRUE(tm::WriteFile(dest + "\\SETUP.NEW", r.newBytes));
        if (r.inf) {
            ASSERT_TRUE(tm::WriteFile(dest + "\\SETUP.INF", before));
        }
        if (r.aside) {
            ASSERT_TRUE(tm::WriteFile(dest + "\\SETUP.OLD", before));
        }
        RecoverInstallRecord(dest.c_str());
        EXPECT_EQ("old", Recorded(dest, "PS2", "Mfg", ""));
        EXPECT_EQ(r.wantDesc, Recorded(dest, "PS2", "DeviceDesc", ""));
        EXPECT_FALSE(tm::Exists(dest + "\\SETUP.NEW"));
        EXPECT_FALSE(tm::Exists(dest + "\\SETUP.OLD"));
    }
}

TEST(SetupScriptNative, LongDestinationKeepsTheRecordName) {
    // 250 characters of destination: the record path needs 260 bytes. It
    // must not be cut into the name of another file ("...\SETUP").
    tm::Reset();
    std::string dest = tm::Path("L");
    dest += std::string(250 - dest.size(), 'D');
    ASSERT_EQ(250u, dest.size());
    ASSERT_TRUE(tm::MakeDirs(dest));
    RecordOriginalValue(dest.c_str(), "PS2", "Mfg", "kept");
    FlushInstallRecord(dest.c_str());
    EXPECT_TRUE(tm::Exists(dest + "\\SETUP.INF"));
    EXPECT_FALSE(tm::Exists(dest + "\\SETUP"));
    EXPECT_EQ(std::string("kept"), Recorded(dest, "PS2", "Mfg", ""));
}

TEST(SetupScriptNative, ProgramFilesBaseComesFromTheRegistry) {
    // The real registry under Wine is not ours to change; the store is.
    struct Row {
        const char* reg;  // REGEDIT4 body, or null for an empty store
        const char* expected;
    } rows[] = {
        // Row 0: the key cannot be opened; row 1: it opens without the value.
        /* 0 */ {nullptr, "C:\\Program Files\\VELOR"},
        /* 1 */
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n", "\\VELOR"},
        /* 2 */
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
         "\"ProgramFilesDir\"=\"D:\\\\Progs\"\r\n",
         "D:\\Progs\\VELOR"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        tm::Reset();
        std::string disk = tm::Path("DISK");
        ASSERT_TRUE(tm::WriteFile(disk + "\\SETUP.INF", "[Main]\r\nDefaultPath=VELOR\r\n"));
        std::string program = disk + "\\SETUP.EXE";
        SetProgramPathForTest(program.c_str());
        if (rows[i].reg != nullptr) {
            ASSERT_TRUE(testing_registry::Load(std::string("REGEDIT4\r\n\r\n") + rows[i].reg))
                << "row " << i;
        }
        ASSERT_EQ(1, LoadSetupScript(gSetup)) << "row " << i;
        EXPECT_STREQ(rows[i].expected, gSetup.destDir) << "row " << i;
        ReleaseInstallPlan(gSetup);
        SetProgramPathForTest(nullptr);
    }
}

}  // namespace
