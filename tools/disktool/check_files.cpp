// The file lines of each disk the loader reads: the text as written, the
// entry the loader made of it, what lz32 opens for its source and where it
// goes. Each line with both names becomes a file of the plan.
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <map>
#include <memory>

#include "check_parts.h"
#include "disk_names.h"
#include "install/file_copy.h"
#include "platform/lz.h"
#include "script/setup_script.h"
#include "script_tables.h"
#include "szdd/szdd.h"

namespace disktool {

namespace {

// What lz32 opens for a source path, and what its data expand to.
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

// The host file that lz32 opens for dosPath: the name itself, or the
// compressed name it tries next; "" when neither is there.
std::string OpenedFile(const char* dosPath, struct stat* st) {
    std::string host = plat::posix::HostPath(dosPath);
    if (stat(host.c_str(), st) == 0 && S_ISREG(st->st_mode)) {
        return host;
    }
    host = plat::posix::HostPath(szdd::CompressedName(dosPath).c_str());
    return stat(host.c_str(), st) == 0 ? host : "";
}

// Reads the header and, for SZDD, expands the data without keeping them.
void Expand(FILE* file, SourceFacts* f) {
    uint8_t head[szdd::kHeaderSize];
    uint32_t n = static_cast<uint32_t>(fread(head, 1, sizeof head, file));
    szdd::Format format = szdd::Classify(head, n);
    if (format == szdd::Format::UnknownMode) {
        f->unknownMode = true;
        f->expanded = 0;
    } else if (format == szdd::Format::Compressed) {
        f->compressed = true;
        f->headerLength = szdd::HeaderLength(head);
        std::unique_ptr<szdd::Decoder> decoder(new szdd::Decoder);
        szdd::Stream s = {ReadFile, CountOnly, file};
        int64_t got = szdd::Expand(decoder.get(), s);
        f->expanded = got < 0 ? 0 : static_cast<uint64_t>(got);
    }
}

SourceFacts InspectSource(const char* dosPath) {
    SourceFacts f;
    int handle = plat::LzOpenRead(dosPath);
    if (handle < 0) {
        return f;
    }
    plat::LzClose(handle);
    f.opens = true;
    struct stat st;
    f.host = OpenedFile(dosPath, &st);
    if (f.host.empty()) {
        return f;
    }
    f.size = static_cast<uint64_t>(st.st_size);
    f.expanded = f.size;
    FILE* file = fopen(f.host.c_str(), "rb");
    if (file == nullptr) {
        f.opens = false;
        return f;
    }
    Expand(file, &f);
    fclose(file);
    return f;
}

int CountCommas(const std::string& s) {
    int n = 0;
    for (char c : s) {
        n += c == ',';
    }
    return n;
}

// The index of the [DirectoryName] key that keyword names; -1 for none.
int KeywordIndex(const std::string& keyword) {
    for (int k = 0; k < kDirectoryNameCount; k++) {
        if (SameName(keyword, DirectoryKey(k))) {
            return k;
        }
    }
    return -1;
}

// The file lines of the disks, in the order the loader reads them.
class FileLines {
  public:
    explicit FileLines(Check& c) : c_(c) {}
    void CheckDisk(int disk);

  private:
    void ReportEmpty(const char* section, int count, int from, int to);
    void CheckLine(int disk, int i, const std::string& raw, PlanDisk* pd);
    void CheckLineText(const std::string& where, const std::string& raw);
    void CheckKeyword(const std::string& where, const std::string& keyword);
    void CheckSource(const std::string& where, const char* source, PlanFile* pf);
    void CheckDestination(const std::string& where, const std::string& destination);
    void ReportUnreadLines(const char* section, int count);

