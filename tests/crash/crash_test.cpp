// Power cuts at every step: setup and the uninstaller, run as a user runs
// them on the sample disk, are stopped after each step that changes the
// machine (and half-way through each write), Windows starts again, and the
// user runs the same program again to its end. At every stop point:
// system.ini is the old or the new file byte for byte once Windows has
// started, the install record holds only earlier values, and after the
// rerun (and, for setup, the uninstaller) the whole machine equals what the
// uninterrupted runs give.
#include <gtest/gtest.h>
#include <stdio.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "install/installation.h"
#include "model/setup_state.h"
#include "platform/files.h"
#include "platform/posix/machine.h"
#include "platform/system.h"
#include "platform/text.h"
#include "script/setup_script.h"
#include "support/test_machine.h"
#include "ui/logic/page_logic.h"
#include "uninstall/undo.h"

namespace {

namespace fs = std::filesystem;
namespace posix = plat::posix;

const char kInstallDir[] = "C:\\Program Files\\VELOR";
const char kTempDir[] = "C:\\WINDOWS\\TEMP\\";  // as GetTempPathA gives it

// Every file and directory of drive C: by relative path ("dir/" for a
// directory), and the registry store as "<registry>".
typedef std::map<std::string, std::string> Machine;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

fs::path DriveC() {
    return fs::path(posix::Machine().root) / "c";
}

Machine Take() {
    Machine m;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(DriveC())) {
        std::string rel = fs::relative(e.path(), DriveC()).string();
        // Windows' start leaves it whenever it carried out a WININIT.INI:
        // its own note of a start after a cut, not the program's doing.
        if (rel == "WINDOWS/WININIT.BAK") {
            continue;
        }
        m[e.is_directory() ? rel + "/" : rel] = e.is_directory() ? "" : Slurp(e.path());
    }
    m["<registry>"] = posix::RegistrySaveText();
    return m;
}

void Put(const Machine& m) {
    fs::remove_all(DriveC());
    fs::create_directories(DriveC());
    for (const auto& entry : m) {
        fs::path path = DriveC() / entry.first;
        if (entry.first == "<registry>") {
            posix::RegistryClear();
            posix::RegistryLoadText(entry.second);
        } else if (entry.first.back() == '/') {
            fs::create_directories(path);
        } else {
            fs::create_directories(path.parent_path());
            std::ofstream(path, std::ios::binary) << entry.second;
        }
    }
    posix::ClearRegistryWrites();
}

// What differs, one name per entry.
std::string Differences(const Machine& want, const Machine& got) {
    std::string out;
    for (const auto& w : want) {
        auto g = got.find(w.first);
        if (g == got.end()) {
            out += " missing " + w.first + ";";
        } else if (g->second != w.second) {
            out += " changed " + w.first + ";";
        }
    }
    for (const auto& g : got) {
        if (want.count(g.first) == 0) {
            out += " extra " + g.first + ";";
        }
    }
    return out;
}

std::string IniOf(const Machine& m) {
    auto it = m.find("WINDOWS/system.ini");
    return it == m.end() ? "<missing>" : it->second;
}

// The install record as (section, key) -> value; empty when there is none.
typedef std::map<std::pair<std::string, std::string>, std::string> Record;

Record RecordOnDisk() {
    Record r;
    std::vector<posix::ProfileSectionLines> sections;
    if (posix::ProfileParseFile((DriveC() / "Program Files/VELOR/SETUP.INF").string(), &sections)) {
        for (const posix::ProfileSectionLines& s : sections) {
            for (const posix::ProfileLine& l : s.lines) {
                r[{s.name, l.name}] = l.value;
            }
        }
    }
    return r;
}

// Every entry the record holds is the earlier value the uninterrupted run
// records: never setup's own value, never a value cut short.
std::string EarlierValuesOnly(const Record& want, const Record& got) {
    std::string out;
    for (const auto& g : got) {
        auto w = want.find(g.first);
        if (w != want.end() && w->second != g.second) {
            out += " record [" + g.first.first + "] " + g.first.second + "=" + g.second +
                   " is not the earlier value " + w->second + ";";
        }
    }
    return out;
}

