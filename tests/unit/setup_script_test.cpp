// Loading SETUP.INF, the install plan, the install record and the texts the
// loader takes from the string table. Runs on both backends: the script lies
// in a scratch directory that the tests name as the program's own.
#include "script/setup_script.h"

#include <gtest/gtest.h>
#include <stdint.h>

#include <string>

#include "model/setup_data.h"
#include "model/string_ids.h"
#include "model/texts.h"
#include "platform/system.h"
#include "platform/text.h"
#include "support/test_machine.h"

namespace {

namespace tm = testing_machine;

const char kProgramFiles[] = "C:\\Program Files";  // both backends' answer here

class SetupScript : public ::testing::Test {
  protected:
    void SetUp() override {
        tm::Reset();
        disk_ = tm::Path("DISK");
        ASSERT_TRUE(tm::MakeDirs(disk_));
        program_ = disk_ + "\\SETUP.EXE";
        SetProgramPathForTest(program_.c_str());
        text::Copy(gChoices.windowsDir, sizeof gChoices.windowsDir, "C:\\WINDOWS");
    }
    void TearDown() override {
        ReleaseInstallPlan(gScript);
        SetProgramPathForTest(nullptr);
    }
    // Writes the script beside the program and loads it.
    void Load(const std::string& script) {
        ASSERT_TRUE(tm::WriteFile(disk_ + "\\SETUP.INF", script));
        ASSERT_EQ(1, LoadSetupScript(gScript, gChoices.windowsDir, LoadText));
    }
    const FileEntry& Entry(int i) { return gScript.installPlan[i]; }
    const GroupItem* Groups() {
        return reinterpret_cast<const GroupItem*>(gScript.diskFirstEntry[gScript.diskCount]);
    }

    std::string disk_;
    std::string program_;
};

struct EntryRow {
    const char* sourceDir;
    const char* targetDir;
    const char* sourceName;
    const char* targetName;
    const char* description;
    int32_t absolute;
};

void ExpectEntry(int line, int index, const FileEntry& got, const EntryRow& want) {
    std::string where = "line " + std::to_string(line) + ", record " + std::to_string(index);
    EXPECT_STREQ(want.sourceDir, got.SourceDir) << where;
    EXPECT_STREQ(want.targetDir, got.TargetDir) << where;
    EXPECT_STREQ(want.sourceName, got.SourceName) << where;
    EXPECT_STREQ(want.targetName, got.TargetName) << where;
    EXPECT_STREQ(want.description, got.Description) << where;
    EXPECT_EQ(want.absolute, got.Absolute) << where;
}

bool AllZero(const void* p, size_t bytes) {
    const unsigned char* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < bytes; i++) {
        if (b[i] != 0) {
            return false;
        }
    }
    return true;
}

const char kExample[] =
    "[Main]\r\n"
    "DefaultPath=\\VELOR\r\n"
    "ProductName=Velor Mouse\r\n"
    "MinimumSpace=800\r\n"
    "DefaultSerialMouse=0\r\n"
    "[DiskLabel]\r\n"
    "Disk1=Disk 1\r\n"
    "Disk2=Disk 2\r\n"
    "[FileCounts]\r\n"
    "Disk1=3\r\n"
    "Disk2=2\r\n"
    "[DirectoryName]\r\n"
    "RootDir=\r\n"
    "SubDir1=HELP\r\n"
    "WinInfDir=INF\r\n"
    "[Disk1]\r\n"
    "1=Q7MAIN.EXE, Q7MAIN.EXE, Mouse application, RootDir\r\n"
    "2=Q7PAGE.DLL, Q7PAGE.DLL, Property page, rootdir\r\n"
    "3=UNINSTAL.EXE, UNINSTAL.EXE, Uninstall program, RootDir\r\n"
    "[Disk2]\r\n"
    "1=HELP.HLP, HELP.HLP, Help file, SubDir1\r\n"
    "2=DRIVER.INF, DRIVER.INF, Driver information, WinInfDir\r\n"
    "[Startup]\r\n"
    "Title=Velor Mouse\r\n"
    "MouseInf=DRIVER.INF\r\n";

