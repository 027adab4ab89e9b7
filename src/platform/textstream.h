// Buffered text streams with the C runtime's text-mode rules, over the
// platform's file calls: reading turns CR LF into LF and stops at Ctrl-Z;
// writing turns LF into CR LF.
#pragma once

#include <stdint.h>

#include "platform/files.h"

const uint32_t kTextStreamBuffer = 4096;  // bytes read or written per file call

struct TextStream {
    plat::File file;
    int writing;          // 1 for an output stream
    int failed;           // a read or write has failed
    int ended;            // end of input or Ctrl-Z seen
    uint32_t pos;         // next byte of buf to read
    uint32_t len;         // bytes held in buf
    uint32_t fileOffset;  // file offset of buf[0] (reading)
    char buf[kTextStreamBuffer];
};

// Open for reading an existing file; 1 on success.
int TextOpenRead(TextStream* stream, const char* path);
// Create (or empty) a file for writing; 1 on success.
int TextOpenWrite(TextStream* stream, const char* path);

// Like fgets: reads up to size - 1 characters, stopping after a line feed.
// Returns the number of characters stored (0 at the end of the input).
uint32_t TextReadLine(TextStream* stream, char* line, uint32_t size);

// Offset in the file of the next character TextReadLine returns, and a way
// back to such an offset, so a line can be read a second time.
uint32_t TextTell(const TextStream* stream);
int TextSeek(TextStream* stream, uint32_t offset);

// Writes the text, each LF as CR LF; 1 unless a write has failed.
int TextWrite(TextStream* stream, const char* text);
// The same for length characters, NULs included: a line read with
// TextReadLine may hold them, and a copy must keep them.
int TextWriteBytes(TextStream* stream, const char* text, uint32_t length);

// Flushes and closes; 1 when every write and the close succeeded.
int TextClose(TextStream* stream);
