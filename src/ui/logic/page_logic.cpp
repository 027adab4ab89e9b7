#include "ui/logic/page_logic.h"

#include "platform/text.h"

namespace ui {

PagePlacement CentrePage(int32_t left, int32_t top, int32_t right, int32_t bottom,
                         int16_t screenWidth, int16_t screenHeight) {
    PagePlacement p;
    p.width = static_cast<int16_t>(right - left + 1);
    p.height = static_cast<int16_t>(bottom - top + 1);
    // int division truncates toward zero, as the placement requires.
    p.x = static_cast<int16_t>((screenWidth - p.width) / 2);
    p.y = static_cast<int16_t>((screenHeight - p.height) / 2);
    return p;
}

void DriveRootPath(const char* path, char root[kRootPathSize]) {
    root[0] = text::UpperAscii(path[0]);
    root[1] = ':';
    root[2] = '\\';
    root[3] = 0;
}

int HasDrivePart(const char* path) {
    // An empty path stops at the terminator before reading further.
    if (path[0] == 0 || path[1] != ':') {
        return 0;
    }
    return path[2] == '\\' ? 1 : 0;
}

uint64_t FreeKilobytes(uint32_t sectorsPerCluster, uint32_t bytesPerSector, uint32_t freeClusters) {
    return (static_cast<uint64_t>(freeClusters) * bytesPerSector * sectorsPerCluster) >> 10;
}

int SpaceIsEnough(uint64_t freeKilobytes, int16_t minimumSpace) {
    uint64_t minimum = static_cast<uint64_t>(static_cast<int64_t>(minimumSpace));
    return freeKilobytes < minimum ? 0 : 1;
}

DestinationOutcome CheckDestination(const char* destDir, int16_t minimumSpace,
                                    const DestinationChecks& checks) {
    char root[kRootPathSize];
    DriveRootPath(destDir, root);
    if (!HasDrivePart(destDir)) {
        return kDestNoDrivePart;
    }
    int exists = checks.directoryExists(checks.context, destDir);
    if (exists && checks.foreignRecord(checks.context, destDir)) {
        return kDestForeignRecord;
    }
    if (exists && !checks.confirmExisting(checks.context)) {
        return kDestDeclined;
    }
    uint32_t sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0;
    if (!checks.diskFreeSpace(checks.context, root, &sectorsPerCluster, &bytesPerSector,
                              &freeClusters)) {
        return kDestNoSpace;
    }
    if (!SpaceIsEnough(FreeKilobytes(sectorsPerCluster, bytesPerSector, freeClusters),
                       minimumSpace)) {
        return kDestNoSpace;
    }
    if (!exists && !checks.createDirectory(checks.context, destDir)) {
        return kDestCreateFailed;
    }
    return kDestAccepted;
}

}  // namespace ui
