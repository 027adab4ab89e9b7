// The layout: which disk each file goes on, with the space of a floppy
// counted as FAT keeps it.
#pragma once

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "compress_files.h"
#include "manifest.h"

namespace disktool {

const int kMaxDisksInSet = 6;

// The clusters and directory entries of one disk as mtools fills it.
class DiskSpace {
  public:
    explicit DiskSpace(uint64_t clusters) : capacity_(clusters) {
        entries_[""] = 1;  // the volume label
    }

    // Puts a file on the disk when it fits; false (nothing changed) when not.
    bool Add(const std::string& dir, const std::string& name, uint64_t bytes);

    uint64_t used() const { return used_; }

  private:
    uint64_t capacity_;
    uint64_t files_ = 0;
    uint64_t used_ = 0;
    std::map<std::string, int> entries_;  // directory ("" the top) -> entries in it
};

// Disk of each file, first fit over the files largest first; disk 1 starts
// with SETUP.EXE and SETUP.INF. False with the reason when they do not fit.
bool LayOut(const Manifest& m, std::vector<DiskFile>* files, uint64_t scriptBytes,
            uint64_t exeBytes, std::vector<DiskSpace>* disks, std::vector<std::string>* errors);

}  // namespace disktool
