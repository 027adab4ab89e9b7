#include "platform/text.h"

#include <gtest/gtest.h>

TEST(Text, CopyCutsToFieldAndSaysSo) {
    char field[5];
    EXPECT_EQ(1, text::Copy(field, sizeof field, "abcd"));
    EXPECT_STREQ("abcd", field);
    EXPECT_EQ(0, text::Copy(field, sizeof field, "abcde"));
    EXPECT_STREQ("abcd", field);
    EXPECT_EQ(0, text::Append(field, sizeof field, "x"));
    EXPECT_STREQ("abcd", field);
}

TEST(Text, FormatPadsNumbersAndBoundsOutput) {
    char out[32];
    struct Row {
        const char* format;
        int value;
        const char* expected;
    } rows[] = {
        {"Mouse\\%04d", 2, "Mouse\\0002"},
        {"Mouse\\%04d", 12345, "Mouse\\12345"},
        {"%d%%", 40, "40%"},
        {"%d", -5, "-5"},
        {"%d", -2147483647 - 1, "-2147483648"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        EXPECT_EQ(1, text::Format(out, sizeof out, rows[i].format, rows[i].value)) << "row " << i;
        EXPECT_STREQ(rows[i].expected, out) << "row " << i;
    }
    char small[6];
    EXPECT_EQ(0, text::Format(small, sizeof small, "%s and %s", "Velor", "more"));
    EXPECT_STREQ("Velor", small);
}

TEST(Text, FindIsCaseSensitiveSubstring) {
    EXPECT_NE(nullptr, text::Find("xxBIOS\\*PNP0F13\\0000", "BIOS\\*PNP0F13\\"));
    EXPECT_EQ(nullptr, text::Find("bios\\*pnp0f13\\0000", "BIOS\\*PNP0F13\\"));
    EXPECT_EQ(nullptr, text::Find("mous", "mouse"));
}

TEST(Text, ToIntFollowsAtoi) {
    EXPECT_EQ(3, text::ToInt("0003"));
    EXPECT_EQ(0, text::ToInt("abc"));
    EXPECT_EQ(-5, text::ToInt("  -5x"));
    EXPECT_EQ(12, text::ToInt("12abc"));
}

TEST(Text, CompareNoCaseIgnoresLetterCaseOnly) {
    EXPECT_EQ(0, text::CompareNoCase("rootdir", "RootDir"));
    EXPECT_EQ(0, text::CompareNoCase("WINSYSTEMDIR", "WinSystemDir"));
    EXPECT_NE(0, text::CompareNoCase("RootDir ", "RootDir"));
}
