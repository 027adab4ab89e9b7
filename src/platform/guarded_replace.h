// Replacing a file that must never be missing (system.ini) through a new
// file, guarded by a line of WININIT.INI: should the program stop while the
// file is missing, Windows' next start puts the old text back before it
// reads the file.
#pragma once

#include "platform/replace.h"

namespace fileio {

// Rewrites path through newPath (WriteRewrite); then, once ReadyToReplace,
// path is copied whole to oldPath and flushed, a WININIT.INI line
// "path=oldPath" of windowsDir covers the moment path is missing, path is
// deleted, newPath renamed and the line removed; oldPath then keeps the old
// text for the caller. Every step is checked: kRewriteFailed leaves path as
// it was (newPath gone; a guard line that cannot go stays, still naming the
// old text).
int GuardedRewrite(const ReplaceNames& names, const char* windowsDir, LineEditor& editor,
                   const char* words = nullptr);

// What a GuardedRewrite cut off left: its copy at oldPath was whole on
// the disk before path went, so with path missing the copy takes path's
// name back; with path there, the copy is one left before or after the swap
// and goes. newPath is left to the next rewrite, which begins it afresh.
enum GuardedRecovery {
    kGuardedNothing,  // nothing was left, or the copy is path again
    kGuardedDropped,  // a copy left aside went
    kGuardedStays,    // a copy left aside could not go
};
int RecoverGuardedReplace(const ReplaceNames& names);

}  // namespace fileio
