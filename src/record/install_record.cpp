#include "record/install_record.h"

#include "footprint/footprint.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/raw_file.h"
#include "platform/replace.h"
#include "platform/text.h"
#include "record/record_keys.h"

namespace {

// A line with nothing but blanks.
bool Blank(const fileio::LineFacts& line) {
    uint32_t n = line.length < fileio::kLinePrefix ? line.length : fileio::kLinePrefix;
    for (uint32_t i = 0; i < n; i++) {
        if (line.prefix[i] != ' ' && line.prefix[i] != '\t' && line.prefix[i] != '\r') {
            return false;
        }
    }
    return line.length <= fileio::kLinePrefix;
}

}  // namespace

int RecordIsWhole(const char* path) {
    static fileio::RawFile in;
    static fileio::LineFacts line;
    if (!fileio::RawOpenRead(&in, path)) {
        return 0;
    }
    // The last two lines that are not blank must be the mark.
    int sawHeader = 0;
    int sawMark = 0;
    while (fileio::RawNextLine(&in, &line)) {
        if (Blank(line)) {
            continue;
        }
        sawMark = sawHeader && fileio::LineIs(line, kRecordEndLine, 1);
        sawHeader = fileio::LineIs(line, kRecordEndHeader, 1);
    }
    // A read that failed part-way proves nothing.
    return fileio::RawClose(&in) && sawMark;
}

namespace {

// The line is the header "[name]", blanks around it and letter case aside.
bool SectionIs(const fileio::LineFacts& line, const char* name) {
    uint32_t n = line.length < fileio::kLinePrefix ? line.length : fileio::kLinePrefix;
    uint32_t a = 0;
    while (a < n && (line.prefix[a] == ' ' || line.prefix[a] == '\t')) {
        a++;
    }
    while (n > a && (line.prefix[n - 1] == ' ' || line.prefix[n - 1] == '\t')) {
        n--;
    }
    uint32_t k = text::Length(name);
    bool same = n - a == k + 2 && line.prefix[a] == '[' && line.prefix[n - 1] == ']';
    for (uint32_t i = 0; same && i < k; i++) {
        same = text::SameNoCase(line.prefix[a + 1 + i], name[i]);
    }
    return same;
}

bool IsRecordSection(const fileio::LineFacts& line) {
    const char* const sections[] = {footprint::kRecordPs2,
                                    footprint::kRecordSerial,
                                    kRecordSystem,
                                    kRecordFiles,
                                    kRecordCounted,
                                    kRecordLowered,
                                    kRecordPending,
                                    kRecordLog,
                                    kRecordEnd};
    for (const char* section : sections) {
        if (SectionIs(line, section)) {
            return true;
        }
    }
    return false;
}

// The record without its mark, every [End] section left out (a record
// edited by hand may hold two): the next mark is then the only one, last.
bool CopyWithoutMark(const char* from, const char* to) {
    static fileio::RawFile in;
    static fileio::RawFile out;
    static fileio::LineFacts line;
    if (!fileio::RawOpenRead(&in, from)) {
        return false;
    }
    if (!fileio::RawCreate(&out, to)) {
        fileio::RawClose(&in);
        return false;
    }
    bool inMark = false;
    bool ok = true;
    while (ok && fileio::RawNextLine(&in, &line)) {
        if (fileio::IsSectionHeader(line)) {
            inMark = SectionIs(line, kRecordEnd);
        }
        ok = inMark || fileio::RawCopy(&in, line.start, line.length + line.endBytes, &out);
    }
    ok = fileio::RawClose(&in) && ok;
    return fileio::RawClose(&out) && ok;
}

// Every section header of the file is one of the record's; a last line
// without its end (a write cut short) counts only when whole is asked.
bool OnlyRecordSections(const char* path, bool wholeLinesOnly) {
    static fileio::RawFile in;
    static fileio::LineFacts line;
    if (!fileio::RawOpenRead(&in, path)) {
        return false;
    }
    bool only = true;
    while (only && fileio::RawNextLine(&in, &line)) {
        only = !fileio::IsSectionHeader(line) || IsRecordSection(line) ||
               (wholeLinesOnly && line.endBytes == 0);
    }
    return fileio::RawClose(&in) && only;
}

bool Whole(const char* path) {
    return plat::Exists(path) && RecordIsWhole(path);
}

}  // namespace

int IsInstallRecord(const char* path) {
    if (!OnlyRecordSections(path, false)) {
        return 0;
    }
    if (RecordIsWhole(path)) {
        return 1;
    }
    const char* const marks[][2] = {
        {kRecordFiles, kRecordFilesAll},
        {footprint::kRecordPs2, kRecordDeviceKey},
        {footprint::kRecordPs2, kRecordClassKey},
        {footprint::kRecordSerial, kRecordDeviceKey},
        {footprint::kRecordSerial, kRecordClassKey},
    };
    char value[8];
    for (const auto& mark : marks) {
        if (plat::ProfileGetString(mark[0], mark[1], "", value, sizeof value, path) > 0) {
            return 1;
        }
    }
    return 0;
}