// ---- the programs, as a user runs them --------------------------------------

class Page : public InstallProgress {
  public:
    void NewDisk(int) override {}
    void CopyingFile(const FileEntry&) override {}
    void Percentage(int) override {}
    int MessageStep() override { return 0; }
    void Registering() override {}
    int Cancelled() override { return 0; }
};

int Exists(void*, const char* path) {
    return plat::FileAttributes(path) != plat::kInvalidAttributes;
}
int Yes(void*) {
    return 1;
}
int FreeSpace(void*, const char* root, uint32_t* spc, uint32_t* bps, uint32_t* free) {
    uint32_t total;
    return plat::DiskFreeSpace(root, spc, bps, free, &total);
}
int Create(void*, const char* path) {
    return plat::DirCreate(path);
}

// The wizard with the mouse type chosen and the default destination.
void RunSetup(int serial) {
    ResetSetupState(gSetup);
    plat::WindowsDirectory(gSetup.windowsDir, sizeof gSetup.windowsDir);
    if (!LoadSetupScript(gSetup)) {
        return;
    }
    gSetup.serialMouse = serial;
    ui::DestinationChecks checks = {nullptr, Exists, Yes, FreeSpace, Create};
    if (ui::CheckDestination(gSetup.destDir, gSetup.minimumSpace, checks) == ui::kDestAccepted) {
        Page page;
        RunInstallation(gSetup, page);
    }
    ReleaseInstallPlan(gSetup);
}

// UNINSTAL.EXE from the install directory, answered Yes: its copy in the
// temp directory undoes the installation (in place when no copy is made).
void RunUninstaller() {
    std::string dir = kInstallDir;
    std::string original = dir + "\\UNINSTAL.EXE";
    char copy[kUndoPath];
    std::string program =
        MakeFinishingCopy(original.c_str(), kTempDir, "C:\\WINDOWS", copy) ? copy : original;
    static UndoReport report;
    report = UndoReport();
    UndoPlaces places = {dir.c_str(), "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", program.c_str()};
    UndoInstallation(places, &report);
}

// ---- the explorer -----------------------------------------------------------

struct Scenario {
    const char* name;
    int serial;      // the mouse type chosen: 1 serial, 0 PS/2
    bool vxd;        // VMM32\VMOUSE.VXD present before the first setup
    int setups;      // setups run (Windows restarted after each) before the run tried
    bool uninstall;  // the run tried is the uninstaller's; otherwise setup's
    int known;       // stop points known to fail
};

void Run(const Scenario& s) {
    s.uninstall ? RunUninstaller() : RunSetup(s.serial);
}

