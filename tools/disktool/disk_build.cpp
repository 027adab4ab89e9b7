// The builder, as named steps: plan (the validated manifest's files and
// their names on the disks), compress (each file to SZDD when that is
// smaller), lay out (first fit, largest first, directory entries counted as
// FAT keeps them), write (SETUP.INF and the trees into a scratch directory),
// image (mtools, xorriso), check (the checker on the result) and swap (the
// scratch directory's entries take OUTDIR's place).
#include "disk_build.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>

#include "disk_check.h"
#include "disk_names.h"
#include "footprint/footprint.h"
#include "out_dir.h"
#include "record/uninstall_list.h"
#include "script/setup_script.h"
#include "script_tables.h"
#include "szdd/szdd.h"
#include "szdd/szdd_encode.h"
#include "whole_file.h"

extern char** environ;

namespace disktool {

namespace {

const int kRootEntries = 224;       // root directory of a 1.44 MB floppy
const int kEntriesPerCluster = 16;  // 32-byte directory entries in 512 bytes
const size_t kVolumeLabelLimit = 11;
const char kIsoName[] = "cdrom.iso";

bool MakeDirs(const std::string& path) {
    for (size_t i = 1; i <= path.size(); i++) {
        if (i == path.size() || path[i] == '/') {
            std::string part = path.substr(0, i);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
                return false;
            }
        }
    }
    return true;
}

// The environment of the helper programs: this one's, with
// SOURCE_DATE_EPOCH set to the build's time stamp when it has one (mtools
// dates the volume label by it).
std::vector<std::string> HelperEnvironment(int64_t timeStamp) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; e++) {
        if (strncmp(*e, "SOURCE_DATE_EPOCH=", 18) != 0) {
            env.push_back(*e);
        }
    }
    if (timeStamp >= 0) {
        env.push_back("SOURCE_DATE_EPOCH=" + std::to_string(timeStamp));
    }
    return env;
}

// Copies what a helper wrote to its log onto our stderr.
void ShowHelperLog(int log) {
    char buf[4096];
    ssize_t n;
    lseek(log, 0, SEEK_SET);
    while ((n = read(log, buf, sizeof buf)) > 0) {
        if (write(2, buf, n) != n) {
            break;
        }
    }
}

// Runs a helper program (no shell); false with *error when it is not
// installed (package names the one that has it) or does not exit 0. Its
// output (xorriso greets on stderr even with -quiet) is shown only when it
// fails, so a clean build prints only ours.
bool Run(const std::vector<std::string>& args, int64_t timeStamp, const char* package,
         std::string* error) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<std::string> env = HelperEnvironment(timeStamp);
    std::vector<char*> envp;
    for (const std::string& e : env) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);
    // An anonymous file in memory: nothing lands outside OUTDIR. Without
    // one the helper writes straight to our stderr.
    int log = memfd_create("disktool-helper", MFD_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, log >= 0 ? log : 2, 1);
    posix_spawn_file_actions_adddup2(&actions, log >= 0 ? log : 2, 2);
    pid_t pid;
    int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    bool ran = false;
    if (spawned != 0) {
        *error = args[0] + " cannot be started: " + strerror(spawned) +
                 " (is it installed? apt-get install " + package + ")";
    } else if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *error = args[0] + " failed on " + args.back() + " (its messages are above)";
        if (log >= 0) {
            ShowHelperLog(log);
        }
    } else {
        ran = true;
    }
    if (log >= 0) {
        close(log);
    }
    return ran;
}

std::string DiskPath(const std::string& dir, const std::string& name) {
    return dir.empty() ? name : dir + "/" + name;
}

// A directory value as the disks spell it: upper case, slash-separated.
std::string DiskDir(const std::string& value) {
    std::string dir = Upper(value);
    std::replace(dir.begin(), dir.end(), '\\', '/');
    return dir;
}

// One planned file with its data.
struct DiskFile {
    const PlannedFile* plan;
    std::string diskName;  // plainName or packedName
    std::vector<uint8_t> bytes;
    uint64_t expanded;
    bool compressed;
    int disk;  // from 0
    std::string Path() const { return DiskPath(plan->diskDir, diskName); }
};

uint64_t Clusters(uint64_t bytes) {
    return (bytes + kCluster - 1) / kCluster;
}

