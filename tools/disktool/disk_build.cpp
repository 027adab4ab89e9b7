// The builder: compresses each file, lays the files out on as few disks as
// they fit (first fit, largest first), writes SETUP.INF and the trees, makes
// the images with mtools, and checks the result with the checker.
#include "disk_build.h"

#include <dirent.h>
#include <errno.h>
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
#include "footprint/footprint.h"
#include "platform/posix/machine.h"
#include "platform/posix/szdd.h"
#include "szdd_encode.h"
#include "whole_file.h"

extern char** environ;

namespace disktool {

namespace {

const int kMaxDisksInSet = 6;
const int kRootEntries = 224;        // root directory of a 1.44 MB floppy
const char kMarker[] = ".disktool";  // says an output directory is ours to rebuild

const char* const kKeywords[] = {"RootDir", "SubDir1", "SubDir2", "SubDir3",      "SubDir4",
                                 "SubDir5", "SubDir6", "WinDir",  "WinSystemDir", "WinInfDir"};
const char* const kMainKeys[] = {"DefaultPath",  "GroupName", "GroupTitle",        "ProductName",
                                 "MinimumSpace", "OEM",       "DefaultSerialMouse"};
const char* const kStartupKeys[] = {"FileName", "Title",      "Mfg",           "MouseDriver",
                                    "MouseInf", "DriverDate", "PS2InfSection", "SerialInfSection",
                                    "PS2Name",  "SeialName"};

std::string Lower(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

std::string Upper(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    }
    return s;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) {
        return "";
    }
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

// The canonical spelling of name among names, or "" when it is none of them.
template <size_t N>
std::string Known(const char* const (&names)[N], const std::string& name) {
    for (const char* k : names) {
        if (Lower(k) == Lower(name)) {
            return k;
        }
    }
    return "";
}

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

// Runs a program with its arguments (no shell); true when it exits 0.
bool Run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return false;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) {
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string Dir(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// One file as it goes on a disk.
struct DiskFile {
    const ManifestFile* from;
    std::string sourceDir;  // the keyword's DirectoryName value
    std::string diskName;   // the name in the script and on the disk
    std::vector<uint8_t> bytes;
    uint64_t expanded;
    bool compressed;
    int disk;  // from 0
};

uint64_t Clusters(uint64_t bytes) {
    return (bytes + kCluster - 1) / kCluster;
}

// lz32's compressed spelling: FOO.EXE -> FOO.EX_, FOO.EX -> FOO.EX_,
// FOO -> FOO._, and the character that "_" replaced (0 when none).
std::string UnderscoreName(const std::string& name, uint8_t* lastChar) {
    std::string out = plat::posix::LzCompressedName(name);
    *lastChar = out.size() == name.size() ? static_cast<uint8_t>(name.back()) : 0;
    return out;
}

std::string Value(const std::vector<std::pair<std::string, std::string>>& list,
                  const std::string& key) {
    for (const auto& kv : list) {
        if (Lower(kv.first) == Lower(key)) {
            return kv.second;
        }
    }
    return "";
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

// A FAT volume label: at most 11 characters of a plain set.
std::string VolumeLabel(const std::string& label) {
    std::string out;
    for (char c : Upper(label)) {
        if (out.size() < 11 && (isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-')) {
            out += c;
        }
    }
    return out.empty() ? "DISK" : out;
}

std::string ManifestName(const Manifest& m) {
    size_t slash = m.path.find_last_of('/');
    return slash == std::string::npos ? m.path : m.path.substr(slash + 1);
}

const char* const kUninstaller = footprint::kUninstaller;
const char* const kListName = footprint::kListName;

// What goes on the disks: the manifest's files and, right after the first
// UNINSTAL.EXE, the uninstall list the tool writes (its contents are filled
// in by the caller, as the list names itself).
std::vector<ManifestFile> PlannedFiles(const Manifest& m) {
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
            out.push_back(list);
            listed = true;
        }
    }
    return out;
}

// The uninstaller's place and the path below it for a file: setup copies
// the Win* keywords to the Windows directory and its fixed SYSTEM and INF
// subdirectories, the others below the destination directory.
std::pair<std::string, std::string> Destination(const Manifest& m, const ManifestFile& f) {
    if (f.keyword == "WinDir") {
        return {footprint::kPlaceWindows, f.target};
    }
    if (f.keyword == "WinSystemDir") {
        return {footprint::kPlaceWindows, "SYSTEM\\" + f.target};
    }
    if (f.keyword == "WinInfDir") {
        return {footprint::kPlaceWindows, "INF\\" + f.target};
    }
    std::string dir = Value(m.directories, f.keyword);
    return {footprint::kPlaceInstall, dir.empty() ? f.target : dir + "\\" + f.target};
}

std::string ScriptText(const Manifest& m, const std::vector<DiskFile>& files, int disks,
                       uint64_t expandedTotal) {
    std::string s;
    auto line = [&s](const std::string& text) { s += text + "\r\n"; };
    line("; Written by disktool from " + ManifestName(m) + ".");
    line("[Main]");
    uint64_t needKb = (expandedTotal + 1023) / 1024;
    bool spaceWritten = false;
    for (const auto& kv : m.main) {
        if (kv.first == "MinimumSpace") {
            uint64_t given = strtoull(kv.second.c_str(), nullptr, 10);
            line("MinimumSpace=" + std::to_string(std::max(given, needKb)));
            spaceWritten = true;
        } else {
            line(kv.first + "=" + kv.second);
        }
    }
    if (!spaceWritten) {
        line("MinimumSpace=" + std::to_string(needKb));
    }
    line("");
    line("[DiskLabel]");
    for (int d = 0; d < disks; d++) {
        line("Disk" + std::to_string(d + 1) + "=" + Label(m, d));
    }
    line("");
    line("[FileCounts]");
    for (int d = 0; d < disks; d++) {
        int n = 0;
        for (const DiskFile& f : files) {
            n += f.disk == d;
        }
        line("Disk" + std::to_string(d + 1) + "=" + std::to_string(n));
    }
    line("");
    line("[DirectoryName]");
    for (const auto& kv : m.directories) {
        line(kv.first + "=" + kv.second);
    }
    for (int d = 0; d < disks; d++) {
        line("");
        line("[Disk" + std::to_string(d + 1) + "]");
        int n = 0;
        for (const DiskFile& f : files) {
            if (f.disk == d) {
                line(std::to_string(++n) + "=" + f.diskName + ", " + f.from->target + ", " +
                     f.from->description + ", " + f.from->keyword);
            }
        }
    }
    if (!m.startup.empty()) {
        line("");
        line("[Startup]");
        for (const auto& kv : m.startup) {
            line(kv.first + "=" + kv.second);
        }
    }
    return s;
}

// Disk of each file, first fit over the files largest first; disk 1 starts
// with SETUP.EXE and SETUP.INF. The number of disks, or 0 when they do not
// fit on six.
int Layout(std::vector<DiskFile>* files, uint64_t diskClusters, uint64_t firstDiskUsed,
           std::vector<uint64_t>* used) {
    std::vector<size_t> order(files->size());
    for (size_t i = 0; i < order.size(); i++) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [files](size_t a, size_t b) {
        return (*files)[a].bytes.size() > (*files)[b].bytes.size();
    });
    used->assign(1, firstDiskUsed);
    // Directories per disk: a cluster per 16 entries of each subdirectory
    // ("." and ".." included), root entries counted against 224.
    std::vector<std::map<std::string, int>> dirEntries(1);
    std::vector<int> rootEntries(1, 3);  // volume label, SETUP.EXE, SETUP.INF
    for (size_t i : order) {
        DiskFile& f = (*files)[i];
        uint64_t need = Clusters(f.bytes.size());
        for (int d = 0;; d++) {
            if (d == static_cast<int>(used->size())) {
                if (d == kMaxDisksInSet) {
                    return 0;
                }
                used->push_back(0);
                dirEntries.emplace_back();
                rootEntries.push_back(1);  // the volume label
            }
            uint64_t extra = need;
            int root = rootEntries[d];
            if (f.sourceDir.empty()) {
                root++;
            } else {
                int& n = dirEntries[d][Lower(f.sourceDir)];
                if (n == 0) {
                    root++;
                    extra += 1;  // the directory's first cluster ("." and "..")
                    n = 2;
                } else if (n % 16 == 0) {
                    extra += 1;
                }
            }
            if ((*used)[d] + extra <= diskClusters && root <= kRootEntries) {
                (*used)[d] += extra;
                rootEntries[d] = root;
                if (!f.sourceDir.empty()) {
                    dirEntries[d][Lower(f.sourceDir)]++;
                }
                f.disk = d;
                break;
            }
        }
    }
    return static_cast<int>(used->size());
}

bool WriteTree(const std::string& root, const std::vector<DiskFile>& files, int disk,
               const std::string& script, const std::vector<uint8_t>& setupExe,
               std::string* error) {
    if (!MakeDirs(root)) {
        *error = "cannot create " + root;
        return false;
    }
    if (disk <= 0) {
        if (!WriteWholeFile(root + "/SETUP.INF", script.data(), script.size()) ||
            (!setupExe.empty() &&
             !WriteWholeFile(root + "/SETUP.EXE", setupExe.data(), setupExe.size()))) {
            *error = "cannot write into " + root;
            return false;
        }
    }
    for (const DiskFile& f : files) {
        if (disk >= 0 && f.disk != disk) {
            continue;
        }
        std::string dir = f.sourceDir.empty() ? root : root + "/" + f.sourceDir;
        for (char& c : dir) {
            c = c == '\\' ? '/' : c;
        }
        if (!MakeDirs(dir) ||
            !WriteWholeFile(dir + "/" + f.diskName, f.bytes.data(), f.bytes.size())) {
            *error = "cannot write " + dir + "/" + f.diskName;
            return false;
        }
    }
    return true;
}

// A FAT12 1.44 MB image of the tree at root, made with mtools.
bool MakeImage(const std::string& image, const std::string& root, const std::string& label,
               std::string* error) {
    unlink(image.c_str());
    // A serial number from the label, so that images of the same disk agree.
    uint32_t serial = 2166136261u;
    for (char c : label) {
        serial = (serial ^ static_cast<uint8_t>(c)) * 16777619u;
    }
    char serialText[16];
    snprintf(serialText, sizeof serialText, "%08X", serial);
    if (!Run({"mformat", "-C", "-f", "1440", "-v", VolumeLabel(label), "-N", serialText, "-i",
              image, "::"})) {
        *error = "mformat failed on " + image + " (is mtools installed? apt-get install mtools)";
        return false;
    }
    DIR* d = opendir(root.c_str());
    if (d == nullptr) {
        *error = "cannot read " + root;
        return false;
    }
    std::vector<std::string> entries;
    while (dirent* e = readdir(d)) {
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) {
            entries.push_back(root + "/" + e->d_name);
        }
    }
    closedir(d);
    std::sort(entries.begin(), entries.end());
    if (entries.empty()) {
        return true;
    }
    std::vector<std::string> args = {"mcopy", "-s", "-m", "-i", image};
    args.insert(args.end(), entries.begin(), entries.end());
    args.push_back("::/");
    if (!Run(args)) {
        *error = "mcopy failed on " + image;
        return false;
    }
    return true;
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
    for (const char* key : kStartupKeys) {
        for (const auto& kv : m.startup) {
            // FileName is the program setup starts, nothing it wrote.
            if (kv.first == key && kv.first != "FileName") {
                line(kv.first + "=" + kv.second);
            }
        }
    }
    line("");
    line("[Files]");
    std::vector<ManifestFile> files = PlannedFiles(m);
    int n = 0;
    for (const char* place : {footprint::kPlaceInstall, footprint::kPlaceWindows}) {
        for (const ManifestFile& f : files) {
            auto to = Destination(m, f);
            if (to.first == place) {
                line(std::to_string(++n) + "=" + to.first + ", " + to.second);
            }
        }
    }
    line("");
    line("[Directories]");
    // The destination directory, then what the install page makes, in its
    // order (Build refuses a nested name before its parent).
    line("1=Install,");
    n = 1;
    std::set<std::string> seen;
    for (int i = 1; i <= 6; i++) {
        std::string dir = Value(m.directories, "SubDir" + std::to_string(i));
        if (!dir.empty() && seen.insert(Lower(dir)).second) {
            line(std::to_string(++n) + "=Install, " + dir);
        }
    }
    return s;
}

bool ReadManifest(const std::string& path, Manifest* m, std::vector<std::string>* errors) {
    *m = Manifest();
    m->path = path;
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) {
        errors->push_back(path + ": cannot be read");
        return false;
    }
    std::string base = Dir(path);
    std::string section;
    char buf[4096];
    int lineNo = 0;
    auto fail = [&](const std::string& what) {
        errors->push_back(path + ":" + std::to_string(lineNo) + ": " + what);
    };
    std::set<std::string> seen;
    while (fgets(buf, sizeof buf, f) != nullptr) {
        lineNo++;
        std::string line = buf;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') {
            continue;
        }
        if (line[0] == '[') {
            if (line.back() != ']') {
                fail("a section header ends with ]");
                continue;
            }
            section = Lower(Trim(line.substr(1, line.size() - 2)));
            static const std::set<std::string> kSections = {"main", "disks", "directoryname",
                                                            "startup", "files"};
            if (kSections.count(section) == 0) {
                fail("unknown section [" + line.substr(1, line.size() - 2) +
                     "] (known: Main, Disks, DirectoryName, Startup, Files)");
            }
            continue;
        }
        if (section.empty()) {
            fail("a line before the first section");
            continue;
        }
        if (section == "files") {
            ManifestFile file;
            file.line = lineNo;
            std::vector<std::string> fields;
            size_t start = 0;
            for (;;) {
                size_t comma = line.find(',', start);
                fields.push_back(Trim(line.substr(start, comma - start)));
                if (comma == std::string::npos) {
                    break;
                }
                start = comma + 1;
            }
            if (fields.size() != 4) {
                fail(
                    "a file line has four fields: source, target name, description, directory "
                    "keyword (no field may hold a comma)");
                continue;
            }
            file.source = fields[0][0] == '/' ? fields[0] : base + "/" + fields[0];
            file.target = fields[1];
            file.description = fields[2];
            file.keyword = Known(kKeywords, fields[3]);
            if (file.keyword.empty()) {
                fail("directory keyword \"" + fields[3] +
                     "\" is none of RootDir, SubDir1..SubDir6, WinDir, WinSystemDir, WinInfDir");
                continue;
            }
            if (file.target.empty() ||
                file.target.find_first_of("\\/:*?\"<>|") != std::string::npos) {
                fail("target name \"" + file.target + "\" is not a plain file name");
                continue;
            }
            m->files.push_back(file);
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) {
            fail("expected KEY = VALUE");
            continue;
        }
        std::string key = Trim(line.substr(0, eq));
        std::string value = Trim(line.substr(eq + 1));
        if (!seen.insert(section + "/" + Lower(key)).second) {
            fail("key " + key + " given twice");
            continue;
        }
        std::string name;
        if (section == "main") {
            name = Known(kMainKeys, key);
            if (!name.empty()) {
                m->main.emplace_back(name, value);
            }
        } else if (section == "directoryname") {
            name = Known(kKeywords, key);
            if (!name.empty()) {
                m->directories.emplace_back(name, value);
            }
        } else if (section == "startup") {
            name = Known(kStartupKeys, key);
            if (!name.empty()) {
                m->startup.emplace_back(name, value);
            }
        } else if (section == "disks") {
            if (Lower(key) == "label") {
                name = "Label";
                m->labelPattern = value;
            } else if (Lower(key) == "size") {
                name = "Size";
                char* end = nullptr;
                m->diskBytes = strtoull(value.c_str(), &end, 10);
                if (value.empty() || *end != 0 || m->diskBytes < kCluster * 16) {
                    fail("Size is the bytes of file space per disk (a 1.44 MB floppy: " +
                         std::to_string(kFloppyBytes) + ")");
                }
            }
        }
        if (name.empty()) {
            fail("unknown key " + key +
                 (Lower(key) == "serialname" ? " (SETUP.EXE reads SeialName)" : ""));
        }
    }
    fclose(f);
    if (m->labelPattern.empty()) {
        std::string product = Value(m->main, "ProductName");
        m->labelPattern = (product.empty() ? "Velor" : product) + " Disk %d";
    }
    if (m->files.empty() && errors->empty()) {
        errors->push_back(path + ": no [Files] lines");
    }
    return errors->empty();
}

