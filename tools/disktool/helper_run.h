// The helper programs the builder runs for the images (mtools, xorriso).
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace disktool {

// Runs args[0] with args (no shell); false with *error when it is not
// installed (package names the one that has it) or does not exit 0. With a
// time stamp (seconds since 1970, else -1) it gets SOURCE_DATE_EPOCH.
bool RunHelper(const std::vector<std::string>& args, int64_t timeStamp, const char* package,
               std::string* error);

}  // namespace disktool