std::string Label(const Manifest& m, int disk) {
    std::string out;
    const std::string& p = m.labelPattern;
    for (size_t i = 0; i < p.size(); i++) {
        if (p[i] == '%' && i + 1 < p.size() && p[i + 1] == 'd') {
            out += std::to_string(disk + 1);
            i++;
        } else {
            out += p[i];
        }
    }
    return out;
}

std::string LabelChars(const std::string& text) {
    std::string out;
    for (char c : Upper(text)) {
        if (isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-') {
            out += c;
        }
    }
    return out;
}

// A FAT volume label: at most 11 characters of a plain set, and always the
// disk's number, so that no two disks of a set carry one label.
std::string VolumeLabel(const Manifest& m, int disk) {
    std::string full = LabelChars(Label(m, disk));
    if (m.labelPattern.find("%d") != std::string::npos && full.size() <= kVolumeLabelLimit) {
        return full;
    }
    std::string stem = m.labelPattern;
    for (size_t at; (at = stem.find("%d")) != std::string::npos;) {
        stem.erase(at, 2);
    }
    std::string number = std::to_string(disk + 1);
    return LabelChars(stem).substr(0, kVolumeLabelLimit - number.size()) + number;
}

std::string ManifestName(const Manifest& m) {
    size_t slash = m.path.find_last_of('/');
    return slash == std::string::npos ? m.path : m.path.substr(slash + 1);
}

// Where setup copies a file below its place (PlaceOfDirectory): the Win*
// keywords put it in the Windows places, the others below the destination
// directory.
std::string Destination(const Manifest& m, const ManifestFile& f) {
    int place = footprint::PlaceOfDirectory(f.keyword);
    std::string dir = place == footprint::kInstallPlace ? DirectoryValue(m, f.keyword) : "";
    return dir.empty() ? f.target : dir + "\\" + f.target;
}

// The uninstall list's lines, ended CR LF, with the manifest's [Startup]
// values; the list's own writer lays them out.
class ListText : public ::UninstallList::Writer {
  public:
    explicit ListText(const Manifest& m) : m_(m) {}

    void Line(const char* line) override { text += std::string(line) + "\r\n"; }

    const char* StartupValue(const char* key) override {
        for (const ManifestValue& kv : m_.startup) {
            if (kv.key == key) {
                return kv.value.c_str();
            }
        }
        return nullptr;
    }

    std::string text;

  private:
    const Manifest& m_;
};

// What goes on the disks: the manifest's files and, right after the first
// UNINSTAL.EXE, the uninstall list the tool writes.
std::vector<ManifestFile> FilesWithList(const Manifest& m) {
    std::vector<ManifestFile> out;
    bool listed = false;
    for (const ManifestFile& f : m.files) {
        out.push_back(f);
        if (!listed && Upper(f.target) == kUninstaller) {
            ManifestFile list;
            list.line = f.line;
            list.target = kListName;
            list.description = "Uninstall list";
            list.keyword = f.keyword;
            list.contents = UninstallList(m);
            out.push_back(list);
            listed = true;
        }
    }
    return out;
}

uint64_t NeedKb(uint64_t expandedTotal) {
    return (expandedTotal + 1023) / 1024;
}

// Appends one script line with the CR LF SETUP.EXE's disks carry.
void Line(std::string* s, const std::string& text) {
    *s += text + "\r\n";
}

void Header(std::string* s, const char* section) {
    Line(s, std::string("[") + section + "]");
}

// [Main] as the manifest gives it, MinimumSpace raised to what the files
// expand to.
void MainSection(std::string* s, const Manifest& m, uint64_t expandedTotal) {
    Header(s, ProgramText(IDS_MAIN));
    const std::string space = ProgramText(IDS_MINIMUM_SPACE);
    uint64_t needKb = NeedKb(expandedTotal);
    bool spaceWritten = false;
    for (const ManifestValue& kv : m.main) {
        if (kv.key == space) {
            uint64_t given = strtoull(kv.value.c_str(), nullptr, 10);
            Line(s, space + "=" + std::to_string(std::max(given, needKb)));
            spaceWritten = true;
        } else {
            Line(s, kv.key + "=" + kv.value);
        }
    }
    if (!spaceWritten) {
        Line(s, space + "=" + std::to_string(needKb));
    }
}

