// The install log, when one is asked for: plain text a support person reads
// in Notepad, appended run after run by SETUP.EXE and UNINSTAL.EXE. Each
// action is written as a line before it is made (on the disk at once) and
// closed after it ("... done", "... FAILED"), so that a run cut short shows
// where it stopped. Kept below kRotateAt: Windows 95's Notepad opens 64 KB
// at most, so a longer log becomes path.old and a new one starts.
#pragma once

#include <stdint.h>

namespace logbook {

const uint32_t kRotateAt = 60000;  // bytes: a log this long starts anew at the next run

// Starts the run's part of the log at path (null or "": no log, every call
// below does nothing) with a head line naming who writes it. 1 when the
// log can be written.
int Open(const char* path, const char* who);
// 1 while a log is open.
int On();
// The open log's path ("" when none).
const char* Path();
// A fact, one line.
void Note(const char* format, ...);
// An action about to be made: its line, without its end, on the disk now.
void Begin(const char* format, ...);
// Closes the action's line: done when ok, FAILED otherwise.
void End(int ok);
// The run's last line, and the log closed.
void Close(const char* outcome);

}  // namespace logbook
