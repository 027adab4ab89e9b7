// The plan of a build: where every file of the manifest, and the uninstall
// list, goes on the disks and under which names.
#pragma once

#include <string>
#include <vector>

#include "manifest.h"

namespace disktool {

// One file as the disks hold it; paths are relative to a disk's top and
// slash-separated.
struct PlannedFile {
    ManifestFile file;       // the manifest's line, or the uninstall list
    std::string diskDir;     // "" for the top of the disk
    std::string plainName;   // the name when stored as it is
    std::string packedName;  // the name when stored compressed (lz32's "_" spelling)
};

// Where every file goes on the disks; false with the reasons at their
// manifest lines (names that clash on a disk). Reads no source file.
bool PlanFiles(const Manifest& m, std::vector<PlannedFile>* plan, std::vector<std::string>* errors);

// name in the disk directory dir ("" the top).
std::string DiskPath(const std::string& dir, const std::string& name);

}  // namespace disktool
