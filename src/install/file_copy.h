// The copy engine under the install page: paths of one plan entry, the
// subdirectories, and the walk over the whole plan with progress.
#pragma once

#include <stdint.h>

const int kPathSize = 256;  // every composed path fits here

// The install page plugs into the walk through this interface; its
// implementations are the install page (ui/install_page.cpp) and the tests.
class CopyProgress {
  public:
    virtual void NewDisk(int disk) = 0;         // frame drawn, bar emptied
    virtual void Status(const char* text) = 0;  // status text shown
    virtual void Percentage(int percent) = 0;   // "%d%%" and the bar
    virtual void MessageStep() = 0;             // take one waiting message

  protected:
    ~CopyProgress() {}
};

// Paths of file `file` (from 0) of disk `disk` (from 0); 1 when the path fitted.
int BuildSourcePath(int disk, int file, char* path);       // path: kPathSize bytes
int BuildDestinationPath(int disk, int file, char* path);  // path: kPathSize bytes

// Creates destDir\SubDirN for every non-empty SubDir1..SubDir6, in order.
void CreateSubdirectories();

// Opens a source for reading (expanding an SZDD file): an LZ handle, or -1
// when it cannot be opened (a null path included: it did not fit).
int OpenSourceFile(const char* path);
// Only when source is a handle: creates (or replaces) the destination and
// copies into it; a null path creates nothing. Closes what was opened; the
// copy's result is not examined.
void CopyToDestination(int source, const char* path);

// Percentage shown for file i (from 0) of n: (i * 100 + 100) / n.
int CopyPercentage(int i, int n);
// Right edge of the bar for percent p over a shrunk rectangle left..right.
int BarRight(int left, int right, int percent);

// Walks the plan disk by disk and file by file while gSetup.pageResult is
// not 0 (cancel), reporting to progress; the source is opened, one message
// step, the destination created and copied, one more message step.
void CopyInstallPlan(CopyProgress* progress);