    Check& c_;
    std::map<std::string, std::string> destinations_;  // lower-case path -> first line
};

void FileLines::CheckDisk(int disk) {
    const char* section = DiskKey(disk);
    PlanDisk pd;
    pd.number = disk + 1;
    pd.label = c_.loaded.diskLabels[disk];
    int count = c_.loaded.diskFileCounts[disk];
    int emptyFrom = 0;  // first line of a run of empty entries, 0: none
    for (int i = 1; i <= count + 1; i++) {
        std::optional<std::string> raw;
        if (i <= count) {
            raw = c_.script.Raw(section, std::to_string(i).c_str());
        }
        bool empty = i <= count && (!raw || raw->empty());
        if (empty && emptyFrom == 0) {
            emptyFrom = i;
        }
        if (!empty && emptyFrom != 0) {
            ReportEmpty(section, count, emptyFrom, i - 1);
            emptyFrom = 0;
        }
        if (i <= count && !empty) {
            CheckLine(disk, i, *raw, &pd);
        }
    }
    ReportUnreadLines(section, count);
    c_.result.disks.push_back(std::move(pd));
}

void FileLines::ReportEmpty(const char* section, int count, int from, int to) {
    std::string range =
        from == to ? "line " + std::to_string(from) + " is"
                   : "lines " + std::to_string(from) + " to " + std::to_string(to) + " are";
    c_.Add(Severity::Warning, "empty-entry", Where(section, std::to_string(from)),
           range + " missing or empty, though FileCounts " + section + " is " +
               std::to_string(count) + ": SETUP.EXE goes through empty entries");
}

// One file line: its text as written, then the entry the loader made of
// it, its source and its destination.
void FileLines::CheckLine(int disk, int i, const std::string& raw, PlanDisk* pd) {
    std::string where = Where(DiskKey(disk), std::to_string(i));
    CheckLineText(where, raw);
    int file = i - 1;
    PlanFile pf = {};
    pf.line = i;
    const FileEntry* e = c_.loaded.diskFirstEntry[disk] + file;
    pf.description = e->Description;
    if (e->SourceName[0] == 0 || e->TargetName[0] == 0) {
        c_.Add(Severity::Error, "no-name", where,
               std::string(e->SourceName[0] == 0 ? "no source name" : "no destination name") +
                   ": SETUP.EXE copies nothing for this line");
        return;
    }
    char source[kPathSize] = "";  // stays empty when the path does not fit
    char dest[kPathSize] = "";
    if (BuildSourcePath(c_.loaded, disk, file, source)) {
        pf.source = source;
    }
    if (BuildDestinationPath(c_.loaded, c_.choices, disk, file, dest)) {
        pf.destination = Tidy(dest);
    }
    CheckSource(where, source, &pf);
    c_.result.expandedTotal += pf.expanded;
    CheckDestination(where, pf.destination);
    pd->files.push_back(pf);
}

// The fields as the script spells them: cuts, keyword, "..".
void FileLines::CheckLineText(const std::string& where, const std::string& raw) {
    std::string line = raw;
    if (static_cast<int>(line.size()) > kMaxFieldLen) {
        c_.Cut(where, "the file line", line, kMaxFieldLen);
        line.resize(kMaxFieldLen);
    }
    std::string fields[4];
    const char* rest = line.c_str();
    for (std::string& f : fields) {
        f = TakeField(&rest);
    }
    if (CountCommas(line) > 3) {
        c_.Add(Severity::Warning, "extra-fields", where,
               "more than four fields (a comma in the description?): SETUP.EXE ignores \"" +
                   std::string(rest) + "\"");
    }
    const char* const names[3] = {"the source name", "the destination name", "the description"};
    const int limits[3] = {kSourceNameLimit, kNameLimit, kDescriptionLimit};
    for (int f = 0; f < 3; f++) {
        if (static_cast<int>(fields[f].size()) > limits[f]) {
            c_.Cut(where, names[f], fields[f], limits[f]);
        }
    }
    CheckKeyword(where, fields[3]);
    for (int f = 0; f < 2; f++) {
        if (HasParentStep(fields[f])) {
            c_.Add(Severity::Error, "climbs-out", where,
                   "\"" + fields[f] + "\" climbs out of " +
                       (f == 0 ? "the disk's directory" : "its destination directory") +
                       " with ..");
        }
    }
}

void FileLines::CheckKeyword(const std::string& where, const std::string& keyword) {
    int k = KeywordIndex(keyword);
    if (k < 0) {
        c_.Add(Severity::Warning, "unknown-keyword", where,
               (keyword.empty()
                    ? std::string("no directory keyword")
                    : "directory keyword \"" + keyword + "\" names no key of [DirectoryName]") +
                   ": the file is taken from the disk's top directory and goes into the "
                   "destination directory itself");
    } else if (k >= kSubDir1 && k <= kSubDir1 + 5 && c_.loaded.directoryNames[k][0] == 0) {
        c_.Add(Severity::Warning, "empty-subdir", where,
               std::string(DirectoryKey(k)) +
                   " has no directory name: the file goes into the destination directory "
                   "itself");
    }
}

// What lz32 opens for the source, and whether it expands whole.
void FileLines::CheckSource(const std::string& where, const char* source, PlanFile* pf) {
    SourceFacts facts = InspectSource(source);
    pf->present = facts.opens;
    pf->compressed = facts.compressed;
    pf->size = facts.size;
    pf->expanded = facts.compressed ? facts.headerLength : facts.expanded;
    if (!facts.opens) {
        c_.Add(Severity::Error, "source-missing", where,
               Tidy(source) + " does not open" +
                   (facts.host.empty() ? std::string(" (no such file, nor ") +
                                             Tidy(szdd::CompressedName(source)) + ")"
                                       : std::string(" (not readable)")) +
                   ": SETUP.EXE skips it without a word");
    } else if (facts.unknownMode) {
        c_.Add(
            Severity::Error, "unknown-mode", where,
            Tidy(source) + " is SZDD of a mode other than 'A': lz32 opens it and copies nothing");
    } else if (facts.compressed && facts.expanded != facts.headerLength) {
        c_.Add(Severity::Error, "damaged", where,
               Tidy(source) + " says it expands to " + std::to_string(facts.headerLength) +
                   " bytes, but its data give " + std::to_string(facts.expanded));
    }
}

void FileLines::CheckDestination(const std::string& where, const std::string& destination) {
    std::string key = Lower(destination);
    auto seen = destinations_.find(key);
    if (seen != destinations_.end()) {
        c_.Add(Severity::Warning, "duplicate-destination", where,
               destination + " is also written by " + seen->second +
                   ": the later copy replaces the earlier");
    } else {
        destinations_[key] = where;
    }
    CheckNotRecord(c_, where, destination);
}

// Keys of a disk section outside "1" up to its count.
void FileLines::ReportUnreadLines(const char* section, int count) {
    const plat::posix::ProfileSectionLines* s = c_.script.Find(section);
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
            const char* rest = line.value.c_str();
            TakeField(&rest);
            skipped += (skipped.empty() ? "" : ", ") + TakeField(&rest);
        }
    }
    if (n > 0) {
        c_.Add(Severity::Warning, "line-ignored", std::string("[") + section + "]",
               std::string(n == 1 ? "key " : "keys ") + unread + (n == 1 ? " is" : " are") +
                   " never read: SETUP.EXE reads the keys 1 to " + std::to_string(count) +
                   " (FileCounts " + section + "), so " + skipped + (n == 1 ? " is" : " are") +
                   " not installed");
    }
}

}  // namespace

void CheckFileLines(Check& c) {
    FileLines lines(c);
    for (int disk = 0; disk < c.loaded.diskCount; disk++) {
        lines.CheckDisk(disk);
    }
}

}  // namespace disktool
