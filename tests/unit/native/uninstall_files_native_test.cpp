// The uninstall's file rules over the POSIX stand-ins: the [386Enh] mouse
// line and VMOUSE.VXD put back after a real switch-over, failed renames and
// writes that never lose system.ini, the uninstall list, and WININIT.INI.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "footprint/footprint.h"
#include "install/system_ini.h"
#include "model/setup_data.h"
#include "platform/files.h"
#include "platform/posix/machine.h"
#include "platform/text.h"
#include "record/install_record.h"
#include "record/result_file.h"
#include "support/test_machine.h"
#include "support/test_registry.h"
#include "uninstall/switches.h"
#include "uninstall/undo.h"

using plat::posix::InjectFault;
using plat::posix::Op;

namespace {

const char kWindows[] = "C:\\WINDOWS";
const char kSystem[] = "C:\\WINDOWS\\SYSTEM";
const char kIni[] = "C:\\WINDOWS\\system.ini";
const char kBak[] = "C:\\WINDOWS\\system.bak";
const char kVxd[] = "C:\\WINDOWS\\SYSTEM\\VMM32\\VMOUSE.VXD";
const char kVxdBak[] = "C:\\WINDOWS\\SYSTEM\\VMM32\\VMOUSE.BAK";

std::string Read(const std::string& path) {
    std::string bytes;
    return testing_machine::ReadFile(path, &bytes) ? bytes : std::string("<missing>");
}

std::vector<std::string> Leftovers(const UndoReport& r) {
    std::vector<std::string> out;
    for (int i = 0; i < r.count; i++) {
        out.push_back(std::to_string(r.leftovers[i].kind) + " " + r.leftovers[i].subject);
    }
    return out;
}

// A machine whose system.ini went through a real switch-over.
void SwitchedMachine(const std::string& ini) {
    testing_machine::Reset();
    text::Copy(gChoices.windowsDir, sizeof gChoices.windowsDir, kWindows);
    testing_machine::WriteFile(kIni, ini);
    testing_machine::WriteFile(kVxd, "vxd bytes");
    SwitchSystemIni(kWindows);
}

std::vector<std::string> Files(const char* dir) {
    std::vector<std::string> names;
    const char* candidates[] = {"system.ini", "system.bak", "system.new", "system.un$"};
    for (const char* c : candidates) {
        if (testing_machine::Exists(std::string(dir) + "\\" + c)) {
            names.push_back(c);
        }
    }
    return names;
}

}  // namespace

TEST(UninstallSystemIni, MouseLinePutBackByteForByte) {
    struct Row {
        int line;
        const char* what;
        std::string ini;
    } rows[] = {
        {__LINE__, "plain", "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\nmouse=msmouse.vxd\r\n"},
        {__LINE__, "last line without a line end", "[386Enh]\r\nkeyboard=*vkd\r\nmouse=vm.vxd"},
        {__LINE__, "comment first, blanks around the value",
         "[boot]\r\n[386Enh]\r\n;mouse=old\r\n mouse = msmouse.vxd \r\nebios=*ebios\r\n"},
        {__LINE__, "two [386Enh] sections",
         "[386Enh]\r\nmouse=a.vxd\r\n[x]\r\n[386Enh]\r\nmouse=b.vxd\r\n"},
        {__LINE__, "four [386Enh] sections: as many lines as are put back",
         "[386Enh]\r\nmouse=a\r\n[386Enh]\r\nmouse=b\r\n"
         "[386Enh]\r\nmouse=c\r\n[386Enh]\r\nmouse=d\r\n"},
        {__LINE__, "a long line before the mouse line",
         "[386Enh]\r\n" + std::string(300, 'k') + "\r\nmouse=long.vxd\r\n"},
        {__LINE__, "a NUL inside the shell line",
         std::string("[boot]\r\nshell=Explorer.exe\0junk\r\nmouse.drv=mouse.drv\r\n", 54) +
             "[386Enh]\r\nmouse=m.vxd\r\n"},
        {__LINE__, "a comment of 1100 characters mentioning mouse before the mouse line",
         "[386Enh]\r\n;" + std::string(1030, 'c') + " mouse " + std::string(60, 'c') +
             "\r\nmouse=m.vxd\r\n"},
        {__LINE__, "five [386Enh] sections, five mouse lines",
         "[386Enh]\r\nmouse=1\r\n[386Enh]\r\nmouse=2\r\n[386Enh]\r\nmouse=3\r\n"
         "[386Enh]\r\nmouse=4\r\n[386Enh]\r\nmouse=5\r\n"},
        {__LINE__, "a mouse line of 1100 characters",
         "[386Enh]\r\nmouse=" + std::string(1100, 'v') + "\r\nnext=1\r\n"},
        {__LINE__, "[386Enh] across the 1023rd byte",
         std::string(1018, ';') + "\r\n[386Enh]\r\nmouse=m.vxd\r\n"},
        {__LINE__, "a header line holding mouse", "[386Enh] ; mouse below\r\nmouse=m.vxd\r\n"},
        {__LINE__, "[386Enh] glued to a mouse line", "mouse.drv=x[386Enh]\r\nmouse=m.vxd\r\n"},
        {__LINE__, "LF-only lines and a final Ctrl-Z", "[386Enh]\nmouse=m.vxd\nx=1\n\x1A"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line << ": " << row.what);
        SwitchedMachine(row.ini);
        ASSERT_NE(row.ini, Read(kIni));
        UndoReport r = UndoReport();
        RestoreSystemIni(kWindows, kSystem, &r, kBak);
        EXPECT_EQ(row.ini, Read(kIni));
        EXPECT_EQ("vxd bytes", Read(kVxd));
        EXPECT_FALSE(testing_machine::Exists(kVxdBak));
        EXPECT_EQ(std::vector<std::string>{"system.ini"}, Files(kWindows));
        EXPECT_EQ(std::vector<std::string>{}, Leftovers(r));
        EXPECT_EQ(1, r.changed);
        UndoReport again = UndoReport();
        RestoreSystemIni(kWindows, kSystem, &again, kBak);
        EXPECT_EQ(row.ini, Read(kIni));
        EXPECT_EQ(0, again.changed);
        EXPECT_EQ(std::vector<std::string>{}, Leftovers(again));
    }
}

