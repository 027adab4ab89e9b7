// The [Unattended] section of the setup script, on both backends: what a
// run without pages takes from it, and the first mistake it names.
#include "script/answers.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/system.h"
#include "support/test_machine.h"

namespace {

namespace tm = testing_machine;

TEST(Answers, TheSectionIsReadAndEveryMistakeNamed) {
    struct Row {
        int line;
        const char* script;  // after "[Main]\r\nProductName=Velor Mouse\r\n"
        int present, serial;
        const char* destination;
        int restart;
        const char* result;
        const char* log;
        const char* problem;
    } rows[] = {
        {__LINE__, "", 0, -1, "", kRestartNever, "", "", ""},
        {__LINE__, "[unattended]\r\n", 1, -1, "", kRestartNever, "", "", ""},
        {__LINE__,
         "[Unattended]\r\nMouseType=serial\r\nDestination=D:\\VELOR\r\nRestart=Always\r\n"
         "Result=C:\\RES\\PC17.RES\r\n; the log\r\nLog=C:\\RES\\PC17.LOG\r\n",
         1, 1, "D:\\VELOR", kRestartAlways, "C:\\RES\\PC17.RES", "C:\\RES\\PC17.LOG", ""},
        {__LINE__, "[Unattended]\r\n  restart = ask \r\nmousetype=\"PS2\"\r\n", 1, 0, "",
         kRestartAsk, "", "", ""},
        // A later section is no answer; the section is found in any place.
        {__LINE__, "[Unattended]\r\nMouseType=PS2\r\n[Other]\r\nColour=Blue\r\n", 1, 0, "",
         kRestartNever, "", "", ""},
        {__LINE__, "[Unattended]\r\nMouseType=PS2\r\nColour=Blue\r\n", 1, 0, "", kRestartNever, "",
         "", "[Unattended] line 5: unknown key Colour"},
        {__LINE__, "[Unattended]\r\nRestart=Never\r\nRESTART=Always\r\n", 1, -1, "", kRestartNever,
         "", "", "[Unattended] line 5: given twice RESTART"},
        {__LINE__, "[Unattended]\r\nMouseType\r\n", 1, -1, "", kRestartNever, "", "",
         "[Unattended] line 4: no value MouseType"},
        {__LINE__, "[Unattended]\r\nMouseType=USB\r\n", 1, -1, "", kRestartNever, "", "",
         "[Unattended] MouseType=USB is neither PS2 nor Serial"},
        {__LINE__, "[Unattended]\r\nRestart=Later\r\n", 1, -1, "", kRestartNever, "", "",
         "[Unattended] Restart=Later is none of Never, Ask, Always"},
        {__LINE__, "[Unattended]\r\nDestination=VELOR\r\n", 1, -1, "", kRestartNever, "", "",
         "[Unattended] Destination=VELOR is no folder with its drive"},
        {__LINE__, "[Unattended]\r\nLog=C:\r\n", 1, -1, "", kRestartNever, "", "",
         "[Unattended] Log=C: is no file with its drive or share"},
        {__LINE__, "[Unattended]\r\nResult=\\\\SERVER\\RESULTS\\PC17.RES\r\n", 1, -1, "",
         kRestartNever, "\\\\SERVER\\RESULTS\\PC17.RES", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line);
        tm::Reset();
        std::string path = tm::Path("SETUP.INF");
        ASSERT_TRUE(
            tm::WriteFile(path, std::string("[Main]\r\nProductName=Velor Mouse\r\n") + row.script));
        Answers a;
        ReadAnswers(path.c_str(), &a);
        EXPECT_EQ(row.present, a.present);
        EXPECT_EQ(row.serial, a.serialMouse);
        EXPECT_STREQ(row.destination, a.destination);
        EXPECT_EQ(row.restart, a.restart);
        EXPECT_STREQ(row.result, a.result);
        EXPECT_STREQ(row.log, a.log);
        EXPECT_STREQ(row.problem, a.problem);
    }
}

// The limits: a destination whose entries still fit their 79 characters
// ("...\Q7MAIN.EXE -startup" the longest), 255 characters of a file.
TEST(Answers, LongValuesAreRefusedNotCut) {
    struct Row {
        int line;
        const char* key;
        size_t length;
        bool taken;
    } rows[] = {
        {__LINE__, "Destination", 59, true},
        {__LINE__, "Destination", 60, false},
        {__LINE__, "Log", 255, true},
        {__LINE__, "Log", 256, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line);
        tm::Reset();
        std::string value = "C:\\" + std::string(row.length - 3, 'v');
        std::string path = tm::Path("SETUP.INF");
        ASSERT_TRUE(
            tm::WriteFile(path, "[Unattended]\r\n" + std::string(row.key) + "=" + value + "\r\n"));
        Answers a;
        ReadAnswers(path.c_str(), &a);
        EXPECT_EQ(row.taken, a.problem[0] == 0) << a.problem;
        EXPECT_EQ(row.taken ? value : "", std::string(row.key[0] == 'D' ? a.destination : a.log));
    }
}

// "*" in Result and Log is the computer's name: one shared folder for many.
TEST(Answers, AStarIsTheComputersName) {
    char name[32];
    ASSERT_NE(0u, plat::ComputerName(name, sizeof name));
    char out[kAnswerPath];
    EXPECT_EQ(1, ForThisComputer("\\\\SERVER\\RESULTS\\*.RES", out));
    EXPECT_EQ(std::string("\\\\SERVER\\RESULTS\\") + name + ".RES", out);
    EXPECT_EQ(1, ForThisComputer("C:\\SETUP.LOG", out));
    EXPECT_STREQ("C:\\SETUP.LOG", out);
}

}  // namespace