TEST_F(SetupScript, ExampleGivesTheDocumentedValues) {
    Load(kExample);
    EXPECT_STREQ((std::string(kProgramFiles) + "\\VELOR").c_str(), gScript.defaultDestDir);
    EXPECT_STREQ(disk_.c_str(), gScript.setupDir);
    EXPECT_STREQ("Velor Mouse", gScript.productName);
    EXPECT_STREQ("Velor Mouse Setup Program", gScript.caption);
    EXPECT_EQ(800, gScript.minimumSpace);
    EXPECT_EQ(0, gScript.defaultSerialMouse);
    EXPECT_EQ(0, gScript.oem);
    EXPECT_EQ(2, gScript.diskCount);
    EXPECT_EQ(3, gScript.diskFileCounts[0]);
    EXPECT_EQ(2, gScript.diskFileCounts[1]);
    EXPECT_EQ(5, gScript.totalFileCount);
    // Start positions 0, 3 and 5; after them the ten zero-filled GroupItem
    // records (600 bytes), the end of a plan of 5 * 176 + 600 bytes.
    ASSERT_NE(nullptr, gScript.installPlan);
    EXPECT_EQ(gScript.installPlan, gScript.diskFirstEntry[0]);
    EXPECT_EQ(gScript.installPlan + 3, gScript.diskFirstEntry[1]);
    EXPECT_EQ(gScript.installPlan + 5, gScript.diskFirstEntry[2]);
    EXPECT_EQ(5 * 176, reinterpret_cast<char*>(gScript.diskFirstEntry[2]) -
                           reinterpret_cast<char*>(gScript.installPlan));
    EXPECT_TRUE(AllZero(Groups(), 600));
    EXPECT_EQ(0, gScript.groupItemCount);
    const EntryRow want[] = {
        {"", "", "Q7MAIN.EXE", "Q7MAIN.EXE", "Mouse application", 0},
        {"", "", "Q7PAGE.DLL", "Q7PAGE.DLL", "Property page", 0},
        {"", "", "UNINSTAL.EXE", "UNINSTAL.EXE", "Uninstall program", 0},
        {"HELP", "HELP", "HELP.HLP", "HELP.HLP", "Help file", 0},
        {"INF", "C:\\WINDOWS\\INF", "DRIVER.INF", "DRIVER.INF", "Driver information", 1},
    };
    for (int i = 0; i < 5; i++) {
        ExpectEntry(__LINE__, i, Entry(i), want[i]);
    }
    EXPECT_STREQ("Velor Mouse", gScript.startupStrings.Title);
    EXPECT_STREQ("DRIVER.INF", gScript.startupStrings.MouseInf);
    EXPECT_STREQ("", gScript.startupStrings.Mfg);
    EXPECT_STREQ("HELP", gScript.directoryNames[kSubDir1]);
    EXPECT_STREQ("INF", gScript.directoryNames[kWinInfDir]);
}

TEST_F(SetupScript, NoScriptGivesDefaults) {
    text::Copy(gChoices.windowsDir, sizeof gChoices.windowsDir, "D:\\WINDOWS");
    ASSERT_EQ(1, LoadSetupScript(gScript, gChoices.windowsDir, LoadText));
    EXPECT_STREQ("D:\\VELOR", gScript.defaultDestDir);  // "C:\VELOR" on the Windows drive
    EXPECT_STREQ("Velor", gScript.productName);
    EXPECT_STREQ("Velor Setup Program", gScript.caption);
    EXPECT_STREQ("VELOR.GRP", gScript.groupName);
    EXPECT_STREQ("VELOR", gScript.groupTitle);
    EXPECT_EQ(1024, gScript.minimumSpace);
    EXPECT_EQ(1, gScript.defaultSerialMouse);
    EXPECT_EQ(0, gScript.oem);
    EXPECT_EQ(0, gScript.diskCount);
    EXPECT_EQ(0, gScript.totalFileCount);
    ASSERT_NE(nullptr, gScript.installPlan);
    EXPECT_EQ(gScript.installPlan, gScript.diskFirstEntry[0]);
    EXPECT_TRUE(AllZero(gScript.installPlan, 600));
}

