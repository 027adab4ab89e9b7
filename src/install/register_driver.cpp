// Registration of the mouse application and of the mouse driver in the
// Windows 95/98 device registry. The install record keeps the first-seen
// value of everything overwritten here, on the disk before it changes.
#include "install/register_driver.h"

#include "footprint/footprint.h"
#include "model/setup_state.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"
#include "record/install_record.h"

namespace {

const uint32_t kPathField = 80;         // key paths, and texts read that name keys: up to 79 chars
const uint32_t kClassPathField = 128;   // class key paths: up to 127 chars
const uint32_t kValueField = 80;        // values read back before they are overwritten
const uint32_t kNameField = 80;         // subkey names while enumerating
const uint32_t kHardwareKeyRead = 128;  // HardWareKey values of the device list

using footprint::kClassPrefix;
const char kMouseClassKey[] = "System\\CurrentControlSet\\Services\\Class\\Mouse";
const char kDeviceList[] = "Config Manager\\Enum";
using footprint::kNewSerialDevice;
const char kProbeDevice[] = "\\\\.\\VLMOUSE";

// Table order matters: the PS/2 search stops at the first id found.
const char* const kPs2Ids[] = {"BIOS\\*PNP0F13\\", "BIOS\\*PNP0F0E\\", "ROOT\\*PNP0F0E\\"};
const char* const kSerialIds[] = {"ROOT\\*PNP0F0C\\", "SERENUM\\VLR4417\\"};

const uint8_t kZeroFlags[4] = {0, 0, 0, 0};

// One registration: what it works on and how its writes went. A write
// that fails does not stop the rest; a record that cannot be written stops
// every overwrite that would need it.
struct Registration {
    const SetupState& state;
    InstallRecord& record;
    int writeFailed;   // a registry write failed
    int recordFailed;  // the record could not be written: nothing was overwritten since
};

// Text values go in without their terminating zero, as the Windows 95
// device installer writes them.
void SetText(Registration& r, plat::RegKey key, const char* name, const char* value) {
    if (plat::RegSet(key, name, plat::kRegSz, value, text::Length(value)) != plat::kErrSuccess) {
        r.writeFailed = 1;
    }
}

void SetFlags(Registration& r, plat::RegKey key, const char* name) {
    if (plat::RegSet(key, name, plat::kRegBinary, kZeroFlags, sizeof kZeroFlags) !=
        plat::kErrSuccess) {
        r.writeFailed = 1;
    }
}

// A key setup writes into: created or opened, or the failure noted.
long CreateForWriting(Registration& r, plat::RegKey root, const char* path, plat::RegKey* key) {
    long result = plat::RegCreate(root, path, key);
    if (result != plat::kErrSuccess) {
        r.writeFailed = 1;
    }
    return result;
}

// Reads a text value into an emptied field of size bytes. A value that is
// absent, does not fit, or fills the field without a terminator leaves the
// field empty: a cut text is never taken as the whole one.
int ReadText(plat::RegKey key, const char* name, char* field, uint32_t size) {
    text::Fill(field, 0, size);
    uint32_t got = size;
    if (plat::RegQuery(key, name, nullptr, field, &got) != plat::kErrSuccess) {
        field[0] = 0;
        return 0;
    }
    if (got > size || field[size - 1] != 0) {
        text::Fill(field, 0, size);
        return 0;
    }
    return 1;
}

// destDir followed by name, or 0 when it does not fit an entry's field.
int DestPath(const SetupState& state, char* out, const char* name) {
    return text::Format(out, footprint::kAppTextField, "%s%s", state.destDir, name);
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
                       ? DestPath(r.state, composed, e.text)
                       : text::Copy(composed, sizeof composed, r.state.startupStrings.Title);
        if (fits) {
            SetText(r, key, e.name, composed);
        }
        plat::RegClose(key);
    }
}

using footprint::kClassValues;

void Record(Registration& r, const char* key, const char* value) {
    if (!r.record.RecordOriginalValue(r.record.Section(), key, value)) {
        r.recordFailed = 1;
    }
}

// Keeps a class or device value in the install record.
void RecordValue(Registration& r, plat::RegKey key, const char* name) {
    char old[kValueField];
    ReadText(key, name, old, sizeof old);
    Record(r, name, old);
}

// A section an older setup recorded without this entry: what stood there
// before the first setup is unknown, and what stands now is setup's own.
bool UnknownBefore(Registration& r, bool olderSection, const char* name) {
    char kept[kValueField];
    if (!olderSection ||
        r.record.ReadInstallRecord(r.record.Section(), name, "", kept, sizeof kept)[0] != 0) {
        return false;
    }
    Record(r, name, footprint::kRecordedUnknown);
    return true;
}

