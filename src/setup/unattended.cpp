#include "setup/unattended.h"

#include <windows.h>

#include "install/file_copy.h"
#include "install/installation.h"
#include "install/register_driver.h"
#include "install/target_files.h"
#include "model/string_ids.h"
#include "model/texts.h"
#include "platform/files.h"
#include "platform/logbook.h"
#include "platform/system.h"
#include "platform/text.h"
#include "program/mouse_app.h"
#include "record/install_record.h"
#include "record/result_file.h"
#include "script/answers.h"
#include "script/setup_script.h"
#include "setup/run_log.h"
#include "ui/logic/page_logic.h"
#include "ui/pages.h"
#include "ui/wizard.h"

namespace {

const uint32_t kWin9xFamily = 0x80000000u;  // GetVersion bit 31
const uint32_t kReasonSize = 300;

struct Run {
    const Answers& answers;
    char result[kAnswerPath];  // the result file's path
};

int Report(Run& run, int code, const char* reason) {
    if (code != kResultRunning) {
        logbook::Close(reason);
    }
    return WriteResult(run.result, code, reason);
}

// A text of the string table with the product's name in it.
void Named(char* out, uint16_t id) {
    const char* format = LoadText(id);
    text::Format(out, kReasonSize, format != nullptr ? format : "%s", gScript.productName);
}

// The destination checks of the page, answered without questions: an
// existing folder is taken as the page's OK would take it.
int Exists(void*, const char* path) {
    return DirectoryExists(path);
}
int Yes(void*) {
    return 1;
}
int FreeSpace(void*, const char* root, uint32_t* spc, uint32_t* bps, uint32_t* free) {
    uint32_t total = 0;
    return plat::DiskFreeSpace(root, spc, bps, free, &total);
}
int Create(void*, const char* path) {
    return plat::DirCreate(path);
}
int Foreign(void*, const char* path) {
    static InstallRecord record;
    return record.Open(path) && record.Foreign();
}

// Why the destination is refused; null when it is taken (and made).
const char* DestinationProblem() {
    ui::DestinationChecks checks = {nullptr, Exists, Yes, FreeSpace, Create, Foreign};
    switch (ui::CheckDestination(gChoices.destDir, gScript.minimumSpace, checks)) {
        case ui::kDestAccepted:
            return nullptr;
        case ui::kDestNoSpace:
            return LoadText(IDS_NO_SPACE);
        case ui::kDestForeignRecord:
            return LoadText(IDS_FOREIGN_RECORD);
        default:
            return LoadText(IDS_CANNOT_CREATE_DIR);
    }
}

// A run that did its work: the outcome written (Windows may end this
// program as soon as it restarts), then the restart the answers ask for.
void EndDone(Run& run, const char* reason) {
    if (run.answers.restart == kRestartNever) {
        Report(run, kResultRestart, reason);
        return;
    }
    if (run.answers.restart == kRestartAsk) {
        Report(run, kResultRestart, reason);
        static char question[kReasonSize];
        Named(question, IDS_RESTART_QUESTION);
        if (MessageBoxA(nullptr, question, gScript.caption, MB_YESNO | MB_ICONQUESTION) != IDYES) {
            return;
        }
    }
    Report(run, kResultDone, reason);
    ExitWindowsEx(EWX_REBOOT, 0);
}

// The outcome of the installation into the result file, and the restart.
void Finish(Run& run, int installed) {
    static char reason[kReasonSize];
    uint16_t failed = installed == kInstallCopyFailed       ? IDS_COPY_FAILED
                      : installed == kInstallRegisterFailed ? IDS_REGISTER_FAILED
                      : installed == kInstallRecordFailed   ? IDS_RECORD_FAILED
                      : installed == kInstallForeignRecord  ? IDS_FOREIGN_RECORD
                      : installed == kInstallRestartFirst   ? IDS_RESTART_FIRST
                                                            : IDS_SWITCH_FAILED;
    bool done = installed == kInstallDone || installed == kInstallDoneAtRestart;
    bool refused = installed == kInstallForeignRecord || installed == kInstallRestartFirst;
    if (!done) {
        Named(reason, failed);
        Report(run, refused ? kResultRefused : kResultFailed, reason);
        return;
    }
    Named(reason, installed == kInstallDone ? IDS_DONE_RESTART : IDS_DONE_AT_RESTART);
    EndDone(run, reason);
}

void InstallAll(Run& run) {
    if (!(plat::Version() & kWin9xFamily)) {
        Report(run, kResultRefused, LoadText(IDS_WIN9X_ONLY));
        return;
    }
    // Without a result file nobody would learn how the run ended: then
    // nothing is changed.
    if (!Report(run, kResultRunning, "running")) {
        return;
    }
    const char* problem = DestinationProblem();
    if (problem != nullptr) {
        Report(run, kResultRefused, problem);
        return;
    }
    LogChoices();
    CloseMouseApplication();
    static InstallRecord record;
    record.Open(gChoices.destDir);
    NoProgress quiet;
    Finish(run, RunInstallation(gScript, gChoices, record, quiet));
}

void RegisterDriver(Run& run) {
    static char recordDir[kPathSize];
    static char reason[kReasonSize];
    if (!DriverOnlyRecordDir(recordDir)) {
        Named(reason, IDS_NOT_INSTALLED);
        Report(run, kResultRefused, reason);
        return;
    }
    if (!Report(run, kResultRunning, "running")) {
        return;
    }
    static InstallRecord record;
    record.Open(recordDir);
    int result = RegisterMouseDriver(gScript, gChoices, record, RegisterScope::DriverOnly);
    if (result != kRegisterDone) {
        Report(run, result == kRegisterNoRecord ? kResultRefused : kResultFailed,
               LoadText(result == kRegisterNoRecord ? IDS_RECORD_FAILED : IDS_REGISTER_FAILED));
        return;
    }
    EndDone(run, LoadText(IDS_DRIVER_INSTALLED));
}

}  // namespace

