// The steps of an installation in one place: what the install page runs.
#pragma once

#include "install/file_copy.h"

struct SetupState;

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

// Creates the subdirectories, records the target files as they are (and
// counts the shared ones), copies the plan, pauses, registers the
// application and the driver, and switches system.ini over. A cancelled copy
// stops after the file in progress; what was copied is registered all the
// same, but system.ini is left as it is. 1 when the installation ran to its
// end, 0 when it was cancelled.
int RunInstallation(SetupState& state, InstallProgress& progress);
