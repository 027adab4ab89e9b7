// The names a disk of the set carries: its label in SETUP.INF, and the
// volume label of its image.
#pragma once

#include <string>

#include "manifest.h"

namespace disktool {

// The manifest's label pattern for a disk (from 0), "%d" its number.
std::string Label(const Manifest& m, int disk);
// The characters of text a FAT or ISO 9660 volume label holds, upper case.
std::string LabelChars(const std::string& text);
// A FAT volume label: at most 11 characters of a plain set, and always the
// disk's number, so that no two disks of a set carry one label.
std::string VolumeLabel(const Manifest& m, int disk);

}  // namespace disktool
