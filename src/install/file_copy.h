// The copy engine under the install page: paths of one plan entry, the
// subdirectories, and the walk over the whole plan with progress.
#pragma once

#include <stdint.h>

struct FileEntry;
struct InstallChoices;
struct SetupScript;

const int kPathSize = 256;  // every composed path fits here

// The install page follows the walk through this interface; its
// implementations are the install page (ui/install_page.cpp) and the tests.
class CopyProgress {
  public:
    virtual void NewDisk(int disk) = 0;                    // frame drawn, bar emptied
    virtual void CopyingFile(const FileEntry& entry) = 0;  // its name and description shown
    virtual void Percentage(int percent) = 0;              // "%d%%" and the bar
    // Takes one waiting message; 1 once the run has been cancelled.
    virtual int MessageStep() = 0;

  protected:
    ~CopyProgress() {}
};

// Paths of file `file` (from 0) of disk `disk` (from 0) of script's plan:
// below script.setupDir and choices.destDir; 1 when the path fitted, 0 when
// it did not (path holds it cut) or the entry's name for it is empty (path
// is empty).
int BuildSourcePath(const SetupScript& script, int disk, int file, char* path);  // kPathSize bytes
int BuildDestinationPath(const SetupScript& script, const InstallChoices& choices, int disk,
                         int file, char* path);  // kPathSize bytes

// Creates destDir\SubDirN for every non-empty SubDir1..SubDir6, in order.
void CreateSubdirectories(const SetupScript& script, const InstallChoices& choices);

// Opens a source for reading (expanding an SZDD file): an LZ handle, or -1
// when it cannot be opened (a null path included: it did not fit).
int OpenSourceFile(const char* path);
// Only when source is a handle: creates (or replaces) the destination and
// copies into it; a null path creates nothing. Closes what was opened. 0
// when the destination could not be created or written (a file begun is
// deleted), 1 otherwise: a source that did not open is skipped, not failed.
int CopyToDestination(int source, const char* path);

// Percentage shown for file i (from 0) of n: (i * 100 + 100) / n.
int CopyPercentage(int i, int n);

// Walks script's plan into choices.destDir, disk by disk and file by file,
// reporting to progress; the source is opened, one message step, the
// destination created and copied, one more message step. A step that answers "cancelled" ends the
// walk before the next file. kCopyCancelled, kCopyDone, or kCopyFailed when
// every file was walked but one could not be written.
enum CopyResult { kCopyCancelled = 0, kCopyDone = 1, kCopyFailed = 2 };
int CopyInstallPlan(const SetupScript& script, const InstallChoices& choices,
                    CopyProgress& progress);
