// The rules a read manifest must keep for the disks and for SETUP.EXE,
// each broken one reported at its manifest line.
#pragma once

#include <string>
#include <vector>

#include "manifest.h"

namespace disktool {

// Why a disk label pattern does not fit SETUP.EXE's field once "%d" is the
// widest disk number ("" when it fits).
std::string LabelProblem(const std::string& pattern);

// The rules that need the whole manifest, once its lines are read: the
// directory values, every file line, ProductName, the default label, and
// that there are files at all. Errors ("FILE:LINE: ...") go into errors,
// warnings into m->warnings; the default label is filled in.
void CheckWholeManifest(Manifest* m, std::vector<std::string>* errors);

}  // namespace disktool
