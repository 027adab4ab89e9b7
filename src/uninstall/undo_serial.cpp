// Setup's own device for a serial mouse the Configuration Manager does not
// list (Enum\Root\VelorMouse\0000) with its class key, and the class keys
// earlier serial setups left behind.
#include "platform/registry.h"
#include "platform/text.h"
#include "uninstall/undo_internal.h"

using uninstall::HoldsSetupValues;
using uninstall::kValueField;

namespace {

using footprint::kNewSerialDevice;
using footprint::kNewSerialParent;

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

}  // namespace

namespace uninstall {

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

}  // namespace uninstall
