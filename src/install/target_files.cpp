// The target files as they were before the first setup, and their shared
// counts: the uninstaller keeps what setup did not create.
#include "install/target_files.h"

#include "footprint/footprint.h"
#include "install/next_start.h"
#include "install/plan_paths.h"
#include "model/setup_data.h"
#include "platform/files.h"
#include "platform/logbook.h"
#include "platform/registry.h"
#include "platform/same_path.h"
#include "platform/text.h"
#include "record/install_record.h"
#include "record/record_keys.h"

int TargetRecordKey(const char* windowsDir, const FileEntry& e, char* key) {
    char rel[text::kComposedPath];
    if (e.TargetName[0] == 0) {
        return 0;
    }
    int place = footprint::kInstallPlace;
    const char* dir = e.TargetDir;
    if (e.Absolute == 1) {
        uint32_t n = text::Length(windowsDir);
        char head[sizeof e.TargetDir];
        text::Copy(head, sizeof head, e.TargetDir);
        if (n >= sizeof head) {
            return 0;
        }
        head[n] = 0;
        if (text::CompareNoCase(head, windowsDir) != 0 ||
            (e.TargetDir[n] != 0 && e.TargetDir[n] != '\\')) {
            return 0;
        }
        place = footprint::kWindowsPlace;
        dir = e.TargetDir[n] == 0 ? "" : e.TargetDir + n + 1;
    }
    int fits = dir[0] == 0 ? text::Copy(rel, sizeof rel, e.TargetName)
                           : text::PathIn(rel, dir, e.TargetName);
    return fits && footprint::TargetEntry(place, rel, footprint::kRecordForm, key);
}

namespace {

bool Recorded(InstallRecord& record, const char* section, const char* key) {
    char kept[kFileRecordSize];
    return record.ReadInstallRecord(section, key, "", kept, sizeof kept)[0] != 0;
}

// An install record that exists without [Files] was written by an older
// setup: the files it found are unknown, and this setup's answers would
// take the first one's files for the user's.
bool OlderRecord(InstallRecord& record) {
    return record.Exists() && !Recorded(record, kRecordFiles, kRecordFilesAll);
}

bool SharedKey(const char* key) {
    return text::Find(key, footprint::kPlaceWindows) == key;
}

typedef int (*TargetStep)(InstallRecord& record, const InstallChoices& choices, const char* key,
                          const char* path);

// Every target of the plan with its record key; 0 once a step fails.
int ForEachTarget(const SetupScript& script, const InstallChoices& choices, InstallRecord& record,
                  TargetStep step) {
    for (int disk = 0; disk < script.diskCount; disk++) {
        for (int file = 0; file < script.diskFileCounts[disk]; file++) {
            char key[text::kComposedPath];
            char path[kPathSize];
            if (TargetRecordKey(choices.windowsDir, script.diskFirstEntry[disk][file], key) &&
                BuildDestinationPath(script, choices, disk, file, path) &&
                !step(record, choices, key, path)) {
                return 0;
            }
        }
    }
    return 1;
}

int RecordFile(InstallRecord& record, const InstallChoices& choices, const char* key,
               const char* path) {
    FileRecord found = {};
    uint32_t attributes = plat::FileAttributes(path);
    // A file WININIT.INI deletes at the next start is as good as gone.
    found.existed = attributes != plat::kInvalidAttributes &&
                    (attributes & plat::kAttrDirectory) == 0 &&
                    !DeletionWaits(choices.windowsDir, path);
    found.shared = SharedKey(key);
    if (found.shared) {
        found.countState = footprint::ReadSharedCount(path, &found.count);
    }
    char value[kFileRecordSize];
    FileRecordText(found, value);
    return record.RecordOriginalValue(kRecordFiles, key, value);
}

// The count set to target where it is still one short of it: the raise
// that the mark announces, made now or again after it was lost with the
// registry. A count at target (or changed by others since) is left.
void RaiseTo(const char* path, uint32_t target) {
    uint32_t count = 0;
    int state = footprint::ReadSharedCount(path, &count);
    bool shortOfIt = state == footprint::kCountDword
                         ? count + 1 == target
                         : state == footprint::kCountAbsent && target == 1;
    plat::RegKey key;
    if (!shortOfIt ||
        plat::RegCreate(plat::LocalMachine(), footprint::kSharedDlls, &key) != plat::kErrSuccess) {
        return;
    }
    logbook::Begin("SharedDLLs %s: count raised to %u", path, target);
    logbook::End(plat::RegSet(key, path, plat::kRegDword, &target, sizeof target) ==
                 plat::kErrSuccess);
    plat::RegClose(key);
}

int CountSharedFile(InstallRecord& record, const InstallChoices&, const char* key,
                    const char* path) {
    char kept[kFileRecordSize];
    FileRecord found;
    record.ReadInstallRecord(kRecordFiles, key, "", kept, sizeof kept);
    if (!ParseFileRecord(kept, &found) || !found.shared) {
        return 1;
    }
    // Counted where others count it, or where the file was there already
    // (someone uses it); a file of setup's own without a count stays
    // uncounted, so the uninstaller may take it.
    bool counts = found.countState == footprint::kCountDword ||
                  (found.countState == footprint::kCountAbsent && found.existed);
    char mark[kFileRecordSize];
    uint32_t target = 0;
    record.ReadInstallRecord(kRecordCounted, key, "", mark, sizeof mark);
    if (mark[0] == 0) {
        uint32_t count = 0;
        int state = footprint::ReadSharedCount(path, &count);
        // A count that would wrap, or a value of another kind, is left alone.
        if (!counts || state == footprint::kCountOther || count == 0xFFFFFFFFu) {
            return 1;
        }
        target = count + 1;
        char text[16];
        text::Format(text, sizeof text, "%u", target);
        if (!record.Set(kRecordCounted, key, text) || !record.Commit()) {
            return 0;
        }
    } else if (!ParseCount(mark, &target)) {
        return 1;
    }
    RaiseTo(path, target);
    return 1;
}

}  // namespace

