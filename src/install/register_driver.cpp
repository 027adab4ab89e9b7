// Registration of the mouse application and of the mouse driver in the
// Windows 95/98 device registry. Every failure is passed over silently; the
// install record keeps the first-seen value of everything overwritten here.
#include "install/register_driver.h"

#include "footprint/footprint.h"
#include "model/setup_state.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"
#include "script/setup_script.h"

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

// Text values go in without their terminating zero, as the Windows 95
// device installer writes them.
// Set by a registry write that failed: the run goes on, and the install
// page tells the user at its end.
int gWriteFailed;

void SetText(plat::RegKey key, const char* name, const char* value) {
    if (plat::RegSet(key, name, plat::kRegSz, value, text::Length(value)) != plat::kErrSuccess) {
        gWriteFailed = 1;
    }
}

void SetFlags(plat::RegKey key, const char* name) {
    if (plat::RegSet(key, name, plat::kRegBinary, kZeroFlags, sizeof kZeroFlags) !=
        plat::kErrSuccess) {
        gWriteFailed = 1;
    }
}

// A key setup writes into: created or opened, or the failure noted.
long CreateForWriting(plat::RegKey root, const char* path, plat::RegKey* key) {
    long result = plat::RegCreate(root, path, key);
    if (result != plat::kErrSuccess) {
        gWriteFailed = 1;
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
void WriteApplicationEntries(const SetupState& state) {
    char composed[footprint::kAppTextField];
    for (const footprint::AppEntry& e : footprint::kAppEntries) {
        plat::RegKey root =
            e.hive == footprint::kHiveClasses ? plat::ClassesRoot() : plat::LocalMachine();
        plat::RegKey key;
        if (CreateForWriting(root, e.key, &key) != plat::kErrSuccess) {
            continue;
        }
        int fits = e.source == footprint::kFixedText ? text::Copy(composed, sizeof composed, e.text)
                   : e.source == footprint::kInInstallDir
                       ? DestPath(state, composed, e.text)
                       : text::Copy(composed, sizeof composed, state.startupStrings.Title);
        if (fits) {
            SetText(key, e.name, composed);
        }
        plat::RegClose(key);
    }
}

using footprint::kClassValues;

// Keeps a class or device value in the install record.
void RecordValue(const SetupState& state, plat::RegKey key, const char* name) {
    char old[kValueField];
    ReadText(key, name, old, sizeof old);
    RecordOriginalValue(state.destDir, state.mouseTypeWord, name, old);
}

// MouseType is kept with "-" for absent: an empty record entry would be
// taken by a second setup, which finds its own type word there.
void RecordMouseType(const SetupState& state, plat::RegKey key) {
    char type[kValueField];
    ReadText(key, "MouseType", type, sizeof type);
    RecordOriginalValue(state.destDir, state.mouseTypeWord, footprint::kRecordMouseType,
                        type[0] != 0 ? type : footprint::kRecordedAbsent);
}

// Records a value, then overwrites it. Windows 95/98 hold profile writes in
// memory: the record goes to the disk before the value changes, or a power
// cut in between would leave setup's value to be recorded as the earlier
// one next time.
void RecordAndSet(const SetupState& state, plat::RegKey key, const char* name, const char* value) {
    RecordValue(state, key, name);
    FlushInstallRecord(state.destDir);
    SetText(key, name, value);
}

// Keeps a binary value in the install record before setup overwrites it:
// its bytes in hex, "-" when it was absent, "?" when it is not a short binary
// value (the uninstall then leaves it and says so).
void RecordFlags(const SetupState& state, plat::RegKey key, const char* name) {
    uint8_t bytes[footprint::kMaxRecordedFlags];
    uint32_t type = 0;
    uint32_t got = sizeof bytes;
    char kept[2 * footprint::kMaxRecordedFlags + 1];
    long result = plat::RegQuery(key, name, &type, bytes, &got);
    if (result == plat::kErrFileNotFound) {
        text::Copy(kept, sizeof kept, footprint::kRecordedAbsent);
    } else if (result != plat::kErrSuccess || type != plat::kRegBinary) {
        text::Copy(kept, sizeof kept, "?");
    } else {
        footprint::HexOf(bytes, got, kept);
    }
    RecordOriginalValue(state.destDir, state.mouseTypeWord, name, kept);
}

// Everything the registration of a listed device records, before any of it
// changes: the file is rewritten in place at each flush, so a cut during a
// later flush could take entries whose values were already overwritten.
// Leaves the device's Driver text in driver (kPathField bytes).
void RecordListedDevice(const SetupState& state, plat::RegKey device, const char* devicePath,
                        char* driver) {
    RecordOriginalValue(state.destDir, state.mouseTypeWord, footprint::kRecordDeviceKey,
                        devicePath);
    RecordValue(state, device, "DeviceDesc");
    RecordFlags(state, device, footprint::kRecordConfigFlags);
    RecordValue(state, device, "Mfg");
    ReadText(device, "Driver", driver, kPathField);
    char path[kClassPathField];
    plat::RegKey key;
    if (driver[0] != 0 && text::Format(path, sizeof path, "%s%s", kClassPrefix, driver)) {
        RecordOriginalValue(state.destDir, state.mouseTypeWord, footprint::kRecordClassKey, path);
        if (plat::RegOpen(plat::LocalMachine(), path, &key) == plat::kErrSuccess) {
            for (const char* name : kClassValues) {
                RecordValue(state, key, name);
            }
            RecordMouseType(state, key);
            plat::RegClose(key);
        }
    }
    FlushInstallRecord(state.destDir);
}

// A device that the Configuration Manager lists, with its HardWareKey text.
void RegisterListedDevice(SetupState& state, const char* typeWord, const char* description,
                          const char* infSection, char* hardwareKey) {
    text::Copy(state.mouseTypeWord, sizeof state.mouseTypeWord, typeWord);
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
    RecordListedDevice(state, device, path, driver);
    SetText(device, "DeviceDesc", description);
    SetFlags(device, "ConfigFlags");
    SetText(device, "Mfg", state.startupStrings.Mfg);
    if (driver[0] != 0) {
        UpdateMouseClassKey(state, driver, description, infSection);
    } else {
        NextMouseClassKey(driver);
        SetText(device, "Driver", driver);
        CreateMouseClassKey(state, driver, description, infSection);
    }
    plat::RegClose(device);
    // Windows caches private-profile writes and the restart follows soon.
    FlushInstallRecord(state.destDir);
}

// A serial mouse that no enumerator lists gets a root device of its own.
void RegisterNewSerialDevice(SetupState& state) {
    text::Copy(state.mouseTypeWord, sizeof state.mouseTypeWord, "Serial");
    plat::RegKey device;
    if (CreateForWriting(plat::LocalMachine(), kNewSerialDevice, &device) != plat::kErrSuccess) {
        return;
    }
    const StartupStrings& s = state.startupStrings;
    SetText(device, "Class", "Mouse");
    SetText(device, "DeviceDesc", s.SeialName);
    SetText(device, "Mfg", s.Mfg);
    SetFlags(device, "ConfigFlags");
    SetFlags(device, "DetFlags");
    SetText(device, "DetFunc", "*:DETECTSERIALMOUSE");
    // The device is setup's own: a rerun (after a power cut, or a second
    // setup) keeps the class key it names instead of leaving it behind.
    char driver[kPathField];
    if (!ReadText(device, "Driver", driver, sizeof driver) || driver[0] == 0) {
        NextMouseClassKey(driver);
        SetText(device, "Driver", driver);
    }
    CreateMouseClassKey(state, driver, s.SeialName, s.SerialInfSection);
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

void UpdateMouseClassKey(const SetupState& state, const char* driver, const char* description,
                         const char* infSection) {
    char path[kClassPathField];
    if (!ClassPath(path, driver)) {
        return;
    }
    plat::RegKey key;
    long opened = plat::RegOpen(plat::LocalMachine(), path, &key);
    RecordOriginalValue(state.destDir, state.mouseTypeWord, footprint::kRecordClassKey, path);
    if (opened != plat::kErrSuccess) {
        CreateMouseClassKey(state, driver, description, infSection);
        return;
    }
    const StartupStrings& s = state.startupStrings;
    const char* const values[] = {s.MouseDriver, s.MouseInf, description, s.DriverDate, infSection};
    for (int i = 0; i < 5; i++) {
        RecordAndSet(state, key, kClassValues[i], values[i]);
    }
    RecordMouseType(state, key);
    FlushInstallRecord(state.destDir);
    SetText(key, "MouseType", state.mouseTypeWord);
    plat::RegClose(key);
}

void CreateMouseClassKey(const SetupState& state, const char* driver, const char* description,
                         const char* infSection) {
    char path[kClassPathField];
    if (!ClassPath(path, driver)) {
        return;
    }
    plat::RegKey key;
    if (CreateForWriting(plat::LocalMachine(), path, &key) != plat::kErrSuccess) {
        return;
    }
    const StartupStrings& s = state.startupStrings;
    SetText(key, "DevLoader", "*vmouse");
    SetText(key, "MouseType", state.mouseTypeWord);
    SetText(key, "MouseDriver", s.MouseDriver);
    SetText(key, "InfPath", s.MouseInf);
    SetText(key, "DriverDesc", description);
    SetText(key, "DriverDate", s.DriverDate);
    SetText(key, "InfSection", infSection);
    plat::RegClose(key);
}

namespace {

void RegisterDriverParts(SetupState& state, RegisterScope scope) {
    RecoverInstallRecord(state.destDir);
    if (scope == RegisterScope::Full) {
        WriteApplicationEntries(state);
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
    const StartupStrings& s = state.startupStrings;
    if (ps2Found && state.serialMouse == 0) {
        RegisterListedDevice(state, "PS2", s.PS2Name, s.PS2InfSection, hardwareKey);
        return;
    }
    int serialFound = 0;
    for (const char* id : kSerialIds) {
        if (FindHardwareKey(id, hardwareKey)) {
            serialFound = 1;
            break;
        }
    }
    if (state.serialMouse != 1) {
        return;
    }
    if (serialFound) {
        RegisterListedDevice(state, "Serial", s.SeialName, s.SerialInfSection, hardwareKey);
    } else {
        RegisterNewSerialDevice(state);
    }
}

}  // namespace

int RegisterMouseDriver(SetupState& state, RegisterScope scope) {
    gWriteFailed = 0;
    RegisterDriverParts(state, scope);
    return !gWriteFailed;
}
