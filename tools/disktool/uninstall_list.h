// The uninstall list (UNINSTAL.INF) the builder puts beside UNINSTAL.EXE.
#pragma once

#include <string>

#include "manifest.h"

namespace disktool {

// The uninstall list (UNINSTAL.INF, CR LF lines) for a manifest that ships
// UNINSTAL.EXE: the [Startup] values, every file's place and path (the list
// itself among them, Windows' own files left out) and the directories the
// installation makes.
std::string UninstallList(const Manifest& m);

}  // namespace disktool
