// Loading SETUP.INF into the setup script's record and the install plan.
#pragma once

#include <stdint.h>

struct SetupScript;

// The text of a string-table id (a UINT, as LoadStringA takes it): the
// names of the script's sections and keys. SETUP.EXE hands over LoadText.
typedef const char* (*TextSource)(uint32_t id);

const char kScriptName[] = "SETUP.INF";  // in the program's directory
const int kMaxFieldLen = 255;            // one field of a file line; longer text is cut
const int16_t kMaxTotalFiles = 32767;    // files of all disks; a count that would pass it is cut

// Reads the setup script from the program's directory into script:
// setupDir, defaultDestDir (from the script's drive and windowsDir), the
// [Main] values, the disks, the directory names, the plan (WinDir files
// below windowsDir) and the [Startup] texts. Section and key names come
// from names. 1 when loaded, 0 when the install plan cannot be obtained; a
// missing script is no failure.
int LoadSetupScript(SetupScript& script, const char* windowsDir, TextSource names);

// The setup script beside the program (the file LoadSetupScript reads)
// into path (size bytes); 0 when it does not fit.
int ProgramScriptPath(char* path, uint32_t size);

// Obtains the zero-filled plan of total * 176 + 600 bytes into script.installPlan.
int AllocateInstallPlan(SetupScript& script, int16_t total);
// Frees the plan and forgets the per-disk pointers into it.
void ReleaseInstallPlan(SetupScript& script);

// Copies the next comma-separated field of text into field (fieldSize bytes,
// cut to fit), without the blanks around it; returns the text after the
// field's comma (the end of the text once it is reached).
const char* SplitField(const char* text, char* field, uint32_t fieldSize);

// Tests only: the path LoadSetupScript takes as the program's own file in
// place of the system's answer (a test program under Wine is not SETUP.EXE
// and does not lie beside its script); null asks the system again.
void SetProgramPathForTest(const char* path);