int Build(const Manifest& m, const std::string& outDir, const BuildOptions& options) {
    std::vector<std::string> errors;
    std::vector<DiskFile> files;
    std::map<std::string, std::string> diskPaths;  // lower-case disk path -> manifest line
    std::map<std::string, std::string> targets;
    diskPaths["setup.inf"] = "SETUP.INF itself";
    diskPaths["setup.exe"] = "SETUP.EXE itself";
    uint64_t expandedTotal = 0;
    // The install page makes one level per SubDir value, in order: a nested
    // name before its parent would not be made, and the uninstall list
    // names directories parents first.
    std::set<std::string> made;
    for (int i = 1; i <= 6; i++) {
        std::string key = "SubDir" + std::to_string(i);
        std::string dir = Lower(Value(m.directories, key));
        size_t cut = dir.find_last_of('\\');
        if (cut != std::string::npos && made.count(dir.substr(0, cut)) == 0) {
            errors.push_back(m.path + ": " + key + " = " + Value(m.directories, key) +
                             " is made one level at a time: its parent needs to be an "
                             "earlier SubDir value");
        }
        made.insert(dir);
    }
    std::vector<ManifestFile> planned = PlannedFiles(m);
    for (ManifestFile& mf : planned) {
        if (mf.source.empty()) {
            mf.contents = UninstallList(m);
        }
    }
    for (const ManifestFile& mf : planned) {
        std::string where = m.path + ":" + std::to_string(mf.line) + ": ";
        DiskFile f;
        f.from = &mf;
        f.sourceDir = Value(m.directories, mf.keyword);
        f.disk = -1;
        if (mf.keyword.compare(0, 6, "SubDir") == 0 && f.sourceDir.empty()) {
            errors.push_back(where + mf.keyword + " has no [DirectoryName] value");
            continue;
        }
        if (!mf.source.empty() && Upper(mf.target) == kListName) {
            errors.push_back(where +
                             "UNINSTAL.INF is written by disktool from this manifest beside "
                             "UNINSTAL.EXE; drop this line");
            continue;
        }
        if (Upper(mf.target) == kUninstaller && (mf.keyword != "RootDir" || !f.sourceDir.empty())) {
            errors.push_back(where +
                             "UNINSTAL.EXE belongs in the destination directory itself "
                             "(RootDir, with an empty RootDir value): the Uninstall entry "
                             "starts it there");
            continue;
        }
        std::vector<uint8_t> data(mf.contents.begin(), mf.contents.end());
        if (!mf.source.empty() && !ReadWholeFile(mf.source, &data)) {
            errors.push_back(where + mf.source + " cannot be read");
            continue;
        }
        if (data.size() > szdd::kMaxInput) {
            errors.push_back(where + mf.source + " is too large for the SZDD header");
            continue;
        }
        std::string name = Upper(mf.target);
        uint8_t lastChar = 0;
        std::vector<uint8_t> packed;
        szdd::Compress(data.data(), data.size(), 0, szdd::Parse::Optimal, &packed);
        // Plain data that begin like an SZDD file would be expanded by lz32:
        // such a file is stored compressed even when that is larger.
        bool looksPacked = szdd::Classify(data.data(), static_cast<uint32_t>(std::min<size_t>(
                                                           data.size(), szdd::kHeaderSize))) !=
                           szdd::Format::Plain;
        f.expanded = data.size();
        if (packed.size() < data.size() || looksPacked) {
            f.diskName = UnderscoreName(name, &lastChar);
            packed[9] = lastChar;
            f.bytes = std::move(packed);
            f.compressed = true;
        } else {
            f.diskName = name;
            f.bytes = std::move(data);
            f.compressed = false;
        }
        std::string diskPath =
            Lower(f.sourceDir.empty() ? f.diskName : f.sourceDir + "\\" + f.diskName);
        auto clash = diskPaths.find(diskPath);
        if (clash != diskPaths.end()) {
            errors.push_back(where + "the disk name " + f.diskName + " is taken by " +
                             clash->second);
            continue;
        }
        diskPaths[diskPath] = "line " + std::to_string(mf.line) + " (" + mf.target + ")";
        std::string target = Lower(mf.keyword.compare(0, 3, "Win") == 0
                                       ? mf.keyword + "\\" + mf.target
                                       : Value(m.directories, mf.keyword) + "\\" + mf.target);
        auto twice = targets.find(target);
        if (twice != targets.end()) {
            errors.push_back(where + mf.target + " is installed to the same place by " +
                             twice->second);
            continue;
        }
        targets[target] = "line " + std::to_string(mf.line);
        if (target == "\\setup.inf") {
            errors.push_back(where +
                             "SETUP.INF in the destination directory is where SETUP.EXE "
                             "keeps the registry values it replaces; name the file "
                             "otherwise");
            continue;
        }
        expandedTotal += f.expanded;
        files.push_back(std::move(f));
    }
    std::vector<uint8_t> setupExe;
    if (!options.setupExe.empty() && !ReadWholeFile(options.setupExe, &setupExe)) {
        errors.push_back(options.setupExe + " cannot be read");
    }
    if (!errors.empty()) {
        for (const std::string& e : errors) {
            fprintf(stderr, "build: %s\n", e.c_str());
        }
        return 2;
    }

    // SETUP.INF on disk 1: its size hardly depends on the layout; six disks'
    // headers and counts are kept free.
    for (DiskFile& f : files) {
        f.disk = 0;
    }
    uint64_t scriptReserve = ScriptText(m, files, 1, expandedTotal).size() + 512;
    uint64_t exeBytes = options.setupExe.empty() ? kSetupExeReserve : setupExe.size();
    std::vector<uint64_t> used;
    int disks =
        Layout(&files, m.diskBytes / kCluster, Clusters(scriptReserve) + Clusters(exeBytes), &used);
    if (disks == 0) {
        fprintf(stderr, "build: the files do not fit on %d disks of %llu bytes\n", kMaxDisksInSet,
                static_cast<unsigned long long>(m.diskBytes));
        return 2;
    }
    std::string script = ScriptText(m, files, disks, expandedTotal);

    // The output directory is ours when it is new, empty or marked by an
    // earlier build; anything else is left alone.
    struct stat st;
    if (stat(outDir.c_str(), &st) == 0) {
        bool empty = true;
        if (DIR* d = opendir(outDir.c_str())) {
            while (dirent* e = readdir(d)) {
                empty = empty && (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0);
            }
            closedir(d);
        }
        if (!empty && access((outDir + "/" + kMarker).c_str(), F_OK) != 0) {
            fprintf(stderr,
                    "build: %s is not empty and was not made by disktool; give a new directory\n",
                    outDir.c_str());
            return 2;
        }
        for (int d2 = 1; d2 <= kMaxDisksInSet; d2++) {
            RemoveTree(outDir + "/disk" + std::to_string(d2));
            RemoveTree(outDir + "/disk" + std::to_string(d2) + ".img");
        }
        RemoveTree(outDir + "/merged");
    }
    std::string error;
    if (!MakeDirs(outDir) || !WriteWholeFile(outDir + "/" + kMarker, "", 0)) {
        fprintf(stderr, "build: cannot create %s\n", outDir.c_str());
        return 2;
    }
    for (int d = 0; d < disks; d++) {
        if (!WriteTree(outDir + "/disk" + std::to_string(d + 1), files, d, script, setupExe,
                       &error)) {
            fprintf(stderr, "build: %s\n", error.c_str());
            return 2;
        }
    }
    if (!WriteTree(outDir + "/merged", files, -1, script, setupExe, &error)) {
        fprintf(stderr, "build: %s\n", error.c_str());
        return 2;
    }

    uint64_t packedTotal = 0;
    for (const DiskFile& f : files) {
        packedTotal += f.bytes.size();
    }
    printf("build: %zu files, %llu bytes expanded, %llu on the disks; %d disk%s of %llu KB\n",
           files.size(), static_cast<unsigned long long>(expandedTotal),
           static_cast<unsigned long long>(packedTotal), disks, disks == 1 ? "" : "s",
           static_cast<unsigned long long>(m.diskBytes / 1024));
    for (int d = 0; d < disks; d++) {
        int n = 0;
        for (const DiskFile& f : files) {
            n += f.disk == d;
        }
        uint64_t usedBytes = used[d] * kCluster;
        printf("  disk %d \"%s\": %d file%s%s, %llu KB used of %llu (%llu%%)\n", d + 1,
               Label(m, d).c_str(), n, n == 1 ? "" : "s",
               d == 0 ? (options.setupExe.empty() ? " + SETUP.INF (and room for SETUP.EXE)"
                                                  : " + SETUP.INF and SETUP.EXE")
                      : "",
               static_cast<unsigned long long>((usedBytes + 1023) / 1024),
               static_cast<unsigned long long>(m.diskBytes / 1024),
               static_cast<unsigned long long>(usedBytes * 100 / m.diskBytes));
    }
    for (const DiskFile& f : files) {
        printf("  %-14s disk %d  %s%s%s  %llu -> %llu bytes%s\n", f.from->target.c_str(),
               f.disk + 1, f.sourceDir.c_str(), f.sourceDir.empty() ? "" : "\\", f.diskName.c_str(),
               static_cast<unsigned long long>(f.expanded),
               static_cast<unsigned long long>(f.bytes.size()),
               f.compressed ? " (SZDD)" : " (stored: it does not get smaller)");
    }
    printf(
        "  trees: %s/disk1 .. disk%d (one per floppy), %s/merged (all disks on one directory, "
        "as SETUP.EXE reads them)\n",
        outDir.c_str(), disks, outDir.c_str());
    if (options.images) {
        for (int d = 0; d < disks; d++) {
            std::string image = outDir + "/disk" + std::to_string(d + 1) + ".img";
            if (!MakeImage(image, outDir + "/disk" + std::to_string(d + 1), Label(m, d), &error)) {
                fprintf(stderr, "build: %s\n", error.c_str());
                return 2;
            }
            printf("  image: %s\n", image.c_str());
        }
    }

    CheckResult check;
    if (!CheckDisk(outDir + "/merged", &check, &error)) {
        fprintf(stderr, "build: cannot check the result: %s\n", error.c_str());
        return 2;
    }
    if (check.ExitCode() != 0) {
        PrintText(check, stderr);
        fprintf(stderr, "build: the disk set does not check clean (see above)\n");
        return 2;
    }
    printf("build: check is clean on %s/merged\n", outDir.c_str());
    return 0;
}

}  // namespace disktool