TEST(UninstallSystemIni, WhatCannotBePutBackIsKeptAndReported) {
    const std::string plain = "[386Enh]\r\nmouse=msmouse.vxd\r\n";
    struct Row {
        int line;
        const char* what;
        std::string systemIni;  // system.ini after setup, as the row leaves it
        bool keepBak;
        std::vector<std::string> leftovers;
        std::string original;  // system.ini before setup; "" for ini
        bool builtIn = false;  // the record: the line was the built-in driver's
    } rows[] = {
        {__LINE__,
         "the user changed the line",
         "[386Enh]\r\nmouse=other.vxd\r\n",
         true,
         {"5 mouse=other.vxd"},
         ""},
        {__LINE__, "no system.bak", "", false, {"9 mouse=*vmouse"}, ""},
        {__LINE__,
         "no system.bak: the built-in driver before setup",
         "",
         false,
         {},
         "[386Enh]\r\nmouse=*vmouse\r\n",
         true},
        {__LINE__,
         "system.bak holds setup's line too (a second setup)",
         "",
         true,
         {"9 mouse=*vmouse"},
         ""},
        // Lines up to the 512 bytes kept of a line compare from memory,
        // longer ones from the files: a change in the last byte counts.
        {__LINE__,
         "a 512-byte line changed in its last byte",
         "[386Enh]\r\nmouse=" + std::string(505, 'v') + "w\r\n",
         true,
         {"5 mouse=" + std::string(153, 'v')},
         "[386Enh]\r\nmouse=" + std::string(506, 'v') + "\r\n"},
        {__LINE__,
         "a 513-byte line changed in its last byte",
         "[386Enh]\r\nmouse=" + std::string(506, 'v') + "w\r\n",
         true,
         {"5 mouse=" + std::string(153, 'v')},
         "[386Enh]\r\nmouse=" + std::string(507, 'v') + "\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line << ": " << row.what);
        const std::string& ini = row.original.empty() ? plain : row.original;
        SwitchedMachine(ini);
        if (!row.systemIni.empty()) {
            testing_machine::WriteFile(kIni, row.systemIni);
        }
        if (!row.keepBak) {
            plat::FileDelete(kBak);
        } else if (row.systemIni.empty()) {
            testing_machine::WriteFile(kBak, Read(kIni));
        }
        std::string before = Read(kIni);
        UndoReport r = UndoReport();
        RestoreSystemIni(kWindows, kSystem, &r, kBak, row.builtIn);
        EXPECT_EQ(before, Read(kIni));
        if (!row.keepBak) {
            EXPECT_FALSE(testing_machine::Exists(kBak));
        } else if (!row.systemIni.empty()) {
            EXPECT_EQ(ini, Read(kBak));
        }
        EXPECT_EQ(row.leftovers, Leftovers(r));
    }
}

TEST(UninstallSystemIni, FailuresNeverLoseSystemIni) {
    const std::string ini = "[386Enh]\r\nmouse=msmouse.vxd\r\n";
    struct Row {
        int line;
        Op op;
        const char* match;
        int skip;
    } rows[] = {
        {__LINE__, Op::FileCreate, "system.new", 0}, {__LINE__, Op::FileWrite, "system.new", 0},
        {__LINE__, Op::FileClose, "system.new", 0},  {__LINE__, Op::FileOpenRead, "system.ini", 0},
        {__LINE__, Op::FileCreate, "system.un$", 0},  // the copy set aside
        {__LINE__, Op::FileFlush, "system.un$", 0},   // ... put on the disk
        {__LINE__, Op::FileDelete, "system.ini", 0},  // system.ini stays where it is
        {__LINE__, Op::FileRename, "system.new", 0},  // system.new into its place
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line);
        SwitchedMachine(ini);
        std::string switched = Read(kIni);
        InjectFault(row.op, row.match, row.skip);
        UndoReport r = UndoReport();
        RestoreSystemIni(kWindows, kSystem, &r, kBak);
        plat::posix::ClearFaults();
        EXPECT_EQ(switched, Read(kIni));
        EXPECT_EQ(ini, Read(kBak));
        EXPECT_EQ((std::vector<std::string>{"system.ini", "system.bak"}), Files(kWindows));
        ASSERT_EQ(1, r.count);
        EXPECT_EQ(kLeftFailed, r.leftovers[0].kind);
        // The next run puts it back.
        UndoReport again = UndoReport();
        RestoreSystemIni(kWindows, kSystem, &again, kBak);
        EXPECT_EQ(ini, Read(kIni));
    }
}

