// [Startup]: its values cut to their fields, and the ones that name files
// the disks must install where Windows looks for them.
#include "check_parts.h"
#include "footprint/footprint.h"
#include "script_tables.h"

namespace disktool {

namespace {

// Where a Windows keyword's files go on the machine the plan is shown for.
std::string AssumedDir(int keyword) {
    char dir[footprint::kFootprintPath];
    footprint::PlaceDir(footprint::PlaceOfDirectory(keyword), nullptr, kAssumedWindowsDir, nullptr,
                        dir);
    return dir;
}

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
    std::string where = Where(ProgramText(IDS_STARTUP), key);
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
        c.CutKey(ProgramText(IDS_STARTUP), k.Name(), k.limit,
                 std::string("the ") + k.Name() + " value");
    }
}

// The class key's MouseDriver is loaded from the system directory and its
// InfPath (MouseInf) read from the INF directory, so each must be a file the
// disks install there. FileName is read and never used: only a name no line
// installs is told.
void CheckStartupFiles(Check& c) {
    const StartupStrings& s = c.loaded.startupStrings;
    CheckStartupFile(c, ProgramText(IDS_MOUSE_DRIVER), s.MouseDriver, AssumedDir(kWinSystemDir),
                     DirectoryKey(kWinSystemDir),
                     "SETUP.EXE registers a mouse driver that is not on the machine");
    CheckStartupFile(c, ProgramText(IDS_MOUSE_INF), s.MouseInf, AssumedDir(kWinInfDir),
                     DirectoryKey(kWinInfDir),
                     "the driver's registration names an INF file that is not on the machine");
    CheckStartupFile(c, ProgramText(IDS_FILE_NAME), c.loaded.startupFileName, "", "",
                     "a mistyped name? (SETUP.EXE itself reads FileName and does nothing "
                     "with it)");
}

}  // namespace disktool