int ReadProgramAnswers(Answers* answers) {
    char script[kAnswerPath];
    if (!ProgramScriptPath(script, sizeof script)) {
        text::Fill(answers, 0, sizeof *answers);
        return 0;
    }
    ReadAnswers(script, answers);
    return answers->present;
}

int RunUnattended(const Answers& answers, bool driverOnly) {
    static Run run = {answers, {0}};
    plat::WindowsDirectory(gChoices.windowsDir, sizeof gChoices.windowsDir);
    if (answers.result[0] != 0) {
        ForThisComputer(answers.result, run.result);
    } else {
        text::Format(run.result, sizeof run.result, "%s\\%s", gChoices.windowsDir,
                     kDefaultResultName);
    }
    // A mistake in the answers changes nothing.
    if (answers.problem[0] != 0) {
        Report(run, kResultRefused, answers.problem);
        return 0;
    }
    if (!LoadSetupScript(gScript, gChoices.windowsDir, LoadText)) {
        Report(run, kResultFailed, LoadText(IDS_READING_ERROR));
        return 0;
    }
    ProposeChoices(gScript, gChoices);
    static char log[kAnswerPath];
    ForThisComputer(answers.log[0] != 0 ? answers.log : gScript.logPath, log);
    LogRunStart(log, driverOnly ? "SETUP.EXE -u, unattended" : "SETUP.EXE, unattended");
    if (answers.serialMouse >= 0) {
        gChoices.serialMouse = answers.serialMouse;
    }
    if (answers.destination[0] != 0) {
        text::Copy(gChoices.destDir, sizeof gChoices.destDir, answers.destination);
    }
    if (driverOnly) {
        text::Copy(gChoices.destDir, sizeof gChoices.destDir, gScript.setupDir);
        RegisterDriver(run);
    } else {
        InstallAll(run);
    }
    ReleaseInstallPlan(gScript);
    return 0;
}
