// The application's registry entries undone by their origin (the footprint's
// kAppEntries, last written first), and the programs they name read before
// they go.
#include "platform/logbook.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "uninstall/undo_internal.h"

using uninstall::DeleteKey;
using uninstall::KeyIsEmpty;
using uninstall::kValueField;
using uninstall::Leave;
using uninstall::ReadValue;
using uninstall::SameExactly;

namespace {

using footprint::kAppStartArg;
using footprint::kAppValue;
using footprint::kServerKey;

// One application entry undone by its origin.
void RemoveAppEntry(const footprint::AppEntry& e, UndoReport* report) {
    plat::RegKey root =
        e.hive == footprint::kHiveClasses ? plat::ClassesRoot() : plat::LocalMachine();
    if (e.origin == footprint::kSetupsKey) {
        DeleteKey(root, e.key, report);
        return;
    }
    plat::RegKey key;
    if (plat::RegOpen(root, e.key, &key) != plat::kErrSuccess) {
        return;
    }
    // A fixed text goes only while it is still setup's; the Run value
    // names the program, which goes with the installation anyway.
    char value[kValueField];
    bool ours = e.source != footprint::kFixedText ||
                (ReadValue(key, e.name, value) && SameExactly(value, e.text));
    if (ours) {
        logbook::Begin("registry %s  %s: removed", e.key, e.name != nullptr ? e.name : "");
    }
    long result = ours ? plat::RegRemoveValue(key, e.name) : plat::kErrFileNotFound;
    if (ours) {
        logbook::End(result == plat::kErrSuccess || result == plat::kErrFileNotFound);
    }
    if (result == plat::kErrSuccess) {
        report->changed = 1;
    } else if (result != plat::kErrFileNotFound) {
        Leave(report, kLeftFailed, e.key, e.name != nullptr ? e.name : "");
    }
    plat::RegClose(key);
}

}  // namespace

void ApplicationFiles(char* pageLibrary, char* application) {
    pageLibrary[0] = 0;
    application[0] = 0;
    plat::RegKey key;
    if (plat::RegOpen(plat::ClassesRoot(), kServerKey, &key) == plat::kErrSuccess) {
        char value[kValueField];
        if (ReadValue(key, nullptr, value)) {
            text::Copy(pageLibrary, kUndoPath, value);
        }
        plat::RegClose(key);
    }
    if (plat::RegOpen(plat::LocalMachine(), footprint::kRunKey, &key) == plat::kErrSuccess) {
        char value[kValueField];
        if (ReadValue(key, kAppValue, value)) {
            // "...\Q7MAIN.EXE -startup": the program without its argument.
            uint32_t n = text::Length(value);
            uint32_t arg = text::Length(kAppStartArg);
            if (n > arg && text::SameNoCase(value + n - arg, kAppStartArg)) {
                value[n - arg] = 0;
            }
            text::Copy(application, kUndoPath, value);
        }
        plat::RegClose(key);
    }
}

void RemoveApplicationEntries(UndoReport* report) {
    // Last written first, so a key below another goes before it; the
    // Uninstall entry at the very end, so that an interrupted run can be
    // started again.
    for (int i = footprint::kAppEntryCount - 1; i >= 0; i--) {
        if (!SameExactly(footprint::kAppEntries[i].key, footprint::kUninstallKey)) {
            RemoveAppEntry(footprint::kAppEntries[i], report);
        }
    }
    // The keys above the handlers' key are left empty by setup's going when
    // setup created them: removed upward while empty. A key that a stopped
    // run removed already is passed.
    char path[kValueField];
    text::Copy(path, sizeof path, footprint::kHandlersKey);
    for (int depth = 0; depth < 4; depth++) {
        plat::RegKey key;
        if (plat::RegOpen(plat::LocalMachine(), path, &key) == plat::kErrSuccess) {
            plat::RegClose(key);
            if (!KeyIsEmpty(plat::LocalMachine(), path)) {
                break;
            }
            DeleteKey(plat::LocalMachine(), path, report);
        }
        char* cut = path + text::Length(path);
        while (cut > path && *cut != '\\') {
            cut--;
        }
        *cut = 0;
    }
    for (const footprint::AppEntry& e : footprint::kAppEntries) {
        if (SameExactly(e.key, footprint::kUninstallKey)) {
            RemoveAppEntry(e, report);
        }
    }
}
