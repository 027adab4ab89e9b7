// `disktool build`: from a manifest to disk trees, SETUP.INF and, on
// request, floppy images and a CD-ROM image. The manifest format is
// described in docs/disktool.md.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "manifest.h"

namespace disktool {

// Room kept on disk 1 for SETUP.EXE when no --setup-exe is given.
const uint64_t kSetupExeReserve = 128 * 1024;
const int kMaxDisksInSet = 6;

// The uninstall list (UNINSTAL.INF, CR LF lines) for a manifest that ships
// UNINSTAL.EXE: the [Startup] values, every file's place and path (the list
// itself among them, Windows' own files left out) and the directories the
// installation makes.
std::string UninstallList(const Manifest& m);

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

struct BuildOptions {
    std::string setupExe;  // copied to disk 1 when not empty
    bool images = false;   // one FAT12 image per disk, made with mtools
    bool iso = false;      // one ISO 9660 image of the merged tree, made with xorriso
    // Seconds since 1970 that date every file, directory and volume the
    // build makes (SOURCE_DATE_EPOCH); -1: the files are dated as written.
    int64_t timeStamp = -1;
};

// Builds outDir: disk1 ... diskN (one tree per floppy), merged (all disks on
// one directory, the form SETUP.EXE reads), diskN.img with images,
// cdrom.iso with iso. Everything is made in a scratch directory inside
// outDir (out_dir.h), whose entries replace outDir's only when the result
// checks clean: a failed build leaves outDir as it was. Prints what it does
// to stdout, the reasons of a failure to stderr; returns the exit status
// (ExitStatus in disk_check.h).
int Build(const Manifest& m, const std::string& outDir, const BuildOptions& options);

}  // namespace disktool
