// What `disktool check` finds: the install plan per disk and the findings,
// each with a stable code. The checker's parts fill it, the printers and
// the builder read it.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace disktool {

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

}  // namespace disktool
