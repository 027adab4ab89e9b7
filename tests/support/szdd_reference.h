// A deliberately plain SZDD expander for checking the fast one: a 4096-byte
// ring, one byte at a time, stopping where the input ends (a match pair cut
// in half is dropped). Also a tiny literal-and-match writer for fixtures.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace szdd_reference {

// Expands the data after the 14-byte header.
std::string Expand(const std::string& body);

// The 14-byte header: magic, mode, last character, expanded length.
std::string Header(uint32_t length, char mode = 'A', char lastChar = 0);

// The bytes of tests/data/szdd/NAME, read from the source tree (under Wine
// through drive Z:).
std::string Fixture(const std::string& name);

// Builds a stream item by item: Literal(c) or Match(windowPos, len 3..18).
class Writer {
  public:
    void Literal(char c);
    void Match(uint32_t windowPos, uint32_t len);
    std::string Bytes() const;  // the stream so far, its last flag byte included
    size_t Size() const { return bytes_.size(); }

  private:
    std::vector<uint8_t> bytes_;
    size_t flagAt_ = 0;
    int items_ = 8;  // items under the current flag byte
};

}  // namespace szdd_reference