// [DiskLabel] and [FileCounts]: one key per disk.
void DiskSections(std::string* s, const Manifest& m, const std::vector<DiskFile>& files,
                  int disks) {
    Header(s, ProgramText(IDS_DISK_LABEL));
    for (int d = 0; d < disks; d++) {
        Line(s, std::string(DiskKey(d)) + "=" + Label(m, d));
    }
    Line(s, "");
    Header(s, ProgramText(IDS_FILE_COUNTS));
    for (int d = 0; d < disks; d++) {
        int n = 0;
        for (const DiskFile& f : files) {
            n += f.disk == d;
        }
        Line(s, std::string(DiskKey(d)) + "=" + std::to_string(n));
    }
}

// [Disk1] ..: the file lines of each disk, numbered from 1.
void FileSections(std::string* s, const std::vector<DiskFile>& files, int disks) {
    for (int d = 0; d < disks; d++) {
        Line(s, "");
        Header(s, DiskKey(d));
        int n = 0;
        for (const DiskFile& f : files) {
            if (f.disk == d) {
                const ManifestFile& mf = f.plan->file;
                Line(s, std::to_string(++n) + "=" + f.diskName + ", " + mf.target + ", " +
                            mf.description + ", " + DirectoryKey(mf.keyword));
            }
        }
    }
}

std::string ScriptText(const Manifest& m, const std::vector<DiskFile>& files, int disks,
                       uint64_t expandedTotal) {
    std::string s;
    Line(&s, "; Written by disktool from " + ManifestName(m) + ".");
    MainSection(&s, m, expandedTotal);
    Line(&s, "");
    DiskSections(&s, m, files, disks);
    Line(&s, "");
    Header(&s, ProgramText(IDS_DIRECTORY_NAME));
    for (const ManifestValue& kv : m.directories) {
        Line(&s, kv.key + "=" + kv.value);
    }
    FileSections(&s, files, disks);
    if (!m.startup.empty()) {
        Line(&s, "");
        Header(&s, ProgramText(IDS_STARTUP));
        for (const ManifestValue& kv : m.startup) {
            Line(&s, kv.key + "=" + kv.value);
        }
    }
    return s;
}

// ---- compress ----------------------------------------------------------------

// Reads and compresses every planned file; false with the reasons at their
// lines, *unreadable set when a source file cannot be read.
bool CompressFiles(const Manifest& m, const std::vector<PlannedFile>& plan,
                   std::vector<DiskFile>* files, std::vector<std::string>* errors,
                   bool* unreadable) {
    for (const PlannedFile& p : plan) {
        const ManifestFile& mf = p.file;
        std::string where = m.path + ":" + std::to_string(mf.line) + ": ";
        std::vector<uint8_t> data(mf.contents.begin(), mf.contents.end());
        if (!mf.source.empty() && !ReadWholeFile(mf.source, &data)) {
            errors->push_back(where + mf.source + " cannot be read: " + strerror(errno));
            *unreadable = true;
            continue;
        }
        if (data.size() > szdd::kMaxInput) {
            errors->push_back(where + mf.source + " is too large for the SZDD header");
            continue;
        }
        DiskFile f;
        f.plan = &p;
        f.disk = -1;
        f.expanded = data.size();
        std::vector<uint8_t> packed;
        uint8_t lastChar = p.packedName.size() == p.plainName.size()
                               ? static_cast<uint8_t>(p.plainName.back())
                               : 0;
        szdd::Compress(data.data(), data.size(), lastChar, szdd::Parse::Optimal, &packed);
        // Plain data that begin like an SZDD file would be expanded by lz32:
        // such a file is stored compressed even when that is larger.
        bool looksPacked = szdd::Classify(data.data(), static_cast<uint32_t>(std::min<size_t>(
                                                           data.size(), szdd::kHeaderSize))) !=
                           szdd::Format::Plain;
        f.compressed = packed.size() < data.size() || looksPacked;
        f.diskName = f.compressed ? p.packedName : p.plainName;
        f.bytes = f.compressed ? std::move(packed) : std::move(data);
        files->push_back(std::move(f));
    }
    uint64_t total = 0;
    for (const DiskFile& f : *files) {
        total += f.expanded;
    }
    if (NeedKb(total) > static_cast<uint64_t>(kMaxMinimumSpace)) {
        errors->push_back(m.path + ": the files expand to " + std::to_string(NeedKb(total)) +
                          " KB; SETUP.EXE's MinimumSpace holds at most " +
                          std::to_string(kMaxMinimumSpace));
    }
    return errors->empty();
}

