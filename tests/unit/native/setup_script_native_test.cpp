// Script loading cases that need the POSIX stand-ins: a registry of the
// test's own.
#include <gtest/gtest.h>

#include <string>

#include "model/setup_data.h"
#include "model/texts.h"
#include "platform/posix/machine.h"
#include "platform/text.h"
#include "script/setup_script.h"
#include "support/test_machine.h"
#include "support/test_registry.h"

namespace {

namespace tm = testing_machine;

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
        ASSERT_EQ(1, LoadSetupScript(gScript, gChoices.windowsDir, LoadText)) << "row " << i;
        EXPECT_STREQ(rows[i].expected, gScript.defaultDestDir) << "row " << i;
        ReleaseInstallPlan(gScript);
        SetProgramPathForTest(nullptr);
    }
}

}  // namespace