TEST_F(SetupScript, OnlyProductNameLoads) {
    Load("[main]\r\nproductname=Wheel\r\n");
    EXPECT_STREQ("Wheel", gScript.productName);
    EXPECT_STREQ("Wheel Setup Program", gScript.caption);
    EXPECT_EQ(0, gScript.diskCount);
    EXPECT_EQ(gScript.installPlan, gScript.diskFirstEntry[0]);
}

TEST_F(SetupScript, ProgramDirectoryIsThePathUpToTheLastBackslash) {
    struct Row {
        const char* program;
        const char* setupDir;
    } rows[] = {
        /* 0 */ {"A:\\SETUP.EXE", "A:"},
        /* 1 */ {"C:\\INST\\DISK1\\SETUP.EXE", "C:\\INST\\DISK1"},
        /* 2 */ {"\\SETUP.EXE", "\\SETUP.EXE"},  // the first character is never examined
        /* 3 */ {"SETUP.EXE", "SETUP.EXE"},
        /* 4 */ {"A\\SETUP.EXE", "A"},  // the second character is the last one examined
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        SetProgramPathForTest(rows[i].program);
        ASSERT_EQ(1, LoadSetupScript(gScript, gChoices.windowsDir, LoadText)) << "row " << i;
        EXPECT_STREQ(rows[i].setupDir, gScript.setupDir) << "row " << i;
        ReleaseInstallPlan(gScript);
    }
    // A path longer than 79 characters is cut to 79 first, as the 80-byte
    // read of the module name does.
    std::string longPath = "C:\\" + std::string(70, 'D') + "\\ABCDEFGHIJ\\SETUP.EXE";
    SetProgramPathForTest(longPath.c_str());
    ASSERT_EQ(1, LoadSetupScript(gScript, gChoices.windowsDir, LoadText));
    EXPECT_STREQ(("C:\\" + std::string(70, 'D')).c_str(), gScript.setupDir);
    ReleaseInstallPlan(gScript);
    // Without a test path the system names the program.
    SetProgramPathForTest(nullptr);
    char own[80];
    plat::ModuleFileName(own, sizeof own);
    std::string dir = own;
    dir = dir.substr(0, dir.rfind('\\'));
    ASSERT_EQ(1, LoadSetupScript(gScript, gChoices.windowsDir, LoadText));
    EXPECT_EQ(dir, gScript.setupDir);
}