// ---- lay out -------------------------------------------------------------------

// The clusters and directory entries of one disk as mtools fills it.
class DiskSpace {
  public:
    explicit DiskSpace(uint64_t clusters) : capacity_(clusters) {
        entries_[""] = 1;  // the volume label
    }

    // Puts a file on the disk when it fits; false (nothing changed) when not.
    bool Add(const std::string& dir, const std::string& name, uint64_t bytes) {
        std::map<std::string, int> entries = entries_;
        std::string parent;
        size_t start = 0;
        while (!dir.empty() && start <= dir.size()) {
            size_t end = std::min(dir.find('/', start), dir.size());
            std::string path = dir.substr(0, end);
            if (entries.count(path) == 0) {
                entries[parent] += DirectoryEntries(dir.substr(start, end - start));
                entries[path] = 2;  // "." and ".."
            }
            parent = path;
            start = end + 1;
        }
        entries[dir] += DirectoryEntries(name);
        uint64_t clusters = files_ + Clusters(bytes);
        for (const auto& kv : entries) {
            if (!kv.first.empty()) {
                clusters += (kv.second + kEntriesPerCluster - 1) / kEntriesPerCluster;
            }
        }
        if (clusters > capacity_ || entries[""] > kRootEntries) {
            return false;
        }
        entries_.swap(entries);
        files_ += Clusters(bytes);
        used_ = clusters;
        return true;
    }

    uint64_t used() const { return used_; }

  private:
    uint64_t capacity_;
    uint64_t files_ = 0;
    uint64_t used_ = 0;
    std::map<std::string, int> entries_;  // directory ("" the top) -> entries in it
};

// Disk of each file, first fit over the files largest first; disk 1 starts
// with SETUP.EXE and SETUP.INF. False with the reason when they do not fit.
bool LayOut(const Manifest& m, std::vector<DiskFile>* files, uint64_t scriptBytes,
            uint64_t exeBytes, std::vector<DiskSpace>* disks, std::vector<std::string>* errors) {
    uint64_t capacity = m.diskBytes / kCluster;
    for (const DiskFile& f : *files) {
        DiskSpace empty(capacity);
        if (!empty.Add(f.plan->diskDir, f.diskName, f.bytes.size())) {
            errors->push_back(m.path + ":" + std::to_string(f.plan->file.line) + ": " +
                              f.plan->file.target + " takes " + std::to_string(f.bytes.size()) +
                              " bytes on a disk" + (f.compressed ? " compressed" : "") +
                              "; a disk holds " + std::to_string(m.diskBytes));
        }
    }
    if (!errors->empty()) {
        return false;
    }
    std::vector<size_t> order(files->size());
    for (size_t i = 0; i < order.size(); i++) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [files](size_t a, size_t b) {
        return (*files)[a].bytes.size() > (*files)[b].bytes.size();
    });
    disks->assign(1, DiskSpace(capacity));
    if (!(*disks)[0].Add("", kScriptName, scriptBytes) ||
        !(*disks)[0].Add("", "SETUP.EXE", exeBytes)) {
        errors->push_back(m.path + ": SETUP.INF and SETUP.EXE do not fit on a disk of " +
                          std::to_string(m.diskBytes) + " bytes");
        return false;
    }
    for (size_t i : order) {
        DiskFile& f = (*files)[i];
        for (int d = 0;; d++) {
            if (d == static_cast<int>(disks->size())) {
                if (d == kMaxDisksInSet) {
                    errors->push_back(m.path + ": the files do not fit on " +
                                      std::to_string(kMaxDisksInSet) + " disks of " +
                                      std::to_string(m.diskBytes) + " bytes (line " +
                                      std::to_string(f.plan->file.line) + ", " +
                                      f.plan->file.target + ", finds no room)");
                    return false;
                }
                disks->emplace_back(capacity);
            }
            if ((*disks)[d].Add(f.plan->diskDir, f.diskName, f.bytes.size())) {
                f.disk = d;
                break;
            }
        }
    }
    return true;
}

// ---- write -----------------------------------------------------------------------