int RecordTargetFiles(const SetupScript& script, const InstallChoices& choices,
                      InstallRecord& record) {
    // A record whose write an earlier run left between its renames is taken
    // whole first (and what it set aside goes), even when nothing new is
    // recorded now.
    record.Recover();
    if (!CarryEarlierRecord(script, choices, record)) {
        return 0;
    }
    if (OlderRecord(record)) {
        return 1;
    }
    // The log setup keeps, for the uninstaller to go on with.
    if (logbook::On() && !record.Set(kRecordLog, kRecordLogPath, logbook::Path())) {
        return 0;
    }
    // On the disk before the copy overwrites the first file.
    if (!record.RecordOriginalValue(kRecordFiles, kRecordFilesAll, "1") ||
        !ForEachTarget(script, choices, record, RecordFile) || !record.Commit()) {
        return 0;
    }
    return ForEachTarget(script, choices, record, CountSharedFile);
}

int DriverOnlyRecordDir(char* dir) {
    uint32_t attributes = footprint::RegisteredInstallDir(dir, kPathSize)
                              ? plat::FileAttributes(dir)
                              : plat::kInvalidAttributes;
    if (attributes == plat::kInvalidAttributes || (attributes & plat::kAttrDirectory) == 0) {
        return 0;
    }
    InstallRecord record;
    return record.Open(dir) && !record.Foreign();
}

namespace {

// The earlier installation whose record hands on its entries.
InstallRecord gEarlier;

int CarryFile(InstallRecord& record, const InstallChoices&, const char* key, const char*) {
    char value[kFileRecordSize];
    if (!SharedKey(key)) {
        return 1;
    }
    gEarlier.ReadInstallRecord(kRecordFiles, key, "", value, sizeof value);
    if (value[0] == 0 || !record.RecordOriginalValue(kRecordFiles, key, value)) {
        return value[0] == 0;
    }
    gEarlier.ReadInstallRecord(kRecordCounted, key, "", value, sizeof value);
    return value[0] == 0 || record.RecordOriginalValue(kRecordCounted, key, value);
}

int DropCarriedMark(InstallRecord& record, const InstallChoices&, const char* key, const char*) {
    char value[kFileRecordSize];
    if (!SharedKey(key) ||
        gEarlier.ReadInstallRecord(kRecordCounted, key, "", value, sizeof value)[0] == 0) {
        return 1;
    }
    (void)record;
    return gEarlier.Set(kRecordCounted, key, nullptr);
}

}  // namespace

int CarryEarlierRecord(const SetupScript& script, const InstallChoices& choices,
                       InstallRecord& record) {
    char dir[kPathSize];
    // The same folder spelled otherwise ("...\VELOR\", "...\.\VELOR", its
    // short name) is this installation's own. Another folder's record is
    // carried only when it is proven this product's; what a stop left of
    // this setup's own write there (the marks it takes away) is finished
    // first, and nothing of another program's is touched (Recover).
    if (!footprint::RegisteredInstallDir(dir, kPathSize) || fileio::SamePath(dir, record.Dir()) ||
        !gEarlier.Open(dir)) {
        return 1;
    }
    gEarlier.Recover();
    if (!gEarlier.Exists()) {
        return 1;
    }
    char value[kRecordValue];
    for (const footprint::MouseType& type : footprint::kMouseTypes) {
        const char* section = type.word;
        for (int i = 0; const char* key = RecordKey(i); i++) {
            gEarlier.ReadInstallRecord(section, key, "", value, sizeof value);
            if (value[0] != 0 && !record.RecordOriginalValue(section, key, value)) {
                return 0;
            }
        }
    }
    // What system.ini was, and the copy that keeps it: the switch-over was
    // the earlier installation's.
    const char* const systemKeys[] = {kRecordMouseLine, kRecordBackup, kRecordBackupSize,
                                      kRecordBackupHash};
    for (const char* key : systemKeys) {
        gEarlier.ReadInstallRecord(kRecordSystem, key, "", value, sizeof value);
        if (value[0] != 0 && !record.RecordOriginalValue(kRecordSystem, key, value)) {
            return 0;
        }
    }
    if (!OlderRecord(gEarlier) && !ForEachTarget(script, choices, record, CarryFile)) {
        return 0;
    }
    if (!record.Commit()) {
        return 0;
    }
    // The marks leave the earlier record only once this one holds them. Kept
    // there too (a record that cannot be written), they would only matter to
    // an uninstaller the registry no longer names.
    if (ForEachTarget(script, choices, record, DropCarriedMark)) {
        gEarlier.Commit();
    }
    return 1;
}