TEST_F(SetupScript, DestinationDirectoryRules) {
    std::string base = kProgramFiles;
    struct Row {
        const char* windowsDir;
        const char* defaultPath;  // null: the key is missing
        std::string expected;
    } rows[] = {
        /* 0 */ {"C:\\WINDOWS", "VELOR", base + "\\VELOR"},
        /* 1 */ {"C:\\WINDOWS", "\\VELOR", base + "\\VELOR"},
        /* 2 */ {"C:\\WINDOWS", "D:", base + "\\D:"},
        /* 3 */ {"C:\\WINDOWS", "", base + "\\"},
        /* 4 */ {"D:\\WINDOWS", "E:\\APPS\\VELOR", "D:\\APPS\\VELOR"},
        /* 5 */ {"D:\\WINDOWS", nullptr, "D:\\VELOR"},
        /* 6 */ {"C:\\WINDOWS", "x:y", "C:y"},
        /* 7 */ {"C:\\WINDOWS", "  VELOR  ", base + "\\VELOR"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        text::Copy(gChoices.windowsDir, sizeof gChoices.windowsDir, rows[i].windowsDir);
        std::string script = "[Main]\r\n";
        if (rows[i].defaultPath != nullptr) {
            script += std::string("DefaultPath=") + rows[i].defaultPath + "\r\n";
        }
        Load(script);
        EXPECT_EQ(rows[i].expected, gScript.defaultDestDir) << "row " << i;
        ReleaseInstallPlan(gScript);
    }
    // A destination that does not fit its 256 bytes is cut to 255 characters.
    std::string longPath(255, 'P');
    Load("[Main]\r\nDefaultPath=" + longPath + "\r\n");
    EXPECT_EQ(255u, text::Length(gScript.defaultDestDir));
    EXPECT_EQ((base + "\\" + longPath).substr(0, 255), gScript.defaultDestDir);
}

TEST_F(SetupScript, DiskCountCountsLabelsButReadsTheFirstDisks) {
    Load(
        "[DiskLabel]\r\nDisk2=Two\r\nDisk5=Five\r\n"
        "[FileCounts]\r\nDisk1=1\r\nDisk2=1\r\nDisk5=7\r\n"
        "[Disk1]\r\n1=A.EXE,A.EXE,first,RootDir\r\n"
        "[Disk2]\r\n1=B.EXE,B.EXE,second,RootDir\r\n"
        "[Disk5]\r\n1=E.EXE,E.EXE,fifth,RootDir\r\n");
    EXPECT_EQ(2, gScript.diskCount);
    EXPECT_EQ(1, gScript.diskFileCounts[0]);
    EXPECT_EQ(1, gScript.diskFileCounts[1]);
    EXPECT_EQ(0, gScript.diskFileCounts[4]);
    EXPECT_EQ(2, gScript.totalFileCount);
    EXPECT_STREQ("A.EXE", Entry(0).SourceName);
    EXPECT_STREQ("B.EXE", Entry(1).SourceName);
    EXPECT_EQ(gScript.installPlan + 2, gScript.diskFirstEntry[2]);
}

TEST_F(SetupScript, FileLineRules) {
    Load(
        "[DiskLabel]\r\nDisk1=One\r\nDisk2=Two\r\n"
        "[FileCounts]\r\nDisk1=4\r\nDisk2=3\r\n"
        "[DirectoryName]\r\nRootDir=ROOT\r\nSubDir6=SIX\r\nWinDir=W\r\nWinSystemDir=SYS\r\n"
        "[Disk1]\r\n"
        "1=  SRC.EXE  ,  DST.EXE ,  Two  blanks  stay ,  rootdir  \r\n"
        "2=THREE.TXT, THREE.TXT, three fields\r\n"
        "4=VXD.386, VXD.386, system, WINSYSTEMDIR\r\n"
        "[Disk2]\r\n"
        "1=W.INI, W.INI, windows, windir\r\n"
        "2=S.DLL, S.DLL, six, SubDir6\r\n"
        "3=N.DLL, N.DLL, no such keyword, SubDir7\r\n");
    EXPECT_EQ(7, gScript.totalFileCount);
    const EntryRow want[] = {
        /* 0 */ {"ROOT", "ROOT", "SRC.EXE", "DST.EXE", "Two  blanks  stay", 0},
        /* 1 */ {"", "", "THREE.TXT", "THREE.TXT", "three fields", 0},
        /* 2 */ {"", "", "", "", "", 0},  // key "3" missing: an all-zero record
        /* 3 */ {"SYS", "C:\\WINDOWS\\SYSTEM", "VXD.386", "VXD.386", "system", 1},
        /* 4 */ {"W", "C:\\WINDOWS", "W.INI", "W.INI", "windows", 1},
        /* 5 */ {"SIX", "SIX", "S.DLL", "S.DLL", "six", 0},
        /* 6 */ {"", "", "N.DLL", "N.DLL", "no such keyword", 0},
    };
    for (int i = 0; i < 7; i++) {
        ExpectEntry(__LINE__, i, Entry(i), want[i]);
    }
    EXPECT_TRUE(AllZero(&Entry(2), sizeof(FileEntry)));
    EXPECT_TRUE(AllZero(Groups(), 600));
}

TEST_F(SetupScript, FieldsAreCutToTheirWidths) {
    std::string w79(79, 'W');
    text::Copy(gChoices.windowsDir, sizeof gChoices.windowsDir, ("C:\\" + w79).c_str());
    std::string name20 = "ABCDEFGHIJKLMNOPQRST";
    std::string desc70(70, 'd');
    std::string dir50(50, 'S');
    Load("[Main]\r\nProductName=" + std::string(80, 'p') +
         "\r\n"
         "[DiskLabel]\r\nDisk1=" +
         std::string(50, 'L') + "\r\n[FileCounts]\r\nDisk1=3\r\n" +
         "[DirectoryName]\r\nSubDir1=" + dir50 + "\r\n[Disk1]\r\n1=" + name20 + "," + name20 + "," +
         desc70 + ",SubDir1\r\n2=A,B,C,WinSystemDir\r\n3=" + std::string(300, 'x') +
         "\r\n[PM Info]\r\n1=" + name20 + "," + std::string(45, 'g') + ",123456\r\n" +
         "[Startup]\r\nMfg=" + std::string(45, 'm') + "\r\nTitle=" + std::string(300, 't') +
         "\r\n");
    EXPECT_EQ(std::string(71, 'p'), gScript.productName);  // ProductName of 80: the first 71
    EXPECT_EQ(std::string(71, 'p') + " Setup Program", gScript.caption);
    EXPECT_EQ(std::string(39, 'L'), gScript.diskLabels[0]);
    EXPECT_EQ(dir50.substr(0, 39), gScript.directoryNames[kSubDir1]);
    EXPECT_EQ(dir50.substr(0, 39), Entry(0).SourceDir);
    EXPECT_EQ(dir50.substr(0, 39), Entry(0).TargetDir);
    EXPECT_EQ(name20.substr(0, 14), Entry(0).SourceName);
    EXPECT_EQ(name20.substr(0, 14), Entry(0).TargetName);
    EXPECT_EQ(desc70.substr(0, 61), Entry(0).Description);
    // The Windows directory with "\SYSTEM" does not fit 40 bytes: cut.
    EXPECT_EQ(("C:\\" + w79 + "\\SYSTEM").substr(0, 39), Entry(1).TargetDir);
    // A line longer than 255 characters is read cut to 255 and split.
    EXPECT_EQ(std::string(14, 'x'), Entry(2).SourceName);
    EXPECT_STREQ("", Entry(2).TargetName);
    EXPECT_EQ(1, gScript.groupItemCount);
    EXPECT_EQ(name20.substr(0, 14), Groups()[0].field1);
    EXPECT_EQ(std::string(39, 'g'), Groups()[0].field2);
    EXPECT_STREQ("1234", Groups()[0].field3);
    EXPECT_EQ(std::string(39, 'm'), gScript.startupStrings.Mfg);
    EXPECT_EQ(std::string(255, 't'), gScript.startupStrings.Title);
}

TEST_F(SetupScript, PmInfoStopsAtTheFirstGap) {
    Load(
        "[DiskLabel]\r\nDisk1=One\r\n[FileCounts]\r\nDisk1=1\r\n"
        "[PM Info]\r\n1=A.GRP, Group A, 1\r\n2=B.GRP,Group B,2\r\n4=D.GRP,Group D,4\r\n");
    EXPECT_EQ(2, gScript.groupItemCount);
    const GroupItem* g = Groups();
    EXPECT_EQ(reinterpret_cast<const void*>(gScript.installPlan + 1),
              reinterpret_cast<const void*>(g));
    EXPECT_STREQ("A.GRP", g[0].field1);
    EXPECT_STREQ("Group A", g[0].field2);
    EXPECT_STREQ("1", g[0].field3);
    EXPECT_STREQ("B.GRP", g[1].field1);
    EXPECT_TRUE(AllZero(&g[2], 8 * sizeof(GroupItem)));
}

TEST_F(SetupScript, FileCountsNegativeAndBeyondTheLimit) {
    struct Row {
        const char* counts;  // the [FileCounts] lines for disks 1-3
        int16_t d1, d2, d3, total;
    } rows[] = {
        /* 0 */ {"Disk1=-4\r\nDisk2=2\r\nDisk3=1\r\n", 0, 2, 1, 3},
        /* 1 */ {"Disk1=30000\r\nDisk2=2768\r\nDisk3=9\r\n", 30000, 2767, 0, 32767},  // 1 past
        // 40000 is held as a signed 16-bit value, -25536, and so counts as 0.
        /* 2 */ {"Disk1=40000\r\nDisk2=7\r\nDisk3=abc\r\n", 0, 7, 0, 7},
        // 70000 wraps to 4464 lines, 65536 to none; no message says so.
        /* 3 */ {"Disk1=70000\r\nDisk2=7\r\nDisk3=65536\r\n", 4464, 7, 0, 4471},
    };
    // Row 1 reads 32767 missing lines: about 17 s under Wine.
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        Load(std::string("[DiskLabel]\r\nDisk1=1\r\nDisk2=2\r\nDisk3=3\r\n[FileCounts]\r\n") +
             rows[i].counts + "[Disk2]\r\n1=LAST.EXE,LAST.EXE,last,RootDir\r\n");
        EXPECT_EQ(rows[i].d1, gScript.diskFileCounts[0]) << "row " << i;
        EXPECT_EQ(rows[i].d2, gScript.diskFileCounts[1]) << "row " << i;
        EXPECT_EQ(rows[i].d3, gScript.diskFileCounts[2]) << "row " << i;
        EXPECT_EQ(rows[i].total, gScript.totalFileCount) << "row " << i;
        EXPECT_EQ(gScript.installPlan + rows[i].total, gScript.diskFirstEntry[3]) << "row " << i;
        // The GroupItem records lie inside the block (a sanitizer build
        // catches a plan allocated too small).
        EXPECT_TRUE(AllZero(Groups(), 600)) << "row " << i;
        if (rows[i].d2 > 0) {
            EXPECT_STREQ("LAST.EXE", gScript.diskFirstEntry[1]->SourceName) << "row " << i;
        }
        ReleaseInstallPlan(gScript);
    }
}

