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
const char kDevicePrefix[] = "Enum\\";
using footprint::kNewSerialDevice;
using footprint::kNewSerialParent;
const char kNewSerialDetect[] = "*:DETECTSERIALMOUSE";
using footprint::kClassLoader;
const char* const kSections[] = {footprint::kRecordPs2, footprint::kRecordSerial};
// Set by a record key that is missing, never by one that holds a text.
const char kAbsent[] = "\x01";

using footprint::kAppStartArg;
using footprint::kAppValue;
using footprint::kHandlerName;
using footprint::kServerKey;

bool Same(const char* a, const char* b) {
    return text::CompareNoCase(a, b) == 0 && text::Length(a) == text::Length(b);
}

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
    return text::Length(s) >= n && Same(head, prefix);
}

// A text value into field (kValueField bytes); 0 when it is absent or does
// not fit (the field is then empty).
int ReadValue(plat::RegKey key, const char* name, char* field) {
    text::Fill(field, 0, kValueField);
    uint32_t got = kValueField;
    if (plat::RegQuery(key, name, nullptr, field, &got) != plat::kErrSuccess ||
        field[kValueField - 1] != 0) {
        field[0] = 0;
        return 0;
    }
    return 1;
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

// One value that setup overwrote: recorded is what stood before ("" for a
// value that was absent or empty), written what setup put there ("" when
// not known). Only a value that still holds setup's text is touched.
void RestoreValue(plat::RegKey key, const char* keyPath, const char* name, const char* recorded,
                  const char* written, UndoReport* report) {
    char current[kValueField];
    int present = ReadValue(key, name, current);
    if (recorded[0] != 0) {
        if (present && SameExactly(current, recorded)) {
            // Already back, or never changed. A recorded text equal to
            // setup's own may have come from a second setup over a value
            // that was absent before the first.
            if (written[0] != 0 && SameExactly(recorded, written)) {
                Leave(report, kLeftUnknown, keyPath, name);
            }
            return;
        }
        if (written[0] != 0 && !(present && SameExactly(current, written))) {
            Leave(report, kLeftChanged, keyPath, name);
            return;
        }
        if (!WriteValue(key, name, recorded)) {
            Leave(report, kLeftFailed, keyPath, name);
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
        Leave(report, kLeftChanged, keyPath, name);
        return;
    }
    if (plat::RegRemoveValue(key, name) != plat::kErrSuccess) {
        Leave(report, kLeftFailed, keyPath, name);
        return;
    }
    report->changed = 1;
}

// Values setup writes into a class key, and what it wrote (from the script).
struct ClassValues {
    const char* names[5];
    const char* written[5];
};

ClassValues ClassValuesOf(const StartupStrings& s, const char* section) {
    bool serial = Same(section, "Serial");
    ClassValues v = {
        {footprint::kClassValues[0], footprint::kClassValues[1], footprint::kClassValues[2],
         footprint::kClassValues[3], footprint::kClassValues[4]},
        {s.MouseDriver, s.MouseInf, serial ? s.SeialName : s.PS2Name, s.DriverDate,
         serial ? s.SerialInfSection : s.PS2InfSection}};
    return v;
}

// A class key that holds what setup writes into one it creates.
bool HoldsSetupClass(plat::RegKey key, const StartupStrings& s, const char* typeWord) {
    char value[kValueField];
    if (!ReadValue(key, "DevLoader", value) || !SameExactly(value, kClassLoader)) {
        return false;
    }
    if (!ReadValue(key, "MouseType", value) || !SameExactly(value, typeWord)) {
        return false;
    }
    return s.MouseDriver[0] == 0 ||
           (ReadValue(key, "MouseDriver", value) && SameExactly(value, s.MouseDriver));
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
int RemoveSetupClassKey(const char* path, const StartupStrings& s, const char* typeWord,
                        UndoReport* report) {
    plat::RegKey key;
    if (plat::RegOpen(plat::LocalMachine(), path, &key) != plat::kErrSuccess) {
        return 1;
    }
    bool ours = HoldsSetupClass(key, s, typeWord);
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

ClassOrigin RestoreClassKey(InstallRecord& record, const char* section, const char* path,
                            const StartupStrings& s, UndoReport* report) {
    ClassValues v = ClassValuesOf(s, section);
    char recorded[5][kValueField];
    int present = 0;
    int setupsOwn = 0;
    for (int i = 0; i < 5; i++) {
        ReadRecord(record, section, v.names[i], recorded[i]);
        if (!Absent(recorded[i])) {
            present++;
            if (v.written[i][0] != 0 && SameExactly(recorded[i], v.written[i])) {
                setupsOwn++;
            }
        }
    }
    // Nothing recorded: the key did not exist before setup. Everything
    // recorded and all of it setup's own: an earlier setup created it.
    ClassOrigin origin = present == 0     ? kClassWasMissing
                         : setupsOwn == 5 ? kClassEarlierSetup
                                          : kClassExisted;
    if (origin != kClassExisted) {
        RemoveSetupClassKey(path, s, section, report);
        return origin;
    }
    plat::RegKey key;
    if (plat::RegOpen(plat::LocalMachine(), path, &key) != plat::kErrSuccess) {
        Leave(report, kLeftKey, path, nullptr);
        return origin;
    }
    for (int i = 0; i < 5; i++) {
        if (!Absent(recorded[i])) {
            RestoreValue(key, path, v.names[i], recorded[i], v.written[i], report);
        }
    }
    // Older records lack MouseType: whether setup's text stood there before
    // cannot be told.
    char type[kValueField];
    ReadRecord(record, section, footprint::kRecordMouseType, type);
    char value[kValueField];
    if (SameExactly(type, footprint::kRecordedUnknown)) {
        // An older record did not keep it: setup's text may be the earlier one.
        if (ReadValue(key, "MouseType", value) && SameExactly(value, section)) {
            Leave(report, kLeftUnknown, path, "MouseType");
        }
    } else if (!Absent(type)) {
        // Recorded write-once, "-" for absent: a recorded text equal to
        // setup's was there before the first setup.
        const char* before = SameExactly(type, footprint::kRecordedAbsent) ? "" : type;
        bool back =
            before[0] != 0 && ReadValue(key, "MouseType", value) && SameExactly(value, before);
        if (!back) {
            RestoreValue(key, path, "MouseType", before, section, report);
        }
    } else if (ReadValue(key, "MouseType", value) && SameExactly(value, section)) {
        Leave(report, kLeftUnknown, path, "MouseType");
    }
    plat::RegClose(key);
    return origin;
}

// A device whose Driver value setup added, or whose class key an earlier
// setup created: the Driver value goes when it still names that key.
void RemoveAddedDriver(plat::RegKey device, const char* devicePath, const char* classPath,
                       bool certain, UndoReport* report) {
    char driver[kValueField];
    if (!ReadValue(device, "Driver", driver)) {
        return;
    }
    char named[kValueField];
    text::Format(named, sizeof named, "%s%s", kClassPrefix, driver);
    if (classPath != nullptr && !Same(named, classPath)) {
        Leave(report, kLeftChanged, devicePath, "Driver");
        return;
    }
    if (!certain) {
        Leave(report, kLeftUnknown, devicePath, "Driver");
        return;
    }
    if (plat::RegRemoveValue(device, "Driver") != plat::kErrSuccess) {
        Leave(report, kLeftFailed, devicePath, "Driver");
        return;
    }
    report->changed = 1;
}

// ConfigFlags of a listed device, which setup sets to zero: put back from
// the record while it still holds setup's zero, removed when it was absent.
// An older record does not say: setup's zero is then listed.
void RestoreFlags(plat::RegKey device, const char* devicePath, const char* recorded,
                  UndoReport* report) {
    uint8_t now[footprint::kMaxRecordedFlags];
    uint32_t type = 0;
    uint32_t got = sizeof now;
    if (plat::RegQuery(device, "ConfigFlags", &type, now, &got) != plat::kErrSuccess) {
        return;
    }
    bool setups = type == plat::kRegBinary && got == 4 && now[0] == 0 && now[1] == 0 &&
                  now[2] == 0 && now[3] == 0;
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
        if (!Absent(recorded) &&
            !(n == 4 && before[0] == 0 && before[1] == 0 && before[2] == 0 && before[3] == 0)) {
            Leave(report, kLeftChanged, devicePath, "ConfigFlags");
        }
        return;
    }
    if (n < 0) {
        Leave(report, kLeftUnknown, devicePath, "ConfigFlags");
        return;
    }
    long result = n == 0 ? plat::RegRemoveValue(device, "ConfigFlags")
                         : plat::RegSet(device, "ConfigFlags", plat::kRegBinary, before,
                                        static_cast<uint32_t>(n));
    if (result != plat::kErrSuccess) {
        Leave(report, kLeftFailed, devicePath, "ConfigFlags");
        return;
    }
    report->changed = 1;
}

void RestoreSection(InstallRecord& record, const char* section, const StartupStrings& s,
                    UndoReport* report) {
    char devicePath[kValueField];
    char classPath[kValueField];
    ReadRecord(record, section, footprint::kRecordDeviceKey, devicePath);
    ReadRecord(record, section, footprint::kRecordClassKey, classPath);
    bool haveDevice = !Absent(devicePath) && StartsWith(devicePath, kDevicePrefix);
    bool haveClass = !Absent(classPath) && StartsWith(classPath, kClassPrefix);
    ClassOrigin origin = kClassExisted;
    if (haveClass) {
        origin = RestoreClassKey(record, section, classPath, s, report);
    }
    if (!haveDevice) {
        return;
    }
    plat::RegKey device;
    if (plat::RegOpen(plat::LocalMachine(), devicePath, &device) != plat::kErrSuccess) {
        Leave(report, kLeftKey, devicePath, nullptr);
        return;
    }
    // Setup registers mice only: a record naming another device (a damaged
    // one) never touches it.
    char deviceClass[kValueField];
    if (!ReadValue(device, "Class", deviceClass) || !Same(deviceClass, "Mouse")) {
        plat::RegClose(device);
        Leave(report, kLeftUnknown, devicePath, nullptr);
        return;
    }
    bool serial = Same(section, "Serial");
    char recorded[kValueField];
    ReadRecord(record, section, "DeviceDesc", recorded);
    if (!Absent(recorded)) {
        RestoreValue(device, devicePath, "DeviceDesc", recorded, serial ? s.SeialName : s.PS2Name,
                     report);
    }
    ReadRecord(record, section, "Mfg", recorded);
    if (!Absent(recorded)) {
        RestoreValue(device, devicePath, "Mfg", recorded, s.Mfg, report);
    }
    ReadRecord(record, section, footprint::kRecordConfigFlags, recorded);
    RestoreFlags(device, devicePath, recorded, report);
    if (!haveClass) {
        // The device had no Driver: setup chose a class key name, wrote it
        // and created that key.
        char driver[kValueField];
        if (ReadValue(device, "Driver", driver)) {
            char path[kValueField];
            text::Format(path, sizeof path, "%s%s", kClassPrefix, driver);
            if (RemoveSetupClassKey(path, s, section, report)) {
                RemoveAddedDriver(device, devicePath, nullptr, true, report);
            }
        }
    } else if (origin == kClassEarlierSetup) {
        // The key is gone; a Driver that named a missing key before setup
        // looks the same as one an earlier setup added.
        RemoveAddedDriver(device, devicePath, classPath, false, report);
    }
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
    char value[kValueField];
    bool ours = ReadValue(device, "DetFunc", value) && SameExactly(value, kNewSerialDetect) &&
                ReadValue(device, "Class", value) && SameExactly(value, "Mouse") &&
                (s.SeialName[0] == 0 ||
                 (ReadValue(device, "DeviceDesc", value) && SameExactly(value, s.SeialName)));
    char driver[kValueField];
    int haveDriver = ReadValue(device, "Driver", driver);
    plat::RegClose(device);
    if (!ours) {
        Leave(report, kLeftChanged, kNewSerialDevice, nullptr);
        return 1;
    }
    if (haveDriver && driver[0] != 0) {
        char path[kValueField];
        text::Format(path, sizeof path, "%s%s", kClassPrefix, driver);
        if (!RemoveSetupClassKey(path, s, "Serial", report)) {
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
    ClassValues v = ClassValuesOf(s, "Serial");
    for (const char* w : v.written) {
        if (w[0] == 0) {
            return false;  // setup's values are not known
        }
    }
    plat::RegKey key;
    if (plat::RegOpen(plat::LocalMachine(), path, &key) != plat::kErrSuccess) {
        return false;
    }
    bool ours = HoldsSetupClass(key, s, "Serial");
    char value[kValueField];
    for (int i = 0; ours && i < 5; i++) {
        ours = ReadValue(key, v.names[i], value) && SameExactly(value, v.written[i]);
    }
    char name[kValueField];
    ours = ours && plat::RegEnumValueName(key, 7, name, sizeof name) == plat::kErrNoMoreItems &&
           plat::RegEnumSubkey(key, 0, name, sizeof name) == plat::kErrNoMoreItems;
    plat::RegClose(key);
    return ours;
}

void RemoveOrphanSerialClasses(const StartupStrings& s, UndoReport* report) {
    const int kMaxOrphans = 16;
    char orphans[kMaxOrphans][kValueField];
    int count = 0;
    char mousePath[kValueField];
    text::Format(mousePath, sizeof mousePath, "%sMouse", kClassPrefix);
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

int ReadUninstallList(const char* listPath, StartupStrings* script) {
    struct Field {
        const char* key;
        char* out;
        uint32_t size;
    };
    const Field fields[] = {
        {"Title", script->Title, sizeof script->Title},
        {"Mfg", script->Mfg, sizeof script->Mfg},
        {"MouseDriver", script->MouseDriver, sizeof script->MouseDriver},
        {"MouseInf", script->MouseInf, sizeof script->MouseInf},
        {"DriverDate", script->DriverDate, sizeof script->DriverDate},
        {"PS2InfSection", script->PS2InfSection, sizeof script->PS2InfSection},
        {"SerialInfSection", script->SerialInfSection, sizeof script->SerialInfSection},
        {"PS2Name", script->PS2Name, sizeof script->PS2Name},
        {"SeialName", script->SeialName, sizeof script->SeialName},
    };
    for (const Field& f : fields) {
        plat::ProfileGetString("Startup", f.key, "", f.out, f.size, listPath);
    }
    char probe[8];
    return plat::ProfileGetString("Files", "1", kAbsent, probe, sizeof probe, listPath) > 0 &&
           !SameExactly(probe, kAbsent);
}

void RestoreDriverRegistration(InstallRecord& record, const StartupStrings& script,
                               UndoReport* report) {
    for (const char* section : kSections) {
        RestoreSection(record, section, script, report);
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
            if (n > arg && Same(value + n - arg, kAppStartArg)) {
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
