// `disktool check`: loads a disk tree's SETUP.INF with SETUP.EXE's own
// loader (the engine over the POSIX stand-ins, the tree mounted as drive A:)
// and reports the install plan and what SETUP.EXE would silently get wrong.
#pragma once

#include <stdint.h>
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

enum class Severity { Warning, Error };

struct Finding {
    Severity severity;
    std::string code;   // stable name, e.g. "source-missing"
    std::string where;  // "[Disk1] 3", "[Main] ProductName", or "" for the whole set
    std::string message;
};

struct PlanFile {
    int line;                 // the key of the file line, from 1
    std::string source;       // the source path SETUP.EXE opens (DOS form)
    std::string destination;  // where the file goes on the assumed machine
    std::string description;
    bool present;       // the source opens
    bool compressed;    // SZDD, expanded by the copy
    uint64_t size;      // bytes on the disk
    uint64_t expanded;  // bytes installed (the header's length for SZDD)
};

struct PlanDisk {
    int number;  // from 1
    std::string label;
    std::vector<PlanFile> files;
};

struct CheckResult {
    std::string directory;  // as given
    bool scriptFound = false;
    std::string productName;  // as loaded
    std::string destDir;      // default destination on the assumed machine
    int minimumSpace = 0;     // as loaded (kilobytes, 16-bit)
    uint64_t expandedTotal = 0;
    std::vector<PlanDisk> disks;
    std::vector<Finding> findings;

    int Count(Severity s) const;
    int ExitCode() const;  // 0 clean, 1 warnings, 2 errors
};

// The machine the plan is shown for: SETUP.EXE on A:\, Windows in
// C:\WINDOWS, program files in C:\Program Files.
const char kAssumedWindowsDir[] = "C:\\WINDOWS";
const char kAssumedProgramFiles[] = "C:\\Program Files";

// Checks the disk tree in dir (the directory that holds SETUP.INF and the
// files of every disk, merged). The scratch machine of the check is made in
// machineDir. False only when dir cannot be read or the machine cannot be
// set up (error says why).
bool CheckDisk(const std::string& dir, CheckResult* result, std::string* error,
               const std::string& machineDir = "/tmp");

void PrintText(const CheckResult& result, FILE* out);
void PrintJson(const CheckResult& result, FILE* out);

}  // namespace disktool
