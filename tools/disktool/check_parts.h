// The parts of `disktool check`, one for each part of the script SETUP.EXE
// reads. Each takes the same small context: the script as the loader reads
// it, what the loader made of it, and the result that holds the plan and
// the findings. The driver (disk_check.cpp) runs them in the order their
// findings are reported.
#pragma once

#include <stdint.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "check_result.h"
#include "disk_names.h"
#include "model/setup_data.h"
#include "platform/tool_machine.h"
#include "script/setup_script.h"

namespace disktool {

inline const std::string kScript =
    std::string("A:\\") + kScriptName;  // as SETUP.EXE on A:\ opens it

// The script on the scratch machine, read by the rules the loader reads it
// with (the private-profile stand-in), and its lines as written.
class LoadedScript {
  public:
    explicit LoadedScript(std::vector<plat::posix::ProfileSectionLines> sections)
        : sections_(std::move(sections)) {}

    // The value whole, where the loader cuts it to a field; none when the
    // key is missing.
    std::optional<std::string> Raw(const char* section, const char* key) const;
    // The value as the loader's number reading takes it.
    int32_t Int(const char* section, const char* key, int32_t def) const;
    // The first appearance of a section (the only one read), or null.
    const plat::posix::ProfileSectionLines* Find(const char* name) const;
    // Every section in file order, repeated ones and the lines before the
    // first header included.
    const std::vector<plat::posix::ProfileSectionLines>& Sections() const { return sections_; }

  private:
    std::vector<plat::posix::ProfileSectionLines> sections_;
};

// What every part reads, and where it puts what it finds.
struct Check {
    const LoadedScript& script;
    const SetupScript& loaded;      // what the loader made of the script
    const InstallChoices& choices;  // what SETUP.EXE proposes, Windows in kAssumedWindowsDir
    CheckResult& result;            // the plan so far, and the findings in order

    void Add(Severity s, const std::string& code, const std::string& where,
             const std::string& message);
    // A value longer than the limit that SETUP.EXE keeps of it.
    void Cut(const std::string& where, const std::string& what, const std::string& value,
             int limit);
    // The same for a key whose value is longer than limit.
    void CutKey(const char* section, const char* key, int limit, const std::string& what);
};

// ---- the parts, in the order the driver runs them --------------------------

// check_layout.cpp: sections and keys named twice, ones nothing reads,
// lines without '='.
void CheckLayout(Check& c);
// check_layout.cpp: [Unattended]: each line and value SETUP.EXE refuses.
void CheckAnswers(Check& c);
// check_main.cpp: [Main]: the product name, cut values, DefaultPath,
// MinimumSpace's range, DefaultSerialMouse.
void CheckMain(Check& c);
// check_footprint.cpp: the destination against the registry values that
// name the installed programs.
void CheckRunFits(Check& c);
// check_disks.cpp: [DiskLabel], which counts the disks.
void CheckLabels(Check& c);
// check_directories.cpp: [DirectoryName].
void CheckDirectories(Check& c);
// check_disks.cpp: [FileCounts] and their total.
void CheckCounts(Check& c);
// check_files.cpp: the file lines of every disk read, each added to the plan.
void CheckFileLines(Check& c);
// check_disks.cpp: disk sections beyond the labelled disks.
void CheckUnreadDisks(Check& c);
// check_footprint.cpp: UNINSTAL.EXE without its list.
void CheckUninstallList(Check& c);
// check_group.cpp: [PM Info].
void CheckGroupItems(Check& c);
// check_startup.cpp: [Startup]'s cut values.
void CheckStartup(Check& c);
// check_footprint.cpp: the [Startup] Title against the display name.
void CheckTitleFits(Check& c);
// check_startup.cpp: the [Startup] values that name files.
void CheckStartupFiles(Check& c);
// check_main.cpp: MinimumSpace against the plan's expanded total.
void CheckSpace(Check& c);

// check_footprint.cpp, for each file line: a file installed where setup
// keeps its install record.
void CheckNotRecord(Check& c, const std::string& where, const std::string& destination);

// ---- shared by the parts (check_parts.cpp) ---------------------------------

std::string Where(const std::string& section, const std::string& key);  // "[Main] Key"
// A path as a person reads it: the doubled backslashes of empty
// directories taken out.
std::string Tidy(const std::string& path);
bool HasParentStep(const std::string& path);  // a ".." between '\' or '/'
// The next comma-separated field of *rest as the loader splits it
// (SplitField), whole; *rest moves past it.
std::string TakeField(const char** rest);

}  // namespace disktool
