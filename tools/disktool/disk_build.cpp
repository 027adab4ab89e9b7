// The builder, as named steps: plan (the validated manifest's files and
// their names on the disks), compress (each file to SZDD when that is
// smaller), lay out (first fit, largest first, directory entries counted as
// FAT keeps them), write (SETUP.INF and the trees into a scratch directory),
// image (mtools, xorriso), check (the checker on the result) and swap (the
// scratch directory becomes OUTDIR).
#include "disk_build.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>

#include "disk_check.h"
#include "disk_names.h"
#include "footprint/footprint.h"
#include "platform/posix/machine.h"
#include "platform/posix/szdd.h"
#include "script_tables.h"
#include "szdd_encode.h"
#include "whole_file.h"

extern char** environ;

namespace disktool {

namespace {

const int kRootEntries = 224;        // root directory of a 1.44 MB floppy
const int kEntriesPerCluster = 16;   // 32-byte directory entries in 512 bytes
const char kMarker[] = ".disktool";  // says an output directory is ours to rebuild
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

// Removes path and, for a directory, what it holds; symbolic links are
// removed, never followed.
bool RemoveTree(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
        return errno == ENOENT;
    }
    if (!S_ISDIR(st.st_mode)) {
        return unlink(path.c_str()) == 0;
    }
    DIR* d = opendir(path.c_str());
    if (d == nullptr) {
        return false;
    }
    bool ok = true;
    while (dirent* e = readdir(d)) {
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) {
            ok = RemoveTree(path + "/" + e->d_name) && ok;
        }
    }
    closedir(d);
    return rmdir(path.c_str()) == 0 && ok;
}

