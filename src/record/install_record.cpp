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
    return usable_;
}

int InstallRecord::Exists() const {
    return usable_ && plat::Exists(record_);
}

void InstallRecord::Recover() {
    staged_ = 0;
    failed_ = 0;
    if (!usable_) {
        return;
    }
    fileio::ReplaceNames names = {record_, fresh_, aside_};
    fileio::RecoverReplace(names, RecordIsWhole);
}

const char* InstallRecord::ReadInstallRecord(const char* section, const char* key, const char* def,
                                             char* out, uint32_t size) {
    if (!usable_) {
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
    if (!usable_ || failed_) {
        return 0;
    }
    Recover();
    // A copy cut short (a read that failed part-way) is no start.
    bool copied = !plat::Exists(record_) || fileio::CopyWhole(record_, fresh_);
    if (!copied || !plat::ProfileWriteString(kRecordEnd, nullptr, nullptr, fresh_)) {
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
