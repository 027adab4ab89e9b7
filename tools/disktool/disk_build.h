// `disktool build`: from a manifest to disk trees, SETUP.INF and, on
// request, floppy images. The manifest format is described in README.md.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace disktool {

// File space of a 1.44 MB floppy: 2847 clusters of 512 bytes.
const uint64_t kFloppyBytes = 2847ull * 512;
const uint64_t kCluster = 512;
// Room kept on disk 1 for SETUP.EXE when no --setup-exe is given.
const uint64_t kSetupExeReserve = 128 * 1024;

struct ManifestFile {
    int line;            // in the manifest, for messages
    std::string source;  // host path
    std::string target;  // name on the target machine
    std::string description;
    std::string keyword;   // one of the ten DirectoryName keys
    std::string contents;  // a file the tool writes itself (empty source)
};

struct Manifest {
    std::string path;
    std::vector<std::pair<std::string, std::string>> main;  // [Main] in order
    std::vector<std::pair<std::string, std::string>> directories;
    std::vector<std::pair<std::string, std::string>> startup;
    std::string labelPattern;  // "%d" is the disk's number
    uint64_t diskBytes = kFloppyBytes;
    std::vector<ManifestFile> files;
};

// Reads a manifest; false with the reasons (one per line, "FILE:LINE: ...").
bool ReadManifest(const std::string& path, Manifest* m, std::vector<std::string>* errors);

// The uninstall list (UNINSTAL.INF, CR LF lines) for a manifest that ships
// UNINSTAL.EXE: the [Startup] values, every file's place and path (the list
// itself among them) and the directories the installation makes.
std::string UninstallList(const Manifest& m);

struct BuildOptions {
    std::string setupExe;  // copied to disk 1 when not empty
    bool images = false;   // one FAT12 image per disk, made with mtools
};

// Builds into outDir: disk1 ... diskN (one tree per floppy), merged (all
// disks on one directory, the form SETUP.EXE reads), diskN.img with images.
// Prints what it does to stdout; returns the exit status (0 done and the
// result checks clean, 2 when something stopped it).
int Build(const Manifest& m, const std::string& outDir, const BuildOptions& options);

}  // namespace disktool
