// The manifest `disktool build` reads (format in docs/disktool.md): read as UTF-8,
// held in the Windows code page the disks are for, and validated whole
// before anything is planned or written.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "windows_files.h"

namespace disktool {

// File space of a 1.44 MB floppy: 2847 clusters of 512 bytes.
const uint64_t kFloppyBytes = 2847ull * 512;
const uint64_t kCluster = 512;
const uint64_t kMinDiskBytes = 16 * kCluster;  // a smaller [Disks] Size is refused

struct ManifestValue {
    std::string key;    // the loader's spelling
    std::string value;  // Windows code page
    int line;           // in the manifest, for messages
};

struct ManifestFile {
    int line;            // in the manifest, for messages
    std::string source;  // host path
    std::string target;  // name on the target machine (Windows code page)
    std::string description;
    int keyword;           // DirectoryIndex of the DirectoryName key
    std::string contents;  // a file the tool writes itself (empty source)
};

struct Manifest {
    std::string path;
    std::vector<ManifestValue> main;  // [Main] in order
    std::vector<ManifestValue> directories;
    std::vector<ManifestValue> startup;
    std::string labelPattern;  // "%d" is the disk's number
    uint64_t diskBytes = kFloppyBytes;
    std::vector<ManifestFile> files;
    std::vector<std::string> warnings;  // "FILE:LINE: ...": built all the same
};

// Reads and validates a manifest; false with the reasons (one per line,
// "FILE:LINE: ..."), and *unreadable (when given) set when the file itself
// could not be read.
bool ReadManifest(const std::string& path, Manifest* m, std::vector<std::string>* errors,
                  bool* unreadable = nullptr);
// The same from text in memory; path names the manifest in messages and
// relative sources are taken beside it.
bool ParseManifestText(const std::string& text, const std::string& path, Manifest* m,
                       std::vector<std::string>* errors);

// The value of key in list ("" when missing).
std::string ManifestLookup(const std::vector<ManifestValue>& list, const std::string& key);
// The DirectoryName value of a keyword index.
std::string DirectoryValue(const Manifest& m, int keyword);
// The manifest's file name, for the texts the tool writes from it.
std::string ManifestName(const Manifest& m);
// "FILE:LINE: ", or "FILE: " for line 0 (the manifest as a whole): how a
// message about the manifest begins.
std::string ManifestAt(const std::string& path, int line);

}  // namespace disktool
