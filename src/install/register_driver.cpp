// Registration of the mouse application and of the mouse driver in the
// Windows 95/98 device registry. The install record keeps the first-seen
// value of everything overwritten here, on the disk before it changes.
#include "install/register_driver.h"

#include "footprint/footprint.h"
#include "model/setup_data.h"
#include "platform/logbook.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"
#include "record/install_record.h"
#include "record/record_keys.h"

namespace {

const uint32_t kPathField = 80;         // key paths, and texts read that name keys: up to 79 chars
const uint32_t kClassPathField = 128;   // class key paths: up to 127 chars
const uint32_t kValueField = 80;        // values read back before they are overwritten
const uint32_t kNameField = 80;         // subkey names while enumerating
const uint32_t kHardwareKeyRead = 128;  // HardWareKey values of the device list

using footprint::kNewSerialDevice;
using footprint::ReadText;
using footprint::SetupValue;
using footprint::ValueTable;
const char kProbeDevice[] = "\\\\.\\VLMOUSE";

// Table order matters: the PS/2 search stops at the first id found.
const char* const kPs2Ids[] = {"BIOS\\*PNP0F13\\", "BIOS\\*PNP0F0E\\", "ROOT\\*PNP0F0E\\"};
const char* const kSerialIds[] = {"ROOT\\*PNP0F0C\\", "SERENUM\\VLR4417\\"};

// One registration: what it works on and how its writes went. A write
// that fails does not stop the rest; a record that cannot be written stops
// every overwrite that would need it.
struct Registration {
    const StartupStrings& startup;  // the script's [Startup] texts
    const InstallChoices& choices;
    InstallRecord& record;
    int writeFailed;   // a registry write failed
    int recordFailed;  // the record could not be written: nothing was overwritten since
    int type;          // footprint::MouseTypeId registered; its word names the record section
};

// Text values go in without their terminating zero, as the Windows 95
// device installer writes them.
void SetText(Registration& r, plat::RegKey key, const char* name, const char* value) {
    if (logbook::On()) {
        char old[kValueField];
        bool was = ReadText(key, name, old, sizeof old);
        logbook::Begin("  %s: %s%s%s -> \"%s\"",
                       name != nullptr && name[0] != 0 ? name : "(default)", was ? "\"" : "",
                       was ? old : "absent", was ? "\"" : "", value);
    }
    int ok = plat::RegSet(key, name, plat::kRegSz, value, text::Length(value)) == plat::kErrSuccess;
    logbook::End(ok);
    r.writeFailed |= !ok;
}

void SetFlags(Registration& r, plat::RegKey key, const char* name) {
    logbook::Begin("  %s -> 00 00 00 00", name);
    int ok = plat::RegSet(key, name, plat::kRegBinary, footprint::kZeroFlags,
                          sizeof footprint::kZeroFlags) == plat::kErrSuccess;
    logbook::End(ok);
    r.writeFailed |= !ok;
}

// The key whose values the next lines of the log are.
void LogKey(plat::RegKey root, const char* path) {
    logbook::Note("registry %s\\%s", root == plat::ClassesRoot() ? "HKCR" : "HKLM", path);
}

// One value of a footprint table; driver is the class key chosen for a
// device that had none (null: the device keeps its own).
void SetValue(Registration& r, plat::RegKey key, const SetupValue& v, const char* driver) {
    if (v.source == footprint::kZeroBytes) {
        SetFlags(r, key, v.name);
    } else if (v.source != footprint::kChosenClassKey) {
        SetText(r, key, v.name, footprint::ValueText(v, r.startup, r.type));
    } else if (driver != nullptr) {
        SetText(r, key, v.name, driver);
    }
}

// Every value of table, in its order.
void SetValues(Registration& r, plat::RegKey key, const ValueTable& table, const char* driver) {
    for (int i = 0; i < table.count; i++) {
        SetValue(r, key, table.rows[i], driver);
    }
}

// A key setup writes into: created or opened, or the failure noted.
long CreateForWriting(Registration& r, plat::RegKey root, const char* path, plat::RegKey* key) {
    LogKey(root, path);
    long result = plat::RegCreate(root, path, key);
    if (result != plat::kErrSuccess) {
        r.writeFailed = 1;
    }
    return result;
}

// destDir followed by name, or 0 when it does not fit an entry's field.
int DestPath(const InstallChoices& choices, char* out, const char* name) {
    return text::Format(out, footprint::kAppTextField, "%s%s", choices.destDir, name);
}

// The application entries, each key created or opened; one that cannot be
// is skipped, and so is a value whose text does not fit the entry's field
// (the display name goes through the same field as the paths).
void WriteApplicationEntries(Registration& r) {
    char composed[footprint::kAppTextField];
    for (const footprint::AppEntry& e : footprint::kAppEntries) {
        plat::RegKey root =
            e.hive == footprint::kHiveClasses ? plat::ClassesRoot() : plat::LocalMachine();
        plat::RegKey key;
        if (CreateForWriting(r, root, e.key, &key) != plat::kErrSuccess) {
            continue;
        }
        int fits = e.source == footprint::kFixedText ? text::Copy(composed, sizeof composed, e.text)
                   : e.source == footprint::kInInstallDir
                       ? DestPath(r.choices, composed, e.text)
                       : text::Copy(composed, sizeof composed, r.startup.Title);
        if (fits) {
            SetText(r, key, e.name, composed);
        }
        plat::RegClose(key);
    }
}

// The record section the registration keeps what it overwrites in.
const char* Section(const Registration& r) {
    return footprint::kMouseTypes[r.type].word;
}

void Record(Registration& r, const char* key, const char* value) {
    if (!r.record.RecordOriginalValue(Section(r), key, value)) {
        r.recordFailed = 1;
    }
}

// A section an older setup recorded without this entry: what stood there
// before the first setup is unknown, and what stands now is setup's own.
bool UnknownBefore(Registration& r, bool olderSection, const char* name) {
    char kept[kValueField];
    if (!olderSection ||
        r.record.ReadInstallRecord(Section(r), name, "", kept, sizeof kept)[0] != 0) {
        return false;
    }
    Record(r, name, kRecordedUnknown);
    return true;
}

// Keeps a text value before setup overwrites it: its text, "-" when it was
// absent (an empty record entry would be taken by a second setup, which
// finds its own text there), "?" when it cannot be read whole (the
// uninstall then leaves it and says so).
void RecordText(Registration& r, plat::RegKey key, const char* name) {
    char text[kValueField];
    uint32_t size = sizeof text;
    if (ReadText(key, name, text, sizeof text)) {
        Record(r, name, text[0] != 0 ? text : kRecordedAbsent);
    } else {
        bool absent = plat::RegQuery(key, name, nullptr, text, &size) == plat::kErrFileNotFound;
        Record(r, name, absent ? kRecordedAbsent : kRecordedUnknown);
    }
}

// An older setup kept an absent text as an empty entry: it stays, or a
// second setup would keep its own text in its place.
bool KeptEmpty(Registration& r, const char* name) {
    char kept[4];
    return r.record.ReadInstallRecord(Section(r), name, "?", kept, sizeof kept)[0] == 0;
}

// Keeps a binary value in the install record before setup overwrites it:
// its bytes in hex, "-" when it was absent, "?" when it is not a short binary
// value (the uninstall then leaves it and says so).
void RecordFlags(Registration& r, plat::RegKey key, const char* name) {
    uint8_t bytes[kMaxRecordedFlags];
    uint32_t type = 0;
    uint32_t got = sizeof bytes;
    char kept[2 * kMaxRecordedFlags + 1];
    long result = plat::RegQuery(key, name, &type, bytes, &got);
    if (result == plat::kErrFileNotFound) {
        text::Copy(kept, sizeof kept, kRecordedAbsent);
    } else if (result != plat::kErrSuccess || type != plat::kRegBinary) {
        text::Copy(kept, sizeof kept, kRecordedUnknown);
    } else {
        HexOf(bytes, got, kept);
    }
    Record(r, name, kept);
}

// Keeps value of key as the footprint says (nothing for setup's own).
// olderSection: the section was recorded by an older setup, which kept no
// marked values.
void RecordRow(Registration& r, plat::RegKey key, const SetupValue& v, bool olderSection) {
    if (v.kept == footprint::kKeptText) {
        if (!KeptEmpty(r, v.name)) {
            RecordText(r, key, v.name);
        }
    } else if (v.kept == footprint::kKeptMarked && !UnknownBefore(r, olderSection, v.name)) {
        if (v.source == footprint::kZeroBytes) {
            RecordFlags(r, key, v.name);
        } else {
            RecordText(r, key, v.name);
        }
    }
}

// Keeps the class key's values, in the order the record reads them back.
void RecordClassValues(Registration& r, plat::RegKey key, bool olderSection) {
    for (int i = 0; const SetupValue* v = footprint::KeptRow(footprint::kClassKey, i); i++) {
        RecordRow(r, key, *v, olderSection);
    }
}

// Puts what was recorded on the disk; 0 (and the failure noted) when it
// cannot be: the values it keeps must then stay as they are.
bool Committed(Registration& r) {
    if (!r.recordFailed && r.record.Commit()) {
        return true;
    }
    r.recordFailed = 1;
    return false;
}

// Everything the registration of a listed device records, on the disk
// before any of it changes. Leaves the device's Driver text in driver
// (kPathField bytes); 0 when the record could not be written.
bool RecordListedDevice(Registration& r, plat::RegKey device, const char* devicePath,
                        char* driver) {
    // An older setup recorded this section without ConfigFlags and MouseType.
    char kept[kValueField];
    bool olderSection =
        r.record.ReadInstallRecord(Section(r), kRecordDeviceKey, "", kept, sizeof kept)[0] != 0;
    Record(r, kRecordDeviceKey, devicePath);
    for (int i = 0; i < footprint::kListedDevice.count; i++) {
        RecordRow(r, device, footprint::kListedDevice.rows[i], olderSection);
    }
    ReadText(device, footprint::kValueDriver, driver, kPathField);
    char path[kClassPathField];
    plat::RegKey key;
    if (driver[0] != 0 && footprint::ClassKeyPath(path, sizeof path, driver)) {
        Record(r, kRecordClassKey, path);
        if (plat::RegOpen(plat::LocalMachine(), path, &key) == plat::kErrSuccess) {
            RecordClassValues(r, key, olderSection);
            plat::RegClose(key);
        }
    }
    return Committed(r);
}

void UpdateClassKey(Registration& r, const char* driver);
void CreateClassKey(Registration& r, const char* driver);

// A device that the Configuration Manager lists, with its HardWareKey text.
void RegisterListedDevice(Registration& r, int type, char* hardwareKey) {
    r.type = type;
    char path[kPathField];
    // An empty text is what FindHardwareKey leaves for a match too long for
    // its field; neither it nor a path cut short names the device key.
    if (hardwareKey[0] == 0 ||
        !text::Format(path, sizeof path, "%s%s", footprint::kEnumPrefix, hardwareKey)) {
        return;
    }
    plat::RegKey device;
    LogKey(plat::LocalMachine(), path);
    if (plat::RegOpen(plat::LocalMachine(), path, &device) != plat::kErrSuccess) {
        return;
    }
    // The field that held the HardWareKey text now takes the Driver text.
    char* driver = hardwareKey;
    if (!RecordListedDevice(r, device, path, driver)) {
        plat::RegClose(device);
        return;
    }
    // A device without a Driver gets the first free class key, made now.
    bool chosen = driver[0] == 0;
    if (chosen) {
        NextMouseClassKey(driver);
    }
    SetValues(r, device, footprint::kListedDevice, chosen ? driver : nullptr);
    if (chosen) {
        CreateClassKey(r, driver);
    } else {
        UpdateClassKey(r, driver);
    }
    plat::RegClose(device);
}

// A serial mouse that no enumerator lists gets a root device of its own.
// Nothing of it stood before, so nothing is recorded.
void RegisterNewSerialDevice(Registration& r) {
    r.type = footprint::kTypeSerial;
    plat::RegKey device;
    if (CreateForWriting(r, plat::LocalMachine(), kNewSerialDevice, &device) != plat::kErrSuccess) {
        return;
    }
    // The device is setup's own: a rerun (after a power cut, or a second
    // setup) keeps the class key it names instead of leaving it behind.
    char driver[kPathField];
    bool chosen =
        !ReadText(device, footprint::kValueDriver, driver, sizeof driver) || driver[0] == 0;
    if (chosen) {
        NextMouseClassKey(driver);
    }
    SetValues(r, device, footprint::kOwnDevice, chosen ? driver : nullptr);
    CreateClassKey(r, driver);
    plat::RegClose(device);
}

int ClassPath(char* out, const char* driver) {
    return footprint::ClassKeyPath(out, kClassPathField, driver);
}

}  // namespace

