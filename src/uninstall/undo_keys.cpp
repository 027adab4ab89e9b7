// Registry keys and values as the undo reads and removes them: a text read
// whole or not at all, a key removed only without subkeys, and setup's own
// keys told by the values setup writes into them.
#include "platform/logbook.h"
#include "platform/text.h"
#include "uninstall/undo_internal.h"

namespace uninstall {

using footprint::SetupValue;
using footprint::ValueTable;

bool SameExactly(const char* a, const char* b) {
    const char* p = a;
    const char* q = b;
    while (*p != 0 && *p == *q) {
        p++;
        q++;
    }
    return *p == *q;
}

void ValueChanged(const OpenKey& at, const char* name, bool ok, UndoReport* report) {
    logbook::End(ok);
    if (ok) {
        report->changed = 1;
    } else {
        Leave(report, kLeftFailed, at.path, name);
    }
}

int ReadValue(plat::RegKey key, const char* name, char* field) {
    return footprint::ReadText(key, name, field, kValueField);
}

bool HasSubkeys(plat::RegKey root, const char* path) {
    plat::RegKey key;
    if (plat::RegOpen(root, path, &key) != plat::kErrSuccess) {
        return false;
    }
    char name[kValueField];
    bool has = plat::RegEnumSubkey(key, 0, name, sizeof name) != plat::kErrNoMoreItems;
    plat::RegClose(key);
    return has;
}

bool KeyIsEmpty(plat::RegKey root, const char* path) {
    plat::RegKey key;
    if (plat::RegOpen(root, path, &key) != plat::kErrSuccess) {
        return false;
    }
    char name[kValueField];
    bool empty = plat::RegEnumSubkey(key, 0, name, sizeof name) == plat::kErrNoMoreItems &&
                 plat::RegEnumValueName(key, 0, name, sizeof name) == plat::kErrNoMoreItems;
    plat::RegClose(key);
    return empty;
}

void DeleteKey(plat::RegKey root, const char* path, UndoReport* report) {
    if (HasSubkeys(root, path)) {
        Leave(report, kLeftKey, path, nullptr);
        return;
    }
    logbook::Begin("registry %s: key removed", path);
    long result = plat::RegRemoveKey(root, path);
    logbook::End(result == plat::kErrSuccess || result == plat::kErrFileNotFound);
    if (result == plat::kErrSuccess) {
        report->changed = 1;
    } else if (result != plat::kErrFileNotFound) {
        Leave(report, kLeftKey, path, nullptr);
    }
}

bool HoldsSetupValues(plat::RegKey key, const ValueTable& table, const StartupStrings& s, int type,
                      bool every) {
    char value[kValueField];
    for (int i = 0; i < table.count; i++) {
        const SetupValue& v = table.rows[i];
        const char* text = footprint::ValueText(v, s, type);
        if (!every && (!v.tells || text == nullptr || text[0] == 0)) {
            continue;
        }
        if (text == nullptr || text[0] == 0 || !ReadValue(key, v.name, value) ||
            !SameExactly(value, text)) {
            return false;
        }
    }
    return !every || plat::RegEnumValueName(key, static_cast<uint32_t>(table.count), value,
                                            sizeof value) == plat::kErrNoMoreItems;
}

int RemoveSetupClassKey(const char* path, const StartupStrings& s, int type, UndoReport* report) {
    plat::RegKey key;
    if (plat::RegOpen(plat::LocalMachine(), path, &key) != plat::kErrSuccess) {
        return 1;
    }
    bool ours = HoldsSetupValues(key, footprint::kClassKey, s, type, false);
    plat::RegClose(key);
    if (!ours) {
        Leave(report, kLeftChanged, path, nullptr);
        return 0;
    }
    if (HasSubkeys(plat::LocalMachine(), path) ||
        plat::RegRemoveKey(plat::LocalMachine(), path) != plat::kErrSuccess) {
        Leave(report, kLeftKey, path, nullptr);
        return 0;
    }
    report->changed = 1;
    return 1;
}

}  // namespace uninstall