// MouseType is kept with "-" for absent: an empty record entry would be
// taken by a second setup, which finds its own type word there.
void RecordMouseType(Registration& r, plat::RegKey key, bool olderSection) {
    char type[kValueField];
    if (UnknownBefore(r, olderSection, footprint::kRecordMouseType)) {
        return;
    }
    ReadText(key, "MouseType", type, sizeof type);
    Record(r, footprint::kRecordMouseType, type[0] != 0 ? type : footprint::kRecordedAbsent);
}

// Keeps a binary value in the install record before setup overwrites it:
// its bytes in hex, "-" when it was absent, "?" when it is not a short binary
// value (the uninstall then leaves it and says so).
void RecordFlags(Registration& r, plat::RegKey key, const char* name, bool olderSection) {
    uint8_t bytes[footprint::kMaxRecordedFlags];
    uint32_t type = 0;
    uint32_t got = sizeof bytes;
    char kept[2 * footprint::kMaxRecordedFlags + 1];
    if (UnknownBefore(r, olderSection, name)) {
        return;
    }
    long result = plat::RegQuery(key, name, &type, bytes, &got);
    if (result == plat::kErrFileNotFound) {
        text::Copy(kept, sizeof kept, footprint::kRecordedAbsent);
    } else if (result != plat::kErrSuccess || type != plat::kRegBinary) {
        text::Copy(kept, sizeof kept, footprint::kRecordedUnknown);
    } else {
        footprint::HexOf(bytes, got, kept);
    }
    Record(r, name, kept);
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
    bool olderSection = r.record.ReadInstallRecord(r.record.Section(), footprint::kRecordDeviceKey,
                                                   "", kept, sizeof kept)[0] != 0;
    Record(r, footprint::kRecordDeviceKey, devicePath);
    RecordValue(r, device, "DeviceDesc");
    RecordFlags(r, device, footprint::kRecordConfigFlags, olderSection);
    RecordValue(r, device, "Mfg");
    ReadText(device, "Driver", driver, kPathField);
    char path[kClassPathField];
    plat::RegKey key;
    if (driver[0] != 0 && text::Format(path, sizeof path, "%s%s", kClassPrefix, driver)) {
        Record(r, footprint::kRecordClassKey, path);
        if (plat::RegOpen(plat::LocalMachine(), path, &key) == plat::kErrSuccess) {
            for (const char* name : kClassValues) {
                RecordValue(r, key, name);
            }
            RecordMouseType(r, key, olderSection);
            plat::RegClose(key);
        }
    }
    return Committed(r);
}

void UpdateClassKey(Registration& r, const char* driver, const char* description,
                    const char* infSection);
void CreateClassKey(Registration& r, const char* driver, const char* description,
                    const char* infSection);

// A device that the Configuration Manager lists, with its HardWareKey text.
void RegisterListedDevice(Registration& r, const char* typeWord, const char* description,
                          const char* infSection, char* hardwareKey) {
    r.record.SetSection(typeWord);
    char path[kPathField];
    // An empty text is what FindHardwareKey leaves for a match too long for
    // its field; neither it nor a path cut short names the device key.
    if (hardwareKey[0] == 0 || !text::Format(path, sizeof path, "Enum\\%s", hardwareKey)) {
        return;
    }
    plat::RegKey device;
    if (plat::RegOpen(plat::LocalMachine(), path, &device) != plat::kErrSuccess) {
        return;
    }
    // The field that held the HardWareKey text now takes the Driver text.
    char* driver = hardwareKey;
    if (!RecordListedDevice(r, device, path, driver)) {
        plat::RegClose(device);
        return;
    }
    SetText(r, device, "DeviceDesc", description);
    SetFlags(r, device, "ConfigFlags");
    SetText(r, device, "Mfg", r.state.startupStrings.Mfg);
    if (driver[0] != 0) {
        UpdateClassKey(r, driver, description, infSection);
    } else {
        NextMouseClassKey(driver);
        SetText(r, device, "Driver", driver);
        CreateClassKey(r, driver, description, infSection);
    }
    plat::RegClose(device);
}

