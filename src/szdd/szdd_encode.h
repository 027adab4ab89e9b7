// The SZDD encoder of the disk tool: the format that lz32 and EXPAND read
// (see szdd.h for the decoder). A 14-byte header, then LZSS
// items under flag bytes (bit set: a literal byte; clear: a two-byte match
// of 3 to 18 bytes from a 12-bit window position). The window starts filled
// with blanks and the first byte lands at position 4096 - 16.
//
// A literal costs 9 bits and a match 17, whatever its length or distance,
// so the cheapest stream follows from the longest match at each position:
// any shorter length is a prefix of it at the same distance.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

namespace szdd {

enum class Parse {
    Greedy,   // the longest match where it is found, literal otherwise
    Lazy,     // a literal first when the next position has a longer match
    Optimal,  // fewest bits over the whole file (shortest path over positions)
};

const uint32_t kMinMatch = 3;
const uint32_t kMaxMatch = 18;
const size_t kMaxInput = 0xFFFFFFFFu;  // the header holds the length in 32 bits
// Candidates tried per position. Longer chains find longer matches ever more
// slowly; kWholeWindow tries every earlier position within reach, which
// makes the optimal parse the smallest stream the format allows.
const int kDefaultChain = 256;
const int kWholeWindow = 4096;

// Appends the whole SZDD file of data (header and stream) to out. lastChar
// is kept in the header: the character that the "_" in the compressed name
// stands for (0 when none). Returns false only for input too long for the
// header's length field.
bool Compress(const uint8_t* data, size_t size, uint8_t lastChar, Parse parse,
              std::vector<uint8_t>* out, int maxChain = kDefaultChain);

}  // namespace szdd
