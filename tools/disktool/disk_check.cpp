// The checker: SETUP.EXE's loader fills a setup state and the install plan as it
// would on a machine with the disk in A:, then every rule of the loader
// that loses something without a word is looked for in the script's text.
#include "disk_check.h"

#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <set>

#include "disk_names.h"
#include "install/file_copy.h"
#include "model/native_strings.h"
#include "model/setup_state.h"
#include "platform/lz.h"
#include "platform/posix/machine.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "script/setup_script.h"
#include "script_tables.h"
#include "szdd/szdd.h"

namespace disktool {

namespace {

const char kScript[] = "A:\\SETUP.INF";
const char kMissing[] = "\x01";   // default that no script value equals
const uint32_t kRawSize = 65536;  // reads values whole, to see what the loader cuts
const int kMaxFileLine = kMaxFieldLen;
const int kRegistryText = 79;  // composed registry texts: 80-byte fields
const int kMaxTotal = 32767;

// The sections SETUP.EXE reads, besides Disk1..Disk6.
const uint16_t kReadSections[] = {IDS_MAIN,           IDS_DISK_LABEL, IDS_FILE_COUNTS,
                                  IDS_DIRECTORY_NAME, IDS_PM_INFO,    IDS_STARTUP};

bool SameName(const std::string& a, const std::string& b) {
    return Lower(a) == Lower(b);
}

// A path as a person reads it: the doubled backslashes of empty
// directories taken out.
std::string Tidy(const std::string& path) {
    std::string out;
    for (size_t i = 0; i < path.size(); i++) {
        if (path[i] == '\\' && i > 0 && path[i - 1] == '\\') {
            continue;
        }
        out += path[i];
    }
    return out;
}

// "X:\..." with its "." and ".." steps taken as Windows takes them: ".."
// at the top of the drive stays there.
std::string Resolve(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 3;
    while (start <= path.size()) {
        size_t end = std::min(path.find('\\', start), path.size());
        std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out = path.substr(0, 3);
    for (size_t i = 0; i < parts.size(); i++) {
        out += (i ? "\\" : "") + parts[i];
    }
    return out;
}

bool HasParentStep(const std::string& path) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (path.compare(start, end - start, "..") == 0 && end - start == 2) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

// The drive A: of a scratch machine is the disk tree; the rest is empty.
class ScratchMachine {
  public:
    bool Start(const std::string& dir, const std::string& machineDir, std::string* error) {
        char real[PATH_MAX];
        struct stat st;
        if (realpath(dir.c_str(), real) == nullptr || stat(real, &st) != 0) {
            *error = dir + " cannot be read: " + strerror(errno);
            return false;
        }
        if (!S_ISDIR(st.st_mode)) {
            *error = dir + " is not a directory";
            return false;
        }
        std::string tmpl = machineDir + "/.disktool-check.XXXXXX";
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back(0);
        if (mkdtemp(buf.data()) == nullptr) {
            *error = "cannot make a scratch directory in " + machineDir + ": " + strerror(errno);
            return false;
        }
        root_ = buf.data();
        if (symlink(real, (root_ + "/a").c_str()) != 0) {
            *error = "cannot link the disk tree into " + root_ + ": " + strerror(errno);
            return false;
        }
        plat::posix::MachineConfig config;
        config.root = root_;
        config.windowsDir = kAssumedWindowsDir;
        config.systemDir = std::string(kAssumedWindowsDir) + "\\SYSTEM";
        config.moduleFileName = "A:\\SETUP.EXE";
        plat::posix::MachineReset(config);
        UseProgramStrings();  // the script's section and key names
        std::string reg =
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]"
            "\r\n\"ProgramFilesDir\"=\"" +
            Escape(kAssumedProgramFiles) + "\"\r\n";
        plat::posix::RegistryLoadText(reg);
        return true;
    }

    ~ScratchMachine() {
        if (!root_.empty()) {
            plat::posix::MachineReset(plat::posix::MachineConfig());
            unlink((root_ + "/a").c_str());
            rmdir(root_.c_str());
        }
    }

  private:
    static std::string Escape(const char* s) {
        std::string out;
        for (; *s; s++) {
            if (*s == '\\') {
                out += '\\';
            }
            out += *s;
        }
        return out;
    }

    std::string root_;
};

// Reads and expands what lz32 would open for a source path.
struct SourceFacts {
    bool opens = false;
    std::string host;  // the file opened
    bool compressed = false;
    bool unknownMode = false;
    uint64_t size = 0;
    uint64_t headerLength = 0;
    uint64_t expanded = 0;  // what the data expand to
};

int ReadFile(void* context, uint8_t* buf, uint32_t size, uint32_t* got) {
    size_t n = fread(buf, 1, size, static_cast<FILE*>(context));
    *got = static_cast<uint32_t>(n);
    return !ferror(static_cast<FILE*>(context));
}

int CountOnly(void*, const uint8_t*, uint32_t) {
    return 1;
}

SourceFacts InspectSource(const char* dosPath) {
    SourceFacts f;
    int handle = plat::LzOpenRead(dosPath);
    if (handle < 0) {
        return f;
    }
    plat::LzClose(handle);
    f.opens = true;
    std::string host = plat::posix::HostPath(dosPath);
    struct stat st;
    if (stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        host = plat::posix::HostPath(plat::posix::LzCompressedName(dosPath).c_str());
        if (stat(host.c_str(), &st) != 0) {
            return f;
        }
    }
    f.host = host;
    f.size = static_cast<uint64_t>(st.st_size);
    f.expanded = f.size;
    FILE* file = fopen(host.c_str(), "rb");
    if (file == nullptr) {
        f.opens = false;
        return f;
    }
    uint8_t head[szdd::kHeaderSize];
    uint32_t n = static_cast<uint32_t>(fread(head, 1, sizeof head, file));
    szdd::Format format = szdd::Classify(head, n);
    if (format == szdd::Format::UnknownMode) {
        f.unknownMode = true;
        f.expanded = 0;
    } else if (format == szdd::Format::Compressed) {
        f.compressed = true;
        f.headerLength = szdd::HeaderLength(head);
        static szdd::Decoder decoder;
        szdd::Stream s = {ReadFile, CountOnly, file};
        int64_t got = szdd::Expand(&decoder, s);
        f.expanded = got < 0 ? 0 : static_cast<uint64_t>(got);
    }
    fclose(file);
    return f;
}

class Checker {
  public:
    explicit Checker(CheckResult* r) : r_(r), owned_(new SetupState), state_(*owned_) {}