// The one place the builder makes a path for writing: root joined with a
// relative path that cannot leave it.
bool Inside(const std::string& root, const std::string& rel, std::string* path) {
    if (!StaysInside(rel)) {
        return false;
    }
    *path = root + "/" + rel;
    return true;
}

bool WriteInside(const std::string& root, const std::string& rel, const void* data, size_t size,
                 std::string* error) {
    std::string path;
    if (!Inside(root, rel, &path)) {
        *error = "refused to write " + rel + ", which leaves " + root;
        return false;
    }
    if (!MakeDirs(Dir(path)) || !WriteWholeFile(path, data, size)) {
        *error = "cannot write " + path + ": " + strerror(errno);
        return false;
    }
    return true;
}

// One disk's tree (disk < 0: all disks merged).
bool WriteTree(const std::string& root, const std::vector<DiskFile>& files, int disk,
               const std::string& script, const std::vector<uint8_t>& setupExe,
               std::string* error) {
    if (!MakeDirs(root)) {
        *error = "cannot create " + root + ": " + strerror(errno);
        return false;
    }
    if (disk <= 0) {
        if (!WriteInside(root, kScriptName, script.data(), script.size(), error) ||
            (!setupExe.empty() &&
             !WriteInside(root, "SETUP.EXE", setupExe.data(), setupExe.size(), error))) {
            return false;
        }
    }
    for (const DiskFile& f : files) {
        if ((disk < 0 || f.disk == disk) &&
            !WriteInside(root, f.Path(), f.bytes.data(), f.bytes.size(), error)) {
            return false;
        }
    }
    return true;
}

// Dates every file and directory below root, root too, at timeStamp
// (seconds since 1970): what the images and the CD-ROM image record. A
// directory is dated after what it holds: reading it may set its access
// time.
bool StampTree(const std::string& root, int64_t timeStamp, std::string* error) {
    if (DIR* d = opendir(root.c_str())) {
        bool ok = true;
        while (dirent* e = readdir(d)) {
            if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) {
                ok = ok && StampTree(root + "/" + e->d_name, timeStamp, error);
            }
        }
        closedir(d);
        if (!ok) {
            return false;
        }
    }
    struct timespec times[2] = {{static_cast<time_t>(timeStamp), 0},
                                {static_cast<time_t>(timeStamp), 0}};
    if (utimensat(AT_FDCWD, root.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        *error = "cannot date " + root + ": " + strerror(errno);
        return false;
    }
    return true;
}

// ---- image -----------------------------------------------------------------------

// A FAT12 1.44 MB image of the tree at root, made with mtools; the files
// keep the tree's dates.
bool MakeImage(const std::string& image, const std::string& root, const std::string& label,
               int64_t timeStamp, std::string* error) {
    // A serial number from the label, so that images of the same disk agree.
    uint32_t serial = 2166136261u;
    for (char c : label) {
        serial = (serial ^ static_cast<uint8_t>(c)) * 16777619u;
    }
    char serialText[16];
    snprintf(serialText, sizeof serialText, "%08X", serial);
    std::vector<std::string> args = {"mcopy", "-s", "-m", "-i", image};
    std::vector<std::string> entries = DirectoryNames(root, true);
    for (const std::string& name : entries) {
        args.push_back(root + "/" + name);
    }
    args.push_back("::/");
    if (!Run({"mformat", "-C", "-f", "1440", "-v", label, "-N", serialText, "-i", image, "::"},
             timeStamp, "mtools", error) ||
        (!entries.empty() && !Run(args, timeStamp, "mtools", error))) {
        *error = image + ": " + *error;
        return false;
    }
    return true;
}

// timeStamp as xorriso's time string: YYYYMMDDhhmmsscc in UTC.
std::string IsoTime(int64_t timeStamp) {
    time_t t = static_cast<time_t>(timeStamp);
    struct tm utc;
    gmtime_r(&t, &utc);
    char text[32];
    strftime(text, sizeof text, "%Y%m%d%H%M%S00", &utc);
    return text;
}

