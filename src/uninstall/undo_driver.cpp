// The driver registration put back from the install record, section by
// section (PS2, Serial): the class key and the listed device's values, the
// Driver value and the class key setup added; then setup's own serial
// device and the class keys repeated serial setups left.
#include "platform/logbook.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "record/record_keys.h"
#include "uninstall/undo_internal.h"

using uninstall::Absent;
using uninstall::kValueField;
using uninstall::Leave;
using uninstall::OpenKey;
using uninstall::ReadRecord;
using uninstall::ReadValue;
using uninstall::RemoveNewSerialDevice;
using uninstall::RemoveOrphanSerialClasses;
using uninstall::RemoveSetupClassKey;
using uninstall::RestoreKept;
using uninstall::SameExactly;
using uninstall::SectionUndo;
using uninstall::ValueChanged;

namespace {

using footprint::kClassPrefix;
using footprint::SetupValue;

bool StartsWith(const char* s, const char* prefix) {
    uint32_t n = text::Length(prefix);
    char head[kValueField];
    text::Copy(head, n + 1 < sizeof head ? n + 1 : sizeof head, s);
    return text::Length(s) >= n && text::SameNoCase(head, prefix);
}

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
    logbook::Begin("registry %s  %s: removed", device.path, name);
    ValueChanged(device, name, plat::RegRemoveValue(device.key, name) == plat::kErrSuccess, report);
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
    ReadRecord(u.record, section, kRecordDeviceKey, devicePath);
    ReadRecord(u.record, section, kRecordClassKey, classPath);
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

}  // namespace

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
