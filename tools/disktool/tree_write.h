// The disk trees the builder writes into its scratch directory.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "compress_files.h"

namespace disktool {

const char kSetupExeName[] = "SETUP.EXE";  // beside SETUP.INF on disk 1

// Writes size bytes to root/rel, making its directories; refuses a rel
// that would leave root. False with *error.
bool WriteInside(const std::string& root, const std::string& rel, const void* data, size_t size,
                 std::string* error);

// One disk's tree at root (disk < 0: all disks merged): SETUP.INF with
// script and, when given, SETUP.EXE on the first, the files of the disk
// at their paths. False with *error; no path leaves root.
bool WriteTree(const std::string& root, const std::vector<DiskFile>& files, int disk,
               const std::string& script, const std::vector<uint8_t>& setupExe, std::string* error);

// Dates every file and directory below root, root too, at timeStamp
// (seconds since 1970): what the images and the CD-ROM image record.
bool StampTree(const std::string& root, int64_t timeStamp, std::string* error);

}  // namespace disktool