// An ISO 9660 image of the merged tree with Joliet names, which Windows 95
// reads as long names. With a time stamp, every date and the volume's id
// are made from it.
bool MakeIso(const std::string& iso, const std::string& root, const std::string& label,
             int64_t timeStamp, std::string* error) {
    std::vector<std::string> args = {"xorriso", "-as", "mkisofs", "-quiet",
                                     "-J",      "-r",  "-V",      label.substr(0, 32)};
    if (timeStamp >= 0) {
        args.insert(args.end(), {"--modification-date=" + IsoTime(timeStamp),
                                 "--set_all_file_dates", IsoTime(timeStamp)});
    }
    args.insert(args.end(), {"-o", iso, root});
    if (!Run(args, timeStamp, "xorriso", error)) {
        *error = iso + ": " + *error;
        return false;
    }
    return true;
}

// ---- OUTDIR ----------------------------------------------------------------------

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// ---- report ----------------------------------------------------------------------

void PrintBuilt(const Manifest& m, const std::vector<DiskFile>& files,
                const std::vector<DiskSpace>& disks, const std::string& outDir,
                const BuildOptions& options) {
    uint64_t expandedTotal = 0;
    uint64_t packedTotal = 0;
    for (const DiskFile& f : files) {
        expandedTotal += f.expanded;
        packedTotal += f.bytes.size();
    }
    int count = static_cast<int>(disks.size());
    printf("build: %zu files, %llu bytes expanded, %llu on the disks; %d disk%s of %.1f KB\n",
           files.size(), static_cast<unsigned long long>(expandedTotal),
           static_cast<unsigned long long>(packedTotal), count, count == 1 ? "" : "s",
           static_cast<double>(m.diskBytes) / 1024);
    for (int d = 0; d < count; d++) {
        int n = 0;
        for (const DiskFile& f : files) {
            n += f.disk == d;
        }
        uint64_t usedBytes = disks[d].used() * kCluster;
        printf("  disk %d \"%s\" (volume %s): %d file%s%s, %.1f KB used of %.1f (%llu%%)\n", d + 1,
               Label(m, d).c_str(), VolumeLabel(m, d).c_str(), n, n == 1 ? "" : "s",
               d == 0 ? (options.setupExe.empty() ? " + SETUP.INF (and room for SETUP.EXE)"
                                                  : " + SETUP.INF and SETUP.EXE")
                      : "",
               static_cast<double>(usedBytes) / 1024, static_cast<double>(m.diskBytes) / 1024,
               static_cast<unsigned long long>(usedBytes * 100 / m.diskBytes));
    }
    for (const DiskFile& f : files) {
        printf("  %-14s disk %d  %s  %llu -> %llu bytes%s\n", f.plan->file.target.c_str(),
               f.disk + 1, f.Path().c_str(), static_cast<unsigned long long>(f.expanded),
               static_cast<unsigned long long>(f.bytes.size()),
               f.compressed ? " (SZDD)" : " (stored: it does not get smaller)");
    }
    printf(
        "  trees: %s/disk1 .. disk%d (one per floppy), %s/merged (all disks on one directory, "
        "as SETUP.EXE reads them)\n",
        outDir.c_str(), count, outDir.c_str());
    if (options.images) {
        printf("  images: %s/disk1.img .. disk%d.img\n", outDir.c_str(), count);
    }
    if (options.iso) {
        printf("  CD-ROM image: %s/%s\n", outDir.c_str(), kIsoName);
    }
}

int Fail(const std::vector<std::string>& errors, int status = kExitErrors) {
    for (const std::string& e : errors) {
        fprintf(stderr, "build: %s\n", e.c_str());
    }
    fprintf(stderr, "build: nothing written\n");
    return status;
}

// The final check's findings, each at the manifest line of the [Main] or
// [Startup] key it names (such as a DefaultPath too long for the registry);
// the others as the check words them.
std::vector<std::string> FindingsAtLines(const Manifest& m, const CheckResult& check) {
    std::vector<std::string> out;
    for (const Finding& f : check.findings) {
        std::string at = f.where.empty() ? "" : f.where + ": ";
        for (const auto& section :
             {std::make_pair(IDS_MAIN, &m.main), std::make_pair(IDS_STARTUP, &m.startup)}) {
            std::string head = std::string("[") + ProgramText(section.first) + "] ";
            if (f.where.rfind(head, 0) != 0) {
                continue;
            }
            std::string key = f.where.substr(head.size());
            for (const ManifestValue& v : *section.second) {
                if (Lower(v.key) == Lower(key)) {
                    at = m.path + ":" + std::to_string(v.line) + ": ";
                }
            }
        }
        out.push_back(at + f.message + " (" + f.code + ")");
    }
    return out;
}

