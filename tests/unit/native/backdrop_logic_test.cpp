#include "ui/logic/backdrop_logic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

using backdrop::BandTop;

namespace {

struct BandRow {
    int height;
    int band;
    int top;     // first row
    int bottom;  // first row after the band
};

}  // namespace

TEST(BackdropBands, EdgesAtCommonScreenHeights) {
    const BandRow rows[] = {
        /* 0 */ {480, 0, 0, 1},       {480, 1, 1, 3},       {480, 254, 478, 480},
        /* 3 */ {768, 0, 0, 3},       {768, 254, 764, 768},
        /* 5 */ {200, 0, 0, 0},       {200, 1, 0, 1},       {200, 254, 199, 200},
        /* 8 */ {600, 127, 298, 301}, {1, 254, 0, 1},       {1, 0, 0, 0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        const BandRow& r = rows[i];
        EXPECT_EQ(r.top, BandTop(r.band, r.height)) << "row " << i << " top";
        EXPECT_EQ(r.bottom, BandTop(r.band + 1, r.height)) << "row " << i << " bottom";
    }
}

TEST(BackdropBands, BandHeightsStayWithinTheirRange) {
    struct Row {
        int height;
        int minRows;
        int maxRows;
        int emptyBands;
    } rows[] = {
        {480, 1, 2, 0},
        {768, 3, 4, 0},
        {200, 0, 1, 55},
        {255, 1, 1, 0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        int h = rows[i].height, empty = 0, least = 1 << 30, most = 0;
        for (int band = 0; band < backdrop::kBandCount; band++) {
            int n = BandTop(band + 1, h) - BandTop(band, h);
            empty += n == 0;
            least = std::min(least, n);
            most = std::max(most, n);
        }
        EXPECT_EQ(rows[i].minRows, least) << "row " << i;
        EXPECT_EQ(rows[i].maxRows, most) << "row " << i;
        EXPECT_EQ(rows[i].emptyBands, empty) << "row " << i;
    }
}

// With 200 rows the first band is one of the empty ones: row 0 is painted
// by band 1, blue 254.
TEST(BackdropBands, ShortScreenStartsWithBandOne) {
    int firstPainted = -1;
    for (int band = 0; band < backdrop::kBandCount && firstPainted < 0; band++) {
        if (BandTop(band + 1, 200) > BandTop(band, 200)) {
            firstPainted = band;
        }
    }
    EXPECT_EQ(1, firstPainted);
    EXPECT_EQ(254, backdrop::BandBlue(firstPainted));
}

TEST(BackdropBands, BandsTileEveryHeightAndFactorFormAgrees) {
    int mismatches = 0;
    for (int h = 1; h <= 32767; h++) {
        ASSERT_EQ(0, BandTop(0, h)) << "h " << h;
        ASSERT_EQ(h, BandTop(backdrop::kBandCount, h)) << "h " << h;
        for (int band = 0; band <= backdrop::kBandCount; band++) {
            if (band > 0) {
                ASSERT_LE(BandTop(band - 1, h), BandTop(band, h)) << "h " << h << " band " << band;
            }
            if (BandTop(band, h) != backdrop::BandTopByFactor(band, h)) {
                if (mismatches++ < 10) {
                    ADD_FAILURE() << "h " << h << " band " << band << ": exact " << BandTop(band, h)
                                  << ", factor " << backdrop::BandTopByFactor(band, h);
                }
            }
        }
    }
    EXPECT_EQ(0, mismatches);
}

TEST(BackdropBands, ColoursRunFromBlueToAlmostBlack) {
    EXPECT_EQ(255, backdrop::BandBlue(0));
    EXPECT_EQ(1, backdrop::BandBlue(254));
    for (int band = 0; band < backdrop::kBandCount; band++) {
        EXPECT_GT(backdrop::BandBlue(band), 0) << "band " << band;
    }
}

TEST(BackdropDissolve, TableHoldsEveryPassOnce) {
    std::set<int> seen;
    for (int y = 0; y < 8; y++) {
        for (int x = 0; x < 8; x++) {
            seen.insert(backdrop::dissolveOrder[y][x]);
        }
    }
    EXPECT_EQ(64u, seen.size());
    EXPECT_EQ(0, *seen.begin());
    EXPECT_EQ(63, *seen.rbegin());
}

TEST(BackdropDissolve, PassesPickOnePositionPerCell) {
    struct Row {
        int pass;
        int x;  // x mod 8 of every pixel in the pass
        int y;  // y mod 8
    } rows[] = {{0, 1, 1}, {1, 5, 5}, {2, 5, 1}, {44, 0, 0}, {62, 5, 3}, {63, 1, 7}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        for (int y = 0; y < 8; y++) {
            for (int x = 0; x < 8; x++) {
                bool inPass = backdrop::DissolvePass(x, y) == rows[i].pass;
                EXPECT_EQ(x == rows[i].x && y == rows[i].y, inPass)
                    << "row " << i << " pixel " << x << "," << y;
            }
        }
        // The position repeats in every cell, counted from the picture's corner.
        EXPECT_EQ(rows[i].pass, backdrop::DissolvePass(rows[i].x + 8 * 37, rows[i].y + 8 * 5))
            << "row " << i;
    }
}

// Every pixel of the real banner sizes, and of cut-off cells at the edges,
// is drawn in exactly one pass.
TEST(BackdropDissolve, EveryPixelDrawnExactlyOnce) {
    struct Row {
        int w, h;
    } rows[] = {{400, 50}, {490, 43}, {13, 11}, {1, 1}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        std::vector<int> drawn(rows[i].w * rows[i].h, 0);
        for (int pass = 0; pass < backdrop::kDissolvePasses; pass++) {
            for (int y = 0; y < rows[i].h; y++) {
                for (int x = 0; x < rows[i].w; x++) {
                    if (backdrop::DissolvePass(x, y) == pass) {
                        drawn[y * rows[i].w + x]++;
                    }
                }
            }
        }
        for (size_t p = 0; p < drawn.size(); p++) {
            ASSERT_EQ(1, drawn[p]) << "row " << i << " pixel " << p;
        }
    }
}

TEST(BackdropOverlap, UpdateRectangleDecidesWhichBannersPaint) {
    using backdrop::Box;
    const int kBoth = backdrop::kUpperPicture | backdrop::kLowerPicture;
    struct Row {
        Box update;
        int32_t oem;
        int height;
        int expected;
    } rows[] = {
        /* 0 */ {{0, 0, 800, 600}, 0, 600, kBoth},
        /* 1 */ {{0, 0, 800, 600}, 1, 600, backdrop::kUpperPicture},
        /* 2 */ {{0, 0, 800, 600}, -1, 600, backdrop::kUpperPicture},
        // The upper banner is 400 wide but its rectangle ends at 320.
        /* 3 */ {{320, 0, 800, 100}, 0, 600, 0},
        /* 4 */ {{319, 59, 320, 60}, 0, 600, backdrop::kUpperPicture},
        /* 5 */ {{0, 60, 800, 61}, 0, 600, 0},
        /* 6 */ {{0, 0, 20, 600}, 0, 600, 0},
        // The lower rectangle follows the screen height: h - 60 .. h - 10.
        /* 7 */ {{599, 540, 600, 541}, 0, 600, backdrop::kLowerPicture},
        /* 8 */ {{0, 590, 800, 600}, 0, 600, 0},
        /* 9 */ {{599, 539, 600, 540}, 0, 600, 0},
        /* 10 */ {{100, 708, 101, 709}, 0, 768, backdrop::kLowerPicture},
        /* 11 */ {{100, 708, 101, 709}, 5, 768, 0},
        /* 12 */ {{0, 0, 0, 0}, 0, 600, 0},
        /* 13 */ {{600, 540, 800, 560}, 0, 600, 0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        EXPECT_EQ(rows[i].expected,
                  backdrop::PicturesToPaint(rows[i].update, rows[i].oem, rows[i].height))
            << "row " << i;
    }
}
