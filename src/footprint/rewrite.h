// Rewriting a text file byte for byte through a new file and renames: the
// one way system.ini (switch-over and restore) and WININIT.INI change.
// Lines are read as the bytes they are: a NUL, a lone CR, a Ctrl-Z or a line
// longer than any buffer is carried over unchanged, and a replaced line keeps
// the line end of the line it replaces (CR LF, LF, or none at the end).
#pragma once

#include <stdint.h>

#include "platform/files.h"

namespace footprint {

const uint32_t kRawBuffer = 4096;  // bytes read or written per file call
const uint32_t kLinePrefix = 512;  // bytes of a line kept for comparing; the length says the rest

// A file read or written as raw bytes, with seeking back for a second read.
struct RawFile {
    plat::File file;
    int failed;          // a read, write or seek has failed
    uint32_t bufOffset;  // file offset of buf[0]
    uint32_t pos;        // next byte of buf
    uint32_t len;        // bytes held in buf
    int writing;
    char buf[kRawBuffer];
};

// What a line is, gathered over all its bytes.
struct LineFacts {
    uint32_t start;            // file offset of its first byte
    uint32_t length;           // bytes before the line end
    uint32_t endBytes;         // 2 for CR LF, 1 for LF, 0 for a last line without one
    int hasHeader;             // contains "[386Enh]"
    int hasMouse;              // contains "mouse"
    char prefix[kLinePrefix];  // its first bytes (min(length, kLinePrefix)), not terminated
};

int RawOpenRead(RawFile* f, const char* path);
int RawCreate(RawFile* f, const char* path);
// 1 when every read or write and the close succeeded.
int RawClose(RawFile* f);
// Reads the next line from the current offset; 0 at the end of the file or
// on a failed read (f->failed tells).
int RawNextLine(RawFile* f, LineFacts* line);
// Moves to offset for the next read.
int RawSeek(RawFile* f, uint32_t offset);
int RawWrite(RawFile* out, const char* bytes, uint32_t n);
// Copies count bytes from offset start of in to out; in is left after them.
int RawCopy(RawFile* in, uint32_t start, uint32_t count, RawFile* out);
// The line's end bytes ("\r\n", "\n" or nothing) written to out.
int RawWriteLineEnd(RawFile* out, const LineFacts& line);
// 1 when two lines of two files hold the same bytes, letters compared
// case-blind; both files are left after their lines.
int SameLine(RawFile* a, const LineFacts& la, RawFile* b, const LineFacts& lb);
// 1 when the line is text exactly (case-blind when caseBlind).
int LineIs(const LineFacts& line, const char* text, int caseBlind);

// Copies from to a new file to, byte for byte; 1 when all of it is there.
int CopyWhole(const char* from, const char* to);

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

// ---- replacing a file through a new file ---------------------------------

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

enum RewriteResult {
    kRewriteFailed = 0,     // nothing changed: path is as it was (newPath gone)
    kRewriteDone = 1,       // path holds the new text
    kRewriteUnchanged = 2,  // the editor changed nothing: path, newPath, asidePath untouched
};

// Rewrites path through newPath: every line passes the editor into newPath,
// which must be read and written whole; then ReplaceFile with asidePath as
// the old text's name (kept when guarded by windowsDir, else gone).
int RewriteTextFile(const char* path, const char* newPath, const char* asidePath,
                    const char* windowsDir, LineEditor& editor);

// WININIT.INI of windowsDir: adds each of lines ("dest=source", no line end)
// that its [rename] section does not hold yet, into that section (made when
// missing). Lines elsewhere, or that only begin the same, do not count.
// 1 on success (also when nothing had to be added); *created (may be null)
// is 1 when the call made the file.
int WininitAdd(const char* windowsDir, const char* const* lines, int count, int* created);
// Finishes or drops what a run cut off between WININIT.INI's renames left:
// every program calls it first, so another program's pending lines are
// never lost to a later start.
void WininitRecover(const char* windowsDir);
// Removes the line from the [rename] section; when created (WininitAdd
// made the file) and nothing else was added since, the file goes. 1 on
// success.
int WininitRemove(const char* windowsDir, const char* line, int created);

}  // namespace footprint
