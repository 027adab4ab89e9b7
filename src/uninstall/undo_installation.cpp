// The whole undo: its context opened once, the check that a folder is this
// product's installation, and the steps in their order.
#include "platform/files.h"
#include "platform/raw_file.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/wininit.h"
#include "record/record_keys.h"
#include "record/system_backup.h"
#include "uninstall/undo_internal.h"

using uninstall::SamePlace;

namespace {

// The restart's deletions and the install folder. In place, the folder's
// removal after that start is on the disk before WININIT.INI names its
// program, list and record: a cut between leaves all three for a rerun,
// never a folder nothing removes. From a copy, the list, the record and the
// program go last.
void FinishFolder(UndoContext& undo, UndoReport* report) {
    if (!undo.fromCopy) {
        RemoveInstallDirectory(undo, report);
    }
    if (!ScheduleRestartDeletes(undo.places.windowsDir, report)) {
        AddLeftover(report, kLeftFailed, footprint::kWininit);
    }
    if (undo.fromCopy) {
        RemoveInstallDirectory(undo, report);
    }
}

}  // namespace

int OpenUndo(UndoContext* undo, const UndoPlaces& places) {
    undo->places = places;
    undo->script = StartupStrings();
    undo->haveList = 0;
    undo->fromCopy = 0;
    undo->pageLibrary[0] = 0;
    undo->application[0] = 0;
    int record = undo->record.Open(places.installDir);
    undo->opened = undo->list.Open(places.installDir) &&
                   text::PathIn(undo->original, places.installDir, footprint::kUninstaller) &&
                   record;
    if (undo->opened) {
        undo->list.ReadStartup(&undo->script);
        undo->haveList = undo->list.NamesFiles();
        undo->fromCopy = !SamePlace(places.program, undo->original);
    }
    // Another folder registered (and there): the shared part is its own.
    uint32_t there = footprint::RegisteredInstallDir(undo->registered, sizeof undo->registered)
                         ? plat::FileAttributes(undo->registered)
                         : plat::kInvalidAttributes;
    if (there == plat::kInvalidAttributes || (there & plat::kAttrDirectory) == 0 ||
        SamePlace(undo->registered, places.installDir)) {
        undo->registered[0] = 0;
    }
    return undo->opened;
}

int HoldsInstallation(UndoContext& undo) {
    if (!undo.opened || !undo.haveList) {
        return 0;
    }
    static const char* const marks[][2] = {
        {kRecordFiles, kRecordFilesAll},
        {footprint::kRecordPs2, kRecordDeviceKey},
        {footprint::kRecordPs2, kRecordClassKey},
        {footprint::kRecordSerial, kRecordDeviceKey},
        {footprint::kRecordSerial, kRecordClassKey},
    };
    char value[kUndoPath];
    for (const auto& mark : marks) {
        if (undo.record.ReadInstallRecord(mark[0], mark[1], "", value, sizeof value)[0] != 0) {
            return 1;
        }
    }
    // Without a record (one the user deleted), the folder's own
    // UNINSTAL.EXE is the program the copy was made from.
    return undo.places.program != nullptr && fileio::StartOf(undo.original, undo.places.program, 1);
}

void UndoAsOriginal(UndoContext& undo) {
    undo.places.program = undo.original;
    undo.fromCopy = 0;
}

void UndoInstallation(UndoContext& undo, UndoReport* report) {
    const UndoPlaces& places = undo.places;
    if (!undo.opened) {
        AddLeftover(report, kLeftFailed, places.installDir);
        return;
    }
    // What a run cut off left of the record's or WININIT.INI's write first.
    undo.record.Recover();
    fileio::WininitRecover(places.windowsDir);
    if (undo.registered[0] != 0) {
        // Another folder's installation is the one Windows knows: it keeps
        // the registry, system.ini and the shared files, and says so.
        AddLeftover(report, kLeftRegistered, undo.registered);
        RemoveInstalledFiles(undo, report);
        FinishFolder(undo, report);
        return;
    }
    // The registry names the programs; read it before the entries go.
    ApplicationFiles(undo.pageLibrary, undo.application);
    RestoreDriverRegistration(undo.record, undo.script, report);
    RestoreSharedCounts(undo, report);
    RemoveApplicationEntries(report);
    // Windows 95/98 write the registry lazily: what was undone there must be
    // on the disk before the first file, the list or the record goes, or a
    // power cut would leave setup's registration naming files that are gone.
    if (plat::RegFlush(plat::LocalMachine()) != plat::kErrSuccess) {
        AddLeftover(report, kLeftFailed, "HKEY_LOCAL_MACHINE");
        return;
    }
    char line[16];
    undo.record.ReadInstallRecord(kRecordSystem, kRecordMouseLine, "", line, sizeof line);
    static char backup[kBackupPath];
    bool builtIn = text::SameNoCase(line, kLineBuiltIn);
    bool proven = !builtIn && ProvenBackup(undo.record, places.windowsDir, backup);
    RestoreSystemIni(places.windowsDir, places.systemDir, report, proven ? backup : nullptr,
                     builtIn);
    RemoveInstalledFiles(undo, report);
    FinishFolder(undo, report);
}
