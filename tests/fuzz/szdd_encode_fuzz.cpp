// libFuzzer target for the disk tool's SZDD encoder: any input is data to
// compress (its first byte picks the parse); the file made must expand to
// the data again with our decoder, handed over in pieces, and with the
// plain reference expander.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "support/szdd_reference.h"
#include "szdd/szdd.h"
#include "szdd/szdd_encode.h"

namespace {

szdd::Decoder gDecoder;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const szdd::Parse parses[] = {szdd::Parse::Greedy, szdd::Parse::Lazy, szdd::Parse::Optimal};
    const size_t pieces[] = {0, 1, 17, 4096};
    szdd::Parse parse = parses[data[0] % 3];
    size_t piece = pieces[(data[0] / 3) % 4];
    const uint8_t* in = data + 1;
    size_t n = size - 1;
    std::vector<uint8_t> file;
    if (!szdd::Compress(in, n, 0, parse, &file) || file.size() < szdd::kHeaderSize) {
        abort();
    }
    std::vector<uint8_t> out(n + 1);
    uint64_t got =
        szdd::ExpandMemory(&gDecoder, file.data() + szdd::kHeaderSize,
                           file.size() - szdd::kHeaderSize, piece, out.data(), out.size());
    if (got != n || (n > 0 && memcmp(out.data(), in, n) != 0)) {
        abort();
    }
    std::string body(file.begin() + szdd::kHeaderSize, file.end());
    if (szdd_reference::Expand(body) != std::string(reinterpret_cast<const char*>(in), n)) {
        abort();
    }
    // Nine bits a byte at worst, plus a flag byte's rounding.
    if (file.size() > szdd::kHeaderSize + n + (n + 7) / 8) {
        abort();
    }
    return 0;
}
