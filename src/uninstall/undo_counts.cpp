// The shared counts this installation raised, lowered once each: the count
// each lowering gives is on the disk in the record before any count
// changes.
#include "platform/logbook.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "record/record_keys.h"
#include "uninstall/undo_internal.h"

using uninstall::EntryPath;
using uninstall::FoundBefore;

namespace {

// The count the lowering of a raised count gives: from the record once
// known, else the count now less one, put in the record (staged) before the
// count changes. 0 when there is nothing to lower.
bool LoweringTarget(InstallRecord& record, const char* key, const char* path, uint32_t* target,
                    int* staged) {
    char text[kFileRecordSize];
    char counted[kFileRecordSize];
    if (record.ReadInstallRecord(kRecordCounted, key, "", counted, sizeof counted)[0] == 0) {
        return false;
    }
    if (record.ReadInstallRecord(kRecordLowered, key, "", text, sizeof text)[0] != 0) {
        return ParseCount(text, target) != 0;
    }
    uint32_t count = 0;
    if (footprint::ReadSharedCount(path, &count) != footprint::kCountDword || count == 0) {
        return false;
    }
    *target = count - 1;
    text::Format(text, sizeof text, "%u", *target);
    // Once a stage failed, the rest waits for a rerun.
    if (*staged < 0 || !record.Set(kRecordLowered, key, text)) {
        *staged = -1;
        return false;
    }
    *staged = 1;
    return true;
}

// The count set to target where it is still one above it: a lowering lost
// with the registry is made again, one made already is not made twice. A
// value that setup made goes at 0.
void LowerTo(const char* path, uint32_t target, bool setupsValue, UndoReport* report) {
    uint32_t count = 0;
    plat::RegKey key;
    if (footprint::ReadSharedCount(path, &count) != footprint::kCountDword || count != target + 1 ||
        plat::RegOpen(plat::LocalMachine(), footprint::kSharedDlls, &key) != plat::kErrSuccess) {
        return;
    }
    logbook::Begin("SharedDLLs %s: count lowered to %u%s", path, target,
                   target == 0 && setupsValue ? ", value removed" : "");
    long result = target == 0 && setupsValue
                      ? plat::RegRemoveValue(key, path)
                      : plat::RegSet(key, path, plat::kRegDword, &target, sizeof target);
    logbook::End(result == plat::kErrSuccess);
    plat::RegClose(key);
    if (result != plat::kErrSuccess) {
        AddLeftover(report, kLeftFailed, path);
        return;
    }
    report->changed = 1;
}

}  // namespace

void RestoreSharedCounts(UndoContext& undo, UndoReport* report) {
    if (!undo.opened) {
        return;
    }
    InstallRecord& record = undo.record;
    // Every target first, on the disk in one commit; then the counts.
    int staged = 0;
    char entry[kUndoPath];
    for (int pass = 0; pass < 2; pass++) {
        for (int i = 1; undo.list.Entry(UninstallList::kFiles, i, entry); i++) {
            char key[text::kComposedPath];
            char path[kUndoPath];
            FileRecord found;
            uint32_t target = 0;
            if (!EntryPath(undo.places, entry, false, path) ||
                !FoundBefore(record, entry, key, &found) || !found.shared ||
                !LoweringTarget(record, key, path, &target, &staged)) {
                continue;
            }
            if (pass == 1) {
                LowerTo(path, target, found.countState == footprint::kCountAbsent, report);
            }
        }
        if (pass == 0 && staged != 0 && (!record.Commit() || staged < 0)) {
            AddLeftover(report, kLeftFailed, record.Path());
            return;
        }
    }
}
