// A streaming decoder of the SZDD format written by the COMPRESS tool and
// read by EXPAND and lz32: a 14-byte header (magic, mode 'A', the last
// character of the name, the expanded length) followed by LZSS data over a
// 4096-byte window that starts filled with blanks at position 4096 - 16.
//
// The decoder works on fixed buffers whatever the file size. Every byte
// string after the header is a valid stream; a stream that ends inside a
// match pair stops before the pair. The length field is not trusted: the
// data are decoded until the input ends, as lz32 does.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace szdd {

// The header, the one definition the decoder, the disk tool's encoder and
// its checker share: the magic, mode 'A', the character the "_" of the
// compressed name stands for (0 when none), the expanded length (LE 32).
const uint32_t kHeaderSize = 14;
const uint8_t kMagic[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
const uint8_t kModeA = 'A';
const uint32_t kModeOffset = 8;
const uint32_t kLastCharOffset = 9;
const uint32_t kLengthOffset = 10;
// The expanded length a header states.
inline uint32_t HeaderLength(const uint8_t* head) {
    const uint8_t* p = head + kLengthOffset;
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
const uint32_t kWindowSize = 4096;
const uint32_t kBufferSize = 64 * 1024;

// The name lz32 tries when a file does not open under its own name, the
// compressed file's name (FOO.EXE -> FOO.EX_, FOO.EX -> FOO.EX_, FOO ->
// FOO._); the header's last character gives the "_" back.
std::string CompressedName(const std::string& path);

enum class Format {
    Plain,        // no SZDD header (or shorter than a header): copied unchanged
    Compressed,   // SZDD with mode 'A'
    UnknownMode,  // SZDD magic with another mode: lz32 refuses to expand it
};

// Classifies the first n bytes of a file (n may be less than kHeaderSize).
Format Classify(const uint8_t* head, uint32_t n);

// Where the decoder reads the data after the header and writes its output.
struct Stream {
    // Reads up to size bytes; *got is 0 at the end. 1 unless the read failed.
    int (*read)(void* context, uint8_t* buf, uint32_t size, uint32_t* got);
    // 1 when all size bytes were written.
    int (*write)(void* context, const uint8_t* buf, uint32_t size);
    void* context;
};

const int64_t kWriteFailed = -1;

// Working memory of one expansion; large, so keep it static or on the heap.
struct Decoder {
    // Input, with room to keep the unread tail of the previous fill.
    uint8_t in[kBufferSize];
    // Output: the last kWindowSize bytes written (blanks at the start) stand
    // before the new output, so a match copies from the output itself; the
    // slack takes the whole-word overrun of the fast match copy.
    uint8_t out[kWindowSize + kBufferSize + 64];
};

// Expands the stream that follows the header: the number of bytes written,
// or kWriteFailed. A failed read ends the data like the end of the input
// (lz32 does the same: its copy reports the bytes it got).
int64_t Expand(Decoder* decoder, const Stream& stream);

// Expands the data after the header held in memory into out, handing the
// input over in pieces of at most `piece` bytes (0: all at once) so the
// refill paths are reached. Returns the expanded length, which may exceed
// outSize (only outSize bytes are stored then). For the fuzz target and tests.
uint64_t ExpandMemory(Decoder* decoder, const uint8_t* data, size_t size, size_t piece,
                      uint8_t* out, size_t outSize);

}  // namespace szdd
