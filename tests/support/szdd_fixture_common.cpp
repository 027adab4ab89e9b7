// The SZDD fixture files of the source tree, for the unit tests.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/szdd_reference.h"

namespace szdd_reference {

std::string Fixture(const std::string& name) {
    std::string path = std::string(SETUP_SOURCE_DIR) + "/tests/data/szdd/" + name;
#ifdef _WIN32
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    path = "Z:" + path;
#endif
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "fixture " << path;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace szdd_reference
