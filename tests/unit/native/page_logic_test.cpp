#include "ui/logic/page_logic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(PageLogic, CentringIsOnePixelLargerAndTruncatesTowardZero) {
    struct Row {
        int32_t left, top, right, bottom;
        int16_t screenW, screenH;
        ui::PagePlacement expected;
    } rows[] = {
        {0, 0, 426, 299, 1024, 768, {298, 234, 427, 300}},
        {0, 0, 427, 300, 1024, 768, {298, 233, 428, 301}},  // odd remainder dropped
        {10, 20, 436, 319, 640, 480, {106, 90, 427, 300}},  // only the size counts
        {0, 0, 700, 500, 640, 480, {-30, -10, 701, 501}},   // page wider than screen
        {0, 0, 642, 482, 640, 480, {-1, -1, 643, 483}},     // -3/2 is -1, not -2
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        const Row& r = rows[i];
        ui::PagePlacement got =
            ui::CentrePage(r.left, r.top, r.right, r.bottom, r.screenW, r.screenH);
        EXPECT_EQ(r.expected.x, got.x) << "row " << i;
        EXPECT_EQ(r.expected.y, got.y) << "row " << i;
        EXPECT_EQ(r.expected.width, got.width) << "row " << i;
        EXPECT_EQ(r.expected.height, got.height) << "row " << i;
    }
}

TEST(PageLogic, RootPathUpperCasesOnlyTheDriveLetterCopy) {
    struct Row {
        const char* path;
        const char* root;
        int drivePart;
    } rows[] = {
        {"c:\\velor", "C:\\", 1}, {"D:\\APPS", "D:\\", 1}, {"APPS", "A:\\", 0},
        {"C:APPS", "C:\\", 0},    {"C:/APPS", "C:\\", 0},  {"", "\0:\\", 0},
        {"1:\\X", "1:\\", 1},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        char root[ui::kRootPathSize];
        ui::DriveRootPath(rows[i].path, root);
        // All four bytes: an empty path gives a root whose first byte ends it.
        EXPECT_EQ(std::string(rows[i].root, ui::kRootPathSize),
                  std::string(root, ui::kRootPathSize))
            << "row " << i;
        EXPECT_EQ(rows[i].drivePart, ui::HasDrivePart(rows[i].path)) << "row " << i;
    }
}