    void Run() {
        std::string host = plat::posix::HostPath(kScript);
        struct stat st;
        r_->scriptFound = stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode);
        if (!r_->scriptFound) {
            Add(Severity::Error, "no-script", "",
                "no SETUP.INF in " + r_->directory + ": SETUP.EXE would install nothing");
            return;
        }
        plat::posix::ProfileParseFile(host, &sections_);

        ResetSetupState(state_);
        text::Copy(state_.windowsDir, sizeof state_.windowsDir, kAssumedWindowsDir);
        if (!LoadSetupScript(state_)) {
            Add(Severity::Error, "plan-alloc", "", "SETUP.EXE cannot obtain its install plan");
            return;
        }
        r_->productName = state_.productName;
        r_->destDir = state_.destDir;
        r_->minimumSpace = state_.minimumSpace;

        CheckLayout();
        CheckMain();
        CheckLabels();
        CheckDirectories();
        CheckCounts();
        for (int disk = 0; disk < state_.diskCount; disk++) {
            CheckDisk(disk);
        }
        CheckUnreadDisks();
        CheckUninstallList();
        CheckGroupItems();
        CheckStartup();
        CheckStartupFiles();
        CheckSpace();
        ReleaseInstallPlan(state_);
    }

  private:
    void Add(Severity s, const std::string& code, const std::string& where,
             const std::string& message) {
        r_->findings.push_back(Finding{s, code, where, message});
    }

    // The value whole, or null when the key is missing.
    const char* Raw(const char* section, const char* key) {
        static char buf[kRawSize];
        plat::ProfileGetString(section, key, kMissing, buf, sizeof buf, kScript);
        return strcmp(buf, kMissing) == 0 ? nullptr : buf;
    }

    void CheckCut(const char* section, const char* key, int limit, const std::string& what) {
        const char* v = Raw(section, key);
        if (v != nullptr && static_cast<int>(strlen(v)) > limit) {
            Cut(Where(section, key), what, v, limit);
        }
    }

    void Cut(const std::string& where, const std::string& what, const std::string& value,
             int limit) {
        Add(Severity::Warning, "cut", where,
            what + " \"" + value + "\" has " + std::to_string(value.size()) +
                " characters; SETUP.EXE keeps the first " + std::to_string(limit) + ": \"" +
                value.substr(0, static_cast<size_t>(limit)) + "\"");
    }

    static std::string Where(const std::string& section, const std::string& key) {
        return "[" + section + "] " + key;
    }

    // Sections named twice, keys named twice, keys that nothing reads,
    // lines without '='.
    void CheckLayout() {
        std::set<std::string> seen;
        for (const auto& s : sections_) {
            if (s.headerless) {
                continue;
            }
            if (!seen.insert(Lower(s.name)).second) {
                Add(Severity::Warning, "duplicate-section", "[" + s.name + "]",
                    "section [" + s.name +
                        "] appears again; SETUP.EXE reads only its first appearance");
                continue;
            }
            if (!IsReadSection(s.name)) {
                Add(Severity::Warning, "unknown-section", "[" + s.name + "]",
                    "SETUP.EXE reads no section [" + s.name + "]" + SuggestSection(s.name));
                continue;
            }
            std::vector<std::string> known = KnownKeys(s.name);
            bool checkUnknown = !known.empty();
            std::set<std::string> keys;
            for (const auto& line : s.lines) {
                if (!line.name.empty() && (line.name[0] == ';' || line.name[0] == '#')) {
                    continue;  // a comment to a person; no key SETUP.EXE asks for
                }
                if (!line.hasValue) {
                    Add(Severity::Warning, "no-value", "[" + s.name + "]",
                        "line \"" + line.name + "\" has no '=': it reads as a missing key");
                    continue;
                }
                if (!keys.insert(Lower(line.name)).second) {
                    Add(Severity::Warning, "duplicate-key", Where(s.name, line.name),
                        "key " + line.name + " appears again; SETUP.EXE reads the first one");
                    continue;
                }
                if (!checkUnknown) {
                    continue;
                }
                bool isKnown = false;
                for (const std::string& k : known) {
                    isKnown = isKnown || SameName(k, line.name);
                }
                if (!isKnown) {
                    Add(Severity::Warning, "unknown-key", Where(s.name, line.name),
                        "SETUP.EXE reads no key " + line.name + " in [" + s.name + "]" +
                            Suggest(known, line.name));
                }
            }
        }
    }

