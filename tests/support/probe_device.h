// Makes the mouse driver's device "\\.\VLMOUSE" open or not for the device
// probe, on both backends.
#pragma once

namespace testing_probe {

// true: the probe's CreateFileA on "\\.\VLMOUSE" gives a handle; false: it
// fails. Returns false when the machine could not be set up that way.
bool SetDevicePresent(bool present);

}  // namespace testing_probe