int FindHardwareKey(const char* id, char* out) {
    plat::RegKey list;
    if (plat::RegOpen(plat::DynData(), footprint::kDeviceList, &list) != plat::kErrSuccess) {
        return 0;
    }
    int found = 0;
    char name[kNameField];
    char hardwareKey[kHardwareKeyRead];
    for (uint32_t index = 0;; index++) {
        // A name too long for the field ends the search, like the end of the list.
        if (plat::RegEnumSubkey(list, index, name, sizeof name) != plat::kErrSuccess) {
            break;
        }
        plat::RegKey device;
        if (plat::RegOpen(list, name, &device) != plat::kErrSuccess) {
            continue;
        }
        int read = ReadText(device, footprint::kHardwareKey, hardwareKey, sizeof hardwareKey);
        plat::RegClose(device);
        if (!read || text::Find(hardwareKey, id) == nullptr) {
            continue;
        }
        // Later matches win. A text too long for out is reported found but
        // left empty, so the caller sees the device without a usable key.
        if (!text::Copy(out, kPathField, hardwareKey)) {
            out[0] = 0;
        }
        found = 1;
    }
    plat::RegClose(list);
    return found;
}

int NextMouseClassKey(char* out) {
    int previous = -1;
    int last = -1;
    plat::RegKey mouse;
    if (plat::RegOpen(plat::LocalMachine(), footprint::kMouseClassKey, &mouse) ==
        plat::kErrSuccess) {
        char name[kNameField];
        for (uint32_t index = 0;; index++) {
            if (plat::RegEnumSubkey(mouse, index, name, sizeof name) != plat::kErrSuccess) {
                break;
            }
            // Names are read as 16-bit numbers, in the registry's own order.
            int n = static_cast<int16_t>(text::ToInt(name));
            last = n;
            if (n - previous > 1) {
                last = previous;
                break;
            }
            previous = last;
        }
        plat::RegClose(mouse);
    }
    text::Format(out, kPathField, footprint::kClassKeyFormat, last + 1);
    return 1;
}

