// Target files that wait for the next start of Windows: a file another
// program holds (the running mouse application, a library the shell has
// loaded) cannot be written, so its new text waits beside it under a name
// of setup's own (kPendingName) and a WININIT.INI line puts it
// in place before anything else runs. The install record names each such
// file ([Pending]) before it is made.
#pragma once

#include <stdint.h>

class InstallRecord;

// The waiting file the record names for the target file target (record
// key key) into out (kPendingPath bytes); 0 when it names none.
const uint32_t kPendingPath = 300;
int PendingFile(InstallRecord& record, const char* key, const char* target, char* out);

// The WININIT.INI line that puts waiting in the place of target, both in
// their short names (WININIT runs before long names are known), into out
// (size bytes); 0 when either file is missing or the line does not fit.
int PendingLine(const char* target, const char* waiting, char* out, uint32_t size);

// 1 when name is one setup gives a waiting file (kPendingName's form).
int IsPendingName(const char* name);

// Takes back what waits for target: its WININIT.INI line first (so the next
// start never moves a file half deleted), then the waiting file, then the
// record's entry, committed. 1 when nothing of it is left (or nothing
// waited); 0 when the line or the file could not go, or the record could
// not be written.
int TakeBackPending(InstallRecord& record, const char* key, const char* target,
                    const char* windowsDir);
