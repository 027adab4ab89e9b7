#include "install/installation.h"

#include "install/file_copy.h"
#include "install/register_driver.h"
#include "install/system_ini.h"
#include "install/target_files.h"
#include "model/setup_state.h"

int RunInstallation(SetupState& state, InstallProgress& progress) {
    // An existing subdirectory is no failure: the copy goes on either way.
    CreateSubdirectories(state);
    RecordTargetFiles(state);
    int copied = CopyInstallPlan(state, progress);
    progress.Registering();
    RegisterMouseDriver(state, RegisterScope::Full);
    if (!copied || progress.Cancelled()) {
        return 0;
    }
    // A system.ini or VMOUSE.VXD left as it was does not stop the run: the
    // End page follows all the same, so the result is not examined.
    SwitchSystemIni(state.windowsDir);
    return 1;
}
