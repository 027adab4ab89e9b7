// Loading SETUP.INF into the setup state and the install plan, and the
// install record kept in the destination directory.
#pragma once

#include <stdint.h>

struct SetupState;

const int kMaxFieldLen = 255;          // one field of a file line; longer text is cut
const int16_t kMaxTotalFiles = 32767;  // files of all disks; a count that would pass it is cut

// Reads the setup script from the program's directory into state: setupDir,
// destDir (from the script's drive and state.windowsDir, which the caller
// has filled), the [Main] values, the disks, the directory names, the plan
// and the [Startup] texts. Section and key names come from the string table
// of state.instance. 1 when loaded, 0 when the install plan cannot be
// obtained; a missing script is no failure.
int LoadSetupScript(SetupState& state);

// Obtains the zero-filled plan of total * 176 + 600 bytes into state.installPlan.
int AllocateInstallPlan(SetupState& state, int16_t total);
// Frees the plan and forgets the per-disk pointers into it.
void ReleaseInstallPlan(SetupState& state);

// Copies the next comma-separated field of text into field (fieldSize bytes,
// cut to fit), without the blanks around it; returns the text after the
// field's comma (the end of the text once it is reached).
const char* SplitField(const char* text, char* field, uint32_t fieldSize);

// The install record is destDir\SETUP.INF; a path that does not fit is not
// used: reads give def, writes do nothing.
// The record's value of section/key, or def, in out (size bytes, cut to
// fit), this run's entries not yet flushed included; returns out.
const char* ReadInstallRecord(const char* destDir, const char* section, const char* key,
                              const char* def, char* out, uint32_t size);
// Writes value under section/key of the install record unless that key
// already holds a non-empty text. Writes go to destDir\SETUP.NEW, a copy of
// the record made at the first write after a flush.
void RecordOriginalValue(const char* destDir, const char* section, const char* key,
                         const char* value);
// Writes SETUP.NEW whole, then takes it as SETUP.INF (the record set aside
// as SETUP.OLD between the two renames); nothing when nothing was written
// since the last flush.
void FlushInstallRecord(const char* destDir);
// Finishes or drops what a run that was cut off left of a flush: a whole
// SETUP.NEW left between the renames becomes SETUP.INF; SETUP.NEW and
// SETUP.OLD are gone afterwards. Setup and the uninstaller call it before
// they read the record.
void RecoverInstallRecord(const char* destDir);

// Tests only: the path LoadSetupScript takes as the program's own file in
// place of the system's answer (a test program under Wine is not SETUP.EXE
// and does not lie beside its script); null asks the system again.
void SetProgramPathForTest(const char* path);
