// What the script does to setup's footprint on the machine: the registry
// entries whose texts do not fit the field setup composes them in, a file
// that takes the install record's place, and the uninstall list. The
// entries and their field are the footprint's own (footprint.h).
#include <string.h>

#include "check_parts.h"
#include "disk_names.h"
#include "footprint/footprint.h"
#include "script_tables.h"

namespace disktool {

namespace {

const int kAppText = static_cast<int>(footprint::kAppTextField) - 1;

// The Run entry, which starts the mouse program at start-up: its text
// follows the install directory.
const footprint::AppEntry* RunEntry() {
    for (const footprint::AppEntry& e : footprint::kAppEntries) {
        if (strcmp(e.key, footprint::kRunKey) == 0 && e.name != nullptr &&
            strcmp(e.name, footprint::kAppValue) == 0) {
            return &e;
        }
    }
    return nullptr;
}

bool WritesTitle() {
    for (const footprint::AppEntry& e : footprint::kAppEntries) {
        if (e.source == footprint::kProductTitle) {
            return true;
        }
    }
    return false;
}

}  // namespace

void CheckRunFits(Check& c) {
    const footprint::AppEntry* entry = RunEntry();
    if (entry == nullptr) {
        return;
    }
    std::string dest = c.loaded.defaultDestDir;
    std::string run = dest + entry->text;
    if (static_cast<int>(run.size()) > kAppText) {
        c.Add(Severity::Warning, "registry-limit", Where("Main", "DefaultPath"),
              "the destination " + dest + " is too long for the " +
                  "registry values that name the installed programs (\"" + run + "\" has " +
                  std::to_string(run.size()) + " characters, at most " + std::to_string(kAppText) +
                  " fit): they are not written");
    }
}

void CheckTitleFits(Check& c) {
    size_t title = strlen(c.loaded.startupStrings.Title);
    if (WritesTitle() && static_cast<int>(title) > kAppText) {
        c.Add(Severity::Warning, "registry-limit",
              Where(ProgramText(IDS_STARTUP), ProgramText(IDS_TITLE)),
              "the title has " + std::to_string(title) +
                  " characters; the uninstall entry's display name takes at most " +
                  std::to_string(kAppText) + ": it is not written");
    }
}

void CheckNotRecord(Check& c, const std::string& where, const std::string& destination) {
    std::string record = Tidy(std::string(c.loaded.defaultDestDir) + "\\" + footprint::kRecordName);
    if (Lower(destination) == Lower(record)) {
        c.Add(Severity::Warning, "install-record", where,
              "a file installed as SETUP.INF in the destination directory is where SETUP.EXE "
              "keeps the registry values it replaces");
    }
}

// The Uninstall entry starts UNINSTAL.EXE in the destination directory;
// without its list beside it the uninstaller removes only the two
// programs the registry names.
void CheckUninstallList(Check& c) {
    std::string dir = Lower(Tidy(c.loaded.defaultDestDir));
    std::string exe;  // the first line that installs it
    bool list = false;
    for (const PlanDisk& d : c.result.disks) {
        for (const PlanFile& f : d.files) {
            std::string dest = Lower(f.destination);
            if (exe.empty() && dest == dir + "\\" + Lower(footprint::kUninstaller)) {
                exe = Where(DiskKey(d.number - 1), std::to_string(f.line));
            }
            list = list || dest == dir + "\\" + Lower(footprint::kListName);
        }
    }
    if (!exe.empty() && !list) {
        c.Add(Severity::Warning, "no-uninstall-list", exe,
              "UNINSTAL.EXE is installed without UNINSTAL.INF beside it: the uninstaller "
              "then removes only the two programs the registry names (disktool build "
              "writes the list)");
    }
}

}  // namespace disktool
