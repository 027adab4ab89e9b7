#include "install/installation.h"

#include "footprint/footprint.h"
#include "install/file_copy.h"
#include "install/next_start.h"
#include "install/register_driver.h"
#include "install/system_ini.h"
#include "install/target_files.h"
#include "model/setup_data.h"
#include "platform/registry.h"
#include "platform/wininit.h"
#include "record/install_record.h"
#include "record/record_keys.h"
#include "record/system_backup.h"

namespace {

// system.ini names the built-in driver, after the record says what its
// lines were: a RunInstallation result, kInstallDone when switched.
int SwitchMouseLines(const InstallChoices& choices, InstallRecord& record) {
    static char backup[kBackupPath];
    if (ProvenBackup(record, choices.windowsDir, backup) &&
        !RecoverSwitch(choices.windowsDir, backup)) {
        return kInstallSwitchFailed;
    }
    // What the mouse lines were, for the uninstaller: the built-in driver's
    // already, or switched over (system.bak then keeps them).
    int builtIn = MouseLinesAreBuiltIn(choices.windowsDir);
    if (builtIn < 0) {
        return kInstallSwitchFailed;
    }
    // The copy of the lines switched over goes where the record can prove
    // it setup's (never over another program's system.bak).
    if (!record.RecordOriginalValue(kRecordSystem, kRecordMouseLine,
                                    builtIn ? kLineBuiltIn : kLineSwitched) ||
        (!builtIn && !StageBackup(record, choices.windowsDir, backup)) || !record.Commit()) {
        return kInstallRecordFailed;
    }
    if (!SwitchSystemIni(choices.windowsDir, builtIn ? nullptr : backup)) {
        return kInstallSwitchFailed;
    }
    return kInstallDone;
}

}  // namespace

int RunInstallation(const SetupScript& script, const InstallChoices& choices, InstallRecord& record,
                    InstallProgress& progress) {
    // What a run cut off left of WININIT.INI's write, before it is needed.
    fileio::WininitRecover(choices.windowsDir);
    // Another program's SETUP.INF, or this setup's own script, is never
    // taken for the record.
    if (record.Foreign()) {
        return kInstallForeignRecord;
    }
    // What another program left for the next start would undo this copy.
    if (OtherProgramWaits(script, choices, record)) {
        return kInstallRestartFirst;
    }
    // An existing subdirectory is no failure: the copy goes on either way.
    CreateSubdirectories(script, choices);
    // Without the record of what the copy overwrites, nothing is copied.
    if (!RecordTargetFiles(script, choices, record)) {
        return kInstallRecordFailed;
    }
    // The product's own deletions would undo the copy at the next start:
    // they go once the record says what the files were.
    if (!TakeOutOwnLines(script, choices, record)) {
        return kInstallRestartFirst;
    }
    int copied = CopyInstallPlan(script, choices, record, progress);
    progress.Registering();
    int registered = RegisterMouseDriver(script, choices, record, RegisterScope::Full);
    if (copied == kCopyCancelled || progress.Cancelled()) {
        return kInstallCancelled;
    }
    // A driver file cut short must not be switched to.
    if (copied == kCopyFailed) {
        return kInstallCopyFailed;
    }
    // The built-in driver is not switched to over a registration half made.
    if (registered != kRegisterDone) {
        return registered == kRegisterNoRecord ? kInstallRecordFailed : kInstallRegisterFailed;
    }
    // Windows 95/98 write the registry lazily: system.ini names the driver
    // only once its registration is on the disk.
    if (plat::RegFlush(plat::LocalMachine()) != plat::kErrSuccess) {
        return kInstallRegisterFailed;
    }
    int switched = SwitchMouseLines(choices, record);
    if (switched != kInstallDone) {
        return switched;
    }
    return copied == kCopyAtRestart ? kInstallDoneAtRestart : kInstallDone;
}
