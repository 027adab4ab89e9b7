// Windows' own files, which a manifest may install over but the uninstall
// list never names.
#pragma once

#include <string>

namespace disktool {

// A file of Windows itself (SYSTEM.INI in the Windows directory, a system
// library in SYSTEM): installing over it is allowed with a warning, and the
// uninstall list never names it.
bool IsWindowsOwnFile(int keyword, const std::string& target);

}  // namespace disktool
