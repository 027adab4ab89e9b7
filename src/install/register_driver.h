// Registration of the mouse application and the mouse driver.
#pragma once

// full = 1: application entries, then the driver part; 0: the driver part only.
void RegisterMouseDriver(int full);

// Helpers of RegisterMouseDriver, public for tests.
// 1 when a listed device's HardWareKey contains id (the latest such device
// wins), its text in out (80 bytes); a text too long for out leaves out
// empty. 0 when none does, out unchanged.
int FindHardwareKey(const char* id, char* out);
int NextMouseClassKey(char* out);  // out: 80 bytes
void UpdateMouseClassKey(const char* driver, const char* description, const char* infSection);
void CreateMouseClassKey(const char* driver, const char* description, const char* infSection);
