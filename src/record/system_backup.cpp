#include "record/system_backup.h"

#include "footprint/footprint.h"
#include "platform/files.h"
#include "platform/raw_file.h"
#include "platform/text.h"
#include "record/install_record.h"
#include "record/record_keys.h"

namespace {

const uint32_t kNumberField = 16;  // a count in decimal

uint32_t Kept(InstallRecord& record, const char* key, bool* found) {
    char value[kNumberField];
    uint32_t n = 0;
    record.ReadInstallRecord(kRecordSystem, key, "", value, sizeof value);
    *found = *found && ParseCount(value, &n);
    return n;
}

// The copy the record names, a start of system.ini at ini whose size and
// hash the record keeps: one a stopped run began and did not finish.
bool BegunCopy(InstallRecord& record, const char* windowsDir, const char* ini,
               const fileio::Fingerprint& now, char* path) {
    char name[kNumberField];
    record.ReadInstallRecord(kRecordSystem, kRecordBackup, "", name, sizeof name);
    bool found = name[0] != 0 && text::Find(name, "\\") == nullptr;
    uint32_t size = Kept(record, kRecordBackupSize, &found);
    uint32_t hash = Kept(record, kRecordBackupHash, &found);
    return found && size == now.size && hash == now.hash &&
           text::Format(path, kBackupPath, "%s\\%s", windowsDir, name) &&
           fileio::StartOf(path, ini, 0);
}

}  // namespace

int ProvenBackup(InstallRecord& record, const char* windowsDir, char* path) {
    char name[kNumberField];
    record.ReadInstallRecord(kRecordSystem, kRecordBackup, "", name, sizeof name);
    bool found = name[0] != 0 && text::Find(name, "\\") == nullptr;
    uint32_t size = Kept(record, kRecordBackupSize, &found);
    uint32_t hash = Kept(record, kRecordBackupHash, &found);
    fileio::Fingerprint print;
    return found && text::Format(path, kBackupPath, "%s\\%s", windowsDir, name) &&
           fileio::FingerprintOf(path, &print) && print.size == size && print.hash == hash;
}

int StageBackup(InstallRecord& record, const char* windowsDir, char* path) {
    char ini[kBackupPath];
    fileio::Fingerprint print;
    if (!text::PathIn(ini, windowsDir, footprint::kSystemIni) ||
        !fileio::FingerprintOf(ini, &print)) {
        return 0;
    }
    char name[kNumberField];
    bool free =
        ProvenBackup(record, windowsDir, path) || BegunCopy(record, windowsDir, ini, print, path);
    for (int i = -1; !free && i < footprint::kSystemBakOthers; i++) {
        if (i < 0) {
            text::Copy(name, sizeof name, footprint::kSystemBak);
        } else {
            text::Format(name, sizeof name, footprint::kSystemBakOther, i);
        }
        free = text::Format(path, kBackupPath, "%s\\%s", windowsDir, name) && !plat::Exists(path);
    }
    if (!free) {
        return 0;
    }
    const char* named = path + text::Length(windowsDir) + 1;
    char size[kNumberField];
    char hash[kNumberField];
    text::Format(size, sizeof size, "%u", print.size);
    text::Format(hash, sizeof hash, "%u", print.hash);
    return record.Set(kRecordSystem, kRecordBackup, named) &&
           record.Set(kRecordSystem, kRecordBackupSize, size) &&
           record.Set(kRecordSystem, kRecordBackupHash, hash);
}