    static bool IsReadSection(const std::string& name) {
        for (uint16_t id : kReadSections) {
            if (SameName(name, ProgramText(id))) {
                return true;
            }
        }
        for (int d = 0; d < kMaxDisks; d++) {
            if (SameName(name, DiskKey(d))) {
                return true;
            }
        }
        return false;
    }

    // A near miss of a section SETUP.EXE reads ("Start-up" for Startup).
    static std::string SuggestSection(const std::string& name) {
        std::string squeezed;
        for (char c : name) {
            if (isalnum(static_cast<unsigned char>(c)) || c == ' ') {
                squeezed += c;
            }
        }
        for (uint16_t id : kReadSections) {
            if (SameName(squeezed, ProgramText(id)) ||
                EditDistance(Lower(name), Lower(ProgramText(id))) <= 2) {
                return std::string(" (did you mean [") + ProgramText(id) + "]?)";
            }
        }
        return ": its lines are never read";
    }

    static std::vector<std::string> KnownKeys(const std::string& section) {
        std::vector<std::string> k;
        if (SameName(section, ProgramText(IDS_MAIN))) {
            for (const ScriptKey& key : kMainKeys) {
                k.push_back(key.Name());
            }
        } else if (SameName(section, ProgramText(IDS_DISK_LABEL)) ||
                   SameName(section, ProgramText(IDS_FILE_COUNTS))) {
            for (int d = 0; d < kMaxDisks; d++) {
                k.push_back(DiskKey(d));
            }
        } else if (SameName(section, ProgramText(IDS_DIRECTORY_NAME))) {
            for (int i = 0; i < kDirectoryNameCount; i++) {
                k.push_back(DirectoryKey(i));
            }
        } else if (SameName(section, ProgramText(IDS_STARTUP))) {
            for (const ScriptKey& key : kStartupKeys) {
                k.push_back(key.Name());
            }
        }
        return k;
    }

    // The well-known misspelling, and near misses by one letter.
    static std::string Suggest(const std::vector<std::string>& known, const std::string& name) {
        if (SameName(name, "SerialName")) {
            return " (the serial description's key is spelled SeialName)";
        }
        for (const std::string& k : known) {
            if (EditDistance(Lower(k), Lower(name)) == 1) {
                return " (did you mean " + k + "?)";
            }
        }
        return "";
    }

    void CheckMain() {
        if (Raw("Main", ProgramText(IDS_PRODUCT_NAME)) == nullptr) {
            Add(Severity::Warning, "no-product", "[Main]",
                std::string("no ProductName: SETUP.EXE names the product \"") + state_.productName +
                    "\" and proposes " + state_.destDir);
        }
        for (const ScriptKey& key : kMainKeys) {
            if (key.limit > 0) {
                CheckCut("Main", key.Name(), key.limit,
                         std::string("the ") + key.Name() + " value");
            }
        }
        CheckDefaultPath();
        const char* space = Raw("Main", "MinimumSpace");
        if (space != nullptr) {
            int32_t v =
                static_cast<int32_t>(plat::ProfileGetInt("Main", "MinimumSpace", 1024, kScript));
            if (v < 0 || v > kMaxTotal) {
                Add(Severity::Warning, "minimum-space", Where("Main", "MinimumSpace"),
                    "MinimumSpace " + std::to_string(v) +
                        " does not fit 16 bits: SETUP.EXE holds it as " +
                        std::to_string(state_.minimumSpace));
            }
        }
        if (state_.serialMouse != 0 && state_.serialMouse != 1) {
            Add(Severity::Warning, "serial-mouse", Where("Main", "DefaultSerialMouse"),
                "DefaultSerialMouse " + std::to_string(state_.serialMouse) +
                    " is neither 1 (serial) nor 0 (PS/2): unless the user picks a mouse type, "
                    "no mouse driver is registered");
        }
        std::string run = std::string(state_.destDir) + "\\Q7MAIN.EXE -startup";
        if (static_cast<int>(run.size()) > kRegistryText) {
            Add(Severity::Warning, "registry-limit", Where("Main", "DefaultPath"),
                "the destination " + std::string(state_.destDir) + " is too long for the " +
                    "registry values that name the installed programs (\"" + run + "\" has " +
                    std::to_string(run.size()) + " characters, at most " +
                    std::to_string(kRegistryText) + " fit): they are not written");
        }
    }

