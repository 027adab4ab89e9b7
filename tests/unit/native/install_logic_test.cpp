#include "ui/logic/install_logic.h"

#include <gtest/gtest.h>

#include <string>

TEST(InstallPause, WaitsOnlyWhenTheEndLiesAboveTheStart) {
    struct Row {
        uint32_t start;
        uint32_t ms;
        int waits;
    } rows[] = {
        /* 0 */ {1000, 1000, 1},
        /* 1 */ {1000, 0, 0},
        /* 2 */ {0xFFFFFF00u, 0x100, 0},  // end wraps to 0
        /* 3 */ {0xFFFFFF00u, 0x200, 0},  // end wraps past 0
        /* 4 */ {0xFFFFFF00u, 0xFF, 1},   // end is the very top
        /* 5 */ {0, 0xFFFFFFFFu, 1},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        EXPECT_EQ(rows[i].waits, ui::PauseWaits(rows[i].start, rows[i].ms)) << "row " << i;
    }
}

TEST(InstallPause, EndsWhenTheTimeHasPassed) {
    struct Row {
        uint32_t start;
        uint32_t ms;
        uint32_t now;
        int over;
    } rows[] = {
        /* 0 */ {1000, 1000, 1000, 0},
        /* 1 */ {1000, 1000, 1999, 0},
        /* 2 */ {1000, 1000, 2000, 1},
        /* 3 */ {1000, 1000, 50000, 1},
        /* 4 */ {0xFFFFFC00u, 0x300, 0xFFFFFEFFu, 0},
        /* 5 */ {0xFFFFFC00u, 0x300, 0xFFFFFF00u, 1},
        // The tick count wrapped while the loop was not looking: over, not
        // another 49 days of waiting.
        /* 6 */ {0xFFFFFC00u, 0x3FF, 5, 1},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        EXPECT_EQ(rows[i].over, ui::PauseOver(rows[i].start, rows[i].ms, rows[i].now))
            << "row " << i;
    }
}

TEST(InstallProgressBar, ShrunkMovedAndFilledByPercent) {
    struct Row {
        backdrop::Box frame;
        int percent;
        backdrop::Box expected;
    } rows[] = {
        // Shrunk by 2 and moved 1 left and up: 11..107 x 21..29.
        /* 0 */ {{10, 20, 110, 32}, 0, {11, 21, 11, 29}},
        /* 1 */ {{10, 20, 110, 32}, 50, {11, 21, 59, 29}},
        // At 100% the bar reaches one pixel past the shrunk rectangle.
        /* 2 */ {{10, 20, 110, 32}, 100, {11, 21, 108, 29}},
        /* 3 */ {{0, 0, 212, 19}, 33, {1, 1, 69, 16}},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        backdrop::Box got = ui::ProgressBarBox(rows[i].frame, rows[i].percent);
        const backdrop::Box& e = rows[i].expected;
        EXPECT_TRUE(got.left == e.left && got.top == e.top && got.right == e.right &&
                    got.bottom == e.bottom)
            << "row " << i << ": got " << got.left << "," << got.top << "," << got.right << ","
            << got.bottom << " expected " << e.left << "," << e.top << "," << e.right << ","
            << e.bottom;
    }
}

TEST(InstallBar, BarRight) {
    struct Row {
        int left, right, percent, expected;
    } rows[] = {
        {10, 109, 0, 10},     // 1 empty
        {10, 109, 50, 60},    // 2
        {10, 109, 100, 110},  // 3 one pixel past the shrunk rectangle
        {0, 134, 33, 44},     // 4 (135 * 33) / 100
        {5, 5, 100, 6},       // 5
    };
    int row = 0;
    for (const Row& r : rows) {
        row++;
        EXPECT_EQ(r.expected, ui::BarRight(r.left, r.right, r.percent)) << "row " << row;
    }
}

TEST(InstallStatus, CopyStatusText) {
    struct Row {
        const char* copying;
        const char* name;
        const char* description;
        uint32_t size;
        const char* expected;
    } rows[] = {
        /* 0 */ {"Copying ", "TEXT.SZ", "Text", 256, "Copying TEXT.SZ\n\nText"},
        /* 1 */ {nullptr, "TEXT.SZ", "Text", 256, "TEXT.SZ\n\nText"},  // no such string
        /* 2 */ {"Copying ", "", "", 256, "Copying \n\n"},             // an empty plan entry
        /* 3 */ {"Copying ", "TEXT.SZ", "Text", 12, "Copying TEX"},    // cut to size - 1
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        char out[256];
        ui::CopyStatusText(out, rows[i].size, rows[i].copying, rows[i].name, rows[i].description);
        EXPECT_EQ(std::string(rows[i].expected), out) << "row " << i;
    }
}
