// This run's part of the install log, when the setup script asks for one:
// its head and the choices, in the words a support person needs.
#pragma once

// Opens the log at path ("" none) and writes what the run starts from:
// the product and its driver's date, the Windows version, the folders.
void LogRunStart(const char* path, const char* mode);
// The choices the installation is made with, and the free space of the
// destination's drive.
void LogChoices();