// Runs a program with its arguments (no shell, its output to stderr); true
// when it exits 0.
bool Run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, 2, 1);
    pid_t pid;
    int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return false;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) {
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
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

// The uninstaller's place and the path below it for a file: setup copies
// the Win* keywords to the Windows directory and its fixed SYSTEM and INF
// subdirectories, the others below the destination directory.
std::pair<std::string, std::string> Destination(const Manifest& m, const ManifestFile& f) {
    if (f.keyword == kWinDir) {
        return {footprint::kPlaceWindows, f.target};
    }
    if (f.keyword == kWinSystemDir) {
        return {footprint::kPlaceWindows, "SYSTEM\\" + f.target};
    }
    if (f.keyword == kWinInfDir) {
        return {footprint::kPlaceWindows, "INF\\" + f.target};
    }
    std::string dir = DirectoryValue(m, f.keyword);
    return {footprint::kPlaceInstall, dir.empty() ? f.target : dir + "\\" + f.target};
}

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

std::string ScriptText(const Manifest& m, const std::vector<DiskFile>& files, int disks,
                       uint64_t expandedTotal) {
    std::string s;
    auto line = [&s](const std::string& text) { s += text + "\r\n"; };
    line("; Written by disktool from " + ManifestName(m) + ".");
    line("[Main]");
    const std::string space = ProgramText(IDS_MINIMUM_SPACE);
    uint64_t needKb = NeedKb(expandedTotal);
    bool spaceWritten = false;
    for (const ManifestValue& kv : m.main) {
        if (kv.key == space) {
            uint64_t given = strtoull(kv.value.c_str(), nullptr, 10);
            line(space + "=" + std::to_string(std::max(given, needKb)));
            spaceWritten = true;
        } else {
            line(kv.key + "=" + kv.value);
        }
    }
    if (!spaceWritten) {
        line(space + "=" + std::to_string(needKb));
    }
    line("");
    line(std::string("[") + ProgramText(IDS_DISK_LABEL) + "]");
    for (int d = 0; d < disks; d++) {
        line(std::string(DiskKey(d)) + "=" + Label(m, d));
    }
    line("");
    line(std::string("[") + ProgramText(IDS_FILE_COUNTS) + "]");
    for (int d = 0; d < disks; d++) {
        int n = 0;
        for (const DiskFile& f : files) {
            n += f.disk == d;
        }
        line(std::string(DiskKey(d)) + "=" + std::to_string(n));
    }
    line("");
    line(std::string("[") + ProgramText(IDS_DIRECTORY_NAME) + "]");
    for (const ManifestValue& kv : m.directories) {
        line(kv.key + "=" + kv.value);
    }
    for (int d = 0; d < disks; d++) {
        line("");
        line(std::string("[") + DiskKey(d) + "]");
        int n = 0;
        for (const DiskFile& f : files) {
            if (f.disk == d) {
                const ManifestFile& mf = f.plan->file;
                line(std::to_string(++n) + "=" + f.diskName + ", " + mf.target + ", " +
                     mf.description + ", " + DirectoryKey(mf.keyword));
            }
        }
    }
    if (!m.startup.empty()) {
        line("");
        line(std::string("[") + ProgramText(IDS_STARTUP) + "]");
        for (const ManifestValue& kv : m.startup) {
            line(kv.key + "=" + kv.value);
        }
    }
    return s;
}

// ---- compress ----------------------------------------------------------------

bool CompressFiles(const Manifest& m, const std::vector<PlannedFile>& plan,
                   std::vector<DiskFile>* files, std::vector<std::string>* errors) {
    for (const PlannedFile& p : plan) {
        const ManifestFile& mf = p.file;
        std::string where = m.path + ":" + std::to_string(mf.line) + ": ";
        std::vector<uint8_t> data(mf.contents.begin(), mf.contents.end());
        if (!mf.source.empty() && !ReadWholeFile(mf.source, &data)) {
            errors->push_back(where + mf.source + " cannot be read");
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
    if (!(*disks)[0].Add("", "SETUP.INF", scriptBytes) ||
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
    if (!Inside(root, rel, &path) || !MakeDirs(Dir(path)) || !WriteWholeFile(path, data, size)) {
        *error = "cannot write " + root + "/" + rel;
        return false;
    }
    return true;
}

// One disk's tree (disk < 0: all disks merged).
bool WriteTree(const std::string& root, const std::vector<DiskFile>& files, int disk,
               const std::string& script, const std::vector<uint8_t>& setupExe,
               std::string* error) {
    if (!MakeDirs(root)) {
        *error = "cannot create " + root;
        return false;
    }
    if (disk <= 0) {
        if (!WriteInside(root, "SETUP.INF", script.data(), script.size(), error) ||
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

// ---- image -----------------------------------------------------------------------

std::vector<std::string> TopEntries(const std::string& root) {
    std::vector<std::string> entries;
    if (DIR* d = opendir(root.c_str())) {
        while (dirent* e = readdir(d)) {
            if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) {
                entries.push_back(root + "/" + e->d_name);
            }
        }
        closedir(d);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// A FAT12 1.44 MB image of the tree at root, made with mtools.
bool MakeImage(const std::string& image, const std::string& root, const std::string& label,
               std::string* error) {
    // A serial number from the label, so that images of the same disk agree.
    uint32_t serial = 2166136261u;
    for (char c : label) {
        serial = (serial ^ static_cast<uint8_t>(c)) * 16777619u;
    }
    char serialText[16];
    snprintf(serialText, sizeof serialText, "%08X", serial);
    if (!Run({"mformat", "-C", "-f", "1440", "-v", label, "-N", serialText, "-i", image, "::"})) {
        *error = "mformat failed on " + image + " (is mtools installed? apt-get install mtools)";
        return false;
    }
    std::vector<std::string> args = {"mcopy", "-s", "-m", "-i", image};
    std::vector<std::string> entries = TopEntries(root);
    if (entries.empty()) {
        return true;
    }
    args.insert(args.end(), entries.begin(), entries.end());
    args.push_back("::/");
    if (!Run(args)) {
        *error = "mcopy failed on " + image;
        return false;
    }
    return true;
}

// An ISO 9660 image of the merged tree with Joliet names, which Windows 95
// reads as long names.
bool MakeIso(const std::string& iso, const std::string& root, const std::string& label,
             std::string* error) {
    if (!Run({"xorriso", "-as", "mkisofs", "-quiet", "-J", "-r", "-V", label.substr(0, 32), "-o",
              iso, root})) {
        *error = "xorriso failed on " + iso + " (is xorriso installed? apt-get install xorriso)";
        return false;
    }
    return true;
}

// ---- OUTDIR ----------------------------------------------------------------------

// OUTDIR is ours when it is new, empty or marked by an earlier build;
// anything else is left alone.
bool OutDirIsOurs(const std::string& outDir, std::string* error) {
    struct stat st;
    if (lstat(outDir.c_str(), &st) != 0) {
        return true;
    }
    if (!S_ISDIR(st.st_mode)) {
        *error = outDir + " is not a directory; give a new directory";
        return false;
    }
    bool empty = TopEntries(outDir).empty();
    if (!empty && access((outDir + "/" + kMarker).c_str(), F_OK) != 0) {
        *error = outDir + " is not empty and was not made by disktool; give a new directory";
        return false;
    }
    return true;
}

// A scratch directory beside outDir, removed unless Keep() hands it over.
class Scratch {
  public:
    bool Make(const std::string& outDir) {
        std::string tmpl = Dir(outDir) + "/.disktool-new.XXXXXX";
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back(0);
        if (mkdtemp(buf.data()) == nullptr) {
            return false;
        }
        path_ = buf.data();
        // mkdtemp makes it private; OUTDIR is an ordinary directory.
        mode_t mask = umask(0);
        umask(mask);
        chmod(path_.c_str(), 0777 & ~mask);
        return WriteWholeFile(path_ + "/" + kMarker, "", 0);
    }
    ~Scratch() {
        if (!path_.empty()) {
            RemoveTree(path_);
        }
    }
    const std::string& path() const { return path_; }

    // Puts the scratch directory in outDir's place, and the earlier build
    // (if any) where the scratch was, to be removed.
    bool SwapInto(const std::string& outDir) {
        struct stat st;
        if (lstat(outDir.c_str(), &st) != 0) {
            if (rename(path_.c_str(), outDir.c_str()) != 0) {
                return false;
            }
            path_.clear();
            return true;
        }
        if (renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, outDir.c_str(), RENAME_EXCHANGE) == 0) {
            return true;  // path_ now holds the earlier build
        }
        // A file system without the exchange: two renames.
        std::string old = path_ + ".old";
        if (rename(outDir.c_str(), old.c_str()) != 0) {
            return false;
        }
        if (rename(path_.c_str(), outDir.c_str()) != 0) {
            rename(old.c_str(), outDir.c_str());
            return false;
        }
        path_ = old;
        return true;
    }

  private:
    std::string path_;
};

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

int Fail(const std::vector<std::string>& errors) {
    for (const std::string& e : errors) {
        fprintf(stderr, "build: %s\n", e.c_str());
    }
    fprintf(stderr, "build: nothing written\n");
    return 2;
}

// The final check's findings, each at the manifest line of the [Main] or
// [Startup] key it names (such as a DefaultPath too long for the registry);
// the others as the check words them.
std::vector<std::string> FindingsAtLines(const Manifest& m, const CheckResult& check) {
    std::vector<std::string> out;
    for (const Finding& f : check.findings) {
        std::string at = f.where.empty() ? "" : f.where + ": ";
        for (const auto& section :
             {std::make_pair("[Main] ", &m.main), std::make_pair("[Startup] ", &m.startup)}) {
            if (f.where.rfind(section.first, 0) != 0) {
                continue;
            }
            std::string key = f.where.substr(strlen(section.first));
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

}  // namespace

std::string UninstallList(const Manifest& m) {
    std::string s;
    auto line = [&s](const std::string& text) { s += text + "\r\n"; };
    line("; The uninstall list, written by disktool from " + ManifestName(m) + ". SETUP.EXE");
    line("; copies it beside UNINSTAL.EXE like any other file of the disk;");
    line("; UNINSTAL.EXE reads it.");
    line("; [Startup] repeats the setup script's values, so the uninstaller knows what");
    line("; setup wrote into the registry. [Files] and [Directories] name what the");
    line("; installation made, each as \"place, path below it\"; a place is Install,");
    line("; Windows, System or Inf, and an empty path names the place itself.");
    line("[Startup]");
    for (const ScriptKey& key : kStartupKeys) {
        for (const ManifestValue& kv : m.startup) {
            // FileName is the program setup starts, nothing it wrote.
            if (kv.key == key.Name() && key.id != IDS_FILE_NAME) {
                line(kv.key + "=" + kv.value);
            }
        }
    }
    line("");
    line("[Files]");
    std::vector<ManifestFile> files = m.files;
    for (size_t i = 0; i < files.size(); i++) {
        if (Upper(files[i].target) == kUninstaller) {
            ManifestFile list = files[i];
            list.target = kListName;
            files.insert(files.begin() + static_cast<long>(i) + 1, list);
            break;
        }
    }
    int n = 0;
    for (const char* place : {footprint::kPlaceInstall, footprint::kPlaceWindows}) {
        for (const ManifestFile& f : files) {
            auto to = Destination(m, f);
            if (to.first == place && !IsWindowsOwnFile(f.keyword, f.target)) {
                line(std::to_string(++n) + "=" + to.first + ", " + to.second);
            }
        }
    }
    line("");
    line("[Directories]");
    // The destination directory, then what the install page makes, in its
    // order (the manifest refuses a nested name before its parent).
    line("1=Install,");
    n = 1;
    std::set<std::string> seen;
    for (int i = kSubDir1; i < kSubDir1 + 6; i++) {
        std::string dir = DirectoryValue(m, i);
        if (!dir.empty() && seen.insert(Lower(dir)).second) {
            line(std::to_string(++n) + "=Install, " + dir);
        }
    }
    return s;
}

bool PlanFiles(const Manifest& m, std::vector<PlannedFile>* plan,
               std::vector<std::string>* errors) {
    plan->clear();
    // Lower-case disk path -> who holds it; both spellings of every file
    // are kept, as compression chooses between them later.
    std::map<std::string, std::string> taken = {{"setup.inf", "SETUP.INF itself"},
                                                {"setup.exe", "SETUP.EXE itself"}};
    size_t before = errors->size();
    for (const ManifestFile& mf : FilesWithList(m)) {
        PlannedFile p;
        p.file = mf;
        p.diskDir = DiskDir(DirectoryValue(m, mf.keyword));
        p.plainName = DiskFileName(mf.target, [&](const std::string& name) {
            return taken.count(Lower(DiskPath(p.diskDir, name))) != 0 ||
                   taken.count(Lower(DiskPath(p.diskDir, plat::posix::LzCompressedName(name)))) !=
                       0;
        });
        p.packedName = plat::posix::LzCompressedName(p.plainName);
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

int Build(const Manifest& manifest, const std::string& out, const BuildOptions& options) {
    const Manifest& m = manifest;
    std::string outDir = WithoutTrailingSlash(out);
    std::vector<std::string> errors;
    for (const std::string& w : m.warnings) {
        fprintf(stderr, "build: warning: %s\n", w.c_str());
    }

    // Plan and compress: everything that can be wrong with the manifest's
    // files is found here, before anything is written.
    std::vector<PlannedFile> plan;
    std::vector<DiskFile> files;
    std::vector<uint8_t> setupExe;
    if (!PlanFiles(m, &plan, &errors) || !CompressFiles(m, plan, &files, &errors)) {
        return Fail(errors);
    }
    if (!options.setupExe.empty() && !ReadWholeFile(options.setupExe, &setupExe)) {
        errors.push_back(options.setupExe + " cannot be read");
        return Fail(errors);
    }

    // Lay out: SETUP.INF's size hardly depends on the layout; six disks'
    // headers and counts are kept free.
    uint64_t expandedTotal = 0;
    for (DiskFile& f : files) {
        f.disk = 0;
        expandedTotal += f.expanded;
    }
    uint64_t scriptReserve = ScriptText(m, files, 1, expandedTotal).size() + 512;
    uint64_t exeBytes = options.setupExe.empty() ? kSetupExeReserve : setupExe.size();
    std::vector<DiskSpace> disks;
    if (!LayOut(m, &files, scriptReserve, exeBytes, &disks, &errors)) {
        return Fail(errors);
    }
    int count = static_cast<int>(disks.size());
    std::string script = ScriptText(m, files, count, expandedTotal);

    // Write, image and check in a scratch directory; OUTDIR is untouched
    // until the result checks clean.
    std::string error;
    Scratch scratch;
    if (!OutDirIsOurs(outDir, &error)) {
        return Fail({error});
    }
    if (!scratch.Make(outDir)) {
        return Fail({"cannot make a scratch directory beside " + outDir});
    }
    const std::string& root = scratch.path();
    for (int d = 0; d < count; d++) {
        if (!WriteTree(root + "/disk" + std::to_string(d + 1), files, d, script, setupExe,
                       &error)) {
            return Fail({error});
        }
    }
    if (!WriteTree(root + "/merged", files, -1, script, setupExe, &error)) {
        return Fail({error});
    }
    for (int d = 0; options.images && d < count; d++) {
        std::string name = "disk" + std::to_string(d + 1);
        if (!MakeImage(root + "/" + name + ".img", root + "/" + name, VolumeLabel(m, d), &error)) {
            return Fail({error});
        }
    }
    if (options.iso &&
        !MakeIso(root + "/" + kIsoName, root + "/merged", LabelChars(Label(m, 0)), &error)) {
        return Fail({error});
    }
    CheckResult check;
    if (!CheckDisk(root + "/merged", &check, &error)) {
        return Fail({"cannot check the result: " + error});
    }
    if (check.ExitCode() != 0) {
        std::vector<std::string> found = FindingsAtLines(m, check);
        found.push_back("the disk set does not check clean");
        return Fail(found);
    }

    // Swap: the new build takes OUTDIR's place; the earlier one goes.
    if (!scratch.SwapInto(outDir)) {
        return Fail({"cannot move the new build into " + outDir + ": " + strerror(errno)});
    }
    PrintBuilt(m, files, disks, outDir, options);
    printf("build: check is clean on %s/merged\n", outDir.c_str());
    return 0;
}

}  // namespace disktool
