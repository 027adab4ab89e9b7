// Power cuts at every step: setup and the uninstaller, run as a user runs
// them on the sample disk, are stopped after each step that changes the
// machine (and after the first byte, half-way and before the last byte of
// each write). Windows starts again on each disk the cut may leave (the
// registry as of the last flush or as Windows wrote it by itself after a
// later change, the last directory operations not flushed in any order;
// the profile writes not yet flushed lost), and the user runs the same
// program again to its end. At every stop point: system.ini is the old or
// the new file byte for byte once Windows has started, the install record
// holds only earlier values, and after the rerun (and, after setup, the
// uninstaller) the whole machine equals what the uninterrupted runs give;
// those must change the machine and give back the one from before the
// first setup.
#include <gtest/gtest.h>
#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "footprint/footprint.h"
#include "install/installation.h"
#include "install/register_driver.h"
#include "install/target_files.h"
#include "model/setup_data.h"
#include "model/texts.h"
#include "platform/files.h"
#include "platform/posix/machine.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"
#include "record/install_record.h"
#include "script/setup_script.h"
#include "support/test_machine.h"
#include "ui/logic/page_logic.h"
#include "uninstall/undo.h"

namespace {

namespace fs = std::filesystem;
namespace posix = plat::posix;

const char kInstallDir[] = "C:\\Program Files\\VELOR";
const char kFirstFolder[] = "Program Files/VELOR/";  // the default folder, as Take names it
const char kSecondDir[] = "C:\\VELOR2";
const char kTempDir[] = "C:\\WINDOWS\\TEMP\\";  // as GetTempPathA gives it
const char kRegistry[] = "<registry>";          // the whole store, creation order and all
const char kKeyPrefix[] = "<registry> ";        // one key: "<registry> [HKEY_...]"
const char kReadOnly[] = "<read-only>";         // the read-only files and drives
const char kHeld[] = "<held>";                  // the files a running program holds
const size_t kShownDifferences = 6;             // per comparison; the rest are counted
const size_t kShownStops = 10;                  // failing stop points printed per scenario

// Every file and directory of drive C: by relative path ("dir/" for a
// directory), the registry store whole and key by key, and the read-only
// marks.
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

// Windows' start leaves it whenever it carried out a WININIT.INI: its own
// note of a start after a cut, not the program's doing.
bool LeftOut(const std::string& rel) {
    return rel == "WINDOWS/WININIT.BAK";
}

// The store's text cut into its keys, each "[name]" line with its values.
void TakeKeys(const std::string& text, Machine* m) {
    std::istringstream in(text);
    std::string line;
    std::string key;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[') {
            key = kKeyPrefix + line.substr(0, line.find_last_of(']') + 1);
            (*m)[key];
        } else if (!key.empty() && line != "\r") {
            (*m)[key] += line + "\n";
        }
    }
}

Machine Take() {
    Machine m;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(DriveC())) {
        std::string rel = fs::relative(e.path(), DriveC()).string();
        if (!LeftOut(rel)) {
            m[e.is_directory() ? rel + "/" : rel] = e.is_directory() ? "" : Slurp(e.path());
        }
    }
    m[kRegistry] = posix::RegistrySaveText();
    TakeKeys(m[kRegistry], &m);
    std::string marks;
    for (const std::string& host : posix::Machine().readOnlyFiles) {
        std::string rel = fs::relative(host, DriveC()).string();
        marks += LeftOut(rel) ? "" : rel + "\n";
    }
    for (char drive : posix::Machine().readOnlyDrives) {
        marks += std::string(1, drive) + ":\n";
    }
    m[kReadOnly] = marks;
    marks.clear();
    for (const std::string& host : posix::Machine().heldFiles) {
        marks += fs::relative(host, DriveC()).string() + "\n";
    }
    m[kHeld] = marks;
    return m;
}

// Marks as Take wrote them: files of drive C: into files, drives into drives.
void PutMarks(const std::string& marks, std::set<std::string>* files, std::set<char>* drives) {
    files->clear();
    std::istringstream in(marks);
    std::string mark;
    while (std::getline(in, mark)) {
        if (mark.size() == 2 && mark[1] == ':') {
            drives->insert(mark[0]);
        } else {
            files->insert((DriveC() / mark).string());
        }
    }
}

void Put(const Machine& m) {
    fs::remove_all(DriveC());
    fs::create_directories(DriveC());
    for (const auto& entry : m) {
        fs::path path = DriveC() / entry.first;
        if (entry.first == kRegistry) {
            posix::RegistryClear();
            posix::RegistryLoadText(entry.second);
        } else if (entry.first[0] == '<') {
            continue;  // a key of the store, or the marks (below)
        } else if (entry.first.back() == '/') {
            fs::create_directories(path);
        } else {
            fs::create_directories(path.parent_path());
            std::ofstream(path, std::ios::binary) << entry.second;
        }
    }
    posix::Machine().readOnlyDrives.clear();
    PutMarks(m.at(kReadOnly), &posix::Machine().readOnlyFiles, &posix::Machine().readOnlyDrives);
    PutMarks(m.at(kHeld), &posix::Machine().heldFiles, &posix::Machine().readOnlyDrives);
    posix::ClearRegistryWrites();
}