// What the build writes: the files with their disks, SETUP.EXE, SETUP.INF.
struct Layout {
    std::vector<PlannedFile> plan;
    std::vector<DiskFile> files;  // point into plan
    std::vector<uint8_t> setupExe;
    std::vector<DiskSpace> disks;
    std::string script;
};

// Plan, compress and lay out: everything that can be wrong with the
// manifest's files is found here, before anything is written. Returns 0 or
// the exit status, the reasons printed.
int Prepare(const Manifest& m, const BuildOptions& options, Layout* l) {
    std::vector<std::string> errors;
    bool unreadable = false;
    if (!PlanFiles(m, &l->plan, &errors) ||
        !CompressFiles(m, l->plan, &l->files, &errors, &unreadable)) {
        return Fail(errors, unreadable ? kExitIo : kExitErrors);
    }
    if (!options.setupExe.empty() && !ReadWholeFile(options.setupExe, &l->setupExe)) {
        return Fail({options.setupExe + " cannot be read: " + strerror(errno)}, kExitIo);
    }
    // SETUP.INF's size hardly depends on the layout; six disks' headers and
    // counts are kept free.
    uint64_t expandedTotal = 0;
    for (DiskFile& f : l->files) {
        f.disk = 0;
        expandedTotal += f.expanded;
    }
    uint64_t scriptReserve = ScriptText(m, l->files, 1, expandedTotal).size() + 512;
    uint64_t exeBytes = options.setupExe.empty() ? kSetupExeReserve : l->setupExe.size();
    if (!LayOut(m, &l->files, scriptReserve, exeBytes, &l->disks, &errors)) {
        return Fail(errors);
    }
    l->script = ScriptText(m, l->files, static_cast<int>(l->disks.size()), expandedTotal);
    return kExitClean;
}

// The trees, dated at the build's time stamp when it has one.
int WriteTrees(const Layout& l, const std::string& root, int64_t timeStamp) {
    std::string error;
    for (int d = -1; d < static_cast<int>(l.disks.size()); d++) {
        std::string tree = root + (d < 0 ? "/merged" : "/disk" + std::to_string(d + 1));
        if (!WriteTree(tree, l.files, d, l.script, l.setupExe, &error) ||
            (timeStamp >= 0 && !StampTree(tree, timeStamp, &error))) {
            return Fail({error}, kExitIo);
        }
    }
    return kExitClean;
}

// Write, image and check in root; 0 or the exit status, the reasons printed.
int WriteAll(const Manifest& m, const BuildOptions& options, const Layout& l,
             const std::string& root) {
    int status = WriteTrees(l, root, options.timeStamp);
    if (status != kExitClean) {
        return status;
    }
    std::string error;
    for (int d = 0; options.images && d < static_cast<int>(l.disks.size()); d++) {
        std::string name = root + "/disk" + std::to_string(d + 1);
        if (!MakeImage(name + ".img", name, VolumeLabel(m, d), options.timeStamp, &error)) {
            return Fail({error}, kExitHelper);
        }
    }
    if (options.iso && !MakeIso(root + "/" + kIsoName, root + "/merged", LabelChars(Label(m, 0)),
                                options.timeStamp, &error)) {
        return Fail({error}, kExitHelper);
    }
    CheckResult check;
    if (!CheckDisk(root + "/merged", &check, &error, root)) {
        return Fail({"cannot check the result: " + error}, kExitIo);
    }
    if (check.ExitCode() != kExitClean) {
        std::vector<std::string> found = FindingsAtLines(m, check);
        found.push_back("the disk set does not check clean");
        return Fail(found);
    }
    return kExitClean;
}

}  // namespace

