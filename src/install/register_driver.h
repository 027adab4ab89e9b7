// Registration of the mouse application and the mouse driver.
#pragma once

// full = 1: application entries, then the driver part; 0: the driver part only.
void RegisterMouseDriver(int full);

// Helpers of RegisterMouseDriver, public for tests.
int FindHardwareKey(const char* id, char* out);  // out: 80 bytes
int NextMouseClassKey(char* out);                // out: 80 bytes
void UpdateMouseClassKey(const char* driver, const char* description, const char* infSection);
void CreateMouseClassKey(const char* driver, const char* description, const char* infSection);
