// Loading SETUP.INF into gSetup and the install plan, and the install
// record kept in the destination directory.
#pragma once

#include <stdint.h>

const int kMaxFieldLen = 255;  // one field of a file line; longer text is cut

// Reads the setup script from the program's directory. 1 when loaded, 0 when
// the install plan cannot be obtained; a missing script is no failure.
int LoadSetupScript();

// Obtains the zero-filled plan of total * 176 + 600 bytes into gSetup.installPlan.
int AllocateInstallPlan(int16_t total);
void ReleaseInstallPlan();

// Copies the next comma-separated field of text into field (fieldSize bytes,
// cut to fit), without the blanks around it; returns the text after the
// field's comma (the end of the text once it is reached).
const char* SplitField(const char* text, char* field, uint32_t fieldSize);

// The install record's value of section/key, or def; the result is
// gSetup.recordBuffer, overwritten by the next call.
const char* ReadInstallRecord(const char* section, const char* key, const char* def);

// Writes value under section/key of the install record unless that key
// already holds a non-empty text.
void RecordOriginalValue(const char* section, const char* key, const char* value);

// Writes the cached install record to the disk.
void FlushInstallRecord();

// Tests only: the path LoadSetupScript takes as the program's own file in
// place of the system's answer (a test program under Wine is not SETUP.EXE
// and does not lie beside its script); null asks the system again.
void SetProgramPathForTest(const char* path);
