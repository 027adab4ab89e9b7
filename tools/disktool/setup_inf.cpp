#include "setup_inf.h"

#include <stdlib.h>

#include <algorithm>

#include "disk_labels.h"
#include "script_tables.h"

namespace disktool {

namespace {

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

}  // namespace

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

}  // namespace disktool
