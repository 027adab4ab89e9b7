// The registry half of the uninstall: the driver registration put back from
// the install record, and the application entries removed.
#include "footprint/footprint.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "record/install_record.h"
#include "uninstall/undo.h"

namespace {

const uint32_t kValueField = 256;  // values read here: up to 255 chars
using footprint::kClassPrefix;
using footprint::kNewSerialDevice;
using footprint::kNewSerialParent;
using footprint::SetupValue;
using footprint::ValueTable;
// Set by a record key that is missing, never by one that holds a text.
const char kAbsent[] = "\x01";

using footprint::kAppStartArg;
using footprint::kAppValue;
using footprint::kHandlerName;
using footprint::kServerKey;

bool SameExactly(const char* a, const char* b) {
    const char* p = a;
    const char* q = b;
    while (*p != 0 && *p == *q) {
        p++;
        q++;
    }
    return *p == *q;
}

bool StartsWith(const char* s, const char* prefix) {
    uint32_t n = text::Length(prefix);
    char head[kValueField];
    text::Copy(head, n + 1 < sizeof head ? n + 1 : sizeof head, s);
    return text::Length(s) >= n && text::SameNoCase(head, prefix);
}

// A text value into field (kValueField bytes); 0 when it is absent or does
// not fit (the field is then empty).
int ReadValue(plat::RegKey key, const char* name, char* field) {
    return footprint::ReadText(key, name, field, kValueField);
}

int WriteValue(plat::RegKey key, const char* name, const char* value) {
    return plat::RegSet(key, name, plat::kRegSz, value, text::Length(value)) == plat::kErrSuccess;
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

// The record's text for key in section, or kAbsent.
void ReadRecord(InstallRecord& record, const char* section, const char* key, char* out) {
    record.ReadInstallRecord(section, key, kAbsent, out, kValueField);
}

bool Absent(const char* recorded) {
    return SameExactly(recorded, kAbsent);
}

// A key open for the undo, with its path for the names the report gives.
struct OpenKey {
    plat::RegKey key;
    const char* path;
};

// One driver section of the record being undone: the mouse type whose word
// names it, what setup wrote ("" where not known), and the report.
struct SectionUndo {
    InstallRecord& record;
    int type;
    const StartupStrings& s;
    UndoReport* report;
};

// One value that setup overwrote: recorded is what stood before ("" for a
// value that was absent or empty), written what setup put there ("" when
// not known). Only a value that still holds setup's text is touched.
void RestoreValue(const OpenKey& at, const char* name, const char* recorded, const char* written,
                  UndoReport* report) {
    char current[kValueField];
    int present = ReadValue(at.key, name, current);
    if (recorded[0] != 0) {
        if (present && SameExactly(current, recorded)) {
            // Already back, or never changed. A recorded text equal to
            // setup's own may have come from a second setup over a value
            // that was absent before the first.
            if (written[0] != 0 && SameExactly(recorded, written)) {
                Leave(report, kLeftUnknown, at.path, name);
            }
            return;
        }
        if (written[0] != 0 && !(present && SameExactly(current, written))) {
            Leave(report, kLeftChanged, at.path, name);
            return;
        }
        if (!WriteValue(at.key, name, recorded)) {
            Leave(report, kLeftFailed, at.path, name);
            return;
        }
        report->changed = 1;
        return;
    }
    // An empty record stands for a value that was absent (Windows keeps no
    // empty descriptions), so setup's text is deleted, not emptied.
    if (!present || current[0] == 0) {
        return;
    }
    if (written[0] == 0 || !SameExactly(current, written)) {
        Leave(report, kLeftChanged, at.path, name);
        return;
    }
    if (plat::RegRemoveValue(at.key, name) != plat::kErrSuccess) {
        Leave(report, kLeftFailed, at.path, name);
        return;
    }
    report->changed = 1;
}

// Whether key holds setup's text in each value of table that tells setup's
// key from another (one whose text is not known passes); every: in each
// value of table, all known, and no other value.
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

// Whether the key at path has subkeys; a delete would take them along.
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

// Removes a class key that setup created; 1 when it is gone (or was).
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

// The class key of a section whose record names it (SubKey2).
// Who made the class key that the record names.
enum ClassOrigin {
    kClassExisted,       // it stood before setup: its values are put back
    kClassWasMissing,    // the device named it but it was missing: setup made it
    kClassEarlierSetup,  // an earlier setup made it; a later one recorded its values
};

// Who made the class key, by what the record kept of its texts: nothing
// (the key did not exist before setup), or each one setup's own (an
// earlier setup created it).
ClassOrigin ClassOriginOf(InstallRecord& record, int type, const StartupStrings& s) {
    const char* section = footprint::kMouseTypes[type].word;
    int texts = 0;
    int present = 0;
    int setupsOwn = 0;
    char recorded[kValueField];
    for (int i = 0; const SetupValue* v = footprint::KeptRow(footprint::kClassKey, i); i++) {
        if (v->kept != footprint::kKeptText) {
            continue;
        }
        texts++;
        ReadRecord(record, section, v->name, recorded);
        if (!Absent(recorded)) {
            present++;
            const char* written = footprint::ValueText(*v, s, type);
            if (written[0] != 0 && SameExactly(recorded, written)) {
                setupsOwn++;
            }
        }
    }
    return present == 0         ? kClassWasMissing
           : setupsOwn == texts ? kClassEarlierSetup
                                : kClassExisted;
}

void RestoreFlags(const OpenKey& device, const char* name, const char* recorded,
                  UndoReport* report);

// A text kept with a mark (MouseType); written is setup's text. Without a
// recorded text (an older record) whether setup's stood there before
// cannot be told: it stays, named.
void RestoreMarkedText(const OpenKey& at, const char* name, const char* recorded,
                       const char* written, UndoReport* report) {
    char value[kValueField];
    if (SameExactly(recorded, footprint::kRecordedUnknown) || Absent(recorded)) {
        if (ReadValue(at.key, name, value) && SameExactly(value, written)) {
            Leave(report, kLeftUnknown, at.path, name);
        }
        return;
    }
    // Recorded write-once, "-" for absent: a recorded text equal to
    // setup's was there before the first setup.
    const char* before = SameExactly(recorded, footprint::kRecordedAbsent) ? "" : recorded;
    bool back = before[0] != 0 && ReadValue(at.key, name, value) && SameExactly(value, before);
    if (!back) {
        RestoreValue(at, name, before, written, report);
    }
}

// Every value of table that the section keeps, put back in the order the
// record keeps them.
void RestoreKept(SectionUndo& u, const ValueTable& table, const OpenKey& at) {
    char recorded[kValueField];
    for (int i = 0; const SetupValue* v = footprint::KeptRow(table, i); i++) {
        ReadRecord(u.record, footprint::kMouseTypes[u.type].word, v->name, recorded);
        const char* written = footprint::ValueText(*v, u.s, u.type);
        if (v->source == footprint::kZeroBytes) {
            RestoreFlags(at, v->name, recorded, u.report);
        } else if (v->kept == footprint::kKeptMarked) {
            RestoreMarkedText(at, v->name, recorded, written, u.report);
        } else if (!Absent(recorded)) {
            RestoreValue(at, v->name, recorded, written, u.report);
        }
    }
}

ClassOrigin RestoreClassKey(SectionUndo& u, const char* path) {
    ClassOrigin origin = ClassOriginOf(u.record, u.type, u.s);
    if (origin != kClassExisted) {
        RemoveSetupClassKey(path, u.s, u.type, u.report);
        return origin;
    }
    OpenKey at = {nullptr, path};
    if (plat::RegOpen(plat::LocalMachine(), path, &at.key) != plat::kErrSuccess) {
        Leave(u.report, kLeftKey, path, nullptr);
        return origin;
    }
    RestoreKept(u, footprint::kClassKey, at);
    plat::RegClose(at.key);
    return origin;
}

// A device whose Driver value setup added, or whose class key an earlier
// setup created: the Driver value goes when it still names that key.
void RemoveAddedDriver(const OpenKey& device, const char* classPath, bool certain,
                       UndoReport* report) {
    const char* name = footprint::kValueDriver;
    char driver[kValueField];
    if (!ReadValue(device.key, name, driver)) {
        return;
    }
    char named[kValueField];
    footprint::ClassKeyPath(named, sizeof named, driver);
    if (classPath != nullptr && !text::SameNoCase(named, classPath)) {
        Leave(report, kLeftChanged, device.path, name);
        return;
    }
    if (!certain) {
        Leave(report, kLeftUnknown, device.path, name);
        return;
    }
    if (plat::RegRemoveValue(device.key, name) != plat::kErrSuccess) {
        Leave(report, kLeftFailed, device.path, name);
        return;
    }
    report->changed = 1;
}

// Whether n bytes are setup's flags.
bool SetupsFlags(const uint8_t* bytes, int n) {
    bool same = n == static_cast<int>(sizeof footprint::kZeroFlags);
    for (int i = 0; same && i < n; i++) {
        same = bytes[i] == footprint::kZeroFlags[i];
    }
    return same;
}

// Flags of a listed device, which setup sets to zero: put back from the
// record while they still hold setup's zero, removed when they were absent.
// An older record does not say: setup's zero is then listed.
void RestoreFlags(const OpenKey& device, const char* name, const char* recorded,
                  UndoReport* report) {
    uint8_t now[footprint::kMaxRecordedFlags];
    uint32_t type = 0;
    uint32_t got = sizeof now;
    if (plat::RegQuery(device.key, name, &type, now, &got) != plat::kErrSuccess) {
        return;
    }
    bool setups = type == plat::kRegBinary && SetupsFlags(now, static_cast<int>(got));
    uint8_t before[footprint::kMaxRecordedFlags];
    int n = Absent(recorded) ? -1
            : SameExactly(recorded, footprint::kRecordedAbsent)
                ? 0
                : footprint::BytesOfHex(recorded, before);
    if (n == static_cast<int>(got) && type == plat::kRegBinary) {
        bool same = true;
        for (int i = 0; i < n; i++) {
            same = same && before[i] == now[i];
        }
        if (same) {
            return;  // never changed, or back already
        }
    }
    if (!setups) {
        if (!Absent(recorded) && !SetupsFlags(before, n)) {
            Leave(report, kLeftChanged, device.path, name);
        }
        return;
    }
    if (n < 0) {
        Leave(report, kLeftUnknown, device.path, name);
        return;
    }
    long result =
        n == 0 ? plat::RegRemoveValue(device.key, name)
               : plat::RegSet(device.key, name, plat::kRegBinary, before, static_cast<uint32_t>(n));
    if (result != plat::kErrSuccess) {
        Leave(report, kLeftFailed, device.path, name);
        return;
    }
    report->changed = 1;
}

// The device's Driver, when setup added it (no class key recorded) or an
// earlier setup made the key it names.
void RemoveDriverOf(SectionUndo& u, const OpenKey& device, const char* classPath,
                    ClassOrigin origin) {
    if (classPath == nullptr) {
        // The device had no Driver: setup chose a class key name, wrote it
        // and created that key.
        char driver[kValueField];
        if (ReadValue(device.key, footprint::kValueDriver, driver)) {
            char path[kValueField];
            footprint::ClassKeyPath(path, sizeof path, driver);
            if (RemoveSetupClassKey(path, u.s, u.type, u.report)) {
                RemoveAddedDriver(device, nullptr, true, u.report);
            }
        }
    } else if (origin == kClassEarlierSetup) {
        // The key is gone; a Driver that named a missing key before setup
        // looks the same as one an earlier setup added.
        RemoveAddedDriver(device, classPath, false, u.report);
    }
}

void RestoreSection(SectionUndo& u) {
    const char* section = footprint::kMouseTypes[u.type].word;
    char devicePath[kValueField];
    char classPath[kValueField];
    ReadRecord(u.record, section, footprint::kRecordDeviceKey, devicePath);
    ReadRecord(u.record, section, footprint::kRecordClassKey, classPath);
    bool haveDevice = !Absent(devicePath) && StartsWith(devicePath, footprint::kEnumPrefix);
    bool haveClass = !Absent(classPath) && StartsWith(classPath, kClassPrefix);
    ClassOrigin origin = kClassExisted;
    if (haveClass) {
        origin = RestoreClassKey(u, classPath);
    }
    if (!haveDevice) {
        return;
    }
    plat::RegKey device;
    if (plat::RegOpen(plat::LocalMachine(), devicePath, &device) != plat::kErrSuccess) {
        Leave(u.report, kLeftKey, devicePath, nullptr);
        return;
    }
    // Setup registers mice only: a record naming another device (a damaged
    // one) never touches it.
    char deviceClass[kValueField];
    if (!ReadValue(device, footprint::kValueClass, deviceClass) ||
        !text::SameNoCase(deviceClass, footprint::kMouseClass)) {
        plat::RegClose(device);
        Leave(u.report, kLeftUnknown, devicePath, nullptr);
        return;
    }
    OpenKey at = {device, devicePath};
    RestoreKept(u, footprint::kListedDevice, at);
    RemoveDriverOf(u, at, haveClass ? classPath : nullptr, origin);
    plat::RegClose(device);
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

// Deletes a key that has no subkeys; a key that is already gone counts as
// done, one with subkeys (not setup's alone) stays and is reported.
void DeleteKey(plat::RegKey root, const char* path, UndoReport* report) {
    if (HasSubkeys(root, path)) {
        Leave(report, kLeftKey, path, nullptr);
        return;
    }
    long result = plat::RegRemoveKey(root, path);
    if (result == plat::kErrSuccess) {
        report->changed = 1;
    } else if (result != plat::kErrFileNotFound) {
        Leave(report, kLeftKey, path, nullptr);
    }
}

// The root-enumerated device that setup makes for an unlisted serial mouse.
// 1 when the device was there (setup's or not).
int RemoveNewSerialDevice(const StartupStrings& s, UndoReport* report) {
    plat::RegKey device;
    if (plat::RegOpen(plat::LocalMachine(), kNewSerialDevice, &device) != plat::kErrSuccess) {
        // A run stopped between the device's delete and its parent's.
        if (!KeyIsEmpty(plat::LocalMachine(), kNewSerialParent)) {
            return 0;
        }
        DeleteKey(plat::LocalMachine(), kNewSerialParent, report);
        return 1;
    }
    const int type = footprint::kTypeSerial;
    bool ours = HoldsSetupValues(device, footprint::kOwnDevice, s, type, false);
    char driver[kValueField];
    int haveDriver = ReadValue(device, footprint::kValueDriver, driver);
    plat::RegClose(device);
    if (!ours) {
        Leave(report, kLeftChanged, kNewSerialDevice, nullptr);
        return 1;
    }
    if (haveDriver && driver[0] != 0) {
        char path[kValueField];
        footprint::ClassKeyPath(path, sizeof path, driver);
        if (!RemoveSetupClassKey(path, s, type, report)) {
            return 1;
        }
    }
    DeleteKey(plat::LocalMachine(), kNewSerialDevice, report);
    if (KeyIsEmpty(plat::LocalMachine(), kNewSerialParent)) {
        DeleteKey(plat::LocalMachine(), kNewSerialParent, report);
    }
    return 1;
}

// Each setup for an unlisted serial mouse points the root device at a further
// new class key, so a repeated setup leaves the earlier ones behind. A key
// that holds exactly what setup writes into a new serial class key, and
// nothing else, is one of them.
bool IsOrphanSerialClass(const char* path, const StartupStrings& s) {
    plat::RegKey key;
    if (plat::RegOpen(plat::LocalMachine(), path, &key) != plat::kErrSuccess) {
        return false;
    }
    // Setup's values not known tell nothing.
    char name[kValueField];
    bool ours = HoldsSetupValues(key, footprint::kClassKey, s, footprint::kTypeSerial, true) &&
                plat::RegEnumSubkey(key, 0, name, sizeof name) == plat::kErrNoMoreItems;
    plat::RegClose(key);
    return ours;
}

void RemoveOrphanSerialClasses(const StartupStrings& s, UndoReport* report) {
    const int kMaxOrphans = 16;
    char orphans[kMaxOrphans][kValueField];
    int count = 0;
    const char* mousePath = footprint::kMouseClassKey;
    plat::RegKey mouse;
    if (plat::RegOpen(plat::LocalMachine(), mousePath, &mouse) != plat::kErrSuccess) {
        return;
    }
    char name[kValueField];
    for (uint32_t i = 0; count < kMaxOrphans &&
                         plat::RegEnumSubkey(mouse, i, name, sizeof name) == plat::kErrSuccess;
         i++) {
        char path[kValueField];
        text::Format(path, sizeof path, "%s\\%s", mousePath, name);
        if (IsOrphanSerialClass(path, s)) {
            text::Copy(orphans[count++], kValueField, path);
        }
    }
    plat::RegClose(mouse);
    for (int i = 0; i < count; i++) {
        DeleteKey(plat::LocalMachine(), orphans[i], report);
    }
}

}  // namespace

void AddLeftover(UndoReport* report, int kind, const char* subject) {
    if (report->count >= kMaxLeftovers) {
        report->dropped++;
        return;
    }
    Leftover& entry = report->leftovers[report->count++];
    entry.kind = kind;
    text::Copy(entry.subject, sizeof entry.subject, subject);
}

void RestoreDriverRegistration(InstallRecord& record, const StartupStrings& script,
                               UndoReport* report) {
    for (int type = 0; type < footprint::kMouseTypeCount; type++) {
        SectionUndo u = {record, type, script, report};
        RestoreSection(u);
    }
    // Setup records nothing for the root device it makes, so without a
    // record only that device is known.
    if (!RemoveNewSerialDevice(script, report) && !record.Exists()) {
        AddLeftover(report, kLeftNoRecord, record.Path());
    }
    RemoveOrphanSerialClasses(script, report);
}

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

namespace {

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
    long result = ours ? plat::RegRemoveValue(key, e.name) : plat::kErrFileNotFound;
    if (result == plat::kErrSuccess) {
        report->changed = 1;
    } else if (result != plat::kErrFileNotFound) {
        Leave(report, kLeftFailed, e.key, e.name != nullptr ? e.name : "");
    }
    plat::RegClose(key);
}

}  // namespace

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
