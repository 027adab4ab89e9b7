// A scratch machine for the engine tests, the same calls on both backends:
// natively a fake machine directory behind the POSIX stand-ins, under Wine
// a scratch directory and the prefix's real registry.
#pragma once

#include <string>

#include "model/setup_data.h"

// What the engine tests load and hand to the engine, in place of the
// program's own instances; Reset starts both over.
inline SetupScript gScript;
inline InstallChoices gChoices;

namespace testing_machine {

// Starts a fresh machine for one test: empty scratch directory tree, the
// registry keys the tests use removed, gScript and gChoices reset, and
// LoadText reading the program's string table. Returns the DOS path of the
// scratch root, e.g. "C:\T1".
std::string Reset();

// DOS path below the scratch root: Path("WINDOWS\\system.ini").
std::string Path(const std::string& relative);

// Host-independent file access by DOS path (for setting up and checking).
bool WriteFile(const std::string& dosPath, const std::string& bytes);  // creates parent dirs
bool ReadFile(const std::string& dosPath, std::string* bytes);
bool Exists(const std::string& dosPath);
bool MakeDirs(const std::string& dosPath);

// The file held as another program holds its running image: opening it
// for writing, replacing and deleting it fail, reading works, until
// ReleaseHeld or the next Reset.
bool Hold(const std::string& dosPath);
void ReleaseHeld();

// True on the POSIX stand-ins (where fault injection and the write record exist).
bool IsNative();

}  // namespace testing_machine
