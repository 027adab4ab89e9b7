// The list's folders, deepest first, and last the install folder: each
// removed once empty; one that still holds the user's files stays, named.
#include "platform/files.h"
#include "platform/logbook.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"
#include "uninstall/undo_internal.h"

using uninstall::AlreadyListed;
using uninstall::EntryPath;
using uninstall::RemoveDirectory;
using uninstall::SamePlace;

namespace {

// A directory whose every entry is a file that goes at the next start.
bool HoldsOnlyRestartFiles(const UndoReport* report, const char* dir) {
    char name[kUndoPath];
    plat::Find find = plat::FindFirst(dir, name, sizeof name);
    bool only = find != nullptr;
    while (only) {
        char path[kUndoPath];
        only = text::PathIn(path, dir, name) && AlreadyListed(report, path);
        if (!plat::FindNext(find, name, sizeof name)) {
            break;
        }
    }
    plat::FindEnd(find);
    return only;
}

// A folder (by its short path) goes after the next start: RunOnce has the
// command interpreter remove it once it is empty (rd leaves one that is
// not). Each folder has a value of its own (kAppValue, then with 2, 3, ...;
// a rerun finds its own again), on the disk at once, as Windows writes its
// registry lazily. Values run in the order made: the deepest first.
bool RemoveAfterStart(const char* shortPath) {
    char shell[kUndoPath];
    char command[2 * kUndoPath + 16];
    char name[32];
    char there[2 * kUndoPath + 16];
    plat::RegKey key;
    if (plat::CommandInterpreter(shell, sizeof shell) == 0 ||
        !text::Format(command, sizeof command, footprint::kRunOnceCommand, shell, shortPath) ||
        plat::RegCreate(plat::LocalMachine(), footprint::kRunOnceKey, &key) != plat::kErrSuccess) {
        return false;
    }
    bool free = false;
    for (int n = 1; n <= 9 && !free; n++) {
        text::Format(name, sizeof name, n == 1 ? "%s" : "%s%d", footprint::kAppValue, n);
        free = !footprint::ReadText(key, name, there, sizeof there) ||
               text::SameNoCase(there, command);
    }
    logbook::Note("folder %s: removed after the next start (RunOnce %s)", shortPath, name);
    bool ok = free &&
              plat::RegSet(key, name, plat::kRegSz, command, text::Length(command)) ==
                  plat::kErrSuccess &&
              plat::RegFlush(key) == plat::kErrSuccess;
    plat::RegClose(key);
    return ok;
}

}  // namespace

namespace uninstall {

void RemoveDirectory(UndoReport* report, const char* path, bool afterStart) {
    char shortPath[kUndoPath];
    if (plat::ShortPathName(path, shortPath, sizeof shortPath) == 0) {
        return;
    }
    if (plat::DirRemove(path)) {
        logbook::Note("folder %s: removed", path);
        report->changed = 1;
        // Its removal may reach the disk late: that start removes it too.
        if (afterStart) {
            RemoveAfterStart(shortPath);
        }
    } else if (!HoldsOnlyRestartFiles(report, path) || !RemoveAfterStart(shortPath)) {
        AddLeftover(report, kLeftDirectory, path);
    } else {
        report->changed = 1;
    }
}

void RemoveListedDirectories(const UndoPlaces& places, const UninstallList& list, bool afterStart,
                             UndoReport* report) {
    char entry[kUndoPath];
    int count = list.Count(UninstallList::kDirectories);
    ReportUnread(list, UninstallList::kDirectories, report);
    // Deepest first: a directory is listed after the one it lies in.
    for (int i = count; i >= 1; i--) {
        list.Entry(UninstallList::kDirectories, i, entry);
        char path[kUndoPath];
        if (!EntryPath(places, entry, true, path)) {
            AddLeftover(report, kLeftFailed, entry);
        } else if (!SamePlace(path, places.installDir)) {
            RemoveDirectory(report, path, afterStart);
        }
    }
}

}  // namespace uninstall

void RemoveInstallDirectory(UndoContext& undo, UndoReport* report) {
    if (!undo.opened) {
        return;
    }
    bool listed = false;
    char entry[kUndoPath];
    for (int i = 1;
         undo.haveList && !listed && undo.list.Entry(UninstallList::kDirectories, i, entry); i++) {
        char path[kUndoPath];
        listed =
            EntryPath(undo.places, entry, true, path) && SamePlace(path, undo.places.installDir);
    }
    if (undo.fromCopy) {
        // The list before the record: a rerun without the list still finds
        // the record's word on every file it keeps. The program last: while
        // it is there, a run cut short can be started again, and without a
        // list it still finishes here.
        // Another program's SETUP.INF stays whatever happens.
        const char* last[] = {undo.list.Path(), undo.record.Foreign() ? "" : undo.record.Path(),
                              undo.original};
        for (const char* path : last) {
            if (plat::FileDelete(path)) {
                report->changed = 1;
            } else if (plat::FileAttributes(path) != plat::kInvalidAttributes) {
                AddLeftover(report, kLeftFailed, path);
            }
        }
    }
    if (!undo.haveList) {
        // Reported as unlisted already; it goes only when nothing is left.
        if (plat::DirRemove(undo.places.installDir)) {
            report->changed = 1;
        }
    } else if (listed) {
        RemoveDirectory(report, undo.places.installDir, false);
    }
}
