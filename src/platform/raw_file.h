// A file read or written as the bytes it holds, buffered, with seeking back
// for a second read, and a line reader over it. Lines are read as the bytes
// they are: a NUL, a lone CR, a Ctrl-Z or a line longer than any buffer is
// carried over unchanged.
#pragma once

#include <stdint.h>

#include "platform/files.h"
#include "platform/line_facts.h"

namespace fileio {

const uint32_t kRawBuffer = 4096;  // bytes read or written per file call

struct RawFile {
    plat::File file;
    int failed;          // a read, write or seek has failed
    uint32_t bufOffset;  // file offset of buf[0]
    uint32_t pos;        // next byte of buf
    uint32_t len;        // bytes held in buf
    int writing;
    char buf[kRawBuffer];
};

int RawOpenRead(RawFile* f, const char* path);
int RawCreate(RawFile* f, const char* path);
// 1 when every read or write and the close succeeded.
int RawClose(RawFile* f);
// Reads the next line from the current offset; 0 at the end of the file or
// on a failed read (f->failed tells). words (may be null) are the words to
// look for, each ended by a NUL and the list by an empty one, as in
// "[386Enh]\0mouse\0": bit n of line->holds is set when the line holds the
// n-th of them, letter case counting (up to 32 words of kMaxLineWord bytes).
int RawNextLine(RawFile* f, LineFacts* line, const char* words = nullptr);
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

// 1 when every byte of part is the byte at its place in whole (a copy of
// whole, or one cut short), and with exact when whole holds no more; 0 when
// either does not read.
int StartOf(const char* part, const char* whole, int exact);

// What tells one file's bytes from another's: their count and a 32-bit
// hash of them (FNV-1a). 1 when the whole file was read.
struct Fingerprint {
    uint32_t size;
    uint32_t hash;
};
int FingerprintOf(const char* path, Fingerprint* print);

}  // namespace fileio