    // What SETUP.EXE makes of DefaultPath (FindDestDir): a drive gives way
    // to the Windows directory's, a path without one goes below the
    // program-files directory; the destination page takes ".." as Windows
    // does and refuses a drive without a "\" after it.
    void CheckDefaultPath() {
        const char* path = Raw("Main", "DefaultPath");
        if (path == nullptr) {
            return;
        }
        std::string where = Where("Main", "DefaultPath");
        std::string dest = state_.destDir;
        size_t length = strlen(path);
        if (length == 2 && path[1] == ':') {
            Add(Severity::Warning, "default-path", where,
                "a bare drive is no directory: SETUP.EXE proposes " + dest);
            return;
        }
        if (length > 2 && path[1] == ':' && toupper(path[0]) != kAssumedWindowsDir[0]) {
            Add(Severity::Warning, "default-path", where,
                std::string("SETUP.EXE keeps only the path after the drive and puts it on the "
                            "drive Windows is on: ") +
                    path + " becomes " + dest);
        }
        if (dest.size() < 3 || dest[1] != ':' || dest[2] != '\\') {
            Add(Severity::Warning, "default-path", where,
                "SETUP.EXE proposes " + dest +
                    ", which has no \\ after the drive: the destination page refuses it as a "
                    "directory it cannot create, until the user types another");
        } else if (HasParentStep(path)) {
            std::string resolved = Resolve(dest);
            Add(Severity::Warning, "default-path", where,
                std::string(path) + " climbs with ..: SETUP.EXE proposes " + dest + ", which is " +
                    resolved +
                    (SameName(resolved, kAssumedWindowsDir) ? ", the Windows directory itself"
                                                            : ""));
        }
    }

    void CheckLabels() {
        std::vector<int> labelled;
        for (int d = 0; d < kMaxDisks; d++) {
            CheckCut("DiskLabel", DiskKey(d), kLabelLimit, "the disk label");
            if (state_.diskLabels[d][0] != 0) {
                labelled.push_back(d + 1);
            }
        }
        bool contiguous = true;
        for (size_t i = 0; i < labelled.size(); i++) {
            contiguous = contiguous && labelled[i] == static_cast<int>(i) + 1;
        }
        if (!contiguous) {
            std::string list;
            for (int n : labelled) {
                list += (list.empty() ? "Disk" : ", Disk") + std::to_string(n);
            }
            Add(Severity::Warning, "label-gap", "[DiskLabel]",
                "labels on " + list + ": SETUP.EXE counts " + std::to_string(labelled.size()) +
                    " disks and reads the sections Disk1 to Disk" +
                    std::to_string(labelled.size()) + ", whichever are labelled");
        }
    }

    void CheckDirectories() {
        for (int i = 0; i < kDirectoryNameCount; i++) {
            CheckCut("DirectoryName", DirectoryKey(i), kDirectoryLimit, "the directory name");
            std::string v = state_.directoryNames[i];
            if (HasParentStep(v)) {
                Add(Severity::Error, "climbs-out", Where("DirectoryName", DirectoryKey(i)),
                    "\"" + v + "\" climbs out of " +
                        (i <= kSubDir1 + 5 ? "the destination directory" : "the disk's directory") +
                        " with ..");
            }
            if (i < kSubDir1 || i > kSubDir1 + 5) {
                continue;
            }
            size_t cut = v.find_last_of('\\');
            if (cut == std::string::npos || cut == 0) {
                continue;
            }
            // One level is created per value: the parent must come first.
            std::string parent = v.substr(0, cut);
            bool made = false;
            for (int j = kSubDir1; j < i; j++) {
                made = made || SameName(state_.directoryNames[j], parent);
            }
            if (!made) {
                Add(Severity::Warning, "subdir-parent", Where("DirectoryName", DirectoryKey(i)),
                    "\"" + v + "\" lies in \"" + parent +
                        "\", which no earlier SubDir creates: SETUP.EXE cannot create it, and "
                        "its files are not installed");
            }
        }
    }

    void CheckCounts() {
        int32_t total = 0;
        for (int d = 0; d < kMaxDisks; d++) {
            const char* raw = Raw("FileCounts", DiskKey(d));
            if (raw == nullptr) {
                continue;
            }
            if (d >= state_.diskCount) {
                Add(Severity::Warning, "section-ignored", Where("FileCounts", DiskKey(d)),
                    "SETUP.EXE counts " + std::to_string(state_.diskCount) +
                        " labelled disks and never reads this count");
                continue;
            }
            int32_t v =
                static_cast<int32_t>(plat::ProfileGetInt("FileCounts", DiskKey(d), 0, kScript));
            int16_t held = static_cast<int16_t>(v);
            if (v != held) {
                Add(Severity::Error, "count-range", Where("FileCounts", DiskKey(d)),
                    "count " + std::to_string(v) + " does not fit 16 bits (read as " +
                        std::to_string(held) + ")");
            } else if (held < 0) {
                Add(Severity::Warning, "negative-count", Where("FileCounts", DiskKey(d)),
                    "count " + std::to_string(v) + " is negative: no file of this disk is read");
            }
            if (held > 0) {
                total += held;
            }
        }
        if (total > kMaxTotal) {
            Add(Severity::Error, "total-too-large", "[FileCounts]",
                "the counts add up to " + std::to_string(total) + ", beyond " +
                    std::to_string(kMaxTotal) + ": later files are dropped");
        }
    }