// A serial mouse that no enumerator lists gets a root device of its own.
// Nothing of it stood before, so nothing is recorded.
void RegisterNewSerialDevice(Registration& r) {
    r.record.SetSection(footprint::kRecordSerial);
    plat::RegKey device;
    if (CreateForWriting(r, plat::LocalMachine(), kNewSerialDevice, &device) != plat::kErrSuccess) {
        return;
    }
    const StartupStrings& s = r.state.startupStrings;
    SetText(r, device, "Class", "Mouse");
    SetText(r, device, "DeviceDesc", s.SeialName);
    SetText(r, device, "Mfg", s.Mfg);
    SetFlags(r, device, "ConfigFlags");
    SetFlags(r, device, "DetFlags");
    SetText(r, device, "DetFunc", "*:DETECTSERIALMOUSE");
    // The device is setup's own: a rerun (after a power cut, or a second
    // setup) keeps the class key it names instead of leaving it behind.
    char driver[kPathField];
    if (!ReadText(device, "Driver", driver, sizeof driver) || driver[0] == 0) {
        NextMouseClassKey(driver);
        SetText(r, device, "Driver", driver);
    }
    CreateClassKey(r, driver, s.SeialName, s.SerialInfSection);
    plat::RegClose(device);
}

int ClassPath(char* out, const char* driver) {
    return text::Format(out, kClassPathField, "%s%s", kClassPrefix, driver);
}

}  // namespace

int FindHardwareKey(const char* id, char* out) {
    plat::RegKey list;
    if (plat::RegOpen(plat::DynData(), kDeviceList, &list) != plat::kErrSuccess) {
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
        int read = ReadText(device, "HardWareKey", hardwareKey, sizeof hardwareKey);
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
    if (plat::RegOpen(plat::LocalMachine(), kMouseClassKey, &mouse) == plat::kErrSuccess) {
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
    text::Format(out, kPathField, "Mouse\\%04d", last + 1);
    return 1;
}

namespace {

void UpdateClassKey(Registration& r, const char* driver, const char* description,
                    const char* infSection) {
    char path[kClassPathField];
    if (!ClassPath(path, driver)) {
        return;
    }
    plat::RegKey key;
    long opened = plat::RegOpen(plat::LocalMachine(), path, &key);
    Record(r, footprint::kRecordClassKey, path);
    if (!Committed(r)) {
        if (opened == plat::kErrSuccess) {
            plat::RegClose(key);
        }
        return;
    }
    if (opened != plat::kErrSuccess) {
        CreateClassKey(r, driver, description, infSection);
        return;
    }
    const StartupStrings& s = r.state.startupStrings;
    const char* const values[] = {s.MouseDriver, s.MouseInf, description, s.DriverDate, infSection};
    // Recorded with the device, on the disk before the first one changes;
    // a key the device did not name before is recorded now.
    for (int i = 0; i < footprint::kClassValueCount; i++) {
        RecordValue(r, key, kClassValues[i]);
    }
    RecordMouseType(r, key, false);
    if (Committed(r)) {
        for (int i = 0; i < footprint::kClassValueCount; i++) {
            SetText(r, key, kClassValues[i], values[i]);
        }
        SetText(r, key, "MouseType", r.record.Section());
    }
    plat::RegClose(key);
}

void CreateClassKey(Registration& r, const char* driver, const char* description,
                    const char* infSection) {
    char path[kClassPathField];
    if (!ClassPath(path, driver)) {
        return;
    }
    plat::RegKey key;
    if (CreateForWriting(r, plat::LocalMachine(), path, &key) != plat::kErrSuccess) {
        return;
    }
    const StartupStrings& s = r.state.startupStrings;
    SetText(r, key, "DevLoader", footprint::kClassLoader);
    SetText(r, key, "MouseType", r.record.Section());
    SetText(r, key, "MouseDriver", s.MouseDriver);
    SetText(r, key, "InfPath", s.MouseInf);
    SetText(r, key, "DriverDesc", description);
    SetText(r, key, "DriverDate", s.DriverDate);
    SetText(r, key, "InfSection", infSection);
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
    const StartupStrings& s = r.state.startupStrings;
    if (ps2Found && r.state.serialMouse == 0) {
        RegisterListedDevice(r, footprint::kRecordPs2, s.PS2Name, s.PS2InfSection, hardwareKey);
        return;
    }
    int serialFound = 0;
    for (const char* id : kSerialIds) {
        if (FindHardwareKey(id, hardwareKey)) {
            serialFound = 1;
            break;
        }
    }
    if (r.state.serialMouse != 1) {
        return;
    }
    if (serialFound) {
        RegisterListedDevice(r, footprint::kRecordSerial, s.SeialName, s.SerialInfSection,
                             hardwareKey);
    } else {
        RegisterNewSerialDevice(r);
    }
}

}  // namespace

int RegisterMouseDriver(const SetupState& state, InstallRecord& record, RegisterScope scope) {
    Registration r = {state, record, 0, 0};
    RegisterDriverParts(r, scope);
    return r.recordFailed ? kRegisterNoRecord : r.writeFailed ? kRegisterFailed : kRegisterDone;
}
