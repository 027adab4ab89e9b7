#include "program/command_line.h"

#include <gtest/gtest.h>

#include <string>

#include "uninstall/switches.h"

// The tail is what follows the program's name and the blanks after it; only
// "-" then a lower-case "u" at its start selects the driver-only mode.
TEST(CommandLine, TailAndDriverOnlyMode) {
    struct Row {
        const char* commandLine;
        const char* tail;
        int driverOnly;
    } rows[] = {
        {"SETUP.EXE -u", "-u", 1},
        {"SETUP.EXE    -u", "-u", 1},
        {"\"C:\\My Disk\\SETUP.EXE\" -u", "-u", 1},
        {"\"C:\\My Disk\\SETUP.EXE\"-u", "-u", 1},
        {"A:\\SETUP.EXE -update now", "-update now", 1},
        {"SETUP.EXE -U", "-U", 0},
        {"SETUP.EXE /u", "/u", 0},
        {"SETUP.EXE", "", 0},
        {"SETUP.EXE ", "", 0},
        {"SETUP.EXE - u", "- u", 0},
        {"SETUP.EXE -", "-", 0},
        {"\"SETUP.EXE", "", 0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        const char* tail = CommandLineTail(rows[i].commandLine);
        EXPECT_STREQ(rows[i].tail, tail) << "row " << i << ": " << rows[i].commandLine;
        EXPECT_EQ(rows[i].driverOnly, IsDriverOnlyTail(tail)) << "row " << i;
    }
}

// UNINSTAL.EXE's switches: case-blind, quotes keep a path with blanks
// whole, and the first switch it cannot use is named while the rest (a /S
// after it) is still read.
TEST(CommandLine, UninstallerSwitches) {
    // A result path of 259 characters, the most its field takes.
    const std::string kLong = "/RESULT=C:\\" + std::string(256, 'R');
    struct Row {
        int line;
        std::string tail;
        int silent, restart, finishing;
        const char* result;
        const char* installDir;
        std::string unknown;  // "" when every switch is usable
    } rows[] = {
        {__LINE__, "", 0, 0, 0, "", "", ""},
        {__LINE__, " /s\t/R ", 1, 1, 0, "", "", ""},
        {__LINE__, "/S /result=C:\\RES\\UN.RES", 1, 0, 0, "C:\\RES\\UN.RES", "", ""},
        {__LINE__, "/RESULT=\"C:\\My Files\\UN.RES\" /S", 1, 0, 0, "C:\\My Files\\UN.RES", "", ""},
        {__LINE__, "/RESULT=UN.RES", 0, 0, 0, "UN.RES", "", ""},
        // The copy's command line as the original writes it.
        {__LINE__, "/F \"C:\\Program Files\\VELOR\" /S /R \"/RESULT=C:\\A B\\UN.RES\"", 1, 1, 1,
         "C:\\A B\\UN.RES", "C:\\Program Files\\VELOR", ""},
        {__LINE__, "/f C:\\VELOR", 0, 0, 1, "", "C:\\VELOR", ""},
        {__LINE__, "/X /S", 1, 0, 0, "", "", "/X"},
        {__LINE__, "/S /SR /Q", 1, 0, 0, "", "", "/SR"},
        {__LINE__, "/RESULT= /S", 1, 0, 0, "", "", "/RESULT="},
        {__LINE__, "/RESULT", 0, 0, 0, "", "", "/RESULT"},
        {__LINE__, "/S \"\"", 1, 0, 0, "", "", "\"\""},
        {__LINE__, "/F", 0, 0, 1, "", "", "/F"},
        {__LINE__, "/F C:\\A /F C:\\B", 0, 0, 1, "", "C:\\A", "/F"},
        {__LINE__, kLong, 0, 0, 0, kLong.c_str() + 8, "", ""},
        {__LINE__, kLong + "X /S", 1, 0, 0, "", "", kLong.substr(0, kSwitchName - 1)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line << ": " << row.tail);
        UninstallSwitches got;
        EXPECT_EQ(row.unknown.empty(), ReadSwitches(row.tail.c_str(), &got) == 1);
        EXPECT_EQ(row.silent, got.silent);
        EXPECT_EQ(row.restart, got.restart);
        EXPECT_EQ(row.finishing, got.finishing);
        EXPECT_EQ(row.unknown, got.unknown);
        if (row.unknown.empty()) {
            EXPECT_STREQ(row.result, got.result);
            EXPECT_STREQ(row.installDir, got.installDir);
        }
    }
}