// The lines of a that b lacks, each with sign in front.
std::string LinesNotIn(const std::string& a, const std::string& b, const char* sign) {
    std::string out;
    std::istringstream in(a);
    std::string line;
    while (std::getline(in, line)) {
        if (("\n" + b).find("\n" + line + "\n") == std::string::npos) {
            out += std::string(" ") + sign + line.substr(0, line.find('\r'));
        }
    }
    return out;
}

// What differs, one name per entry, the first kShownDifferences of them; a
// key of the store with its lines that differ: "+" what got has and want
// lacks, "-" the other way.
std::string Differences(const Machine& want, const Machine& got) {
    std::vector<std::string> found;
    bool keyDiffers = false;
    for (const auto& w : want) {
        auto g = got.find(w.first);
        bool isKey = w.first.rfind(kKeyPrefix, 0) == 0;
        if (g == got.end()) {
            found.push_back(" missing " + w.first + ";");
        } else if (g->second != w.second && isKey) {
            found.push_back(" changed " + w.first + ":" + LinesNotIn(g->second, w.second, "+") +
                            LinesNotIn(w.second, g->second, "-") + ";");
        } else if (g->second != w.second && w.first != kRegistry) {
            found.push_back(" changed " + w.first + ";");
        }
        keyDiffers = keyDiffers || (isKey && (g == got.end() || g->second != w.second));
    }
    for (const auto& g : got) {
        if (want.count(g.first) == 0) {
            found.push_back(" extra " + g.first + ";");
            keyDiffers = keyDiffers || g.first.rfind(kKeyPrefix, 0) == 0;
        }
    }
    if (!keyDiffers && want.at(kRegistry) != got.at(kRegistry)) {
        found.push_back(" registry keys in another order;");
    }
    std::string out;
    for (size_t i = 0; i < found.size() && i < kShownDifferences; i++) {
        out += found[i];
    }
    if (found.size() > kShownDifferences) {
        out += " and " + std::to_string(found.size() - kShownDifferences) + " more;";
    }
    return out;
}

// m without the entries whose path drop says.
template <typename Drop>
Machine Erase(Machine m, Drop drop) {
    for (auto it = m.begin(); it != m.end();) {
        it = drop(it->first) ? m.erase(it) : std::next(it);
    }
    return m;
}

// m without the entries below prefix.
Machine Without(const Machine& m, const std::string& prefix) {
    return Erase(m, [&](const std::string& path) { return path.rfind(prefix, 0) == 0; });
}

// m without its folders: a folder made or removed alone (the wizard makes
// the destination before setup runs) is no change of substance.
Machine WithoutFolders(const Machine& m) {
    return Erase(m, [](const std::string& path) { return path.back() == '/'; });
}

std::string IniOf(const Machine& m) {
    auto it = m.find("WINDOWS/system.ini");
    return it == m.end() ? "<missing>" : it->second;
}

// The install record as (section, key) -> value; empty when there is none.
typedef std::map<std::pair<std::string, std::string>, std::string> Record;