namespace {

void UpdateClassKey(Registration& r, const char* driver) {
    char path[kClassPathField];
    if (!ClassPath(path, driver)) {
        return;
    }
    plat::RegKey key;
    LogKey(plat::LocalMachine(), path);
    long opened = plat::RegOpen(plat::LocalMachine(), path, &key);
    Record(r, kRecordClassKey, path);
    if (!Committed(r)) {
        if (opened == plat::kErrSuccess) {
            plat::RegClose(key);
        }
        return;
    }
    if (opened != plat::kErrSuccess) {
        CreateClassKey(r, driver);
        return;
    }
    // Recorded with the device, on the disk before the first one changes;
    // a key the device did not name before is recorded now.
    RecordClassValues(r, key, false);
    if (Committed(r)) {
        for (int i = 0; const SetupValue* v = footprint::KeptRow(footprint::kClassKey, i); i++) {
            SetValue(r, key, *v, nullptr);
        }
    }
    plat::RegClose(key);
}

void CreateClassKey(Registration& r, const char* driver) {
    char path[kClassPathField];
    if (!ClassPath(path, driver)) {
        return;
    }
    plat::RegKey key;
    if (CreateForWriting(r, plat::LocalMachine(), path, &key) != plat::kErrSuccess) {
        return;
    }
    SetValues(r, key, footprint::kClassKey, nullptr);
    plat::RegClose(key);
}

void RegisterDriverParts(Registration& r, RegisterScope scope) {
    // Nothing is registered that the record could not keep: a record that
    // cannot be written (a full disk, a write-protected floppy) stops the
    // registration before its first write.
    r.record.Recover();
    if (!r.record.Touch()) {
        r.recordFailed = 1;
        return;
    }
    if (scope == RegisterScope::Full) {
        WriteApplicationEntries(r);
    }
    // The device answers when the mouse driver is already loaded; its
    // registration is then left as it is.
    if (plat::DeviceOpens(kProbeDevice)) {
        logbook::Note("the mouse driver is loaded: its registration stays as it is");
        return;
    }
    char hardwareKey[kPathField];
    int ps2Found = 0;
    for (const char* id : kPs2Ids) {
        if (FindHardwareKey(id, hardwareKey)) {
            ps2Found = 1;
            break;
        }
    }
    logbook::Note("listed PS/2 mouse: %s", ps2Found ? hardwareKey : "none");
    if (ps2Found && r.choices.serialMouse == 0) {
        RegisterListedDevice(r, footprint::kTypePs2, hardwareKey);
        return;
    }
    int serialFound = 0;
    for (const char* id : kSerialIds) {
        if (FindHardwareKey(id, hardwareKey)) {
            serialFound = 1;
            break;
        }
    }
    logbook::Note("listed serial mouse: %s", serialFound ? hardwareKey : "none");
    if (r.choices.serialMouse != 1) {
        return;
    }
    if (serialFound) {
        RegisterListedDevice(r, footprint::kTypeSerial, hardwareKey);
    } else {
        RegisterNewSerialDevice(r);
    }
}

}  // namespace

int RegisterMouseDriver(const SetupScript& script, const InstallChoices& choices,
                        InstallRecord& record, RegisterScope scope) {
    Registration r = {script.startupStrings, choices, record, 0, 0, footprint::kTypePs2};
    RegisterDriverParts(r, scope);
    return r.recordFailed ? kRegisterNoRecord : r.writeFailed ? kRegisterFailed : kRegisterDone;
}