    void CheckDisk(int disk) {
        const char* section = DiskKey(disk);
        PlanDisk pd;
        pd.number = disk + 1;
        pd.label = state_.diskLabels[disk];
        int count = state_.diskFileCounts[disk];
        int emptyFrom = 0;  // first line of a run of empty entries, 0: none
        for (int i = 1; i <= count + 1; i++) {
            std::string key = std::to_string(i);
            const char* raw = i <= count ? Raw(section, key.c_str()) : nullptr;
            bool empty = i <= count && (raw == nullptr || raw[0] == 0);
            if (empty && emptyFrom == 0) {
                emptyFrom = i;
            }
            if (!empty && emptyFrom != 0) {
                std::string range = emptyFrom == i - 1
                                        ? "line " + std::to_string(emptyFrom) + " is"
                                        : "lines " + std::to_string(emptyFrom) + " to " +
                                              std::to_string(i - 1) + " are";
                Add(Severity::Warning, "empty-entry", Where(section, std::to_string(emptyFrom)),
                    range + " missing or empty, though FileCounts " + section + " is " +
                        std::to_string(count) + ": SETUP.EXE goes through empty entries");
                emptyFrom = 0;
            }
            if (i > count || empty) {
                continue;
            }
            CheckLine(disk, i, raw, &pd);
        }
        ReportUnreadLines(section, count);
        r_->disks.push_back(std::move(pd));
    }

    // One file line: its text as written, then the entry the loader made of
    // it, its source and its destination.
    void CheckLine(int disk, int i, const char* raw, PlanDisk* pd) {
        std::string where = Where(DiskKey(disk), std::to_string(i));
        CheckLineText(where, raw);
        int file = i - 1;
        PlanFile pf = {};
        pf.line = i;
        const FileEntry* e = state_.diskFirstEntry[disk] + file;
        pf.description = e->Description;
        if (e->SourceName[0] == 0 || e->TargetName[0] == 0) {
            Add(Severity::Error, "no-name", where,
                std::string(e->SourceName[0] == 0 ? "no source name" : "no destination name") +
                    ": SETUP.EXE copies nothing for this line");
            return;
        }
        char source[kPathSize] = "";  // stays empty when the path does not fit
        char dest[kPathSize] = "";
        if (BuildSourcePath(state_, disk, file, source)) {
            pf.source = source;
        }
        if (BuildDestinationPath(state_, disk, file, dest)) {
            pf.destination = Tidy(dest);
        }
        CheckSource(where, source, &pf);
        r_->expandedTotal += pf.expanded;
        CheckDestination(where, pf.destination);
        pd->files.push_back(pf);
    }

    // The fields as the script spells them: cuts, keyword, "..".
    void CheckLineText(const std::string& where, const char* raw) {
        std::string line = raw;
        if (static_cast<int>(line.size()) > kMaxFileLine) {
            Cut(where, "the file line", line, kMaxFileLine);
            line.resize(kMaxFileLine);
        }
        static char field[kRawSize];
        std::string fields[4];
        const char* rest = line.c_str();
        for (std::string& f : fields) {
            rest = SplitField(rest, field, sizeof field);
            f = field;
        }
        if (CountCommas(line) > 3) {
            Add(Severity::Warning, "extra-fields", where,
                "more than four fields (a comma in the description?): SETUP.EXE ignores \"" +
                    std::string(rest) + "\"");
        }
        if (static_cast<int>(fields[0].size()) > kSourceNameLimit) {
            Cut(where, "the source name", fields[0], kSourceNameLimit);
        }
        if (static_cast<int>(fields[1].size()) > kNameLimit) {
            Cut(where, "the destination name", fields[1], kNameLimit);
        }
        if (static_cast<int>(fields[2].size()) > kDescriptionLimit) {
            Cut(where, "the description", fields[2], kDescriptionLimit);
        }
        int keyword = -1;
        for (int k = 0; k < kDirectoryNameCount && keyword < 0; k++) {
            if (SameName(fields[3], DirectoryKey(k))) {
                keyword = k;
            }
        }
        if (keyword < 0) {
            Add(Severity::Warning, "unknown-keyword", where,
                (fields[3].empty() ? std::string("no directory keyword")
                                   : "directory keyword \"" + fields[3] +
                                         "\" names no key of "
                                         "[DirectoryName]") +
                    ": the file is taken from the disk's top directory and goes into the "
                    "destination directory itself");
        } else if (keyword >= kSubDir1 && keyword <= kSubDir1 + 5 &&
                   state_.directoryNames[keyword][0] == 0) {
            Add(Severity::Warning, "empty-subdir", where,
                std::string(DirectoryKey(keyword)) +
                    " has no directory name: the file goes into the destination directory "
                    "itself");
        }
        for (int f = 0; f < 2; f++) {
            if (HasParentStep(fields[f])) {
                Add(Severity::Error, "climbs-out", where,
                    "\"" + fields[f] + "\" climbs out of " +
                        (f == 0 ? "the disk's directory" : "its destination directory") +
                        " with ..");
            }
        }
    }

