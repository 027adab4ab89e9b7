// How disktool ends: its exit statuses, for the shell that runs it.
#pragma once

#include <stdio.h>

#include <string>
#include <vector>

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

// A command that writes nothing: its reasons on stderr, each after the
// command's name, then that nothing was written; returns status.
inline int NothingWritten(const char* command, const std::vector<std::string>& reasons,
                          int status) {
    for (const std::string& r : reasons) {
        fprintf(stderr, "%s: %s\n", command, r.c_str());
    }
    fprintf(stderr, "%s: nothing written\n", command);
    return status;
}

}  // namespace disktool
