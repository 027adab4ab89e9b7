// The images of a built set: a FAT12 floppy image per disk (mtools) and a
// CD-ROM image of the merged tree (xorriso).
#pragma once

#include <stdint.h>

#include <string>

namespace disktool {

const char kIsoName[] = "cdrom.iso";

// A FAT12 1.44 MB image of the tree at root, made with mtools; the files
// keep the tree's dates. False with *error when mtools is missing or fails.
bool MakeImage(const std::string& image, const std::string& root, const std::string& label,
               int64_t timeStamp, std::string* error);

// An ISO 9660 image of the merged tree with Joliet names, which Windows 95
// reads as long names. With a time stamp (else -1), every date and the
// volume's id are made from it. False with *error when xorriso is missing
// or fails.
bool MakeIso(const std::string& iso, const std::string& root, const std::string& label,
             int64_t timeStamp, std::string* error);

}  // namespace disktool