    // What lz32 opens for the source, and whether it expands whole.
    void CheckSource(const std::string& where, const char* source, PlanFile* pf) {
        SourceFacts facts = InspectSource(source);
        pf->present = facts.opens;
        pf->compressed = facts.compressed;
        pf->size = facts.size;
        pf->expanded = facts.compressed ? facts.headerLength : facts.expanded;
        if (!facts.opens) {
            Add(Severity::Error, "source-missing", where,
                Tidy(source) + " does not open" +
                    (facts.host.empty() ? std::string(" (no such file, nor ") +
                                              Tidy(plat::posix::LzCompressedName(source)) + ")"
                                        : std::string(" (not readable)")) +
                    ": SETUP.EXE skips it without a word");
        } else if (facts.unknownMode) {
            Add(Severity::Error, "unknown-mode", where,
                Tidy(source) +
                    " is SZDD of a mode other than 'A': lz32 opens it and copies nothing");
        } else if (facts.compressed && facts.expanded != facts.headerLength) {
            Add(Severity::Error, "damaged", where,
                Tidy(source) + " says it expands to " + std::to_string(facts.headerLength) +
                    " bytes, but its data give " + std::to_string(facts.expanded));
        }
    }

    void CheckDestination(const std::string& where, const std::string& destination) {
        std::string key = Lower(destination);
        auto seen = destinations_.find(key);
        if (seen != destinations_.end()) {
            Add(Severity::Warning, "duplicate-destination", where,
                destination + " is also written by " + seen->second +
                    ": the later copy replaces the earlier");
        } else {
            destinations_[key] = where;
        }
        if (key == Lower(Tidy(std::string(state_.destDir) + "\\" + footprint::kRecordName))) {
            Add(Severity::Warning, "install-record", where,
                "a file installed as SETUP.INF in the destination directory is where SETUP.EXE "
                "keeps the registry values it replaces");
        }
    }

    // The Uninstall entry starts UNINSTAL.EXE in the destination directory;
    // without its list beside it the uninstaller removes only the two
    // programs the registry names.
    void CheckUninstallList() {
        std::string dir = Lower(Tidy(state_.destDir));
        auto exe = destinations_.find(dir + "\\" + Lower(footprint::kUninstaller));
        if (exe != destinations_.end() &&
            destinations_.count(dir + "\\" + Lower(footprint::kListName)) == 0) {
            Add(Severity::Warning, "no-uninstall-list", exe->second,
                "UNINSTAL.EXE is installed without UNINSTAL.INF beside it: the uninstaller "
                "then removes only the two programs the registry names (disktool build "
                "writes the list)");
        }
    }

    static int CountCommas(const std::string& s) {
        int n = 0;
        for (char c : s) {
            n += c == ',';
        }
        return n;
    }

    // Keys of a disk section outside "1" up to its count.
    void ReportUnreadLines(const char* section, int count) {
        const plat::posix::ProfileSectionLines* s = FindSection(section);
        if (s == nullptr) {
            return;
        }
        std::string unread;
        std::string skipped;  // the files of those lines
        int n = 0;
        for (const auto& line : s->lines) {
            if (!line.hasValue || line.name.empty() || line.name[0] == ';' || line.name[0] == '#') {
                continue;
            }
            bool read = false;
            for (int i = 1; i <= count && !read; i++) {
                read = line.name == std::to_string(i);
            }
            if (!read) {
                unread += (n++ == 0 ? "" : ", ") + line.name;
                static char field[kRawSize];
                SplitField(SplitField(line.value.c_str(), field, sizeof field), field,
                           sizeof field);
                skipped += std::string(skipped.empty() ? "" : ", ") + field;
            }
        }
        if (n > 0) {
            Add(Severity::Warning, "line-ignored", std::string("[") + section + "]",
                std::string(n == 1 ? "key " : "keys ") + unread + (n == 1 ? " is" : " are") +
                    " never read: SETUP.EXE reads the keys 1 to " + std::to_string(count) +
                    " (FileCounts " + section + "), so " + skipped + (n == 1 ? " is" : " are") +
                    " not installed");
        }
    }

    const plat::posix::ProfileSectionLines* FindSection(const char* name) {
        for (const auto& s : sections_) {
            if (!s.headerless && SameName(s.name, name)) {
                return &s;
            }
        }
        return nullptr;
    }

    void CheckUnreadDisks() {
        for (int d = state_.diskCount; d < kMaxDisks; d++) {
            const auto* s = FindSection(DiskKey(d));
            if (s != nullptr && !s->lines.empty()) {
                Add(Severity::Warning, "section-ignored", std::string("[") + DiskKey(d) + "]",
                    "SETUP.EXE counts " + std::to_string(state_.diskCount) +
                        " labelled disks and never reads this section");
            }
        }
    }

