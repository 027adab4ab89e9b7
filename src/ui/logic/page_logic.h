// The wizard pages' decisions, apart from the windows that show them, so
// the native tests reach them: centring, the destination's root path and
// the order and outcome of the destination checks.
#pragma once

#include <stdint.h>

namespace ui {

struct PagePlacement {
    int16_t x, y, width, height;
};

// A page is placed one pixel wider and taller than its window rectangle,
// centred with signed division that truncates toward zero.
PagePlacement CentrePage(int32_t left, int32_t top, int32_t right, int32_t bottom,
                         int16_t screenWidth, int16_t screenHeight);

const uint32_t kRootPathSize = 4;  // "C:\" and the terminator

// The drive root for the space query: first character upper-cased (a-z
// only), then ":\". The path itself is not changed.
void DriveRootPath(const char* path, char root[kRootPathSize]);

// 1 when the second and third characters are ":" and "\".
int HasDrivePart(const char* path);

// Free space in kilobytes, in 64 bits: a large drive must not wrap around.
uint64_t FreeKilobytes(uint32_t sectorsPerCluster, uint32_t bytesPerSector, uint32_t freeClusters);

// The space rule: compared unsigned after widening minimumSpace with its
// sign, so a negative minimum refuses every drive.
int SpaceIsEnough(uint64_t freeKilobytes, int16_t minimumSpace);

// What the destination page's Next leads to.
enum DestinationOutcome {
    kDestAccepted,       // page closes with Next
    kDestNoDrivePart,    // string 33
    kDestDeclined,       // user answered Cancel to "directory exists": nothing more shown
    kDestNoSpace,        // string 34 (also when the space query fails)
    kDestCreateFailed,   // string 33
    kDestForeignRecord,  // string 60: its SETUP.INF is another program's or the setup script
};

// The operations the checks need, supplied by the page (real system) or by
// a test (recording the calls).
struct DestinationChecks {
    void* context;
    int (*directoryExists)(void* context, const char* path);
    // Asks whether to install into the existing directory: 1 for OK.
    int (*confirmExisting)(void* context);
    // Like GetDiskFreeSpaceA on the root path: 1 on success.
    int (*diskFreeSpace)(void* context, const char* root, uint32_t* sectorsPerCluster,
                         uint32_t* bytesPerSector, uint32_t* freeClusters);
    int (*createDirectory)(void* context, const char* path);
    // 1 when an existing directory holds a SETUP.INF (or its SETUP.NEW,
    // SETUP.OLD) that is not this product's install record.
    int (*foreignRecord)(void* context, const char* path);
};

// Runs the checks on destDir in their fixed order: drive part, another
// program's SETUP.INF in an existing directory, existence question, free
// space, creation (only of a directory that did not exist).
DestinationOutcome CheckDestination(const char* destDir, int16_t minimumSpace,
                                    const DestinationChecks& checks);

}  // namespace ui