TEST(SplitField, Rows) {
    struct Row {
        const char* text;
        uint32_t size;
        const char* field;
        const char* rest;
    } rows[] = {
        /* 0 */ {"a,b", 256, "a", "b"},
        /* 1 */ {"   a b  ,c", 256, "a b", "c"},
        /* 2 */ {"\ta\t,c", 256, "\ta\t", "c"},  // only the space is a blank
        /* 3 */ {"last", 256, "last", ""},
        /* 4 */ {"", 256, "", ""},
        /* 5 */ {",x", 256, "", "x"},
        /* 6 */ {"   ", 256, "", ""},
        /* 7 */ {"abcdef,g", 4, "abc", "g"},  // cut to the field, rest still after the comma
        /* 8 */ {"ab    ,g", 4, "ab", "g"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        char field[256];
        const char* rest = SplitField(rows[i].text, field, rows[i].size);
        EXPECT_STREQ(rows[i].field, field) << "row " << i;
        EXPECT_STREQ(rows[i].rest, rest) << "row " << i;
    }
    // Past the end every further field is empty.
    char field[16];
    const char* rest = SplitField("one", field, sizeof field);
    rest = SplitField(rest, field, sizeof field);
    EXPECT_STREQ("", field);
    EXPECT_STREQ("", SplitField(rest, field, sizeof field));
}

TEST_F(SetupScript, LoadTextRotatesFourBuffers) {
    const char* first = LoadText(IDS_MAIN);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(gTexts.buffers[0], first);  // the first call after start uses buffer 0
    EXPECT_STREQ("Main", first);
    EXPECT_EQ(gTexts.buffers[1], LoadText(IDS_DISK1));
    EXPECT_EQ(gTexts.buffers[2], LoadText(IDS_DISK2));
    EXPECT_EQ(gTexts.buffers[3], LoadText(IDS_DISK3));
    const char* fifth = LoadText(IDS_SETUP_PROGRAM);
    EXPECT_EQ(first, fifth);  // the fifth call overwrites the first call's text
    EXPECT_STREQ("Setup Program", first);
    EXPECT_EQ(nullptr, LoadText(21));
    EXPECT_EQ(nullptr, LoadText(31));
    EXPECT_EQ(nullptr, LoadText(72));  // past the last text
    // String 28 begins with a blank; 44 has two after "This".
    EXPECT_STREQ(" installation is not completed !", LoadText(28));
    EXPECT_STREQ("This  Mouse Setup Program is for Windows 95/98 only !", LoadText(44));
    EXPECT_STREQ("SeialName", LoadText(52));
    // The uninstaller's setting: its callers format a missing text at once.
    UseTextsOf(gTexts.instance, "");
    EXPECT_STREQ("", LoadText(21));
    EXPECT_STREQ("Main", LoadText(IDS_MAIN));
}

}  // namespace
