// A name or a text as a REGEDIT4 file spells it, between quotes with its
// backslashes and quotes escaped: what the regedit of Windows 95/98 and
// Wine's write and read back. For native code and tests only (the
// registry stand-in's file, the disk tool's scratch machine, the tests'
// set-up under Wine's regedit too), so it stays a header: the programs
// never carry it.
#pragma once

#include <string>

namespace plat {

inline std::string RegQuoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

}  // namespace plat
