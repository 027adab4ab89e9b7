// Replacing a file through a new file and renames, so that a power cut at
// any moment leaves the old text or the new one whole, and the rewrite of a
// text file byte for byte that goes through it: a replaced line keeps the
// line end of the line it replaces (CR LF, LF, or none at the end).
#pragma once

#include "platform/raw_file.h"

namespace fileio {

// Decides each line of a rewrite: writes it (RawCopy of its bytes) or what
// takes its place. Returns 0 when a write failed; sets *changed when what it
// wrote differs from the line.
class LineEditor {
  public:
    virtual int Edit(RawFile* in, const LineFacts& line, RawFile* out, int* changed) = 0;
    // Called once after the last line (lines to add at the end); 0 on failure.
    virtual int Finish(RawFile* out, int* changed) {
        (void)out;
        (void)changed;
        return 1;
    }

  protected:
    ~LineEditor() {}
};

// The names of one replace.
struct ReplaceNames {
    const char* path;     // the file
    const char* newPath;  // its new text, written whole before anything else
    const char* oldPath;  // its old text while the new one takes the name
};

// Puts what was written to path on the disk (FlushFileBuffers on a handle
// of its own): Windows 95/98 write file data lazily too. 1 on success.
int FlushToDisk(const char* path);

// newPath, written whole by the caller, takes path's name: it is flushed,
// proven whole by whole (null: the caller's writes and close succeeded,
// which is proof enough for it), an older file at oldPath goes, then path steps aside as oldPath,
// newPath is renamed to path and oldPath goes. With windowsDir, path is copied whole to oldPath
// instead (and flushed), a WININIT.INI line "path=oldPath" covers the moment path is missing
// (Windows' start puts the old file back before it reads system.ini), path is deleted, newPath
// renamed and the line removed; oldPath then stays for the caller. A
// read-only path is left alone, as Windows' own profile calls leave it.
// Every step is checked: 1 when path holds the new text, 0 when path is as
// it was (newPath gone; a guard line that cannot go stays, still naming the
// old text).
int ReplaceFile(const ReplaceNames& names, const char* windowsDir,
                int (*whole)(const char* path) = nullptr);

// What an unguarded ReplaceFile cut off left, finished or dropped: with
// path missing, oldPath there and newPath beside it, newPath was whole on
// the disk before path stepped aside, so it takes the name (when whole,
// which may be null, agrees; else oldPath comes back). Without newPath,
// oldPath is a copy left after the renames. newPath and oldPath go.
void RecoverReplace(const ReplaceNames& names, int (*whole)(const char* path));

// What a guarded ReplaceFile (windowsDir given) cut off left: its copy at
// oldPath was whole on the disk before path went, so with path missing the
// copy takes path's name back; with path there, the copy is one left before
// or after the swap and goes. newPath is left to the next rewrite, which
// begins it afresh.
enum GuardedRecovery {
    kGuardedNothing,  // nothing was left, or the copy is path again
    kGuardedDropped,  // a copy left aside went
    kGuardedStays,    // a copy left aside could not go
};
int RecoverGuardedReplace(const ReplaceNames& names);

enum RewriteResult {
    kRewriteFailed = 0,     // nothing changed: path is as it was (newPath gone)
    kRewriteDone = 1,       // path holds the new text
    kRewriteUnchanged = 2,  // the editor changed nothing: path, newPath, asidePath untouched
};

// Rewrites path through newPath: every line passes the editor into newPath,
// which must be read and written whole; then ReplaceFile with asidePath as
// the old text's name (kept when guarded by windowsDir, else gone). words
// (may be null) are the words the editor's lines flag, as RawNextLine takes
// them.
int RewriteTextFile(const char* path, const char* newPath, const char* asidePath,
                    const char* windowsDir, LineEditor& editor, const char* words = nullptr);

}  // namespace fileio