void Explore(const Scenario& s) {
    testing_machine::Reset();
    std::string examples = std::string(SETUP_SOURCE_DIR) + "/examples/";
    fs::copy(examples + "disk", posix::Machine().root + "/a", fs::copy_options::recursive);
    testing_machine::WriteFile("C:\\WINDOWS\\system.ini", Slurp(examples + "machine/system.ini"));
    if (s.vxd) {
        testing_machine::WriteFile("C:\\WINDOWS\\SYSTEM\\VMM32\\VMOUSE.VXD",
                                   Slurp(examples + "machine/VMOUSE.VXD"));
    }
    posix::RegistryLoadFile(examples + "machine/win98.reg");
    posix::RegistryLoadText(
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
        "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\r\n");
    fs::remove_all(DriveC() / "SETUPTESTS");
    fs::create_directories(DriveC() / "Program Files");
    fs::create_directories(DriveC() / "WINDOWS/INF");
    fs::create_directories(DriveC() / "WINDOWS" / "TEMP");
    for (int i = 0; i < s.setups; i++) {
        RunSetup(s.serial);
        posix::WindowsRestart(false);
    }
    const Machine base = Take();

    // The uninterrupted run, and for setup the uninstaller after it.
    posix::PowerCutAfter(-1, posix::kCutBefore);
    Run(s);
    const std::vector<posix::PowerEntry> steps = posix::PowerLog();
    posix::WindowsRestart(false);
    const Machine done = Take();
    const Record earlier = RecordOnDisk();
    Machine roundTrip;
    if (!s.uninstall) {
        RunUninstaller();
        posix::WindowsRestart(false);
        roundTrip = Take();
    }

    // Nothing of the uninstaller stays: not the install folder, not its copy.
    for (const auto& entry : s.uninstall ? done : roundTrip) {
        EXPECT_TRUE(entry.first.rfind("Program Files/VELOR", 0) != 0 &&
                    (entry.first.rfind("WINDOWS/TEMP/", 0) != 0 || entry.first == "WINDOWS/TEMP/"))
            << s.name << " after the uninstall: " << entry.first;
    }

    int checked = 0;
    std::vector<std::string> failures;
    for (size_t k = 0; k <= steps.size(); k++) {
        for (int half = 0; half < 2; half++) {
            bool writes = false;
            for (posix::Op op :
                 {posix::Op::FileWrite, posix::Op::LzCopy, posix::Op::ProfileFlush}) {
                writes = writes || (k < steps.size() && steps[k].op == op);
            }
            if (half && !writes) {
                continue;
            }
            checked++;
            Put(base);
            posix::PowerCutAfter(static_cast<long>(k), half ? posix::kCutHalf : posix::kCutBefore);
            Run(s);
            posix::WindowsRestart(true);
            Machine now = Take();
            std::string broke;
            std::string ini = IniOf(now);
            if (ini != IniOf(base) && ini != IniOf(done)) {
                broke +=
                    " system.ini neither old nor new after the start:" + Differences(base, now) +
                    " |";
            }
            std::string record = EarlierValuesOnly(earlier, RecordOnDisk());
            if (!record.empty()) {
                broke += " after the start:" + record + " |";
            }
            Run(s);
            posix::WindowsRestart(false);
            record = EarlierValuesOnly(earlier, RecordOnDisk());
            if (!record.empty()) {
                broke += " after the rerun:" + record + " |";
            }
            std::string differs = Differences(done, Take());
            if (!differs.empty()) {
                broke += " after the rerun:" + differs + " |";
            }
            if (!s.uninstall && differs.empty()) {
                RunUninstaller();
                posix::WindowsRestart(false);
                differs = Differences(roundTrip, Take());
                if (!differs.empty()) {
                    broke += " after the uninstall:" + differs;
                }
            }
            if (!broke.empty()) {
                std::string after = k == 0 ? "the start"
                                           : std::string(posix::OpName(steps[k - 1].op)) + " " +
                                                 steps[k - 1].subject;
                failures.push_back("k=" + std::to_string(k) +
                                   (half ? " (half of the next write)" : "") + " after " + after +
                                   ":" + broke);
            }
        }
    }
    printf("crash: %s %zu operations, %d stop points checked, %zu failed\n", s.name, steps.size(),
           checked, failures.size());
    for (const std::string& f : failures) {
        printf("  %s\n", f.c_str());
    }
    EXPECT_LE(static_cast<int>(failures.size()), s.known) << s.name;
}

TEST(Crash, EveryStopPointRecovers) {
    const Scenario rows[] = {
        {"ps2-class", 0, true, 0, false, 0},
        {"serial-root", 1, false, 0, false, 0},
        {"second-setup", 0, true, 1, false, 0},
        {"uninstall-ps2-class", 0, true, 1, true, 0},
        {"uninstall-serial-root", 1, false, 1, true, 0},
        {"uninstall-second-setup", 0, true, 2, true, 0},
    };
    for (const Scenario& s : rows) {
        Explore(s);
    }
}

}  // namespace