TEST(UninstallSystemIni, InterruptedBetweenRenamesIsFinishedByTheNextRun) {
    const std::string ini = "[386Enh]\r\nmouse=msmouse.vxd\r\n";
    SwitchedMachine(ini);
    std::string switched = Read(kIni);
    // What a stop after the first rename leaves.
    ASSERT_TRUE(plat::FileRename(kIni, "C:\\WINDOWS\\system.un$"));
    UndoReport r = UndoReport();
    RestoreSystemIni(kWindows, kSystem, &r, kBak);
    EXPECT_EQ(ini, Read(kIni));
    EXPECT_EQ(std::vector<std::string>{"system.ini"}, Files(kWindows));
}

namespace {

const char kInstall[] = "C:\\VELOR";
const char kProgram[] = "C:\\VELOR\\UNINSTAL.EXE";

const char kList[] =
    "[Startup]\r\nTitle=Velor Mouse\r\nMouseDriver=VLMOUSE.VXD\r\n"
    "[Files]\r\n1=Install, Q7MAIN.EXE\r\n2=Install, HELP\\VELOR.HLP\r\n"
    "3=Install, UNINSTAL.EXE\r\n4=Windows, SYSTEM\\VLMOUSE.VXD\r\n5=Inf, VLMOUSE.INF\r\n"
    "6=Install, ..\\WINDOWS\\WIN.INI\r\n7=Other, X.TXT\r\n8=Install, C:\\AUTOEXEC.BAT\r\n"
    "9=Install, HELP\\..\r\n10=Install, .\\UNINSTAL.INF\r\n11=Install, SETUP.INF.\r\n"
    "12=Install, HELP/VELOR.HLP\r\n"
    "[Directories]\r\n1=Install,\r\n2=Install, HELP\r\n";

void InstalledMachine(const char* list) {
    testing_machine::Reset();
    const char* files[] = {"C:\\VELOR\\Q7MAIN.EXE",
                           "C:\\VELOR\\HELP\\VELOR.HLP",
                           kProgram,
                           "C:\\VELOR\\SETUP.INF",
                           "C:\\WINDOWS\\SYSTEM\\VLMOUSE.VXD",
                           "C:\\WINDOWS\\INF\\VLMOUSE.INF",
                           "C:\\WINDOWS\\WIN.INI",
                           "C:\\AUTOEXEC.BAT",
                           "C:\\VELOR\\Q7PAGE.DLL"};
    for (const char* f : files) {
        testing_machine::WriteFile(f, "x");
    }
    // A record of this product's (an empty one, as an older setup's would be).
    testing_machine::WriteFile("C:\\VELOR\\SETUP.INF", "[End]\r\nWhole=1\r\n");
    if (list != nullptr) {
        testing_machine::WriteFile("C:\\VELOR\\UNINSTAL.INF", list);
    }
}

void RemoveWithList(UndoReport* r) {
    static UndoContext undo;
    OpenUndo(&undo, {kInstall, kWindows, kSystem, kProgram});
    text::Copy(undo.pageLibrary, kUndoPath, "C:\\VELOR\\Q7PAGE.DLL");
    text::Copy(undo.application, kUndoPath, "C:\\VELOR\\Q7MAIN.EXE");
    RemoveInstalledFiles(undo, r);
    RemoveInstallDirectory(undo, r);
}

std::vector<std::string> RestartList(const UndoReport& r) {
    return std::vector<std::string>(r.restartList, r.restartList + r.restartFiles);
}

}  // namespace

