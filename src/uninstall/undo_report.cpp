// The report: what stays and why, and the files left for the next start.
#include "platform/files.h"
#include "platform/logbook.h"
#include "platform/text.h"
#include "uninstall/undo_internal.h"

namespace uninstall {

bool AlreadyListed(const UndoReport* report, const char* path) {
    for (int i = 0; i < report->restartFiles; i++) {
        if (text::SameNoCase(report->restartList[i], path)) {
            return true;
        }
    }
    return false;
}

void AtRestart(UndoReport* report, const char* path) {
    if (plat::FileAttributes(path) == plat::kInvalidAttributes || AlreadyListed(report, path)) {
        return;
    }
    if (report->restartFiles >= kMaxRestartFiles) {
        AddLeftover(report, kLeftFailed, path);
        return;
    }
    logbook::Note("file %s: removed at the next start", path);
    text::Copy(report->restartList[report->restartFiles++], kUndoPath, path);
}

void ReportUnread(const UninstallList& list, int section, UndoReport* report) {
    if (list.GoesOn(section)) {
        char subject[kLeftoverSize];
        text::Format(subject, sizeof subject, "%s [%s] %d-", list.Path(),
                     UninstallList::SectionName(section), footprint::kMaxListEntries + 1);
        AddLeftover(report, kLeftFailed, subject);
    }
}

void Leave(UndoReport* report, int kind, const char* keyPath, const char* name) {
    char subject[kLeftoverSize];
    if (name != nullptr) {
        text::Format(subject, sizeof subject, "%s  %s", keyPath, name[0] ? name : "(default)");
    } else {
        text::Copy(subject, sizeof subject, keyPath);
    }
    AddLeftover(report, kind, subject);
}

}  // namespace uninstall

void AddLeftover(UndoReport* report, int kind, const char* subject) {
    if (report->count >= kMaxLeftovers) {
        report->dropped++;
        return;
    }
    Leftover& entry = report->leftovers[report->count++];
    entry.kind = kind;
    text::Copy(entry.subject, sizeof entry.subject, subject);
}
