// The fake Windows machine of the POSIX stand-ins as a native tool uses it
// to run the program's own loader over a disk (the disk tool): a host
// directory standing for the drives, started and ended, DOS paths resolved,
// a registry loaded, a profile file's lines. Native builds only; the whole
// stand-in, with its test hooks, is platform/posix/machine.h.
#pragma once

#include <string>
#include <vector>

namespace plat {
namespace posix {

// Starts a fresh machine on the host directory root (drive C: is root +
// "/c", A: is root + "/a"), with the Windows and system directories and the
// program's own path given; EndToolMachine leaves an empty one.
void StartToolMachine(const std::string& root, const std::string& windowsDir,
                      const std::string& systemDir, const std::string& moduleFileName);
void EndToolMachine();

// The host path that a DOS path names: drive letter, then each component
// matched case-blindly against what exists; components that do not exist
// keep their spelling. "" for a path without a drive.
std::string HostPath(const char* dosPath);

// Merges registry keys and values given as REGEDIT4 text into the store.
bool RegistryLoadText(const std::string& regText);

// A profile file's lines as the private-profile stand-in parses them, every
// section in file order, repeated ones included (the reading calls only
// ever search the first of equal names). For tools that explain a file.
struct ProfileLine {
    std::string name;
    bool hasValue;  // false: a line without '=', which reads as missing
    std::string value;
};
struct ProfileSectionLines {
    std::string name;
    bool headerless;  // the lines before the first section header
    std::vector<ProfileLine> lines;
};
bool ProfileParseFile(const std::string& hostFile, std::vector<ProfileSectionLines>* sections);

}  // namespace posix
}  // namespace plat
