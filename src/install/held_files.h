// A target file that another program holds is replaced at the next start
// of Windows instead of being written now (record/pending_files.h).
#pragma once

class InstallRecord;

// Replaces target (record key key) with the expansion of source at the
// next start: a free name of setup's own beside target is committed to the
// record first, the file is expanded under it, whole and on the disk, and
// only then does WININIT.INI name it. 1 when the line is written; 0 leaves
// at most a waiting file the record names (the next run or the uninstaller
// takes it back).
int ReplaceAtRestart(InstallRecord& record, const char* key, const char* source, const char* target,
                     const char* windowsDir);
