// system.ini switch-over under injected file failures: a full disk while
// system.new is written or closed must leave system.ini as it was.
#include <gtest/gtest.h>

#include <string>

#include "install/system_ini.h"
#include "platform/posix/machine.h"
#include "platform/text.h"
#include "support/test_machine.h"

using plat::posix::InjectFault;
using plat::posix::Op;

namespace {

const char kOriginal[] = "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\nmouse=vlmouse.vxd\r\n";

std::string Read(const std::string& path) {
    std::string bytes;
    return testing_machine::ReadFile(path, &bytes) ? bytes : std::string("<missing>");
}

}  // namespace

TEST(SystemIniNative, FailedWriteOrCloseLeavesSystemIniAlone) {
    struct Row {
        Op op;
        const char* match;
        int skip;
        int times = -1;  // calls that fail; -1: every later one
    } rows[] = {
        {Op::FileWrite, "system.new", 0},
        {Op::FileClose, "system.new", 0},
        {Op::FileOpenRead, "system.ini", 0},
        {Op::FileCreate, "system.new", 0},
        // The read that would find the end fails: what was read is no whole
        // file, though later reads (the copy set aside) succeed.
        {Op::FileRead, "system.ini", 1, 1},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        testing_machine::Reset();
        std::string windows = testing_machine::Path("WINDOWS");
        testing_machine::MakeDirs(windows);
        testing_machine::WriteFile(windows + "\\system.ini", kOriginal);
        testing_machine::WriteFile(windows + "\\system.bak", "older backup");
        InjectFault(rows[i].op, rows[i].match, rows[i].skip, rows[i].times);

        EXPECT_EQ(0, SwitchSystemIni(windows.c_str())) << "row " << i;

        plat::posix::ClearFaults();
        EXPECT_EQ(kOriginal, Read(windows + "\\system.ini")) << "row " << i;
        EXPECT_EQ("older backup", Read(windows + "\\system.bak")) << "row " << i;
        EXPECT_FALSE(testing_machine::Exists(windows + "\\system.new")) << "row " << i;
    }
}

TEST(SystemIniNative, LongFileFailingLateIsNotHalfInstalled) {
    // Enough lines for several buffer flushes; the last write fails.
    testing_machine::Reset();
    std::string windows = testing_machine::Path("WINDOWS");
    testing_machine::MakeDirs(windows);
    std::string big = "[386Enh]\r\nmouse=a\r\n";
    for (int i = 0; i < 2000; i++) {
        big += "device=driver" + std::to_string(i) + ".vxd\r\n";
    }
    testing_machine::WriteFile(windows + "\\system.ini", big);
    InjectFault(Op::FileWrite, "system.new", 3, 1);

    EXPECT_EQ(0, SwitchSystemIni(windows.c_str()));

    plat::posix::ClearFaults();
    EXPECT_EQ(big, Read(windows + "\\system.ini"));
    EXPECT_FALSE(testing_machine::Exists(windows + "\\system.bak"));
    EXPECT_FALSE(testing_machine::Exists(windows + "\\system.new"));
}
