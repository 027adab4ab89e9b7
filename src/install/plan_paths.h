// Where one entry of the install plan comes from and goes to.
#pragma once

struct InstallChoices;
struct SetupScript;

const int kPathSize = 256;  // every composed path fits here

// Paths of file `file` (from 0) of disk `disk` (from 0) of script's plan:
// below script.setupDir and choices.destDir; 1 when the path fitted, 0 when
// it did not (path holds it cut) or the entry's name for it is empty (path
// is empty).
int BuildSourcePath(const SetupScript& script, int disk, int file, char* path);  // kPathSize bytes
int BuildDestinationPath(const SetupScript& script, const InstallChoices& choices, int disk,
                         int file, char* path);  // kPathSize bytes
