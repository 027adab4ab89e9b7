// The result file of an unattended run, for the deployment tool or login
// script that started it: an INI file a batch file reads with FIND
//   [Result]
//   Code=0
//   Reason=installed
// written "running" before the first change and replaced, whole, at the
// end, so that a run cut short reads as unfinished.
#pragma once

#include <stdint.h>

enum ResultCode {
    kResultDone = 0,       // installed (or removed); nothing waits
    kResultRestart = 1,    // done; Windows must restart to finish it
    kResultRefused = 2,    // nothing was changed: the reason says why
    kResultFailed = 3,     // a step failed: the reason names it
    kResultCancelled = 4,  // the user (or the question) said no
    kResultRunning = 9,    // written before the first change: a run cut short stays so
};

inline constexpr char kResultSection[] = "Result";
inline constexpr char kResultCode[] = "Code";
inline constexpr char kResultReason[] = "Reason";

// Writes the result file at path whole: path.new is written and put on the
// disk, then takes the name (path.old while the old one steps aside). 1 on
// success.
int WriteResult(const char* path, int code, const char* reason);
