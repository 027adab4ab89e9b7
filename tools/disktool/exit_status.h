// How disktool ends: its exit statuses, for the shell that runs it.
#pragma once

namespace disktool {

// The exit status of both commands. 0 to 2 grade the checked data (callers
// rely on them); the others say why nothing was checked or built.
enum ExitStatus {
    kExitClean = 0,     // checks clean; built
    kExitWarnings = 1,  // check: warnings only
    kExitErrors = 2,    // errors in the checked data (the manifest, the disk set)
    kExitUsage = 3,     // the command line (or SOURCE_DATE_EPOCH) is wrong
    kExitHelper = 4,    // mtools or xorriso is missing or fails
    kExitIo = 5,        // an input cannot be read or the output written
    kExitOutDir = 6,    // OUTDIR is refused: not the tool's to replace
};

}  // namespace disktool
