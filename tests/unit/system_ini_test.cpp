// system.ini switch-over on both backends: the rewritten text, system.bak,
// system.new, and the VxD set aside.
#include "install/system_ini.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "platform/system.h"
#include "platform/text.h"
#include "support/test_machine.h"

namespace {

std::string gWindowsDir;  // the switch-over's Windows directory, set by ResetIni

std::string WindowsDir() {
    return gWindowsDir;
}
std::string Ini() {
    return WindowsDir() + "\\system.ini";
}
std::string Bak() {
    return WindowsDir() + "\\system.bak";
}
std::string New() {
    return WindowsDir() + "\\system.new";
}

std::string SystemDir() {
    char dir[80];
    uint32_t n = plat::SystemDirectory(dir, sizeof dir);
    return n > 0 && n < sizeof dir ? std::string(dir) : std::string();
}
std::string Vxd() {
    return SystemDir() + "\\VMM32\\VMOUSE.VXD";
}
std::string VxdBak() {
    return SystemDir() + "\\VMM32\\VMOUSE.BAK";
}

// A fresh machine with the Windows directory below the scratch root and no
// VxD files.
void ResetIni() {
    testing_machine::Reset();
    std::string windows = testing_machine::Path("WINDOWS");
    testing_machine::MakeDirs(windows);
    gWindowsDir = windows;
    testing_machine::MakeDirs(SystemDir() + "\\VMM32");
    // The system directory may be the machine's own (under Wine), so clear
    // what an earlier test left there.
    plat::FileDelete(Vxd().c_str());
    plat::FileDelete(VxdBak().c_str());
}

std::string Read(const std::string& path) {
    std::string bytes;
    return testing_machine::ReadFile(path, &bytes) ? bytes : std::string("<missing>");
}

std::string LongText(size_t length, char fill) {
    return std::string(length, fill);
}

}  // namespace

