// What a script hands UNINSTAL.EXE and what it gets back: the switches of
// its command line, and the outcome of a run as one code, the same in the
// exit code and in the result file (record/result_file.h).
#pragma once

#include <stdint.h>

#include "uninstall/undo.h"

// The result file of a silent run that names none, in the Windows
// directory: a name of its own, so that it never takes the place of what
// setup's unattended run left there.
inline constexpr char kUninstallResultName[] = "VLUNINST.RES";

const uint32_t kSwitchPath = 260;  // /RESULT= and the copy's folder: up to 259 chars
const uint32_t kSwitchName = 40;   // the first switch not known, as named: cut

struct UninstallSwitches {
    int silent;                    // /S: no question, no result box
    int restart;                   // /R: a silent run restarts Windows when it needs to
    int finishing;                 // /F dir: the finishing copy, on the folder dir
    char result[kSwitchPath];      // /RESULT=path; "" when not given
    char installDir[kSwitchPath];  // the finishing copy's folder
    char unknown[kSwitchName];     // the first switch not known; "" none
};

// Reads a command-line tail into out: switches between blanks, case-blind,
// a part in double quotes taken as it is (/RESULT="C:\My Files\UN.RES" or
// "/RESULT=C:\My Files\UN.RES"). 1 when every switch is known and whole;
// else 0, and unknown names the first that is not (a value too long for
// its field, an empty one, a second /F or one without its folder); the
// others are read all the same.
int ReadSwitches(const char* tail, UninstallSwitches* out);

// The outcome of an undo by its report (a ResultCode): kResultFailed when it
// names leftovers, kResultRestart when files other than the uninstaller's own
// (the running program, the folder's UNINSTAL.EXE, its list and record) wait
// for the next start, kResultDone when it changed anything, else
// kResultRefused: nothing was there to remove. *restart: Windows must
// restart to finish, leftovers or not.
int UndoOutcome(const UndoContext& undo, const UndoReport& report, int* restart);