TEST(PageLogic, FreeSpaceIsSixtyFourBitAndComparedUnsigned) {
    // 2^23 free clusters of 32 KB: 256 GB, which a 32-bit product would wrap to 0.
    EXPECT_EQ(268435456ull, ui::FreeKilobytes(64, 512, 8388608));
    EXPECT_EQ(0ull, ui::FreeKilobytes(1, 512, 1));  // half a kilobyte is dropped
    EXPECT_EQ(1ull, ui::FreeKilobytes(1, 512, 2));
    struct Row {
        uint64_t freeKb;
        int16_t minimum;
        int enough;
    } rows[] = {
        {0, 0, 1},
        {99, 100, 0},
        {100, 100, 1},
        {268435456ull, 32767, 1},
        {268435456ull, -1, 0},
        {0xFFFFFFFFFFFFFFFFull, -1, 1},
        {5000, -32768, 0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        EXPECT_EQ(rows[i].enough, ui::SpaceIsEnough(rows[i].freeKb, rows[i].minimum))
            << "row " << i;
    }
}

// A scripted system for the checks: records every call in order.
struct FakeSystem {
    bool exists = false;
    bool confirm = true;
    bool spaceQueryWorks = true;
    uint32_t freeClusters = 1000;  // at 4 KB per cluster
    bool createWorks = true;
    bool foreign = false;
    std::vector<std::string> calls;
};

int FakeExists(void* c, const char* path) {
    FakeSystem* s = static_cast<FakeSystem*>(c);
    s->calls.push_back(std::string("exists ") + path);
    return s->exists;
}
int FakeConfirm(void* c) {
    FakeSystem* s = static_cast<FakeSystem*>(c);
    s->calls.push_back("ask32");
    return s->confirm;
}
int FakeFree(void* c, const char* root, uint32_t* spc, uint32_t* bps, uint32_t* fc) {
    FakeSystem* s = static_cast<FakeSystem*>(c);
    s->calls.push_back(std::string("free ") + root);
    *spc = 8;
    *bps = 512;
    *fc = s->freeClusters;
    return s->spaceQueryWorks;
}
int FakeCreate(void* c, const char* path) {
    FakeSystem* s = static_cast<FakeSystem*>(c);
    s->calls.push_back(std::string("create ") + path);
    return s->createWorks;
}

int FakeForeign(void* c, const char* path) {
    FakeSystem* s = static_cast<FakeSystem*>(c);
    s->calls.push_back(std::string("record ") + path);
    return s->foreign;
}

std::string Joined(const std::vector<std::string>& calls) {
    std::string out;
    for (const std::string& c : calls) {
        out += (out.empty() ? "" : "; ") + c;
    }
    return out;
}

TEST(PageLogic, DestinationChecksRunInOrderAndStopAtTheFirstRefusal) {
    struct Row {
        const char* dest;
        int16_t minimum;
        bool exists, confirm, queryWorks, createWorks;
        bool foreign;  // its SETUP.INF is not the record
        ui::DestinationOutcome outcome;
        const char* calls;
    } rows[] = {
        // 0: a new directory with room: created, accepted
        {"c:\\velor", 100, false, true, true, true, false, ui::kDestAccepted,
         "exists c:\\velor; free C:\\; create c:\\velor"},
        // 1-2: no drive part: refused before anything is asked
        {"VELOR", 0, true, true, true, true, false, ui::kDestNoDrivePart, ""},
        {"C:VELOR", 0, true, true, true, true, false, ui::kDestNoDrivePart, ""},
        // 3: existing, user declines: stays, nothing further
        {"C:\\WINDOWS", 0, true, false, true, true, false, ui::kDestDeclined,
         "exists C:\\WINDOWS; record C:\\WINDOWS; ask32"},
        // 4: existing, OK: space checked, nothing created
        {"C:\\WINDOWS", 0, true, true, true, true, false, ui::kDestAccepted,
         "exists C:\\WINDOWS; record C:\\WINDOWS; ask32; free C:\\"},
        // 5: existing and full: the question comes first, then 34
        {"C:\\WINDOWS", 5000, true, true, true, true, false, ui::kDestNoSpace,
         "exists C:\\WINDOWS; record C:\\WINDOWS; ask32; free C:\\"},
        // 6: exactly enough (1000 clusters of 4 KB)
        {"D:\\X", 4000, false, true, true, true, false, ui::kDestAccepted,
         "exists D:\\X; free D:\\; create D:\\X"},
        // 7: negative minimum refuses every drive
        {"D:\\X", -1, false, true, true, true, false, ui::kDestNoSpace, "exists D:\\X; free D:\\"},
        // 8: the space query fails: 34, nothing created
        {"Q:\\X", 0, false, true, false, true, false, ui::kDestNoSpace, "exists Q:\\X; free Q:\\"},
        // 9: creation fails (missing parent): 33
        {"C:\\NO\\NEW", 0, false, true, true, false, false, ui::kDestCreateFailed,
         "exists C:\\NO\\NEW; free C:\\; create C:\\NO\\NEW"},
        // 10: existing, its SETUP.INF another program's (or the setup
        // script): refused before the question
        {"C:\\VELOR", 0, true, true, true, true, true, ui::kDestForeignRecord,
         "exists C:\\VELOR; record C:\\VELOR"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        const Row& r = rows[i];
        FakeSystem fake;
        fake.exists = r.exists;
        fake.confirm = r.confirm;
        fake.spaceQueryWorks = r.queryWorks;
        fake.createWorks = r.createWorks;
        fake.foreign = r.foreign;
        ui::DestinationChecks checks = {&fake,    FakeExists, FakeConfirm,
                                        FakeFree, FakeCreate, FakeForeign};
        EXPECT_EQ(r.outcome, ui::CheckDestination(r.dest, r.minimum, checks)) << "row " << i;
        EXPECT_EQ(r.calls, Joined(fake.calls)) << "row " << i;
    }
}

}  // namespace
