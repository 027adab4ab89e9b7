// What the builder says: the disks it made, and the findings of the check
// on the result in the manifest's terms.
#pragma once

#include <string>
#include <vector>

#include "build_options.h"
#include "check_result.h"
#include "compress_files.h"
#include "disk_layout.h"
#include "manifest.h"

namespace disktool {

// The built set on stdout: the disks with their fill, every file, the trees
// and images in outDir.
void PrintBuilt(const Manifest& m, const std::vector<DiskFile>& files,
                const std::vector<DiskSpace>& disks, const std::string& outDir,
                const BuildOptions& options);

// The final check's findings, each at the manifest line of the [Main] or
// [Startup] key it names (such as a DefaultPath too long for the registry);
// the others as the check words them.
std::vector<std::string> FindingsAtLines(const Manifest& m, const CheckResult& check);

}  // namespace disktool
