// Install record cases that need the POSIX stand-ins: injected write
// failures, and paths longer than Windows allows.
#include <gtest/gtest.h>

#include <string>

#include "platform/posix/machine.h"
#include "platform/text.h"
#include "script/setup_script.h"
#include "setup/setup_state.h"
#include "support/test_machine.h"

namespace {

namespace tm = testing_machine;

TEST(SetupScriptNative, FailedRecordWriteIsNotNoticedAndNotRemembered) {
    tm::Reset();
    std::string dest = tm::Path("DEST");
    ASSERT_TRUE(tm::MakeDirs(dest));
    text::Copy(gSetup.destDir, sizeof gSetup.destDir, dest.c_str());
    plat::posix::InjectFault(plat::posix::Op::ProfileWrite, "SETUP.INF", 0, 1);
    RecordOriginalValue("Serial", "Mfg", "first");
    EXPECT_FALSE(tm::Exists(dest + "\\SETUP.INF"));
    EXPECT_STREQ("", ReadInstallRecord("Serial", "Mfg", ""));
    // The next call finds the key unrecorded and writes its own value.
    RecordOriginalValue("Serial", "Mfg", "second");
    EXPECT_STREQ("second", ReadInstallRecord("Serial", "Mfg", ""));
}

TEST(SetupScriptNative, LongDestinationKeepsTheRecordName) {
    // 250 characters of destination: the record path needs 260 bytes. It
    // must not be cut into the name of another file ("...\SETUP").
    tm::Reset();
    std::string dest = tm::Path("L");
    dest += std::string(250 - dest.size(), 'D');
    ASSERT_EQ(250u, dest.size());
    ASSERT_TRUE(tm::MakeDirs(dest));
    text::Copy(gSetup.destDir, sizeof gSetup.destDir, dest.c_str());
    RecordOriginalValue("PS2", "Mfg", "kept");
    EXPECT_TRUE(tm::Exists(dest + "\\SETUP.INF"));
    EXPECT_FALSE(tm::Exists(dest + "\\SETUP"));
    EXPECT_STREQ("kept", ReadInstallRecord("PS2", "Mfg", ""));
}

}  // namespace
