// SETUP.INF as the builder writes it, from the manifest and the layout.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "compress_files.h"
#include "manifest.h"

namespace disktool {

// The script for files laid out on disks disks (CR LF lines): [Main] with
// MinimumSpace raised to what the files expand to (expandedTotal bytes),
// the labels and counts, [DirectoryName], the file lines of each disk and
// [Startup].
std::string ScriptText(const Manifest& m, const std::vector<DiskFile>& files, int disks,
                       uint64_t expandedTotal);

}  // namespace disktool
