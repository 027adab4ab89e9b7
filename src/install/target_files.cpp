// The target files as they were before the first setup, and their shared
// counts: the uninstaller keeps what setup did not create.
#include "install/target_files.h"

#include "footprint/footprint.h"
#include "install/file_copy.h"
#include "model/setup_state.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "script/setup_script.h"

namespace {

// The uninstall list's spelling of the entry's target: "Install, dir\name",
// or "Windows, SYSTEM\name" for a target in or below the Windows directory.
// 0 when it has none (no name, or a directory cut to its 40 bytes).
int EntryKey(const SetupState& state, const FileEntry& e, char* key) {
    char rel[footprint::kFootprintPath];
    if (e.TargetName[0] == 0) {
        return 0;
    }
    const char* place = footprint::kPlaceInstall;
    const char* dir = e.TargetDir;
    if (e.Absolute == 1) {
        uint32_t n = text::Length(state.windowsDir);
        char head[sizeof e.TargetDir];
        text::Copy(head, sizeof head, e.TargetDir);
        if (n >= sizeof head) {
            return 0;
        }
        head[n] = 0;
        if (text::CompareNoCase(head, state.windowsDir) != 0 ||
            (e.TargetDir[n] != 0 && e.TargetDir[n] != '\\')) {
            return 0;
        }
        place = footprint::kPlaceWindows;
        dir = e.TargetDir[n] == 0 ? "" : e.TargetDir + n + 1;
    }
    int fits = dir[0] == 0 ? text::Copy(rel, sizeof rel, e.TargetName)
                           : text::Format(rel, sizeof rel, "%s\\%s", dir, e.TargetName);
    return fits && footprint::TargetKey(place, rel, key);
}

bool Recorded(const SetupState& state, const char* section, const char* key) {
    char kept[footprint::kFileRecordSize];
    return ReadInstallRecord(state.destDir, section, key, "", kept, sizeof kept)[0] != 0;
}

int RecordPath(const SetupState& state, char* path) {
    return text::Format(path, kPathSize, "%s\\%s", state.destDir, footprint::kRecordName);
}

// An install record that exists without [Files] was written by an older
// setup: the files it found are unknown, and this setup's answers would
// take the first one's files for the user's.
bool OlderRecord(const SetupState& state) {
    char path[kPathSize];
    return RecordPath(state, path) && plat::FileAttributes(path) != plat::kInvalidAttributes &&
           !Recorded(state, footprint::kRecordFiles, footprint::kRecordFilesAll);
}

void RecordFile(const SetupState& state, const char* key, const char* path) {
    footprint::FileRecord record = {};
    uint32_t attributes = plat::FileAttributes(path);
    record.existed =
        attributes != plat::kInvalidAttributes && (attributes & plat::kAttrDirectory) == 0;
    record.shared = text::Find(key, footprint::kPlaceWindows) == key;
    if (record.shared) {
        record.countState = footprint::ReadSharedCount(path, &record.count);
    }
    char value[footprint::kFileRecordSize];
    footprint::FileRecordText(record, value);
    RecordOriginalValue(state.destDir, footprint::kRecordFiles, key, value);
}

// One more user of a shared file: a count of 1 when it had none.
int RaiseSharedCount(const char* path) {
    uint32_t count = 0;
    int was = footprint::ReadSharedCount(path, &count);
    plat::RegKey key;
    if (was == footprint::kCountOther ||
        plat::RegCreate(plat::LocalMachine(), footprint::kSharedDlls, &key) != plat::kErrSuccess) {
        return 0;
    }
    count++;
    long result = plat::RegSet(key, path, plat::kRegDword, &count, sizeof count);
    plat::RegClose(key);
    return result == plat::kErrSuccess;
}

void CountSharedFile(const SetupState& state, const char* key, const char* path) {
    char kept[footprint::kFileRecordSize];
    footprint::FileRecord record;
    ReadInstallRecord(state.destDir, footprint::kRecordFiles, key, "", kept, sizeof kept);
    if (!footprint::ParseFileRecord(kept, &record) || !record.shared ||
        Recorded(state, footprint::kRecordCounted, key)) {
        return;
    }
    // Counted where others count it, or where the file was there already
    // (someone uses it); a file of setup's own without a count stays
    // uncounted, so the uninstaller may take it.
    bool counts = record.countState == footprint::kCountDword ||
                  (record.countState == footprint::kCountAbsent && record.existed);
    if (counts && RaiseSharedCount(path)) {
        RecordOriginalValue(state.destDir, footprint::kRecordCounted, key, "1");
        FlushInstallRecord(state.destDir);
    }
}

typedef void (*TargetStep)(const SetupState& state, const char* key, const char* path);

void ForEachTarget(const SetupState& state, TargetStep step) {
    for (int disk = 0; disk < state.diskCount; disk++) {
        for (int file = 0; file < state.diskFileCounts[disk]; file++) {
            char key[footprint::kFootprintPath];
            char path[kPathSize];
            if (EntryKey(state, state.diskFirstEntry[disk][file], key) &&
                BuildDestinationPath(state, disk, file, path)) {
                step(state, key, path);
            }
        }
    }
}

}  // namespace

void RecordTargetFiles(const SetupState& state) {
    // A record whose write an earlier run left between its renames is taken
    // whole first (and what it set aside goes), even when nothing new is
    // recorded now.
    RecoverInstallRecord(state.destDir);
    if (OlderRecord(state)) {
        return;
    }
    // The mark first: a flush torn after it leaves a record whose missing
    // entries the rerun adds.
    RecordOriginalValue(state.destDir, footprint::kRecordFiles, footprint::kRecordFilesAll, "1");
    ForEachTarget(state, RecordFile);
    // On the disk before the copy overwrites the first file.
    FlushInstallRecord(state.destDir);
    ForEachTarget(state, CountSharedFile);
}