std::string UninstallList(const Manifest& m) {
    ListText list(m);
    std::string from = "The uninstall list, written by disktool from " + ManifestName(m);
    list.Comment((from + ". SETUP.EXE").c_str());
    list.Comment("copies it beside UNINSTAL.EXE like any other file of the disk;");
    list.Comment("UNINSTAL.EXE reads it.");
    list.Comment("[Startup] repeats the setup script's values, so the uninstaller knows what");
    list.Comment("setup wrote into the registry. [Files] and [Directories] name what the");
    list.Comment("installation made, each as \"place, path below it\"; a place is Install,");
    list.Comment("Windows, System or Inf, and an empty path names the place itself.");
    list.Startup();
    list.Begin(::UninstallList::kFiles);
    std::vector<ManifestFile> files = m.files;
    for (size_t i = 0; i < files.size(); i++) {
        if (Upper(files[i].target) == kUninstaller) {
            ManifestFile list = files[i];
            list.target = kListName;
            files.insert(files.begin() + static_cast<long>(i) + 1, list);
            break;
        }
    }
    // The install directory's files first, then the Windows places'.
    for (bool install : {true, false}) {
        for (const ManifestFile& f : files) {
            int place = footprint::PlaceOfDirectory(f.keyword);
            if ((place == footprint::kInstallPlace) == install &&
                !IsWindowsOwnFile(f.keyword, f.target)) {
                list.Entry(place, Destination(m, f).c_str());
            }
        }
    }
    list.Begin(::UninstallList::kDirectories);
    // The destination directory, then what the install page makes, in its
    // order (the manifest refuses a nested name before its parent).
    list.Entry(footprint::kInstallPlace, "");
    std::set<std::string> seen;
    for (int i = kSubDir1; i < kSubDir1 + 6; i++) {
        std::string dir = DirectoryValue(m, i);
        if (!dir.empty() && seen.insert(Lower(dir)).second) {
            list.Entry(footprint::kInstallPlace, dir.c_str());
        }
    }
    return list.text;
}

bool PlanFiles(const Manifest& m, std::vector<PlannedFile>* plan,
               std::vector<std::string>* errors) {
    plan->clear();
    // Lower-case disk path -> who holds it; both spellings of every file
    // are kept, as compression chooses between them later.
    std::map<std::string, std::string> taken = {{Lower(kScriptName), "SETUP.INF itself"},
                                                {"setup.exe", "SETUP.EXE itself"}};
    size_t before = errors->size();
    for (const ManifestFile& mf : FilesWithList(m)) {
        PlannedFile p;
        p.file = mf;
        p.diskDir = DiskDir(DirectoryValue(m, mf.keyword));
        p.plainName = DiskFileName(mf.target, [&](const std::string& name) {
            return taken.count(Lower(DiskPath(p.diskDir, name))) != 0 ||
                   taken.count(Lower(DiskPath(p.diskDir, szdd::CompressedName(name)))) != 0;
        });
        p.packedName = szdd::CompressedName(p.plainName);
        std::string who = "line " + std::to_string(mf.line) + " (" + mf.target + ")";
        bool clash = false;
        for (const std::string& name : {p.plainName, p.packedName}) {
            auto held = taken.emplace(Lower(DiskPath(p.diskDir, name)), who);
            if (!held.second && held.first->second != who && !clash) {
                errors->push_back(m.path + ":" + std::to_string(mf.line) + ": the disk name " +
                                  name + " is taken by " + held.first->second);
                clash = true;
            }
        }
        plan->push_back(p);
    }
    return errors->size() == before;
}

int Build(const Manifest& m, const std::string& out, const BuildOptions& options) {
    std::string outDir = WithoutTrailingSlash(out);
    for (const std::string& w : m.warnings) {
        fprintf(stderr, "build: warning: %s\n", w.c_str());
    }
    Layout layout;
    int status = Prepare(m, options, &layout);
    if (status != kExitClean) {
        return status;
    }
    // Write, image and check in the scratch directory; OUTDIR's own
    // entries are untouched until the result checks clean.
    OutDir dir;
    std::string error;
    status = dir.Open(outDir, &error);
    if (status != kExitClean) {
        return Fail({error}, status);
    }
    status = WriteAll(m, options, layout, dir.scratch());
    if (status != kExitClean) {
        return status;
    }
    if (!dir.Swap(&error)) {
        fprintf(stderr,
                "build: %s\nbuild: %s now holds part of the earlier build and part of the new "
                "one; build again\n",
                error.c_str(), outDir.c_str());
        return kExitIo;
    }
    PrintBuilt(m, layout.files, layout.disks, outDir, options);
    printf("build: check is clean on %s/merged\n", outDir.c_str());
    return kExitClean;
}

}  // namespace disktool
