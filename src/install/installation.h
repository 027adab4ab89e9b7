// The steps of an installation in one place: what the install page runs.
#pragma once

#include "install/file_copy.h"

class InstallRecord;
struct InstallChoices;
struct SetupScript;

// The install page's side of the run: the copy's progress, the pause before
// the registration, and the answer to "cancelled?". Its implementations are
// the install page (ui/install_page.cpp) and the tests.
class InstallProgress : public CopyProgress {
  public:
    // Before the registration: "Updating Registry..." shown, then a pause.
    virtual void Registering() = 0;
    // 1 once the run has been cancelled, during the copy or the pause.
    virtual int Cancelled() = 0;

  protected:
    ~InstallProgress() {}
};

// Progress shown nowhere: the unattended run's, and a test's that watches
// none of it.
class NoProgress final : public InstallProgress {
  public:
    void NewDisk(int) override {}
    void CopyingFile(const FileEntry&) override {}
    void Percentage(int) override {}
    int MessageStep() override { return 0; }
    void Registering() override {}
    int Cancelled() override { return 0; }
};

enum InstallResult {
    kInstallCancelled = 0,
    kInstallDone = 1,
    kInstallCopyFailed = 2,      // a file could not be written; system.ini left as it is
    kInstallSwitchFailed = 3,    // system.ini or VMOUSE.VXD could not be switched over
    kInstallRegisterFailed = 4,  // a registry write failed; system.ini left as it is
    kInstallRecordFailed = 5,    // the install record could not be written: see below
    kInstallForeignRecord = 6,   // the folder's SETUP.INF is another program's: nothing changed
    kInstallRestartFirst = 7,    // WININIT.INI holds work on setup's files: nothing copied
    kInstallDoneAtRestart = 8,   // installed; files in use are put in place at the next start
};

// Installs script's plan and registration as choices say: creates the
// subdirectories, records the target files as they are in record (and
// counts the shared ones), copies the plan, pauses, registers the
// application and the driver, puts the registry on the disk and switches
// system.ini over. A folder whose SETUP.INF is another program's (or the
// setup script itself) is refused before anything changes, and so is a
// run whose files another program's WININIT.INI lines rename; the
// product's own lines on them are taken out once the record holds what
// the files were. A cancelled copy stops after the file in progress; what
// was copied is registered all the same, but system.ini is left as it is,
// as after a copy that failed. A record that cannot be
// written before the copy stops it before the first file; after it, the
// registration leaves every value it would record as it is. Returns an
// InstallResult.
int RunInstallation(const SetupScript& script, const InstallChoices& choices, InstallRecord& record,
                    InstallProgress& progress);
