// Start-up and the page sequence: the two modes, the wizard's page chain
// (the install page runs the installation), the end of the run and the
// restart request.
#include <windows.h>

#include "install/file_copy.h"
#include "install/register_driver.h"
#include "install/target_files.h"
#include "model/string_ids.h"
#include "model/texts.h"
#include "platform/logbook.h"
#include "platform/system.h"
#include "platform/text.h"
#include "program/command_line.h"
#include "program/mouse_app.h"
#include "record/install_record.h"
#include "resource.h"
#include "script/answers.h"
#include "script/setup_script.h"
#include "setup/run_log.h"
#include "setup/unattended.h"
#include "ui/backdrop.h"
#include "ui/page_host.h"
#include "ui/pages.h"
#include "ui/wizard.h"

namespace {

const uint32_t kWin9xFamily = 0x80000000u;  // GetVersion bit 31
const char kVersionCaption[] = "Warning";   // the script, and with it caption, is not read yet

enum Page { kWelcome, kWarning, kMouseType, kDestination, kInstall };

void ShowMessage(const char* text, const char* caption, UINT style) {
    MessageBoxA(nullptr, text != nullptr ? text : "", caption, style);
}

void RequestRestart() {
    ExitWindowsEx(EWX_REBOOT, 0);
}

int LoadScript() {
    plat::WindowsDirectory(gChoices.windowsDir, sizeof gChoices.windowsDir);
    if (!LoadSetupScript(gScript, gChoices.windowsDir, LoadText)) {
        ShowMessage(LoadText(IDS_READING_ERROR), gScript.caption, MB_ICONWARNING);
        return 0;
    }
    ProposeChoices(gScript, gChoices);
    return 1;
}

int RunDriverOnly() {
    static Answers answers;
    if (ReadProgramAnswers(&answers)) {
        return RunUnattended(answers, true);
    }
    if (!LoadScript()) {
        return 0;
    }
    LogRunStart(gScript.logPath, "SETUP.EXE -u");
    // The install record goes where the uninstaller will find it: beside
    // the installation the Uninstall entry names. Without one there is no
    // place for it (the script beside the program is no record), and the
    // mouse type is not asked for.
    static char recordDir[kPathSize];
    static char message[400];
    if (!DriverOnlyRecordDir(recordDir)) {
        text::Format(message, sizeof message, LoadText(IDS_NOT_INSTALLED), gScript.productName);
        ShowMessage(message, gScript.caption, MB_ICONSTOP);
        ReleaseInstallPlan(gScript);
        return 0;
    }
    gWizard.backEnabled = 0;
    if (RunPage("SETUP_SELMOUSE", MouseTypePageProc, IDD_MOUSE_TYPE) == kPageCancel) {
        ReleaseInstallPlan(gScript);
        return 0;
    }
    static InstallRecord record;
    record.Open(recordDir);
    // A registration that failed in part is not announced as a success; what
    // was registered still needs the restart. Without a record nothing was
    // changed, and nothing needs it.
    int result = RegisterMouseDriver(gScript, gChoices, record, RegisterScope::DriverOnly);
    if (result == kRegisterNoRecord) {
        text::Format(message, sizeof message, LoadText(IDS_DRIVER_NO_RECORD), recordDir);
        ShowMessage(message, gScript.caption, MB_ICONSTOP);
        ReleaseInstallPlan(gScript);
        return 0;
    }
    logbook::Close(result == kRegisterDone ? "driver registered" : "driver registered in part");
    ShowMessage(LoadText(result == kRegisterDone ? IDS_DRIVER_INSTALLED : IDS_REGISTER_FAILED),
                gScript.caption, result == kRegisterDone ? MB_ICONINFORMATION : MB_ICONSTOP);
    ReleaseInstallPlan(gScript);
    RequestRestart();
    return 0;
}

// Walks the pages from Welcome; returns 1 when the install page has run the
// installation to its end, 0 on Cancel.
int RunWizard() {
    Page page = kWelcome;
    for (;;) {
        int16_t result;
        switch (page) {
            case kWelcome:
                result = RunPage("SETUP_BEGIN", WelcomePageProc, IDD_WELCOME);
                if (result == kPageCancel) {
                    return 0;
                }
                page = kWarning;
                break;
            case kWarning:
                result = RunPage("SETUP_WARNING", WarningPageProc, IDD_WARNING);
                if (result == kPageCancel) {
                    return 0;
                }
                page = result == kPageBack ? kWelcome : kMouseType;
                break;
            case kMouseType:
                result = RunPage("SETUP_SELMOUSE", MouseTypePageProc, IDD_MOUSE_TYPE);
                if (result == kPageCancel) {
                    return 0;
                }
                page = result == kPageBack ? kWarning : kDestination;
                break;
            case kDestination:
                result = RunPage("SETUP_SELDIR", DestinationPageProc, IDD_DESTINATION);
                if (result == kPageCancel) {
                    return 0;
                }
                if (result == kPageBack) {
                    page = kMouseType;
                    break;
                }
                LogChoices();
                CloseMouseApplication();
                page = kInstall;
                break;
            default:
                result = RunPage("SETUP_INSTALL", InstallPageProc, IDD_INSTALL);
                return result != kPageCancel;
        }
    }
}

int RunFullSetup() {
    static Answers answers;
    if (ReadProgramAnswers(&answers)) {
        return RunUnattended(answers, false);
    }
    if (!(plat::Version() & kWin9xFamily)) {
        ShowMessage(LoadText(IDS_WIN9X_ONLY), kVersionCaption, MB_ICONWARNING);
        return 0;
    }
    if (!LoadScript()) {
        return 0;
    }
    LogRunStart(gScript.logPath, "SETUP.EXE");
    if (!CreateBackdrop()) {
        ReleaseInstallPlan(gScript);
        return 0;
    }
    if (!RunWizard()) {
        logbook::Close("cancelled");
        ReleaseInstallPlan(gScript);
        return 0;
    }
    logbook::Close(gWizard.installFailed        ? "not installed completely"
                   : gWizard.completesAtRestart ? "installed; files in use wait for the restart"
                                                : "installed");
    // The install page closed itself before its host's loop began; RunPage
    // drops the quit request it left, so the End page's loop is not ended.
    RunPage("SETUP_END", EndPageProc, IDD_END);
    ReleaseInstallPlan(gScript);
    DestroyWindow(static_cast<HWND>(gWizard.backdropWindow));
    gWizard.backdropWindow = nullptr;
    if (gWizard.restartNow == 1) {
        RequestRestart();
    }
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR tail, int) {
    gWizard.instance = instance;
    UseTextsOf(instance, nullptr);
    gWizard.screenWidth = static_cast<int16_t>(GetSystemMetrics(SM_CXSCREEN));
    gWizard.screenHeight = static_cast<int16_t>(GetSystemMetrics(SM_CYSCREEN));
    if (IsDriverOnlyTail(tail)) {
        return RunDriverOnly();
    }
    return RunFullSetup();
}
