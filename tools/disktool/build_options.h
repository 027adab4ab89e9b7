// What the command line asks of `disktool build` besides the manifest.
#pragma once

#include <stdint.h>

#include <string>

namespace disktool {

struct BuildOptions {
    std::string setupExe;  // copied to disk 1 when not empty
    bool images = false;   // one FAT12 image per disk, made with mtools
    bool iso = false;      // one ISO 9660 image of the merged tree, made with xorriso
    // Seconds since 1970 that date every file, directory and volume the
    // build makes (SOURCE_DATE_EPOCH); -1: the files are dated as written.
    int64_t timeStamp = -1;
};

}  // namespace disktool