int InstallRecord::Open(const char* dir) {
    staged_ = 0;
    failed_ = 0;
    char* const paths[] = {record_, fresh_, aside_};
    const char* const names[] = {footprint::kRecordName, footprint::kRecordNew,
                                 footprint::kRecordOld};
    usable_ = text::Copy(dir_, sizeof dir_, dir);
    for (int i = 0; i < 3; i++) {
        usable_ = usable_ && text::PathIn(paths[i], dir, names[i]);
    }
    if (!usable_) {
        record_[0] = fresh_[0] = aside_[0] = 0;
    }
    foreign_ = FindForeign();
    return usable_;
}

int InstallRecord::Exists() const {
    return usable_ && !foreign_ && plat::Exists(record_);
}

int InstallRecord::Foreign() const {
    return foreign_;
}

int InstallRecord::FindForeign() const {
    if (!usable_) {
        return 0;
    }
    // A cut can leave SETUP.NEW short, never with another section in it.
    const char* const paths[] = {record_, fresh_, aside_};
    for (const char* path : paths) {
        if (plat::Exists(path) && !OnlyRecordSections(path, true)) {
            return 1;
        }
    }
    // SETUP.INF short of its mark is the record's only beside a whole copy
    // that a recovery takes in its place.
    return plat::Exists(record_) && !IsInstallRecord(record_) && !Whole(fresh_) && !Whole(aside_);
}

void InstallRecord::Recover() {
    staged_ = 0;
    failed_ = 0;
    foreign_ = FindForeign();
    if (!usable_ || foreign_) {
        return;
    }
    fileio::ReplaceNames names = {record_, fresh_, aside_};
    if (plat::Exists(record_)) {
        // The newest whole copy stands: SETUP.NEW was whole on the disk
        // before SETUP.INF stepped aside; SETUP.OLD was SETUP.INF before.
        if (!RecordIsWhole(record_) && Whole(fresh_)) {
            fileio::ReplaceFile(names, RecordIsWhole);
        } else if (!RecordIsWhole(record_) && Whole(aside_) && plat::FileDelete(record_)) {
            plat::FileRename(aside_, record_);
        }
    } else if (!(Whole(fresh_) && plat::FileRename(fresh_, record_))) {
        // Without SETUP.INF the copy set aside is the last one: it comes back.
        plat::FileRename(aside_, record_);
    }
    // What a stopped write left goes: SETUP.NEW now (taken or not the
    // newest whole copy), SETUP.OLD once SETUP.INF stands.
    if (plat::Exists(fresh_)) {
        plat::FileDelete(fresh_);
    }
    if (plat::Exists(record_) && plat::Exists(aside_)) {
        plat::FileDelete(aside_);
    }
}

const char* InstallRecord::ReadInstallRecord(const char* section, const char* key, const char* def,
                                             char* out, uint32_t size) {
    // Another program's file tells nothing of this installation.
    if (!usable_ || foreign_) {
        text::Copy(out, size, def != nullptr ? def : "");
        return out;
    }
    plat::ProfileGetString(section, key, def, out, size, staged_ ? fresh_ : record_);
    return out;
}

// The first entry after a Commit: SETUP.NEW starts as a copy of SETUP.INF
// without its mark, so that the mark the next Commit writes is the last
// section (profile writes add a new section at the end).
int InstallRecord::Stage() {
    if (staged_) {
        return !failed_;
    }
    if (!usable_ || failed_ || foreign_) {
        return 0;
    }
    Recover();
    if (foreign_) {
        return 0;
    }
    // A copy cut short (a read that failed part-way) is no start. Without a
    // record the first entry makes SETUP.NEW.
    if (plat::Exists(record_) && !CopyWithoutMark(record_, fresh_)) {
        plat::FileDelete(fresh_);
        return 0;
    }
    staged_ = 1;
    return 1;
}

int InstallRecord::RecordOriginalValue(const char* section, const char* key, const char* value) {
    char kept[kRecordValue];
    if (ReadInstallRecord(section, key, "", kept, sizeof kept)[0] != 0) {
        return 1;
    }
    return Set(section, key, value);
}

int InstallRecord::Set(const char* section, const char* key, const char* value) {
    // A stage that failed is remembered until Commit tells it.
    if (!Stage()) {
        failed_ = 1;
        return 0;
    }
    if (!plat::ProfileWriteString(section, key, value, fresh_)) {
        failed_ = 1;
    }
    return !failed_;
}

int InstallRecord::Commit() {
    if (!staged_) {
        int ok = usable_ && !failed_;
        failed_ = 0;
        return ok;
    }
    staged_ = 0;
    int ok = !failed_ && plat::ProfileWriteString(kRecordEnd, kRecordEndKey, "1", fresh_);
    failed_ = 0;
    // Windows holds profile writes in memory; this call writes them out (and
    // answers 0 whatever happened, hence the mark read back from the disk).
    plat::ProfileWriteString(nullptr, nullptr, nullptr, fresh_);
    fileio::ReplaceNames names = {record_, fresh_, aside_};
    ok = ok && fileio::ReplaceFile(names, RecordIsWhole);
    if (!ok) {
        plat::FileDelete(fresh_);
    }
    return ok;
}

int InstallRecord::Touch() {
    return Stage() && Commit();
}