    void CheckGroupItems() {
        int firstGap = 0;
        static char field[kRawSize];
        const int limits[3] = {DISKTOOL_FIELD_LIMIT(GroupItem, field1),
                               DISKTOOL_FIELD_LIMIT(GroupItem, field2),
                               DISKTOOL_FIELD_LIMIT(GroupItem, field3)};
        for (int i = 1; i <= kGroupItemCount; i++) {
            const char* raw = Raw("PM Info", std::to_string(i).c_str());
            bool empty = raw == nullptr || raw[0] == 0;
            if (empty) {
                if (firstGap == 0) {
                    firstGap = i;
                }
                continue;
            }
            std::string where = Where("PM Info", std::to_string(i));
            if (firstGap != 0) {
                Add(Severity::Warning, "pm-info-gap", where,
                    "item " + std::to_string(firstGap) +
                        " is missing, and SETUP.EXE stops reading [PM Info] there");
                break;
            }
            std::string line = raw;
            line.resize(std::min<size_t>(line.size(), kMaxFileLine));
            const char* rest = line.c_str();
            for (int f = 0; f < 3; f++) {
                rest = SplitField(rest, field, sizeof field);
                if (static_cast<int>(strlen(field)) > limits[f]) {
                    Cut(where, "field " + std::to_string(f + 1), field, limits[f]);
                }
            }
        }
    }

    void CheckStartup() {
        for (const ScriptKey& k : kStartupKeys) {
            CheckCut("Startup", k.Name(), k.limit, std::string("the ") + k.Name() + " value");
        }
        size_t title = strlen(state_.startupStrings.Title);
        if (static_cast<int>(title) > kRegistryText) {
            Add(Severity::Warning, "registry-limit", Where("Startup", "Title"),
                "the title has " + std::to_string(title) +
                    " characters; the uninstall entry's "
                    "display name takes at most " +
                    std::to_string(kRegistryText) + ": it is not written");
        }
    }

    // The [Startup] values that name files: the class key's MouseDriver is
    // loaded from the system directory and its InfPath (MouseInf) read from
    // the INF directory, so each must be a file the disks install there.
    // FileName is read and never used: only a name no line installs is told.
    void CheckStartupFiles() {
        const std::string windows = kAssumedWindowsDir;
        const StartupStrings& s = state_.startupStrings;
        CheckStartupFile("MouseDriver", s.MouseDriver, windows + "\\SYSTEM", "WinSystemDir",
                         "SETUP.EXE registers a mouse driver that is not on the machine");
        CheckStartupFile("MouseInf", s.MouseInf, windows + "\\INF", "WinInfDir",
                         "the driver's registration names an INF file that is not on the machine");
        CheckStartupFile("FileName", state_.startupFileName, "", "",
                         "a mistyped name? (SETUP.EXE itself reads FileName and does nothing "
                         "with it)");
    }

    // value must be installed as dir\value (any directory when dir is "");
    // keyword is the directory keyword that puts it there.
    void CheckStartupFile(const char* key, const std::string& value, const std::string& dir,
                          const char* keyword, const std::string& missing) {
        if (value.empty()) {
            return;
        }
        std::string elsewhere;
        for (const PlanDisk& d : r_->disks) {
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
            Add(dir.empty() ? Severity::Warning : Severity::Error, "startup-missing", where,
                std::string(key) + " names " + value + ", which no file line installs: " + missing);
        } else if (!dir.empty()) {
            Add(Severity::Warning, "startup-misplaced", where,
                std::string(key) + " " + value + " is installed as " + elsewhere +
                    ", but Windows looks for it in " + dir + " (install it with " + keyword + ")");
        }
    }

    static std::string NameOf(const std::string& path) {
        size_t cut = path.find_last_of("\\/");
        return cut == std::string::npos ? path : path.substr(cut + 1);
    }

    void CheckSpace() {
        uint64_t kb = (r_->expandedTotal + 1023) / 1024;
        if (static_cast<int64_t>(state_.minimumSpace) < static_cast<int64_t>(kb)) {
            Add(Severity::Warning, "minimum-space", Where("Main", "MinimumSpace"),
                "MinimumSpace " + std::to_string(state_.minimumSpace) + " KB is less than the " +
                    std::to_string(kb) + " KB that the files expand to");
        }
    }

    CheckResult* r_;
    std::unique_ptr<SetupState> owned_;  // the loader's state for this check alone
    SetupState& state_;
    std::vector<plat::posix::ProfileSectionLines> sections_;
    std::map<std::string, std::string> destinations_;  // lower-case path -> first line
};

void JsonString(FILE* out, const std::string& s) {
    fputc('"', out);
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            fprintf(out, "\\%c", c);
        } else if (c < 0x20 || c >= 0x7F) {
            fprintf(out, "\\u%04x", c);  // script text is 8-bit: shown as Latin-1
        } else {
            fputc(c, out);
        }
    }
    fputc('"', out);
}

