// libFuzzer target for the SZDD decoder: any input is a stream (its first
// byte picks the piece size the input is handed over in). The output must
// equal the plain reference expander's, whatever the pieces.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "support/szdd_reference.h"
#include "szdd/szdd.h"

namespace {

szdd::Decoder gDecoder;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const size_t pieces[] = {0, 1, 2, 3, 7, 16, 17, 18, 19, 100, 4096, 65536};
    size_t piece = pieces[data[0] % (sizeof pieces / sizeof pieces[0])];
    std::string body(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string expected = szdd_reference::Expand(body);
    std::vector<uint8_t> out(expected.size() + 1);
    uint64_t n = szdd::ExpandMemory(&gDecoder, data + 1, size - 1, piece, out.data(), out.size());
    if (n != expected.size() || memcmp(out.data(), expected.data(), expected.size()) != 0) {
        abort();
    }
    return 0;
}
