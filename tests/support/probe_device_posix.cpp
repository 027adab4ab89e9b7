// The fake machine answers the probe from its list of devices.
#include "platform/posix/machine.h"
#include "support/probe_device.h"

namespace testing_probe {

bool SetDevicePresent(bool present) {
    auto& devices = plat::posix::Machine().devices;
    if (present) {
        devices.insert("\\\\.\\VLMOUSE");
    } else {
        devices.erase("\\\\.\\VLMOUSE");
    }
    return true;
}

}  // namespace testing_probe
