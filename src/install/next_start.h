// What WININIT.INI holds for the next start of Windows, as far as it
// touches the files setup is about to write (the plan's targets and the
// install record). A deletion of one of them, or a replacement of one by a
// waiting file of setup's own name beside it, is the product's own: its
// uninstaller or an earlier setup left it, and at the next start it would
// undo this installation, so it is taken out. Any other line that renames
// one of them (onto it or away from it) is another program's: setup must
// wait until that start has been.
#pragma once

class InstallRecord;
struct InstallChoices;
struct SetupScript;

// 1 when another program's line names a file setup writes; 0 also when
// WININIT.INI cannot be read (nothing then tells).
int OtherProgramWaits(const SetupScript& script, const InstallChoices& choices,
                      const InstallRecord& record);

// 1 when a deletion line of WININIT.INI names path: the file is as good
// as gone.
int DeletionWaits(const char* windowsDir, const char* path);

// Takes out the product's own lines on the files setup writes, one rewrite
// of WININIT.INI each. 1 when none is left.
int TakeOutOwnLines(const SetupScript& script, const InstallChoices& choices,
                    const InstallRecord& record);
