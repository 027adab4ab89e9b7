// Hooks between the parts of the POSIX backend.
#pragma once

#include <string>

namespace plat {
namespace posix {

void ResetRegistryStore();  // registry.cpp: empty store, empty write record
void ResetProfileCache();   // profile.cpp: forget cached files
void ResetLzHandles();      // lz.cpp: close every open handle
bool PowerArmed();          // power.cpp: power cuts are being tried
bool PowerFails();          // power.cpp: the next step is allowed no byte at all
// registry.cpp: the registry on the disk, as Windows 95/98 keep it apart
// from the one in memory while power cuts are tried.
void RegistryMakeDurable();    // the store as it is now is on the disk
void RegistryBackToDurable();  // the store as the disk has it (a cut)
// machine.cpp: changes to dosPath (host path host) are refused: a
// write-protected drive, or a read-only or held file for a file's own changes.
bool DriveWriteProtected(const std::string& dosPath);
bool WriteDenied(const std::string& dosPath, const std::string& host);
// machine.cpp: a rename takes the read-only marks of from (and below it) along.
void MoveReadOnly(const std::string& fromHost, const std::string& toHost);

}  // namespace posix
}  // namespace plat
