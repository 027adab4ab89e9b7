// Registration of the mouse application and the mouse driver.
#pragma once

struct SetupState;

enum class RegisterScope {
    DriverOnly,  // the driver part only ("SETUP.EXE -u")
    Full,        // the application entries, then the driver part
};

// Registers what scope says for state's choices: destDir, serialMouse and the
// [Startup] texts; what it overwrites is kept in the install record in
// destDir. Leaves the mouse type it registered in state.mouseTypeWord. A
// write that fails does not stop the rest: 1 when every registry write went
// through, 0 when one failed.
int RegisterMouseDriver(SetupState& state, RegisterScope scope);

// Helpers of RegisterMouseDriver, public for tests.
// 1 when a listed device's HardWareKey contains id (the latest such device
// wins), its text in out (80 bytes); a text too long for out leaves out
// empty. 0 when none does, out unchanged.
int FindHardwareKey(const char* id, char* out);
int NextMouseClassKey(char* out);  // out: 80 bytes
// The class key of driver for state.mouseTypeWord, with state's [Startup]
// texts; the update keeps the values it overwrites in the install record.
void UpdateMouseClassKey(const SetupState& state, const char* driver, const char* description,
                         const char* infSection);
void CreateMouseClassKey(const SetupState& state, const char* driver, const char* description,
                         const char* infSection);
