#include "program/command_line.h"

#include <gtest/gtest.h>

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