const char* SeverityName(Severity s) {
    return s == Severity::Error ? "error" : "warning";
}

}  // namespace

int CheckResult::Count(Severity s) const {
    int n = 0;
    for (const Finding& f : findings) {
        n += f.severity == s;
    }
    return n;
}

int CheckResult::ExitCode() const {
    return Count(Severity::Error) > 0 ? 2 : Count(Severity::Warning) > 0 ? 1 : 0;
}

bool CheckDisk(const std::string& dir, CheckResult* result, std::string* error,
               const std::string& machineDir) {
    *result = CheckResult();
    result->directory = dir;
    ScratchMachine machine;
    if (!machine.Start(dir, machineDir, error)) {
        return false;
    }
    Checker(result).Run();
    return true;
}

void PrintText(const CheckResult& r, FILE* out) {
    if (r.scriptFound) {
        fprintf(out, "%s: \"%s\", destination %s (SETUP.EXE in A:\\, Windows in %s)\n",
                r.directory.c_str(), r.productName.c_str(), r.destDir.c_str(), kAssumedWindowsDir);
        for (const PlanDisk& d : r.disks) {
            fprintf(out, "disk %d \"%s\": %zu file%s\n", d.number, d.label.c_str(), d.files.size(),
                    d.files.size() == 1 ? "" : "s");
            for (const PlanFile& f : d.files) {
                std::string size = !f.present     ? std::string("missing")
                                   : f.compressed ? std::to_string(f.expanded) + " bytes (SZDD, " +
                                                        std::to_string(f.size) + " on disk)"
                                                  : std::to_string(f.expanded) + " bytes";
                fprintf(out, "  %3d  %s -> %s  %s  \"%s\"\n", f.line, Tidy(f.source).c_str(),
                        f.destination.c_str(), size.c_str(), f.description.c_str());
            }
        }
        fprintf(out, "expanded total %llu bytes (%llu KB); MinimumSpace %d KB\n",
                static_cast<unsigned long long>(r.expandedTotal),
                static_cast<unsigned long long>((r.expandedTotal + 1023) / 1024), r.minimumSpace);
    }
    for (const Finding& f : r.findings) {
        fprintf(out, "%s: %s%s%s [%s]\n", SeverityName(f.severity), f.where.c_str(),
                f.where.empty() ? "" : ": ", f.message.c_str(), f.code.c_str());
    }
    fprintf(out, "check: %d error%s, %d warning%s\n", r.Count(Severity::Error),
            r.Count(Severity::Error) == 1 ? "" : "s", r.Count(Severity::Warning),
            r.Count(Severity::Warning) == 1 ? "" : "s");
}

void PrintJson(const CheckResult& r, FILE* out) {
    fprintf(out, "{\"directory\": ");
    JsonString(out, r.directory);
    fprintf(out, ", \"script\": %s, \"product\": ", r.scriptFound ? "true" : "false");
    JsonString(out, r.productName);
    fprintf(out, ", \"destination\": ");
    JsonString(out, r.destDir);
    fprintf(out, ", \"minimumSpace\": %d, \"expandedTotal\": %llu,\n \"disks\": [", r.minimumSpace,
            static_cast<unsigned long long>(r.expandedTotal));
    for (size_t d = 0; d < r.disks.size(); d++) {
        const PlanDisk& disk = r.disks[d];
        fprintf(out, "%s\n  {\"number\": %d, \"label\": ", d ? "," : "", disk.number);
        JsonString(out, disk.label);
        fprintf(out, ", \"files\": [");
        for (size_t i = 0; i < disk.files.size(); i++) {
            const PlanFile& f = disk.files[i];
            fprintf(out, "%s\n   {\"line\": %d, \"source\": ", i ? "," : "", f.line);
            JsonString(out, Tidy(f.source));
            fprintf(out, ", \"destination\": ");
            JsonString(out, f.destination);
            fprintf(out, ", \"description\": ");
            JsonString(out, f.description);
            fprintf(out,
                    ", \"present\": %s, \"compressed\": %s, \"size\": %llu, \"expanded\": %llu}",
                    f.present ? "true" : "false", f.compressed ? "true" : "false",
                    static_cast<unsigned long long>(f.size),
                    static_cast<unsigned long long>(f.expanded));
        }
        fprintf(out, "]}");
    }
    fprintf(out, "],\n \"findings\": [");
    for (size_t i = 0; i < r.findings.size(); i++) {
        const Finding& f = r.findings[i];
        fprintf(out, "%s\n  {\"severity\": \"%s\", \"code\": ", i ? "," : "",
                SeverityName(f.severity));
        JsonString(out, f.code);
        fprintf(out, ", \"where\": ");
        JsonString(out, f.where);
        fprintf(out, ", \"message\": ");
        JsonString(out, f.message);
        fprintf(out, "}");
    }
    fprintf(out, "],\n \"errors\": %d, \"warnings\": %d}\n", r.Count(Severity::Error),
            r.Count(Severity::Warning));
}

}  // namespace disktool
