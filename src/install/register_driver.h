// Registration of the mouse application and the mouse driver.
#pragma once

class InstallRecord;
struct InstallChoices;
struct SetupScript;

enum class RegisterScope {
    DriverOnly,  // the driver part only ("SETUP.EXE -u")
    Full,        // the application entries, then the driver part
};

enum RegisterResult {
    kRegisterFailed = 0,    // a registry write failed; the rest was written
    kRegisterDone = 1,      // every registry write went through
    kRegisterNoRecord = 2,  // the record could not be written: no value it keeps was overwritten
};

// Registers what scope says for choices (destDir, serialMouse) with the
// script's [Startup] texts. What it overwrites is kept in record first, on
// the disk before the value changes; the record's section says the mouse
// type registered. A write that fails does not stop the rest; a record that
// cannot be written stops every overwrite it would keep (the application
// entries, setup's own, are written all the same). A RegisterResult.
int RegisterMouseDriver(const SetupScript& script, const InstallChoices& choices,
                        InstallRecord& record, RegisterScope scope);

// Helpers of RegisterMouseDriver, public for tests.
// 1 when a listed device's HardWareKey contains id (the latest such device
// wins), its text in out (80 bytes); a text too long for out leaves out
// empty. 0 when none does, out unchanged.
int FindHardwareKey(const char* id, char* out);
int NextMouseClassKey(char* out);  // out: 80 bytes
