// [Startup]: its values cut to their fields, and the ones that name files
// the disks must install where Windows looks for them.
#include "check_parts.h"
#include "script_tables.h"

namespace disktool {

namespace {

std::string NameOf(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// value must be installed as dir\value (any directory when dir is "");
// keyword is the directory keyword that puts it there.
void CheckStartupFile(Check& c, const char* key, const std::string& value, const std::string& dir,
                      const char* keyword, const std::string& missing) {
    if (value.empty()) {
        return;
    }
    std::string elsewhere;
    for (const PlanDisk& d : c.result.disks) {
        for (const PlanFile& f : d.files) {
            if (!dir.empty() && SameName(f.destination, dir + "\\" + value)) {
                return;
            }
            if (SameName(NameOf(f.destination), NameOf(value))) {
                elsewhere = f.destination;
            }
        }
    }
    std::string where = Where("Startup", key);
    if (elsewhere.empty()) {
        c.Add(dir.empty() ? Severity::Warning : Severity::Error, "startup-missing", where,
              std::string(key) + " names " + value + ", which no file line installs: " + missing);
    } else if (!dir.empty()) {
        c.Add(Severity::Warning, "startup-misplaced", where,
              std::string(key) + " " + value + " is installed as " + elsewhere +
                  ", but Windows looks for it in " + dir + " (install it with " + keyword + ")");
    }
}

}  // namespace

void CheckStartup(Check& c) {
    for (const ScriptKey& k : kStartupKeys) {
        c.CutKey("Startup", k.Name(), k.limit, std::string("the ") + k.Name() + " value");
    }
}

// The class key's MouseDriver is loaded from the system directory and its
// InfPath (MouseInf) read from the INF directory, so each must be a file the
// disks install there. FileName is read and never used: only a name no line
// installs is told.
void CheckStartupFiles(Check& c) {
    const std::string windows = kAssumedWindowsDir;
    const StartupStrings& s = c.state.startupStrings;
    CheckStartupFile(c, "MouseDriver", s.MouseDriver, windows + "\\SYSTEM", "WinSystemDir",
                     "SETUP.EXE registers a mouse driver that is not on the machine");
    CheckStartupFile(c, "MouseInf", s.MouseInf, windows + "\\INF", "WinInfDir",
                     "the driver's registration names an INF file that is not on the machine");
    CheckStartupFile(c, "FileName", c.state.startupFileName, "", "",
                     "a mistyped name? (SETUP.EXE itself reads FileName and does nothing "
                     "with it)");
}

}  // namespace disktool