Record RecordOnDisk(const std::string& dir) {
    Record r;
    std::vector<posix::ProfileSectionLines> sections;
    std::string path = dir + "\\" + footprint::kRecordName;
    if (posix::ProfileParseFile(posix::HostPath(path.c_str()), &sections)) {
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
int Foreign(void*, const char* path) {
    InstallRecord record;
    return record.Open(path) && record.Foreign();
}

// The script loaded and the choices proposed, the mouse type chosen; false
// when the script does not load (nothing to run).
bool LoadAndChoose(int serial) {
    ResetSetupScript(gScript);
    ResetInstallChoices(gChoices);
    plat::WindowsDirectory(gChoices.windowsDir, sizeof gChoices.windowsDir);
    if (!LoadSetupScript(gScript, gChoices.windowsDir, LoadText)) {
        return false;
    }
    ProposeChoices(gScript, gChoices);
    gChoices.serialMouse = serial;
    return true;
}

// The wizard with the mouse type chosen and the destination typed (null:
// the default one accepted). refused, when given, is typed first: the page
// must refuse it (another program's SETUP.INF), or nothing is installed.
void RunSetup(int serial, const char* dest, const char* refused = nullptr) {
    if (!LoadAndChoose(serial)) {
        return;
    }
    ui::DestinationChecks checks = {nullptr, Exists, Yes, FreeSpace, Create, Foreign};
    char proposed[sizeof gChoices.destDir];
    text::Copy(proposed, sizeof proposed, gChoices.destDir);
    if (refused != nullptr) {
        text::Copy(gChoices.destDir, sizeof gChoices.destDir, refused);
        if (ui::CheckDestination(refused, gScript.minimumSpace, checks) != ui::kDestForeignRecord) {
            ReleaseInstallPlan(gScript);
            return;
        }
        text::Copy(gChoices.destDir, sizeof gChoices.destDir, proposed);
    }
    if (dest != nullptr) {
        text::Copy(gChoices.destDir, sizeof gChoices.destDir, dest);
    }
    if (ui::CheckDestination(gChoices.destDir, gScript.minimumSpace, checks) == ui::kDestAccepted) {
        NoProgress page;
        static InstallRecord record;
        record.Open(gChoices.destDir);
        RunInstallation(gScript, gChoices, record, page);
    }
    ReleaseInstallPlan(gScript);
}

// SETUP.EXE -u from A:, the mouse type chosen: the driver alone, its
// record beside the installation the Uninstall entry names.
void RunDriverOnly(int serial) {
    if (!LoadAndChoose(serial)) {
        return;
    }
    static char dir[kPathSize];
    static InstallRecord record;
    if (DriverOnlyRecordDir(dir) && record.Open(dir)) {
        RegisterMouseDriver(gScript, gChoices, record, RegisterScope::DriverOnly);
    }
    ReleaseInstallPlan(gScript);
}

// UNINSTAL.EXE from the install directory dir, answered Yes: its copy in the
// temp directory undoes the installation while the original waits for it
// (in place when no copy is made).
void RunUninstaller(const std::string& dir) {
    std::string original = dir + "\\UNINSTAL.EXE";
    char copy[kUndoPath];
    std::string program =
        MakeFinishingCopy(original.c_str(), kTempDir, "C:\\WINDOWS", copy) ? copy : original;
    static UndoReport report;
    report = UndoReport();
    static UndoContext undo;
    OpenUndo(&undo, {dir.c_str(), "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", program.c_str()});
    UndoAsOriginal(undo);
    UndoInstallation(undo, &report);
}

// ---- what the rows add to the machine ---------------------------------------

std::string Examples() {
    return std::string(SETUP_SOURCE_DIR) + "/examples/";
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    EXPECT_NE(std::string::npos, at) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// A library the disk also installs into the system directory, there before
// setup and counted twice in SharedDLLs by other programs; the disk's
// uninstall list names it.
const char kShared[] = "a library other programs share\r\n";
void SharedLibrary() {
    std::string inf;
    testing_machine::ReadFile("A:\\SETUP.INF", &inf);
    inf = Replaced(inf, "Disk1=8", "Disk1=9");
    inf = Replaced(inf, "Read me first, RootDir\r\n",
                   "Read me first, RootDir\r\n9=VLSHARE.DLL, VLSHARE.DLL, Shared library, "
                   "WinSystemDir\r\n");
    testing_machine::WriteFile("A:\\SETUP.INF", inf);
    testing_machine::WriteFile("A:\\SYSTEM\\VLSHARE.DLL", kShared);
    // The list as a plain file: setup copies a file that is not SZDD as it is.
    testing_machine::WriteFile(
        "A:\\UNINSTAL.IN_",
        Replaced(Slurp(Examples() + "originals/UNINSTAL.INF"), "8=Windows, INF\\VLMOUSE.INF\r\n",
                 "8=Windows, INF\\VLMOUSE.INF\r\n9=Windows, SYSTEM\\VLSHARE.DLL\r\n"));
    testing_machine::WriteFile("C:\\WINDOWS\\SYSTEM\\VLSHARE.DLL", kShared);
    posix::RegistryLoadText(
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
        "SharedDLLs]\r\n\"C:\\\\WINDOWS\\\\SYSTEM\\\\VLSHARE.DLL\"=dword:00000002\r\n");
}
const char kCountedThrice[] = "\"C:\\\\WINDOWS\\\\SYSTEM\\\\VLSHARE.DLL\"=dword:00000003";

// Another program's work for the next start of Windows.
void PendingWork() {
    testing_machine::WriteFile("C:\\OTHER\\OLD.DLL", "old, to go\r\n");
    testing_machine::WriteFile("C:\\OTHER\\A.DLL", "a, the old one\r\n");
    testing_machine::WriteFile("C:\\OTHER\\A.NEW", "a, the new one\r\n");
    testing_machine::WriteFile("C:\\WINDOWS\\WININIT.INI",
                               "[rename]\r\nNUL=C:\\OTHER\\OLD.DLL\r\n"
                               "C:\\OTHER\\A.DLL=C:\\OTHER\\A.NEW\r\n");
}

void ReadOnlyWininit() {
    testing_machine::WriteFile("C:\\WINDOWS\\WININIT.INI", "[rename]\r\n");
    posix::SetFileReadOnly("C:\\WINDOWS\\WININIT.INI", true);
}

void ProtectDriveA() {
    posix::Machine().readOnlyDrives.insert('A');
}

// The mouse application runs from the installed Q7MAIN.EXE, which Windows
// holds, and the disk now brings a newer one.
void ApplicationRuns() {
    testing_machine::WriteFile("A:\\Q7MAIN.EX_", "a newer mouse application\r\n");
    std::string program = std::string(kInstallDir) + "\\Q7MAIN.EXE";
    if (testing_machine::Exists(program)) {
        testing_machine::Hold(program);
    }
}

// The user copied the disk to C:\VELOR and runs setup from there.
const char kOwnFolder[] = "C:\\VELOR";
void SetupFromHardDisk() {
    fs::copy(posix::Machine().root + "/a", DriveC() / "VELOR", fs::copy_options::recursive);
    posix::Machine().moduleFileName = std::string(kOwnFolder) + "\\SETUP.EXE";
}

// Another program's folder, with its own SETUP.INF.
void AnotherProgramsFolder() {
    testing_machine::WriteFile(std::string(kSecondDir) + "\\SETUP.INF",
                               "[Main]\r\nProductName=Another program\r\n");
    testing_machine::WriteFile(std::string(kSecondDir) + "\\README.TXT", "its own\r\n");
}

// Another program's system.bak from long ago.
void AnotherProgramsBak() {
    testing_machine::WriteFile("C:\\WINDOWS\\system.bak",
                               "[386Enh]\r\nmouse=gone.vxd\r\n; another program's\r\n");
}

// system.ini names the built-in driver already, beside another program's system.bak.
void BuiltInWithAnotherBak() {
    std::string ini;
    testing_machine::ReadFile("C:\\WINDOWS\\system.ini", &ini);
    testing_machine::WriteFile("C:\\WINDOWS\\system.ini",
                               Replaced(ini, "mouse=msmouse.vxd", "mouse=*vmouse"));
    AnotherProgramsBak();
}

// Another program starts to use the shared library: its count rises by one.
void AnotherProgramCounts() {
    const char path[] = "C:\\WINDOWS\\SYSTEM\\VLSHARE.DLL";
    uint32_t count = 0;
    footprint::ReadSharedCount(path, &count);
    count++;
    plat::RegKey key;
    if (plat::RegCreate(plat::LocalMachine(), footprint::kSharedDlls, &key) == plat::kErrSuccess) {
        plat::RegSet(key, path, plat::kRegDword, &count, sizeof count);
        plat::RegClose(key);
    }
}

// The record's new copy cannot be made once there is a record to copy: the
// record of the target files goes down before the copy, every later write
// (the registration's) fails, as on a destination disk the copy filled.
void RecordCannotBeWritten() {
    posix::InjectFault(posix::Op::FileCreate, footprint::kRecordNew);
}

// ---- the explorer -----------------------------------------------------------

enum Program {
    kSetup,       // the wizard on the sample disk
    kUninstall,   // UNINSTAL.EXE of the default folder
    kDriverOnly,  // SETUP.EXE -u from A: with the other mouse type than the setups'
};

// What the round trip (the run tried and, unless it is the uninstaller's,
// the uninstall after it) gives back, next to the machine before the first
// setup with the rows' own changes, after Windows started.
enum Ending {
    kAsBefore,          // the whole machine
    kFirstFolderStays,  // the same; the first folder's files may stay (see the row)
    kUnchanged,         // the run tried changes nothing, and the round trip gives it back
    // The whole machine, but the start of Windows after a cut ends the
    // row's condition (a read-only WININIT.INI becomes WININIT.BAK), so a
    // rerun may rightly go another way than the uninterrupted run: a stop
    // point is judged by its round trip alone. What the row's condition
    // kept the run tried from finishing (an uninstaller that cannot leave
    // its files to WININIT.INI keeps them, named) a run after the next
    // start finishes.
    kRestartEndsIt,
};

typedef void (*Hook)();

struct Scenario {
    const char* name;
    int serial;           // the setups' mouse type: 1 serial, 0 PS/2
    bool vxd;             // VMM32\VMOUSE.VXD present before the first setup
    Hook disk;            // changes to the disk and machine before the first setup, or null
    int setups;           // setups run (Windows restarted after each) before the run tried
    Hook before;          // changes right before the run tried, or null
    Program program;      // the run tried
    const char* dest;     // where the run tried's setup installs; null: the default folder
    Hook faults;          // faults while the run tried runs, every time, or null
    Ending ending;        // what the round trip gives back
    const char* doneHas;  // a registry line after the uninterrupted run tried, or null
    int known;            // stop points known to fail
    // Typed first on the destination page and refused there (another
    // program's SETUP.INF): the run tried then takes dest.
    const char* refused = nullptr;
    // The folder the last of the setups installs into (null: the default
    // one). When the run tried is the default folder's uninstaller, this
    // one is the installation Windows has registered, and its uninstaller
    // ends the round trip.
    const char* registered = nullptr;
};

std::string InstallDir(const Scenario& s) {
    return s.program == kSetup && s.dest != nullptr ? s.dest : kInstallDir;
}

void Run(const Scenario& s) {
    if (s.faults != nullptr) {
        s.faults();
    }
    if (s.program == kUninstall) {
        RunUninstaller(kInstallDir);
    } else if (s.program == kDriverOnly) {
        RunDriverOnly(!s.serial);
    } else {
        RunSetup(s.serial, s.dest, s.refused);
    }
    posix::ClearFaults();
}

// The uninstall that ends a round trip after the run tried.
void Uninstall(const Scenario& s) {
    bool other = s.program == kUninstall && s.registered != nullptr;
    RunUninstaller(other ? s.registered : InstallDir(s));
    posix::WindowsRestart(false);
}

// The machines the explorer compares with.
struct References {
    Machine before;   // before the first setup, the rows' changes made, Windows started
    Machine base;     // right before the run tried
    Machine started;  // base after a start of Windows alone (WININIT.INI carried out)
    std::vector<posix::PowerEntry> steps;  // the uninterrupted run tried's
    Machine done;                          // after it and a restart
    Record earlier;                        // the record it leaves
    Machine end;                           // after the round trip
};

void MakeMachine(const Scenario& s) {
    testing_machine::Reset();
    fs::copy(Examples() + "disk", posix::Machine().root + "/a", fs::copy_options::recursive);
    testing_machine::WriteFile("C:\\WINDOWS\\system.ini", Slurp(Examples() + "machine/system.ini"));
    if (s.vxd) {
        testing_machine::WriteFile("C:\\WINDOWS\\SYSTEM\\VMM32\\VMOUSE.VXD",
                                   Slurp(Examples() + "machine/VMOUSE.VXD"));
    }
    posix::RegistryLoadFile(Examples() + "machine/win98.reg");
    // With the keys every Windows 98 has, which setup's entries go into.
    posix::RegistryLoadText(
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
        "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
        "\"SystemTray\"=\"SysTray.Exe\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce]\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall]\r\n\r\n"
        "[HKEY_CLASSES_ROOT\\CLSID]\r\n");
    fs::remove_all(DriveC() / "SETUPTESTS");
    fs::create_directories(DriveC() / "Program Files");
    fs::create_directories(DriveC() / "WINDOWS/INF");
    fs::create_directories(DriveC() / "WINDOWS" / "TEMP");
    if (s.disk != nullptr) {
        s.disk();
    }
}

References Reference(const Scenario& s) {
    References r;
    MakeMachine(s);
    const Machine first = Take();
    if (s.before != nullptr) {
        s.before();
    }
    posix::WindowsRestart(false);
    r.before = Take();
    Put(first);
    for (int i = 0; i < s.setups; i++) {
        RunSetup(s.serial, i == s.setups - 1 ? s.registered : nullptr);
        posix::WindowsRestart(false);
    }
    if (s.before != nullptr) {
        s.before();
    }
    r.base = Take();
    posix::WindowsRestart(false);
    r.started = Take();
    Put(r.base);
    posix::PowerCutAfter(-1, posix::kCutBefore);
    Run(s);
    r.steps = posix::PowerLog();
    posix::WindowsRestart(false);
    r.done = Take();
    r.earlier = RecordOnDisk(InstallDir(s));
    if (s.program != kUninstall || s.registered != nullptr || s.ending == kRestartEndsIt) {
        Uninstall(s);
    }
    r.end = Take();
    return r;
}

// What is wrong with the uninterrupted runs themselves.
std::vector<std::string> CheckReference(const Scenario& s, const References& r) {
    std::vector<std::string> wrong;
    std::string changes = Differences(r.base, r.done);
    if (r.steps.empty()) {
        wrong.push_back("the run tried changed nothing on the machine: no step");
    } else if (s.ending != kUnchanged &&
               Differences(WithoutFolders(r.started), WithoutFolders(r.done)).empty()) {
        wrong.push_back(
            "the run tried changed no more than a start of Windows alone, folders aside");
    } else if (s.ending == kUnchanged && !changes.empty()) {
        wrong.push_back("the run tried changed the machine:" + changes);
    }
    if (s.doneHas != nullptr && r.done.at(kRegistry).find(s.doneHas) == std::string::npos) {
        wrong.push_back(std::string("after the run tried the registry lacks ") + s.doneHas);
    }
    // Nothing of the uninstaller stays: not its folder, not its copy.
    std::string folder = fs::relative(posix::HostPath(InstallDir(s).c_str()), DriveC()).string();
    for (const auto& entry : r.end) {
        if (entry.first.rfind(folder + "/", 0) == 0 ||
            (entry.first.rfind("WINDOWS/TEMP/", 0) == 0 && entry.first != "WINDOWS/TEMP/")) {
            wrong.push_back("after the uninstall: " + entry.first);
        }
    }
    // The first setup's folder is not the second installation's: its files
    // may stay. The rest (registry, system.ini, Windows' files) is as it
    // was before the first setup: the second setup's record must carry the
    // first one's earlier values, as the only uninstaller still registered
    // is the second's.
    std::string back = s.ending == kFirstFolderStays
                           ? Differences(r.before, Without(r.end, kFirstFolder))
                           : Differences(r.before, r.end);
    if (!back.empty()) {
        wrong.push_back("the round trip differs from the machine before the first setup:" + back);
    }
    return wrong;
}

// The cuts tried in step k: before it, and for a write every distinct
// count of bytes that is neither none nor all (a cut with all of them
// written is the stop before the next step): the first byte, half, all
// but the last.
std::vector<posix::CutPoint> CutsIn(const std::vector<posix::PowerEntry>& steps, size_t k) {
    std::vector<posix::CutPoint> cuts = {posix::kCutBefore};
    if (k >= steps.size() || !posix::PowerWrites(steps[k].op)) {
        return cuts;
    }
    uint32_t size = steps[k].size;
    std::vector<uint32_t> counts;
    for (posix::CutPoint cut : {posix::kCutFirstByte, posix::kCutHalf, posix::kCutAllButLast}) {
        uint32_t n = posix::BytesAtCut(cut, size);
        if (n > 0 && n < size && std::find(counts.begin(), counts.end(), n) == counts.end()) {
            counts.push_back(n);
            cuts.push_back(cut);
        }
    }
    return cuts;
}

// "step 12 FileWrite C:\...\SETUP.NEW, 1 of 40 bytes": where the cut falls.
std::string StopName(const std::vector<posix::PowerEntry>& steps, size_t k, posix::CutPoint cut) {
    if (k == steps.size()) {
        return "after the last step (nothing flushed)";
    }
    const posix::PowerEntry& e = steps[k];
    std::string name =
        "step " + std::to_string(k + 1) + " " + posix::OpName(e.op) + " " + e.subject + ", ";
    uint32_t written = posix::BytesAtCut(cut, e.size);
    return name + (cut == posix::kCutBefore
                       ? std::string("not done")
                       : std::to_string(written) + " of " + std::to_string(e.size) + " bytes");
}

// Windows started on what a cut left, the run again, and for setup the
// uninstall. What went wrong, or "".
// Windows starts on what the cut left: its Run value and Uninstall entry
// must not name a program of ours that is gone (a box at every start, an
// entry nothing removes).
std::string NamedProgramsGone() {
    const char* const values[][2] = {{footprint::kRunKey, footprint::kAppValue},
                                     {footprint::kUninstallKey, footprint::kUninstallCommand}};
    std::string broke;
    for (const auto& v : values) {
        plat::RegKey key;
        char text[2 * footprint::kAppTextField];
        if (plat::RegOpen(plat::LocalMachine(), v[0], &key) != plat::kErrSuccess) {
            continue;
        }
        bool named = footprint::ReadText(key, v[1], text, sizeof text) != 0;
        plat::RegClose(key);
        std::string program = std::string(text).substr(0, std::string(text).find(" -"));
        if (named && !plat::Exists(program.c_str())) {
            broke += std::string(" after the start: ") + v[1] + " names " + program +
                     ", which is gone |";
        }
    }
    return broke;
}

std::string Recover(const Scenario& s, const References& r) {
    Machine now = Take();
    std::string broke;
    std::string ini = IniOf(now);
    if (ini != IniOf(r.base) && ini != IniOf(r.done)) {
        broke +=
            " system.ini neither old nor new after the start:" + Differences(r.base, now) + " |";
    }
    std::string record = EarlierValuesOnly(r.earlier, RecordOnDisk(InstallDir(s)));
    if (!record.empty()) {
        broke += " after the start:" + record + " |";
    }
    if (s.program == kUninstall) {
        broke += NamedProgramsGone();
    }
    Run(s);
    posix::WindowsRestart(false);
    record = EarlierValuesOnly(r.earlier, RecordOnDisk(InstallDir(s)));
    if (!record.empty()) {
        broke += " after the rerun:" + record + " |";
    }
    bool sameWay = s.ending != kRestartEndsIt;
    std::string differs = sameWay ? Differences(r.done, Take()) : "";
    if (!differs.empty()) {
        broke += " after the rerun:" + differs + " |";
    } else if (s.program != kUninstall || !sameWay || s.registered != nullptr) {
        if (s.program != kUninstall || s.registered != nullptr) {
            Uninstall(s);
        }
        differs = Differences(sameWay ? r.end : r.before, Take());
        if (!differs.empty()) {
            broke += std::string(s.program != kUninstall ? " after the uninstall:"
                                                         : " after the rerun:") +
                     differs;
        }
    }
    return broke;
}

// The halves of the power-cut model tried besides the registry of the last
// flush and the directory operations in the order made: both unless
// CRASH_MODEL names one ("registry", "directories") or neither ("flush").
struct Model {
    bool registry;     // the registry as Windows may have written it by itself since
    bool directories;  // the directory operations in another order
};

Model ModelTried() {
    const char* named = getenv("CRASH_MODEL");
    std::string model = named != nullptr ? named : "";
    if (model.empty()) {
        return Model{true, true};
    }
    EXPECT_TRUE(model == "registry" || model == "directories" || model == "flush")
        << "CRASH_MODEL=" << model;
    return Model{model == "registry", model == "directories"};
}

// One disk of those a cut may leave: registries[registry] with
// directories[directory].
struct Disk {
    size_t registry;
    size_t directory;
};

// The disks tried of those a cut left: the first of each list together,
// each other registry with the directory as made, and at a stop between
// steps each other directory with the registry of the last flush and with
// the newest one. A cut inside a write is about its bytes: the directory
// stays as made there, which keeps the run within minutes.
std::vector<Disk> DisksTried(const posix::CutDisks& d, const Model& model, bool betweenSteps) {
    std::vector<Disk> disks = {{0, 0}};
    size_t last = d.registries.size() - 1;
    for (size_t i = 1; model.registry && i < d.registries.size(); i++) {
        disks.push_back(Disk{i, 0});
    }
    for (size_t i = 1; model.directories && betweenSteps && i < d.directories.size(); i++) {
        disks.push_back(Disk{0, i});
        if (model.registry && last > 0) {
            disks.push_back(Disk{last, i});
        }
    }
    return disks;
}

std::set<std::string> MarkLines(const std::string& marks) {
    std::set<std::string> lines;
    std::istringstream in(marks);
    std::string line;
    while (std::getline(in, line)) {
        lines.insert(line);
    }
    return lines;
}

// The machine as the program left it at the cut, with the disk's registry
// and names in its place.
Machine OnDisk(const Machine& atCut, const posix::CutDisks& d, const Disk& disk) {
    Machine m = atCut;
    if (disk.registry != 0) {
        m = Erase(m, [](const std::string& path) { return path.rfind(kKeyPrefix, 0) == 0; });
        m[kRegistry] = d.registries[disk.registry].text;
        TakeKeys(m[kRegistry], &m);
    }
    std::set<std::string> marks = MarkLines(m[kReadOnly]);
    for (const posix::CutName& n : d.directories[disk.directory].names) {
        std::string rel = fs::relative(n.host, DriveC()).string();
        EXPECT_NE(0u, rel.rfind("..", 0)) << n.host << " lies outside drive C:";
        m = Erase(m, [&](const std::string& path) {
            return path == rel || path.rfind(rel + "/", 0) == 0;
        });
        marks.erase(rel);
        if (n.kind == posix::CutName::kFile) {
            m[rel] = n.data;
        } else if (n.kind == posix::CutName::kDirectory) {
            m[rel + "/"] = "";
        }
        if (n.readOnly) {
            marks.insert(rel);
        }
    }
    std::string lines;
    for (const std::string& mark : marks) {
        lines += mark + "\n";
    }
    m[kReadOnly] = lines;
    return m;
}

size_t Fingerprint(const Machine& m) {
    std::string all;
    for (const auto& entry : m) {
        all += entry.first + '\0' + std::to_string(entry.second.size()) + '\0' + entry.second;
    }
    return std::hash<std::string>()(all);
}

std::string StepName(const std::vector<posix::PowerEntry>& log, long step) {
    const posix::PowerEntry& e = log[static_cast<size_t>(step)];
    return std::to_string(step + 1) + " " + posix::OpName(e.op) + " " + e.subject;
}

// "; registry as Windows wrote it after step 50 RegSet ...; directory
// operations on the disk: step 60 ..., step 58 ... (of steps 57 58 60 61)".
std::string DiskName(const posix::CutDisks& d, const Disk& disk,
                     const std::vector<posix::PowerEntry>& log) {
    std::string name;
    if (disk.registry != 0) {
        name += "; registry as Windows wrote it after step " +
                StepName(log, d.registries[disk.registry].step);
    }
    if (disk.directory != 0) {
        const posix::CutDirectory& dir = d.directories[disk.directory];
        name += "; directory operations on the disk:";
        for (size_t i = 0; i < dir.done.size(); i++) {
            name += (i == 0 ? " step " : ", step ") + StepName(log, dir.done[i]);
        }
        name += dir.done.empty() ? " none (of steps" : " (of steps";
        for (long step : dir.pending) {
            name += " " + std::to_string(step + 1);
        }
        name += ")";
    }
    return name;
}

// What one scenario's exploration found.
struct Found {
    int stops = 0;     // stop points checked
    int disks = 0;     // disks tried at them
    int machines = 0;  // distinct machines Windows started on, the run repeated
    std::vector<std::string> failures;
    std::map<size_t, std::string> seen;  // by fingerprint: what went wrong, or ""
};

// One stop point: the run tried cut at step k, and for every disk tried of
// those the cut may leave, Windows started, the run again, and for setup
// the uninstall. The first disk that went wrong, named, or "".
std::string TryStop(const Scenario& s, const References& r, const Model& model, size_t k,
                    posix::CutPoint cut, Found* found) {
    Put(r.base);
    posix::PowerCutAfter(static_cast<long>(k), cut);
    Run(s);
    const std::vector<posix::PowerEntry> log = posix::PowerLog();
    const posix::CutDisks d = posix::PowerOff();
    const Machine atCut = Take();
    bool untouched = true;  // the machine is still what the power left
    for (const Disk& disk : DisksTried(d, model, cut == posix::kCutBefore)) {
        found->disks++;
        Machine m = OnDisk(atCut, d, disk);
        size_t print = Fingerprint(m);
        auto known = found->seen.find(print);
        if (known == found->seen.end()) {
            found->machines++;
            if (!untouched || m != atCut) {
                Put(m);
            }
            untouched = false;
            posix::WindowsRestart(true);
            known = found->seen.emplace(print, Recover(s, r)).first;
        }
        if (!known->second.empty()) {
            return DiskName(d, disk, log) + ":" + known->second;
        }
    }
    return "";
}

void Explore(const Scenario& s, const Model& model) {
    const References r = Reference(s);
    std::vector<std::string> wrong = CheckReference(s, r);
    // CRASH_STEPS=1: the uninterrupted run's steps, to read a failure by.
    for (size_t k = 0; getenv("CRASH_STEPS") != nullptr && k < r.steps.size(); k++) {
        fprintf(stderr, "%s\n", StopName(r.steps, k, posix::kCutBefore).c_str());
    }
    Found found;
    for (size_t k = 0; k <= r.steps.size(); k++) {
        for (posix::CutPoint cut : CutsIn(r.steps, k)) {
            found.stops++;
            std::string broke = TryStop(s, r, model, k, cut, &found);
            if (!broke.empty()) {
                found.failures.push_back(StopName(r.steps, k, cut) + broke);
            }
        }
    }
    printf(
        "crash: %s %zu operations, %d stop points checked, %zu failed (%d disks tried, %d "
        "machines run again)\n",
        s.name, r.steps.size(), found.stops, found.failures.size(), found.disks, found.machines);
    for (const std::string& w : wrong) {
        printf("  uninterrupted: %s\n", w.c_str());
    }
    for (size_t i = 0; i < found.failures.size() && i < kShownStops; i++) {
        printf("  %s\n", found.failures[i].c_str());
    }
    if (found.failures.size() > kShownStops) {
        printf("  ... and %zu more failing stop points\n", found.failures.size() - kShownStops);
    }
    EXPECT_TRUE(wrong.empty()) << s.name;
    EXPECT_LE(static_cast<int>(found.failures.size()), s.known) << s.name;
}

// name, serial, vxd, disk, setups, before, program, dest, faults, ending, doneHas, known, ...
const Scenario kScenarios[] = {
    {"ps2-class", 0, true, nullptr, 0, nullptr, kSetup, nullptr, nullptr, kAsBefore, nullptr, 0},
    {"serial-root", 1, false, nullptr, 0, nullptr, kSetup, nullptr, nullptr, kAsBefore, nullptr, 0},
    {"second-setup", 0, true, nullptr, 1, nullptr, kSetup, nullptr, nullptr, kUnchanged, nullptr,
     0},
    {"uninstall-ps2-class", 0, true, nullptr, 1, nullptr, kUninstall, nullptr, nullptr, kAsBefore,
     nullptr, 0},
    {"uninstall-serial-root", 1, false, nullptr, 1, nullptr, kUninstall, nullptr, nullptr,
     kAsBefore, nullptr, 0},
    {"uninstall-second-setup", 0, true, nullptr, 2, nullptr, kUninstall, nullptr, nullptr,
     kAsBefore, nullptr, 0},
    // A second setup into another folder, then its uninstall.
    {"second-folder", 0, true, nullptr, 1, nullptr, kSetup, kSecondDir, nullptr, kFirstFolderStays,
     nullptr, 0},
    {"shared-counted", 0, true, SharedLibrary, 0, nullptr, kSetup, nullptr, nullptr, kAsBefore,
     kCountedThrice, 0},
    {"uninstall-shared-counted", 0, true, SharedLibrary, 1, nullptr, kUninstall, nullptr, nullptr,
     kAsBefore, nullptr, 0},
    {"pending-wininit", 0, true, nullptr, 0, PendingWork, kSetup, nullptr, nullptr, kAsBefore,
     nullptr, 0},
    {"uninstall-pending-wininit", 0, true, nullptr, 1, PendingWork, kUninstall, nullptr, nullptr,
     kAsBefore, nullptr, 0},
    {"readonly-wininit", 0, true, nullptr, 0, ReadOnlyWininit, kSetup, nullptr, nullptr,
     kRestartEndsIt, nullptr, 0},
    {"uninstall-readonly-wininit", 0, true, nullptr, 1, ReadOnlyWininit, kUninstall, nullptr,
     nullptr, kRestartEndsIt, nullptr, 0},
    {"record-write-fails", 0, true, nullptr, 0, nullptr, kSetup, nullptr, RecordCannotBeWritten,
     kAsBefore, nullptr, 0},
    // -u for the PS/2 port after a serial setup: the standard driver's
    // class key is overwritten, its record due beside the program.
    {"setup-u-readonly", 1, false, nullptr, 1, ProtectDriveA, kDriverOnly, nullptr, nullptr,
     kAsBefore, nullptr, 0},
    // A second setup while the mouse application runs: its file waits
    // for the next start, and an uninstall before that start takes it back.
    {"file-in-use", 0, true, nullptr, 1, ApplicationRuns, kSetup, nullptr, nullptr, kRestartEndsIt,
     nullptr, 0},
    {"uninstall-file-in-use", 0, true, nullptr, 1, ApplicationRuns, kUninstall, nullptr, nullptr,
     kRestartEndsIt, nullptr, 0},
    // Its own folder typed first, then the default one: the copy of
    // the disks stays as it was.
    {"own-folder", 0, true, SetupFromHardDisk, 0, nullptr, kSetup, nullptr, nullptr, kAsBefore,
     nullptr, 0, kOwnFolder},
    {"foreign-setup-inf", 0, true, AnotherProgramsFolder, 0, nullptr, kSetup, nullptr, nullptr,
     kAsBefore, nullptr, 0, kSecondDir},
    {"foreign-system-bak", 0, true, AnotherProgramsBak, 0, nullptr, kSetup, nullptr, nullptr,
     kAsBefore, nullptr, 0},
    {"builtin-foreign-bak", 0, true, BuiltInWithAnotherBak, 0, nullptr, kSetup, nullptr, nullptr,
     kAsBefore, nullptr, 0},
    // A second folder with the shared library: its count is raised once.
    {"second-folder-shared", 0, true, SharedLibrary, 1, nullptr, kSetup, kSecondDir, nullptr,
     kFirstFolderStays, kCountedThrice, 0},
    // Setup into the default folder, then into a second: the first
    // folder's uninstaller started by hand removes its own folder only.
    {"unregistered-folder-uninstall", 0, true, SharedLibrary, 2, nullptr, kUninstall, nullptr,
     nullptr, kAsBefore, nullptr, 0, nullptr, kSecondDir},
    // Another program counts the library between setup and uninstall.
    {"uninstall-shared-other-counts", 0, true, SharedLibrary, 1, AnotherProgramCounts, kUninstall,
     nullptr, nullptr, kAsBefore, nullptr, 0},
};

void PrintTo(const Scenario& s, std::ostream* out) {
    *out << s.name;
}

class Crash : public testing::TestWithParam<Scenario> {};

TEST_P(Crash, EveryStopPointRecovers) {
    Explore(GetParam(), ModelTried());
}

// A CTest test per row, so that two run side by side.
INSTANTIATE_TEST_SUITE_P(crash, Crash, testing::ValuesIn(kScenarios),
                         [](const testing::TestParamInfo<Scenario>& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
