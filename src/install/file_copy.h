// The copy engine under the install page: paths of one plan entry, the
// subdirectories, and the walk over the whole plan with progress.
#pragma once

#include <stdint.h>

class InstallRecord;
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
// What became of one file.
enum CopyOutcome {
    kCopyNotWritten = 0,  // the destination could not be created or written
    kCopyWritten = 1,     // written, or skipped: its source did not open
    kCopyHeld = 2,        // another program holds the destination: nothing written
};
// Only when source is a handle: creates (or replaces) the destination and
// copies into it; a null path creates nothing. Closes what was opened. A
// file begun and cut short is deleted, and so is the file lz32 makes under
// the compressed spelling when it cannot create the destination itself. A
// CopyOutcome; a source that did not open is skipped, not failed.
int CopyToDestination(int source, const char* path);

// Percentage shown for file i (from 0) of n: (i * 100 + 100) / n.
int CopyPercentage(int i, int n);

// Walks script's plan into choices.destDir, disk by disk and file by file,
// reporting to progress; the source is opened, one message step, the
// destination created and copied, one more message step. A step that
// answers "cancelled" ends the walk before the next file. A file is never
// copied onto itself (the program's own folder as its destination); one
// another program holds is replaced at the next start (ReplaceAtRestart,
// the record naming it first), and what an earlier run left waiting for a
// file written now is taken back. kCopyCancelled, kCopyDone, kCopyFailed
// when every file was walked but one could not be written, kCopyAtRestart
// when every file was written but some wait for the next start.
enum CopyResult { kCopyCancelled = 0, kCopyDone = 1, kCopyFailed = 2, kCopyAtRestart = 3 };
int CopyInstallPlan(const SetupScript& script, const InstallChoices& choices, InstallRecord& record,
                    CopyProgress& progress);
