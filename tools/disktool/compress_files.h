// The planned files read and compressed: each becomes the bytes one disk
// holds, SZDD when that is smaller.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "disk_plan.h"
#include "manifest.h"

namespace disktool {

// One planned file with its data.
struct DiskFile {
    const PlannedFile* plan;
    std::string diskName;  // plainName or packedName
    std::vector<uint8_t> bytes;
    uint64_t expanded;
    bool compressed;
    int disk;  // from 0
    std::string Path() const { return DiskPath(plan->diskDir, diskName); }
};

// The kilobytes MinimumSpace asks for to hold bytes.
inline uint64_t NeedKb(uint64_t bytes) {
    return (bytes + 1023) / 1024;
}

// Reads and compresses every planned file; false with the reasons at their
// lines, *unreadable set when a source file cannot be read.
bool CompressFiles(const Manifest& m, const std::vector<PlannedFile>& plan,
                   std::vector<DiskFile>* files, std::vector<std::string>* errors,
                   bool* unreadable);

}  // namespace disktool