TEST(UninstallFiles, ListedFilesGoNowOrAtTheNextStart) {
    InstalledMachine(kList);
    InjectFault(Op::FileDelete, "VLMOUSE.INF");  // in use
    UndoReport r = UndoReport();
    RemoveWithList(&r);
    plat::posix::ClearFaults();
    EXPECT_FALSE(testing_machine::Exists("C:\\VELOR\\Q7MAIN.EXE"));
    EXPECT_FALSE(testing_machine::Exists("C:\\VELOR\\HELP"));
    // Not listed, and the entries that leave the installation's places.
    EXPECT_TRUE(testing_machine::Exists("C:\\VELOR\\Q7PAGE.DLL"));
    EXPECT_TRUE(testing_machine::Exists("C:\\WINDOWS\\WIN.INI"));
    EXPECT_TRUE(testing_machine::Exists("C:\\AUTOEXEC.BAT"));
    // The driver, the program, the list and the record stay until the restart.
    std::vector<std::string> later = {"C:\\VELOR\\UNINSTAL.EXE", "C:\\WINDOWS\\SYSTEM\\VLMOUSE.VXD",
                                      "C:\\WINDOWS\\INF\\VLMOUSE.INF", "C:\\VELOR\\UNINSTAL.INF",
                                      "C:\\VELOR\\SETUP.INF"};
    EXPECT_EQ(later, RestartList(r));
    for (const std::string& f : later) {
        EXPECT_TRUE(testing_machine::Exists(f)) << f;
    }
    // Other spellings of the list and the record are refused, not deleted.
    std::vector<std::string> left = {"6 Install, ..\\WINDOWS\\WIN.INI", "6 Other, X.TXT",
                                     "6 Install, C:\\AUTOEXEC.BAT",     "6 Install, HELP\\..",
                                     "6 Install, .\\UNINSTAL.INF",      "6 Install, SETUP.INF.",
                                     "6 Install, HELP/VELOR.HLP",       "7 C:\\VELOR"};
    EXPECT_EQ(left, Leftovers(r));

    ASSERT_EQ(1, ScheduleRestartDeletes(kWindows, &r));
    std::string wininit = "[rename]\r\n";
    for (const std::string& f : later) {
        wininit += "NUL=" + f + "\r\n";
    }
    // What went now is named too: its delete may reach the disk late.
    wininit += "NUL=C:\\VELOR\\Q7MAIN.EXE\r\nNUL=C:\\VELOR\\HELP\\VELOR.HLP\r\n";
    EXPECT_EQ(wininit, Read("C:\\WINDOWS\\WININIT.INI"));
    // ... and so is the folder removed now, for after that start.
    EXPECT_EQ("C:\\WINDOWS\\COMMAND.COM /c rd C:\\VELOR\\HELP",
              testing_registry::Read(
                  "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                  "VelorPoint")
                  .data);
    // A second run removes the file no longer in use, and adds nothing to
    // WININIT.INI.
    UndoReport again = UndoReport();
    RemoveWithList(&again);
    ASSERT_EQ(1, ScheduleRestartDeletes(kWindows, &again));
    EXPECT_EQ(wininit, Read("C:\\WINDOWS\\WININIT.INI"));
    EXPECT_FALSE(testing_machine::Exists("C:\\WINDOWS\\INF\\VLMOUSE.INF"));
}

TEST(UninstallFiles, WithoutAListTheNamedProgramsGo) {
    InstalledMachine(nullptr);
    UndoReport r = UndoReport();
    RemoveWithList(&r);
    EXPECT_FALSE(testing_machine::Exists("C:\\VELOR\\Q7MAIN.EXE"));
    EXPECT_FALSE(testing_machine::Exists("C:\\VELOR\\Q7PAGE.DLL"));
    EXPECT_TRUE(testing_machine::Exists("C:\\VELOR\\HELP\\VELOR.HLP"));
    EXPECT_EQ(std::vector<std::string>{"8 C:\\VELOR"}, Leftovers(r));
    EXPECT_EQ((std::vector<std::string>{kProgram, "C:\\VELOR\\SETUP.INF"}), RestartList(r));
}

TEST(UninstallFiles, WininitKeepsWhatIsThere) {
    struct Row {
        int line;
        const char* what;
        std::string before;
        std::string after;
    } rows[] = {
        {__LINE__, "a [rename] section with others around it",
         "[Other]\r\na=b\r\n[rename]\r\nNUL=C:\\OLD.TMP\r\n[Last]\r\nc=d",
         "[Other]\r\na=b\r\n[rename]\r\nNUL=C:\\OLD.TMP\r\nNUL=C:\\A.TXT\r\n[Last]\r\nc=d"},
        {__LINE__, "no [rename] section, no line end at the end", "[Other]\r\na=b",
         "[Other]\r\na=b\r\n[rename]\r\nNUL=C:\\A.TXT\r\n"},
        {__LINE__, "the line is there already", "[RENAME]\r\nnul=c:\\a.txt\r\n",
         "[RENAME]\r\nnul=c:\\a.txt\r\n"},
        {__LINE__, "the line in another section does not count", "[Other]\r\nNUL=C:\\A.TXT\r\n",
         "[Other]\r\nNUL=C:\\A.TXT\r\n[rename]\r\nNUL=C:\\A.TXT\r\n"},
        {__LINE__, "a blank after the header, LF-only lines", "[rename] \nNUL=C:\\OLD\n",
         "[rename] \nNUL=C:\\OLD\nNUL=C:\\A.TXT\r\n"},
        {__LINE__, "a line that only begins the same", "[rename]\r\nNUL=C:\\A.TXT.OLD\r\n",
         "[rename]\r\nNUL=C:\\A.TXT.OLD\r\nNUL=C:\\A.TXT\r\n"},
        {__LINE__, "the line only as the tail of a long line, a NUL kept",
         "[rename]\r\nX=" + std::string(1030, 'y') + "NUL=C:\\A.TXT\r\n" +
             std::string("NUL=C:\\B\0NUL=C:\\A.TXT\r\n", 23),
         "[rename]\r\nX=" + std::string(1030, 'y') + "NUL=C:\\A.TXT\r\n" +
             std::string("NUL=C:\\B\0NUL=C:\\A.TXT\r\n", 23) + "NUL=C:\\A.TXT\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line << ": " << row.what);
        testing_machine::Reset();
        testing_machine::WriteFile("C:\\A.TXT", "x");
        testing_machine::WriteFile("C:\\WINDOWS\\WININIT.INI", row.before);
        UndoReport r = UndoReport();
        text::Copy(r.restartList[0], kUndoPath, "C:\\A.TXT");
        r.restartFiles = 1;
        EXPECT_EQ(1, ScheduleRestartDeletes(kWindows, &r));
        EXPECT_EQ(row.after, Read("C:\\WINDOWS\\WININIT.INI"));
    }
    // A failed write leaves the file as it was.
    testing_machine::Reset();
    testing_machine::WriteFile("C:\\A.TXT", "x");
    testing_machine::WriteFile("C:\\WINDOWS\\WININIT.INI", "[Other]\r\na=b\r\n");
    InjectFault(Op::FileWrite, "WININIT");
    UndoReport r = UndoReport();
    text::Copy(r.restartList[0], kUndoPath, "C:\\A.TXT");
    r.restartFiles = 1;
    EXPECT_EQ(0, ScheduleRestartDeletes(kWindows, &r));
    plat::posix::ClearFaults();
    EXPECT_EQ("[Other]\r\na=b\r\n", Read("C:\\WINDOWS\\WININIT.INI"));
    EXPECT_FALSE(testing_machine::Exists("C:\\WINDOWS\\WININIT.NEW"));
}

TEST(UninstallFiles, FromItsCopyTheInstallFolderGoesUnlessTheUserFilledIt) {
    const char kCopy[] = "C:\\WINDOWS\\TEMP\\~VPUN00.EXE";
    const char kOurs[] =
        "[Files]\r\n1=Install, Q7MAIN.EXE\r\n2=Install, UNINSTAL.EXE\r\n3=Install, UNINSTAL.INF\r\n"
        "4=Install, HELP\\VELOR.HLP\r\n5=Install, Q7PAGE.DLL\r\n"
        "[Directories]\r\n";
    struct Row {
        int line;
        const char* userFile;  // "" for none
        const char* inUse;     // a file that goes at the next start; "" for none
        std::vector<std::string> leftovers;
        int outcome;  // the run's result code: the copy's own file waiting is no restart
        const char* directories = "1=Install,\r\n2=Install, HELP\r\n";
    } rows[] = {
        {__LINE__, "", "", {}, kResultDone},
        {__LINE__, "C:\\VELOR\\NOTES.TXT", "", {"7 C:\\VELOR"}, kResultFailed},
        {__LINE__,
         "C:\\VELOR\\HELP\\MY.HLP",
         "",
         {"7 C:\\VELOR\\HELP", "7 C:\\VELOR"},
         kResultFailed},
        {__LINE__, "", "Q7MAIN.EXE", {}, kResultRestart},  // the folder stays, not named
        // The first entry of the section is a folder like any other.
        {__LINE__, "", "", {}, kResultDone, "1=Install, HELP\r\n2=Install,\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line);
        InstalledMachine((std::string(kOurs) + row.directories).c_str());
        testing_machine::WriteFile(kCopy, "copy");
        if (row.userFile[0] != 0) {
            testing_machine::WriteFile(row.userFile, "mine");
        }
        if (row.inUse[0] != 0) {
            InjectFault(Op::FileDelete, row.inUse);
        }
        UndoReport r = UndoReport();
        UndoContext undo;
        OpenUndo(&undo, {kInstall, kWindows, kSystem, kCopy});
        RemoveInstalledFiles(undo, &r);
        RemoveInstallDirectory(undo, &r);
        plat::posix::ClearFaults();
        EXPECT_EQ(row.leftovers, Leftovers(r));
        int restart = -1;
        EXPECT_EQ(row.outcome, UndoOutcome(undo, r, &restart));
        EXPECT_EQ(row.inUse[0] != 0, restart);
        EXPECT_EQ(row.userFile[0] != 0 || row.inUse[0] != 0, testing_machine::Exists(kInstall));
        // The folder whose last file goes at the next start goes after it.
        testing_registry::Value runOnce = testing_registry::Read(
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
            "VelorPoint");
        EXPECT_EQ(row.inUse[0] != 0 ? "C:\\WINDOWS\\COMMAND.COM /c rd C:\\VELOR" : "",
                  runOnce.present ? runOnce.data : "");
        for (const char* ours : {kProgram, "C:\\VELOR\\UNINSTAL.INF", "C:\\VELOR\\SETUP.INF"}) {
            EXPECT_FALSE(testing_machine::Exists(ours)) << ours;
        }
    }
}

TEST(UninstallFiles, TheFinishingCopyTakesAFreeNameAndGoesAtTheNextStart) {
    testing_machine::Reset();
    testing_machine::WriteFile(kProgram, "program bytes");
    testing_machine::WriteFile("C:\\TEMP\\~VPUN00.EXE", "someone's");
    char copy[kUndoPath];
    ASSERT_EQ(1, MakeFinishingCopy(kProgram, "C:\\TEMP\\", kWindows, copy));
    EXPECT_STREQ("C:\\TEMP\\~VPUN01.EXE", copy);
    EXPECT_EQ("program bytes", Read(copy));
    EXPECT_EQ("someone's", Read("C:\\TEMP\\~VPUN00.EXE"));
    EXPECT_EQ("[rename]\r\nNUL=C:\\TEMP\\~VPUN01.EXE\r\n", Read("C:\\WINDOWS\\WININIT.INI"));
    // A copy that cannot be written leaves nothing: no file, no line.
    testing_machine::Reset();
    testing_machine::WriteFile(kProgram, "program bytes");
    InjectFault(Op::FileWrite, "~VPUN");
    EXPECT_EQ(0, MakeFinishingCopy(kProgram, kSystem, kWindows, copy));
    plat::posix::ClearFaults();
    EXPECT_FALSE(testing_machine::Exists("C:\\WINDOWS\\SYSTEM\\~VPUN00.EXE"));
    EXPECT_FALSE(testing_machine::Exists("C:\\WINDOWS\\WININIT.INI"));
}

TEST(UninstallFiles, TheFinishingCopyWorksOnlyOnAnInstallFolder) {
    const char kOurs[] = "[Files]\r\nAll=1\r\n";
    struct Row {
        int line;
        const char* what;
        const char* list;    // UNINSTAL.INF, or null
        const char* record;  // SETUP.INF, or null
        int holds;
        const char* original = nullptr;  // UNINSTAL.EXE of the folder, or null
    } rows[] = {
        {__LINE__, "the installation", kList, kOurs, 1},
        {__LINE__, "an older setup's record", kList, "[PS2]\r\nSubKey1=Enum\\BIOS\r\n", 1},
        {__LINE__, "the temp folder: other programs' script and list",
         "[Files]\r\n1=App, A.EXE\r\n", "[Main]\r\nProductName=Other\r\n", 0},
        {__LINE__, "a list without a record", kList, nullptr, 0},
        {__LINE__, "a record without a list", nullptr, kOurs, 0},
        // The record deleted: the folder's UNINSTAL.EXE is the copy's own.
        {__LINE__, "a list and the copy's own program", kList, nullptr, 1, "program bytes"},
        {__LINE__, "a list and another program", kList, nullptr, 0, "other bytes"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line << ": " << row.what);
        testing_machine::Reset();
        testing_machine::MakeDirs(kInstall);
        if (row.list != nullptr) {
            testing_machine::WriteFile("C:\\VELOR\\UNINSTAL.INF", row.list);
        }
        if (row.record != nullptr) {
            testing_machine::WriteFile("C:\\VELOR\\SETUP.INF", row.record);
        }
        if (row.original != nullptr) {
            testing_machine::WriteFile(kProgram, row.original);
        }
        testing_machine::WriteFile("C:\\WINDOWS\\TEMP\\~VPUN00.EXE", "program bytes");
        UndoContext undo;
        OpenUndo(&undo, {kInstall, kWindows, kSystem, "C:\\WINDOWS\\TEMP\\~VPUN00.EXE"});
        EXPECT_EQ(row.holds, HoldsInstallation(undo));
    }
}

// More files than WININIT.INI takes in one run are named; entries past the
// 200th of a section are named, not followed.
TEST(UninstallFiles, WhatGoesBeyondTheLimitsIsNamed) {
    struct Row {
        int line;
        int files;
        bool inUse;
        int restart, named;  // files left for the next start, leftovers of kind 6
    } rows[] = {
        {__LINE__, 30, true, kMaxRestartFiles, 30 - kMaxRestartFiles},
        {__LINE__, 201, false, 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line);
        testing_machine::Reset();
        std::string list = "[Files]\r\n";
        for (int i = 1; i <= row.files; i++) {
            std::string name = "F" + std::to_string(i) + ".DLL";
            list += std::to_string(i) + "=Install, " + name + "\r\n";
            testing_machine::WriteFile(std::string(kInstall) + "\\" + name, "x");
        }
        testing_machine::WriteFile("C:\\VELOR\\UNINSTAL.INF", list);
        if (row.inUse) {
            InjectFault(Op::FileDelete, "C:\\VELOR\\F");
        }
        UndoReport r = UndoReport();
        UndoContext undo;
        OpenUndo(&undo, {kInstall, kWindows, kSystem, "C:\\WINDOWS\\TEMP\\~VPUN00.EXE"});
        RemoveInstalledFiles(undo, &r);
        plat::posix::ClearFaults();
        int named = 0;
        for (int i = 0; i < r.count; i++) {
            named += r.leftovers[i].kind == kLeftFailed ? 1 : 0;
        }
        EXPECT_EQ(row.restart, r.restartFiles);
        EXPECT_EQ(row.named, named);
        EXPECT_EQ(row.inUse || row.files > footprint::kMaxListEntries,
                  testing_machine::Exists("C:\\VELOR\\F" + std::to_string(row.files) + ".DLL"));
    }
}
