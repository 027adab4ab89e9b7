// Names on the disks and on the target machine: the rules of FAT and of
// Windows that the builder and the checker both apply.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "footprint/footprint.h"

namespace disktool {

using footprint::kListName;
using footprint::kUninstaller;

std::string Lower(std::string s);
std::string Upper(std::string s);
std::string Trim(const std::string& s);
// The directory part of a host path ("." when there is none).
std::string Dir(const std::string& path);

// Letters inserted, removed or changed to turn a into b.
size_t EditDistance(const std::string& a, const std::string& b);
// Two names equal, letter case aside.
bool SameName(const std::string& a, const std::string& b);
// The first of candidates that name nearly is ("Start-up" for "Startup"):
// equal once all but letters and digits (and blanks, with keepBlanks) are
// taken out, or at most two edits away, letter case aside; "" for none.
std::string NearName(const std::string& name, const std::vector<std::string>& candidates,
                     bool keepBlanks);

// CON, AUX, NUL, LPT1.DAT...: names DOS and Windows open as devices,
// whatever the extension.
bool IsDeviceName(const std::string& name);
// Why a name cannot be one file name on Windows ("" when it can).
std::string FileNameProblem(const std::string& name);
// Why a DirectoryName value cannot be a relative path of plain names, the
// same on the disks and on the target ("" when it can). Directory names are
// spelled on the disk too, so they are kept to ASCII.
std::string DirectoryProblem(const std::string& value);

// An upper-case 8.3 name that FAT stores in one directory entry.
bool IsShortName(const std::string& name);
// Directory entries a name takes when mtools writes it: one, or one more per
// 13 characters of its long name.
int DirectoryEntries(const std::string& name);
// The name a file has on the disk: the target name in upper case when that
// is a short name, else a short name made from it ("READ ME.TXT" ->
// "README~1.TXT"); taken(name) says whether a name is in use already.
std::string DiskFileName(const std::string& target,
                         const std::function<bool(const std::string&)>& taken);

// True when rel (slash-separated) stays below the directory it is taken
// from: relative, no empty, "." or ".." component.
bool StaysInside(const std::string& rel);

}  // namespace disktool
