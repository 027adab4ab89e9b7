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

// Deletes path after emptying it on the disk (a truncation is data, there at
// once): its delete may reach the disk after later changes, even after a
// start of Windows, and what comes back so must hold nothing. 1 when gone.
int DeleteEmptied(const char* path);

// What every replace begins with: path is not read-only (Windows' own
// profile calls leave such a file alone), newPath is flushed and proven
// whole by whole (null: the caller's writes and close succeeded, which is
// proof enough for it), and an older file at oldPath goes. 1 when the swap
// may begin.
int ReadyToReplace(const ReplaceNames& names, int (*whole)(const char* path));

// newPath, written whole by the caller, takes path's name: once
// ReadyToReplace, path steps aside as oldPath, newPath is renamed to path
// and oldPath goes. Every step is checked: 1 when path holds the new text,
// 0 when path is as it was (newPath gone). A file that must never be
// missing goes through GuardedRewrite (guarded_replace.h) instead.
int ReplaceFile(const ReplaceNames& names, int (*whole)(const char* path) = nullptr);

// What a ReplaceFile cut off left, dropped: with path missing and newPath
// beside it, oldPath is path as it was before the replace (or, after a
// start of Windows carried out path, a copy emptied before it went) and
// takes its name back; the replace had not returned, so nothing counted
// on it. Without newPath, oldPath is a copy left after the renames. newPath
// and oldPath go.
void RecoverReplace(const ReplaceNames& names);

enum RewriteResult {
    kRewriteFailed = 0,     // nothing changed: path is as it was (newPath gone)
    kRewriteDone = 1,       // path holds the new text
    kRewriteUnchanged = 2,  // the editor changed nothing: path, newPath, oldPath untouched
};

// The first half of a rewrite: every line of path passes the editor into
// newPath, which must be read and written whole. kRewriteDone when newPath
// holds the changed text (taking path's name is the caller's),
// kRewriteUnchanged or kRewriteFailed with newPath gone. words (may be
// null) are the words the editor's lines flag, as RawNextLine takes them.
int WriteRewrite(const ReplaceNames& names, LineEditor& editor, const char* words);

// Rewrites path through newPath (WriteRewrite), then ReplaceFile with
// oldPath as the old text's name while the new one takes path's.
int RewriteTextFile(const ReplaceNames& names, LineEditor& editor, const char* words = nullptr);

}  // namespace fileio
