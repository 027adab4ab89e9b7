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
    int registered = RegisterMouseDriver(state, RegisterScope::Full);
    if (copied == kCopyCancelled || progress.Cancelled()) {
        return kInstallCancelled;
    }
    // A driver file cut short must not be switched to.
    if (copied == kCopyFailed) {
        return kInstallCopyFailed;
    }
    // The built-in driver is not switched to over a registration half made.
    if (!registered) {
        return kInstallRegisterFailed;
    }
    return SwitchSystemIni(state.windowsDir) ? kInstallDone : kInstallSwitchFailed;
}
