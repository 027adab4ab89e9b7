// Setup's copy of system.ini from before the switch-over, as the install
// record proves it: the name it has, and the size and hash of its bytes.
// Another program's system.bak is never taken for it.
#pragma once

#include <stdint.h>

class InstallRecord;

const uint32_t kBackupPath = 300;  // the copy's path: up to 299 chars

// The copy the record names, in windowsDir, into path (kBackupPath bytes):
// 1 only when the file there has the size and hash the record keeps.
int ProvenBackup(InstallRecord& record, const char* windowsDir, char* path);

// Chooses where setup's copy of system.ini goes and stages its name with
// the size and hash of system.ini as it is now, which the copy will hold
// (the caller commits before the copy is made): the copy the record names
// while it is proven, else system.bak when nothing is there, else the
// first free system.bNN. The path into path (kBackupPath bytes). 0 when no
// name is free, system.ini cannot be read or the record not staged.
int StageBackup(InstallRecord& record, const char* windowsDir, char* path);
