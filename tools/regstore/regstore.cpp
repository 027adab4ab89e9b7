// regstore: the registry store on the command line, for the round trip
// with Wine's regedit.
//
//   regstore save IN... OUT   load the .reg files IN (REGEDIT4 or version 5,
//                             UTF-16 or 8-bit) into one store and write it
//                             as REGEDIT4 to OUT
//   regstore dump [-k KEY]... IN...
//                             load them and print every key and value in a
//                             fixed order (sorted; hex data on one line), so
//                             two stores can be compared with diff; with -k
//                             only KEY and the keys below it
#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/posix/machine.h"

namespace {

bool LoadAll(char** files, int count) {
    for (int i = 0; i < count; i++) {
        if (!plat::posix::RegistryLoadFile(files[i])) {
            fprintf(stderr, "regstore: %s does not load cleanly\n", files[i]);
            return false;
        }
    }
    return true;
}

// The store's own REGEDIT4 text, one line per value, sections and the
// values in each sorted: Wine keeps keys and values sorted, the store keeps
// them in the order written.
std::string Canonical(const std::vector<std::string>& under) {
    std::string text = plat::posix::RegistrySaveText();
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(pos, end - pos);
        pos = end + 2;
        if (!lines.empty() && !lines.back().empty() && lines.back().back() == '\\' &&
            lines.back()[0] != '[') {
            lines.back().pop_back();
            lines.back() += line.substr(line.find_first_not_of(' '));
        } else {
            lines.push_back(line);
        }
    }
    std::vector<std::vector<std::string>> sections;
    for (const std::string& line : lines) {
        if (!line.empty() && line[0] == '[') {
            sections.push_back({line});
        } else if (!line.empty() && !sections.empty()) {
            sections.back().push_back(line);
        }
    }
    auto outside = [&under](const std::vector<std::string>& s) {
        if (under.empty()) {
            return false;
        }
        for (const std::string& k : under) {
            std::string open = "[" + k;
            if (s[0].compare(0, open.size(), open) == 0 &&
                (s[0].size() == open.size() + 1 || s[0][open.size()] == '\\')) {
                return false;
            }
        }
        return true;
    };
    sections.erase(std::remove_if(sections.begin(), sections.end(), outside), sections.end());
    for (auto& s : sections) {
        std::sort(s.begin() + 1, s.end());
    }
    std::sort(sections.begin(), sections.end());
    std::string out;
    for (const auto& s : sections) {
        for (const std::string& line : s) {
            out += line + "\n";
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "save" && argc >= 4) {
        if (!LoadAll(argv + 2, argc - 3)) {
            return 1;
        }
        if (!plat::posix::RegistrySaveFile(argv[argc - 1])) {
            fprintf(stderr, "regstore: cannot write %s\n", argv[argc - 1]);
            return 1;
        }
        return 0;
    }
    if (cmd == "dump") {
        std::vector<std::string> under;
        int i = 2;
        while (i + 1 < argc && std::string(argv[i]) == "-k") {
            under.push_back(argv[i + 1]);
            i += 2;
        }
        if (i < argc) {
            if (!LoadAll(argv + i, argc - i)) {
                return 1;
            }
            fputs(Canonical(under).c_str(), stdout);
            return 0;
        }
    }
    fprintf(stderr, "usage: regstore save IN... OUT | regstore dump IN...\n");
    return 2;
}