TEST(SystemIni, RewritesTheMouseLine) {
    const std::string x130 = LongText(130, 'x');
    const std::string nul(1, '\0');
    struct Row {
        std::string input;
        std::string expected;
    } rows[] = {
        // 0: the [386Enh] mouse line is replaced, the rest copied.
        {"[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\nmouse=vlmouse.vxd\r\ndevice=*vpicd\r\n",
         "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\nmouse=*vmouse\r\ndevice=*vpicd\r\n"},
        // 1: a comment in the first column is copied; the next line is replaced.
        {"[386Enh]\r\n;mouse=old.vxd\r\nmouse=vlmouse.vxd\r\n",
         "[386Enh]\r\n;mouse=old.vxd\r\nmouse=*vmouse\r\n"},
        // 2: blanks before ";" make no comment.
        {"[386Enh]\r\n  ;mouse=old.vxd\r\nmouse=vlmouse.vxd\r\n",
         "[386Enh]\r\nmouse=*vmouse\r\nmouse=vlmouse.vxd\r\n"},
        // 3: no mouse line in [386Enh]: the first one after it, in any section.
        {"[386Enh]\r\ndevice=x\r\n[drivers]\r\nmousedrv=a\r\nmouse=b\r\n",
         "[386Enh]\r\ndevice=x\r\n[drivers]\r\nmouse=*vmouse\r\nmouse=b\r\n"},
        // 4: none at all: copied unchanged.
        {"[386Enh]\r\ndevice=x\r\n", "[386Enh]\r\ndevice=x\r\n"},
        // 5: mouse lines before the header stay.
        {"[boot]\r\nmouse.drv=mouse.drv\r\n[386Enh]\r\nmouse=v\r\n",
         "[boot]\r\nmouse.drv=mouse.drv\r\n[386Enh]\r\nmouse=*vmouse\r\n"},
        // 6: matches are case-sensitive, for the header too.
        {"[386Enh]\r\nMouse=a\r\nMOUSE=b\r\n[386enh]\r\n",
         "[386Enh]\r\nMouse=a\r\nMOUSE=b\r\n[386enh]\r\n"},
        {"[386enh]\r\nmouse=a\r\n", "[386enh]\r\nmouse=a\r\n"},
        // 8: each header arms one more replacement.
        {"[386Enh]\r\nmouse=a\r\nmouse=b\r\n[386Enh]\r\nmouse=c\r\n",
         "[386Enh]\r\nmouse=*vmouse\r\nmouse=b\r\n[386Enh]\r\nmouse=*vmouse\r\n"},
        // 9: a header line that holds "mouse" stays a header: the line
        // after it is the mouse line.
        {"[386Enh] ; mouse below\r\nmouse=a\r\n", "[386Enh] ; mouse below\r\nmouse=*vmouse\r\n"},
        // 10: the replaced line keeps its line end: none at the end, LF alone.
        {"[386Enh]\r\nmouse=a", "[386Enh]\r\nmouse=*vmouse"},
        {"[386Enh]\nmouse=a\nkeep\n", "[386Enh]\nmouse=*vmouse\nkeep\n"},
        // 12: every other byte is kept: a Ctrl-Z and what follows it, a lone CR.
        {"[386Enh]\r\nmouse=a\r\nkeep=1\r\n\x1Amouse=b\r\njunk\r",
         "[386Enh]\r\nmouse=*vmouse\r\nkeep=1\r\n\x1Amouse=b\r\njunk\r"},
        // 13: long lines are tested whole: a long comment with "mouse" far
        // inside stays whole, and the line after it is the one replaced.
        {"[386Enh]\r\n;" + x130 + "mouse" + x130 + "\r\nmouse=a\r\n",
         "[386Enh]\r\n;" + x130 + "mouse" + x130 + "\r\nmouse=*vmouse\r\n"},
        // 14: a long line with "mouse" late in it is replaced as one line.
        {"[386Enh]\r\n" + x130 + "mouse=a" + x130 + "\r\nnext\r\n",
         "[386Enh]\r\nmouse=*vmouse\r\nnext\r\n"},
        // 15: a long line without "mouse" is copied whole.
        {"[386Enh]\r\n" + x130 + x130 + x130 + "\r\nmouse=a\r\n",
         "[386Enh]\r\n" + x130 + x130 + x130 + "\r\nmouse=*vmouse\r\n"},
        // 16/17: patterns that straddle the reads of a long line still count.
        {LongText(123, 'y') + "[386Enh]\r\nmouse=a\r\n",
         LongText(123, 'y') + "[386Enh]\r\nmouse=*vmouse\r\n"},
        {"[386Enh]\r\n" + LongText(125, 'y') + "mouse\r\nz\r\n",
         "[386Enh]\r\nmouse=*vmouse\r\nz\r\n"},
        // 18: a long last line without a line end.
        {"[386Enh]\r\n" + x130 + x130, "[386Enh]\r\n" + x130 + x130},
        // 19/20: a NUL is copied like any other byte and does not join its
        // line to the next one, in a short line and in a long one.
        {"[boot]\r\nshell=Explorer.exe" + nul + "junk\r\n[386Enh]\r\nmouse=a\r\n",
         "[boot]\r\nshell=Explorer.exe" + nul + "junk\r\n[386Enh]\r\nmouse=*vmouse\r\n"},
        {"[386Enh]\r\n" + x130 + nul + x130 + "\r\nmouse=a\r\n" + nul,
         "[386Enh]\r\n" + x130 + nul + x130 + "\r\nmouse=*vmouse\r\n" + nul},
        // 21: text after a NUL is part of the line: its "mouse" counts.
        {"[386Enh]\r\ndevice=x" + nul + "mouse\r\nmouse=a\r\n",
         "[386Enh]\r\nmouse=*vmouse\r\nmouse=a\r\n"},
        // 22: split 7+1, the longest the seam must carry.
        {LongText(120, 'y') + "[386Enh]\r\nmouse=a\r\n",
         LongText(120, 'y') + "[386Enh]\r\nmouse=*vmouse\r\n"},
        // 23: the first 1024 bytes (one compared read) the same, the change after them.
        {"[386Enh]\r\n;" + LongText(1011, 'y') + "\r\nmouse=a\r\n",
         "[386Enh]\r\n;" + LongText(1011, 'y') + "\r\nmouse=*vmouse\r\n"},
        // 24: the built-in driver already, in another letter case: kept.
        {"[386Enh]\r\nmouse=*VMOUSE\r\n", "[386Enh]\r\nmouse=*VMOUSE\r\n"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        ResetIni();
        ASSERT_TRUE(testing_machine::WriteFile(Ini(), rows[i].input)) << "row " << i;

        SwitchSystemIni(WindowsDir().c_str());

        EXPECT_EQ(rows[i].expected, Read(Ini())) << "row " << i;
        // A rewrite that changes nothing leaves no system.bak behind.
        EXPECT_EQ(rows[i].expected == rows[i].input ? "<missing>" : rows[i].input, Read(Bak()))
            << "row " << i;
        EXPECT_FALSE(testing_machine::Exists(New())) << "row " << i;
    }
}

// A last line of every length around the multiples of a read, ended by a
// line end, by Ctrl-Z or by nothing, is copied byte for byte.
TEST(SystemIni, LastLineOfAnyLengthIsKept) {
    const char* const ends[] = {"", "\x1A", "\r\n"};
    const size_t lengths[] = {1, 126, 127, 128, 253, 254, 255, 380, 381, 382};
    for (const char* end : ends) {
        for (size_t length : lengths) {
            ResetIni();
            const std::string last = ("device=" + LongText(length, 'a')).substr(0, length);
            const std::string input = "[386Enh]\r\nmouse=x\r\n" + last + end;
            ASSERT_TRUE(testing_machine::WriteFile(Ini(), input));

            SwitchSystemIni(WindowsDir().c_str());

            EXPECT_EQ("[386Enh]\r\nmouse=*vmouse\r\n" + last + end, Read(Ini()))
                << "length " << length << ", end " << testing::PrintToString(end);
            EXPECT_EQ(input, Read(Bak())) << "length " << length;
        }
    }
}

TEST(SystemIni, SetsTheVxdAside) {
    struct Row {
        int vxd;      // VMOUSE.VXD before: 0 none, 1 a file, 2 a directory
        bool oldBak;  // an older VMOUSE.BAK and system.bak present before
        int result;
        const char* bak;  // VMOUSE.BAK afterwards
    } rows[] = {
        {1, false, 1, "new vxd"},
        {1, true, 1, "new vxd"},
        // Nothing to take its place: the older backup stays, and there was
        // nothing to do.
        {0, true, 1, "old bak"},
        {0, false, 1, "<missing>"},
        {2, true, 1, "old bak"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        ResetIni();
        testing_machine::WriteFile(Ini(), "[386Enh]\r\nmouse=a\r\n");
        if (rows[i].vxd == 1) {
            testing_machine::WriteFile(Vxd(), "new vxd");
        } else if (rows[i].vxd == 2) {
            testing_machine::MakeDirs(Vxd());
        }
        if (rows[i].oldBak) {
            testing_machine::WriteFile(VxdBak(), "old bak");
            testing_machine::WriteFile(Bak(), "old system.bak");
        }

        EXPECT_EQ(rows[i].result, SwitchSystemIni(WindowsDir().c_str())) << "row " << i;

        EXPECT_EQ(rows[i].vxd == 2, testing_machine::Exists(Vxd())) << "row " << i;
        EXPECT_EQ(rows[i].bak, Read(VxdBak())) << "row " << i;
        EXPECT_EQ("[386Enh]\r\nmouse=*vmouse\r\n", Read(Ini())) << "row " << i;
        EXPECT_EQ("[386Enh]\r\nmouse=a\r\n", Read(Bak())) << "row " << i;
        plat::DirRemove(Vxd().c_str());
    }
}

// A second setup finds its own mouse line: the rewrite would change no
// byte, so system.ini, system.bak and VMOUSE.BAK, the only copies of what
// was there before the first setup, all stay.
TEST(SystemIni, SecondSetupKeepsTheFirstBackups) {
    const std::string original =
        "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\nmouse=vlmouse.vxd\r\n";
    const std::string switched = "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\nmouse=*vmouse\r\n";
    ResetIni();
    testing_machine::WriteFile(Ini(), original);
    testing_machine::WriteFile(Vxd(), "vxd");

    EXPECT_EQ(1, SwitchSystemIni(WindowsDir().c_str()));
    EXPECT_EQ(1, SwitchSystemIni(WindowsDir().c_str()));

    EXPECT_EQ(switched, Read(Ini()));
    EXPECT_EQ(original, Read(Bak()));
    EXPECT_FALSE(testing_machine::Exists(New()));
    EXPECT_FALSE(testing_machine::Exists(Vxd()));
    EXPECT_EQ("vxd", Read(VxdBak()));

    // A file the rewrite leaves as it is gets no system.bak either.
    ResetIni();
    testing_machine::WriteFile(Ini(), "[386Enh]\r\ndevice=x\r\n");
    SwitchSystemIni(WindowsDir().c_str());
    EXPECT_EQ("[386Enh]\r\ndevice=x\r\n", Read(Ini()));
    EXPECT_FALSE(testing_machine::Exists(Bak()));
    EXPECT_FALSE(testing_machine::Exists(New()));
}

TEST(SystemIni, NothingIsRenamedWithoutACompleteNewFile) {
    struct Row {
        bool ini;       // system.ini present
        bool newIsDir;  // system.new cannot be created
    } rows[] = {
        {false, false},
        {true, true},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        ResetIni();
        if (rows[i].ini) {
            testing_machine::WriteFile(Ini(), "[386Enh]\r\nmouse=a\r\n");
        }
        if (rows[i].newIsDir) {
            testing_machine::MakeDirs(New());
        }
        testing_machine::WriteFile(Bak(), "older backup");
        testing_machine::WriteFile(Vxd(), "vxd");

        EXPECT_EQ(0, SwitchSystemIni(WindowsDir().c_str())) << "row " << i;

        EXPECT_EQ(rows[i].ini ? "[386Enh]\r\nmouse=a\r\n" : "<missing>", Read(Ini()))
            << "row " << i;
        EXPECT_EQ("older backup", Read(Bak())) << "row " << i;
        EXPECT_EQ("vxd", Read(Vxd())) << "row " << i;
        if (!rows[i].newIsDir) {
            EXPECT_FALSE(testing_machine::Exists(New())) << "row " << i;
        }
    }
}

TEST(SystemIni, BackupThatCannotBeDeletedKeepsSystemIni) {
    // system.bak is a directory here: it cannot be deleted, nothing is
    // renamed, system.ini stays untouched and the failure is returned.
    ResetIni();
    testing_machine::WriteFile(Ini(), "[386Enh]\r\nmouse=a\r\n");
    testing_machine::MakeDirs(Bak());

    EXPECT_EQ(0, SwitchSystemIni(WindowsDir().c_str()));

    EXPECT_EQ("[386Enh]\r\nmouse=a\r\n", Read(Ini()));
    EXPECT_FALSE(testing_machine::Exists(New()));
}
