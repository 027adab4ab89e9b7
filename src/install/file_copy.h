// The copy engine under the install page: paths of one plan entry, the
// subdirectories, and the walk over the whole plan with progress.
#pragma once

#include <stdint.h>

#include "install/copy_one.h"
#include "install/plan_paths.h"

class InstallRecord;
struct FileEntry;
struct InstallChoices;
struct SetupScript;

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

// Creates destDir\SubDirN for every non-empty SubDir1..SubDir6, in order.
void CreateSubdirectories(const SetupScript& script, const InstallChoices& choices);

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
