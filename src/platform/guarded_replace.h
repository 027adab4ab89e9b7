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

// What a GuardedRewrite cut off left, with its guard line in windowsDir's
// WININIT.INI: the copy at oldPath was whole on the disk before path went,
// so with path missing the copy's text takes path's name (written and on
// the disk before the line goes: the line put back the same text). Then
// the line goes, and after it the copy unless keepCopy (setup's backup):
// Windows' start deletes a line's target when its source is missing, and
// a stale line would put the old text back over a later change. newPath
// is left to the next rewrite, which begins it afresh.
enum GuardedRecovery {
    kGuardedNothing,  // no copy was there
    kGuardedDropped,  // path is whole, the line gone, and the copy unless kept
    kGuardedStays,    // the line, or the copy, could not go
};
int RecoverGuardedReplace(const ReplaceNames& names, const char* windowsDir, bool keepCopy = false);

}  // namespace fileio
