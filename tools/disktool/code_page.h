// The manifest's UTF-8 into the Windows code page the disks are read in.
#pragma once

#include <string>

namespace disktool {

// UTF-8 to the Windows code page (1252); false at a byte sequence that is
// not UTF-8 or a character the code page cannot hold (*bad says which).
bool Utf8ToWindows(const std::string& in, std::string* out, std::string* bad);

}  // namespace disktool
