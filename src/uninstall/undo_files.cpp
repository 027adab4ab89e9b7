// The listed files removed: now, or at the next start when in use (the
// running program, the mouse driver, and run in place its list and the
// record); kept and named where the install record says a file was there
// before setup, does not know it, or others still count it.
#include "platform/files.h"
#include "platform/logbook.h"
#include "platform/text.h"
#include "record/pending_files.h"
#include "record/record_keys.h"
#include "script/setup_script.h"
#include "uninstall/undo_internal.h"

using uninstall::AtRestart;
using uninstall::EntryPath;
using uninstall::FoundBefore;
using uninstall::RemoveListedDirectories;
using uninstall::ReportUnread;
using uninstall::SamePlace;

namespace {

// Deletes a file now, or at the next start when it is in use.
void RemoveFile(UndoReport* report, const char* path) {
    uint32_t attributes = plat::FileAttributes(path);
    if (attributes == plat::kInvalidAttributes || (attributes & plat::kAttrDirectory) != 0) {
        return;
    }
    char shortPath[kUndoPath];
    bool named = plat::ShortPathName(path, shortPath, sizeof shortPath) != 0;
    logbook::Begin("file %s: removed", path);
    bool gone = plat::FileDelete(path);
    logbook::End(gone);
    if (!gone) {
        AtRestart(report, path);
        return;
    }
    report->changed = 1;
    if (named && report->goneFiles < kMaxGoneFiles) {
        text::Copy(report->goneList[report->goneFiles++], kUndoPath, shortPath);
    }
}

// The list entry's file as the install record found it before setup: kept
// and named when it was there, when the record does not know it (a record
// that lists every target), or when setup made it but a count remains.
// false when the file may go (setup made it) or the record does not tell
// (an older one).
bool KeptAsFound(InstallRecord& record, const char* entry, const char* path, UndoReport* report) {
    char key[text::kComposedPath];
    char all[4];
    FileRecord found;
    if (!FoundBefore(record, entry, key, &found)) {
        record.ReadInstallRecord(kRecordFiles, kRecordFilesAll, "", all, sizeof all);
        if (all[0] == 0) {
            return false;
        }
        if (plat::FileAttributes(path) != plat::kInvalidAttributes) {
            AddLeftover(report, kLeftNotRecorded, path);
        }
        return true;
    }
    uint32_t count = 0;
    int remains = found.shared ? footprint::ReadSharedCount(path, &count) : footprint::kCountAbsent;
    bool keep = found.existed || remains == footprint::kCountOther ||
                (remains == footprint::kCountDword && count > 0);
    if (keep && plat::FileAttributes(path) != plat::kInvalidAttributes) {
        AddLeftover(report, found.existed ? kLeftExisted : kLeftShared, path);
    }
    return keep;
}

// The list entry names a file of the install folder's own.
bool InInstallPlace(const char* entry) {
    char place[kUndoPath];
    SplitField(entry, place, sizeof place);
    return footprint::PlaceNamed(place) == footprint::kInstallPlace;
}

// What the record says waits for the entry's file at the next start,
// taken back (record/pending_files.h). 1 when nothing waits any more.
bool TakeBackWaiting(UndoContext& undo, const char* entry, const char* path) {
    char place[kUndoPath];
    char rel[kUndoPath];
    char key[footprint::kFootprintPath];
    SplitField(SplitField(entry, place, sizeof place), rel, sizeof rel);
    return !TargetKey(place, rel, key) ||
           TakeBackPending(undo.record, key, path, undo.places.windowsDir);
}

}  // namespace

namespace uninstall {

bool FoundBefore(InstallRecord& record, const char* entry, char* key, FileRecord* found) {
    char place[kUndoPath];
    char rel[kUndoPath];
    SplitField(SplitField(entry, place, sizeof place), rel, sizeof rel);
    char kept[kFileRecordSize];
    return TargetKey(place, rel, key) &&
           record.ReadInstallRecord(kRecordFiles, key, "", kept, sizeof kept)[0] != 0 &&
           ParseFileRecord(kept, found);
}

}  // namespace uninstall

void RemoveInstalledFiles(UndoContext& undo, UndoReport* report) {
    if (!undo.opened) {
        return;
    }
    if (!undo.haveList) {
        RemoveFile(report, undo.pageLibrary);
        RemoveFile(report, undo.application);
        AddLeftover(report, kLeftUnlisted, undo.places.installDir);
    } else {
        char entry[kUndoPath];
        for (int i = 1; undo.list.Entry(UninstallList::kFiles, i, entry); i++) {
            char path[kUndoPath];
            if (!EntryPath(undo.places, entry, false, path)) {
                AddLeftover(report, kLeftFailed, entry);
                continue;
            }
            // With another folder registered, its shared files are its own.
            if (undo.registered[0] != 0 && !InInstallPlace(entry)) {
                continue;
            }
            // A new text still waiting to take the file's place at the
            // next start is taken back first.
            if (!TakeBackWaiting(undo, entry, path)) {
                AddLeftover(report, kLeftFailed, path);
                continue;
            }
            // The uninstaller, its list and the record go last: now when
            // run from a copy, else at the next start; the loaded driver
            // cannot go before.
            bool last = SamePlace(path, undo.original) || SamePlace(path, undo.list.Path()) ||
                        SamePlace(path, undo.record.Path());
            const char* driver = undo.script.MouseDriver;
            bool atRestart = (last && !undo.fromCopy) || SamePlace(path, undo.places.program) ||
                             (driver[0] != 0 && text::SameNoCase(text::NameOf(path), driver));
            if ((last && undo.fromCopy) ||
                (!last && KeptAsFound(undo.record, entry, path, report))) {
                continue;
            }
            if (atRestart) {
                AtRestart(report, path);
            } else {
                RemoveFile(report, path);
            }
        }
        ReportUnread(undo.list, UninstallList::kFiles, report);
    }
    AtRestart(report, undo.places.program);
    if (!undo.fromCopy) {
        AtRestart(report, undo.list.Path());
        // Another program's SETUP.INF stays whatever happens.
        if (!undo.record.Foreign()) {
            AtRestart(report, undo.record.Path());
        }
    }
    if (undo.haveList) {
        RemoveListedDirectories(undo.places, undo.list, !undo.fromCopy, report);
    }
}
