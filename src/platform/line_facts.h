// What the line reader tells of one line of a raw byte file: where it lies,
// how it ends, its first bytes, and which of the caller's words it holds.
#pragma once

#include <stdint.h>

namespace fileio {

const uint32_t kLinePrefix = 512;  // bytes of a line kept for comparing; the length says the rest
const uint32_t kMaxLineWord = 8;   // bytes of a word the reader can find; a longer one never is

struct LineFacts {
    uint32_t start;            // file offset of its first byte
    uint32_t length;           // bytes before the line end
    uint32_t endBytes;         // 2 for CR LF, 1 for LF, 0 for a last line without one
    uint32_t holds;            // bit n: the line holds the n-th word the reader was given
    char prefix[kLinePrefix];  // its first bytes (min(length, kLinePrefix)), not terminated
};

// 1 when the line's first byte after blanks and tabs is '[': it starts a
// section, as the profile calls read it.
int IsSectionHeader(const LineFacts& line);

}  // namespace fileio
