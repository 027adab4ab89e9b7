// What a power cut may leave on the disk: the registries and directories
// the machine's write-behind allows, apart from the machine that keeps them.
#pragma once

#include <string>
#include <vector>

namespace plat {
namespace posix {

// The registry one disk may hold: as of the last flush, or as of a later
// change.
struct CutRegistry {
    long step;         // the last change it holds, an index into PowerLog; -1: none counted
    std::string text;  // REGEDIT4, as RegistrySaveText gives it
};
// One name as one disk holds it.
struct CutName {
    enum Kind { kAbsent, kFile, kDirectory };
    std::string host;  // host path
    Kind kind;
    std::string data;  // a file's bytes
    bool readOnly;
};
// The directory one disk may hold.
struct CutDirectory {
    std::vector<long> pending;   // the reordered operations, as made (PowerLog indices)
    std::vector<long> done;      // those of them on this disk, in the order they reached it
    std::vector<CutName> names;  // the names that differ from the machine as the program left it
};
// Every distinct disk a cut may leave, as two lists to combine: the
// registries (the one of the last flush first, then one per later change
// that changed it) and the directories (the one with every operation in
// the order made first).
struct CutDisks {
    std::vector<CutRegistry> registries;
    std::vector<CutDirectory> directories;
};

}  // namespace posix
}  // namespace plat
