// Hooks between the parts of the POSIX backend.
#pragma once

#include <string>
#include <vector>

#include "platform/posix/cut_disks.h"

namespace plat {
namespace posix {

void ResetRegistryStore();  // registry.cpp: empty store, empty write record
void ResetProfileCache();   // profile.cpp: forget cached files
void ResetLzHandles();      // lz.cpp: close every open handle
bool PowerArmed();          // power.cpp: power cuts are being tried
bool PowerFails();          // power.cpp: the next step is allowed no byte at all
long PowerLastStep();       // power.cpp: the step being made (a PowerLog index), -1 uncounted
// registry.cpp: the registry on the disk, as Windows 95/98 keep it apart
// from the one in memory while power cuts are tried.
void RegistryMakeDurable();                 // the store as it is now is on the disk
void RegistryBackToDurable();               // the store as the disk has it (a cut)
void RegistryChanged();                     // after a change: one more registry a cut may leave
std::vector<CutRegistry> RegistryOnDisk();  // the flush's, then one per change since
// write_behind.cpp: the directory operations made while steps are counted
// (host paths, after the operation succeeded) and the directories a cut
// may leave.
void DirectoryMade(const std::string& host, bool directory);
void DirectoryRemoved(const std::string& host, bool directory, const std::string& data);
void DirectoryRenamed(const std::string& fromHost, const std::string& toHost);
void DirectoryFlushed(const std::string& host);  // FlushFileBuffers of the file there
void DirectoryForget();                          // none yet: counting starts or ends
std::vector<CutDirectory> DirectoryOnDisk();
// machine.cpp: changes to dosPath (host path host) are refused: a
// write-protected drive, or a read-only or held file for a file's own changes.
bool DriveWriteProtected(const std::string& dosPath);
bool WriteDenied(const std::string& dosPath, const std::string& host);
// machine.cpp: a..z for A..Z, the backend's case-blind keys; a host
// file's bytes (false when it does not open).
std::string Lower(std::string s);
bool HostFileBytes(const std::string& host, std::string* data);
// machine.cpp: a rename takes the read-only marks of from (and below it) along.
void MoveReadOnly(const std::string& fromHost, const std::string& toHost);

}  // namespace posix
}  // namespace plat
