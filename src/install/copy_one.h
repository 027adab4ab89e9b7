// One file's bytes from its source to its destination: what the copy
// engine and the files waiting for the next start both use.
#pragma once

// Opens a source for reading (expanding an SZDD file): an LZ handle, or -1
// when it cannot be opened (a null path included: it did not fit).
int OpenSourceFile(const char* path);
// What became of one file.
enum CopyOutcome {
    kCopyNotWritten = 0,  // the destination could not be created or written
    kCopyWritten = 1,     // written, or skipped: its source did not open
    kCopyHeld = 2,        // another program holds the destination: nothing written
};
// Only when source is a handle: creates (or replaces) the destination and
// copies into it; a null path creates nothing. Closes what was opened. A
// file begun and cut short is deleted, and so is the file lz32 makes under
// the compressed spelling when it cannot create the destination itself. A
// CopyOutcome; a source that did not open is skipped, not failed.
int CopyToDestination(int source, const char* path);
