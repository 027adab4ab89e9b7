// UNINSTAL.EXE: started from the Uninstall entry, so its own directory is
// the install directory. One question; then it hands over to a copy of
// itself in the temp directory and waits for it, so that whoever started it
// (a batch file, a deployment tool) sees the whole uninstall done and gets
// its outcome as the exit code. The copy closes the mouse application,
// undoes the installation, shows one result box naming what stayed, and
// offers the restart that a mouse-driver change needs. Windows holds this
// program's file while it waits, so that file, the list and the record go
// at the next start, and the install folder after them. /S: no question
// and no box; /R: then the restart too; /RESULT=path: the result file.
#include <windows.h>

#include "footprint/footprint.h"
#include "model/texts.h"
#include "platform/files.h"
#include "platform/logbook.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"
#include "program/mouse_app.h"
#include "record/install_record.h"
#include "record/record_keys.h"
#include "record/result_file.h"
#include "script/setup_script.h"
#include "uninstall/string_ids.h"
#include "uninstall/switches.h"
#include "uninstall/undo.h"

namespace {

const uint32_t kMessageSize = 4096;  // the result box's text; longer is cut
const uint32_t kDirField = 260;      // directories: up to 259 chars

// Static: the exe has no stack probes, and these are larger than a page.
UndoReport gReport;
char gMessage[kMessageSize];
UninstallSwitches gSwitches;
char gResult[kSwitchPath];       // the result file, made whole; "" none
char gWhy[kLeftoverSize + 160];  // a reason: a leftover's subject and text

// The product's title: the uninstall list's, else the Uninstall entry's
// display name, else a plain description.
void ProductTitle(const StartupStrings& script, char* out, uint32_t size) {
    if (script.Title[0] != 0) {
        text::Copy(out, size, script.Title);
        return;
    }
    out[0] = 0;
    plat::RegKey key;
    if (plat::RegOpen(plat::LocalMachine(), footprint::kUninstallKey, &key) == plat::kErrSuccess) {
        footprint::ReadText(key, footprint::kUninstallLabel, out, size);
        plat::RegClose(key);
    }
    if (out[0] == 0) {
        text::Copy(out, size, LoadText(IDS_UN_DEFAULT_PRODUCT));
    }
}

uint16_t LeftoverText(int kind) {
    switch (kind) {
        case kLeftChanged:
            return IDS_LEFT_CHANGED;
        case kLeftUnknown:
            return IDS_LEFT_UNKNOWN;
        case kLeftKey:
            return IDS_LEFT_KEY;
        case kLeftNoRecord:
            return IDS_LEFT_NO_RECORD;
        case kLeftMouseLine:
            return IDS_LEFT_MOUSE_LINE;
        case kLeftDirectory:
            return IDS_LEFT_DIRECTORY;
        case kLeftUnlisted:
            return IDS_LEFT_UNLISTED;
        case kLeftNoEarlierLine:
            return IDS_LEFT_NO_EARLIER_LINE;
        case kLeftExisted:
            return IDS_LEFT_EXISTED;
        case kLeftShared:
            return IDS_LEFT_SHARED;
        case kLeftNotRecorded:
            return IDS_LEFT_NOT_RECORDED;
        case kLeftRegistered:
            return IDS_LEFT_REGISTERED;
        default:
            return IDS_LEFT_FAILED;
    }
}

// The result box: what was done, every leftover, the files left for the
// next start, and the restart question when one is needed. 1 for a restart.
int ShowResult(const char* caption, const char* product, int code, int restart) {
    const UndoReport& r = gReport;
    char line[kLeftoverSize + 128];
    text::Format(gMessage, sizeof gMessage,
                 LoadText(code == kResultRefused ? IDS_UN_NOTHING : IDS_UN_DONE), product);
    if (r.count > 0) {
        text::Append(gMessage, sizeof gMessage, "\n\n");
        text::Append(gMessage, sizeof gMessage, LoadText(IDS_UN_LEFT));
        for (int i = 0; i < r.count; i++) {
            text::Format(line, sizeof line, "\n- %s: %s", r.leftovers[i].subject,
                         LoadText(LeftoverText(r.leftovers[i].kind)));
            text::Append(gMessage, sizeof gMessage, line);
        }
        if (r.dropped > 0) {
            text::Format(line, sizeof line, LoadText(IDS_UN_MORE), r.dropped);
            text::Append(gMessage, sizeof gMessage, "\n- ");
            text::Append(gMessage, sizeof gMessage, line);
        }
    }
    if (r.restartFiles > 0) {
        text::Format(line, sizeof line, LoadText(IDS_UN_AT_RESTART), r.restartFiles);
        text::Append(gMessage, sizeof gMessage, "\n\n");
        text::Append(gMessage, sizeof gMessage, line);
    }
    UINT icon = r.count > 0 ? MB_ICONWARNING : MB_ICONINFORMATION;
    if (!restart) {
        MessageBoxA(nullptr, gMessage, caption, MB_OK | icon);
        return 0;
    }
    text::Append(gMessage, sizeof gMessage, "\n\n");
    text::Append(gMessage, sizeof gMessage, LoadText(IDS_UN_RESTART));
    return MessageBoxA(nullptr, gMessage, caption, MB_YESNO | icon) == IDYES;
}

// The reason text id formatted with subject, for the result file or a box.
const char* Reason(uint16_t id, const char* subject) {
    text::Format(gWhy, sizeof gWhy, LoadText(id), subject);
    return gWhy;
}

// The result file, when the run keeps one. 1 when written or none is kept.
int Result(int code, const char* why) {
    return gResult[0] == 0 || WriteResult(gResult, code, why);
}

// Nothing was changed: says why, in the result file and, unless silent, in
// a box. kResultRefused.
int Refuse(uint16_t id, const char* subject, const char* caption) {
    Result(kResultRefused, Reason(id, subject));
    if (!gSwitches.silent) {
        MessageBoxA(nullptr, gWhy, caption, MB_OK | MB_ICONERROR);
    }
    return kResultRefused;
}

// The install log the record names, when setup kept one: this run's part
// appended to it.
void LogStart(UndoContext& undo, const char* product) {
    static char path[kUndoPath];
    undo.record.ReadInstallRecord(kRecordLog, kRecordLogPath, "", path, sizeof path);
    if (!logbook::Open(path, gSwitches.silent ? "UNINSTAL.EXE /S" : "UNINSTAL.EXE")) {
        return;
    }
    uint32_t version = plat::Version();
    logbook::Note("%s, from %s", product, undo.places.installDir);
    logbook::Note("Windows %d.%d", static_cast<int>(version & 0xFF),
                  static_cast<int>((version >> 8) & 0xFF));
}

// What stayed, one line each, and the outcome as the result file gives it.
void LogEnd(int code, const char* why) {
    for (int i = 0; i < gReport.count; i++) {
        logbook::Note("left %s: %s", gReport.leftovers[i].subject,
                      LoadText(LeftoverText(gReport.leftovers[i].kind)));
    }
    static char outcome[sizeof gWhy + 16];
    text::Format(outcome, sizeof outcome, "%d %s", code, why);
    logbook::Close(outcome);
}

// The undo and its end: the result box unless silent, the result file (a
// failure's reason is the first leftover), the restart as asked.
int Undo(UndoContext& undo, const char* caption, const char* product) {
    LogStart(undo, product);
    CloseMouseApplication();
    UndoInstallation(undo, &gReport);
    int restart = 0;
    int code = UndoOutcome(undo, gReport, &restart);
    int reboot = gSwitches.silent ? gSwitches.restart && restart
                                  : ShowResult(caption, product, code, restart);
    // A restart on its way leaves nothing to wait for, as with setup.
    if (reboot && code == kResultRestart) {
        code = kResultDone;
    }
    if (code == kResultFailed) {
        const Leftover& left = gReport.leftovers[0];
        text::Format(gWhy, sizeof gWhy, "%s: %s", left.subject, LoadText(LeftoverText(left.kind)));
    } else {
        const uint16_t reasons[] = {IDS_UN_DONE, IDS_RES_RESTART, IDS_UN_NOTHING};
        Reason(reasons[code], product);
    }
    Result(code, gWhy);
    LogEnd(code, gWhy);
    if (reboot) {
        ExitWindowsEx(EWX_REBOOT, 0);
    }
    return code;
}

// Starts the finishing copy on the install directory, the switches passed
// on, and waits for it to end: 1 with its outcome in *code, 0 when the
// uninstall has to go on in place.
int HandOver(const char* program, const char* installDir, const char* windowsDir, int* code) {
    static char tempDir[kDirField];
    static char copy[kUndoPath];
    static char result[kSwitchPath + 16];
    static char command[kUndoPath + kDirField + sizeof result + 16];
    DWORD n = GetTempPathA(sizeof tempDir, tempDir);
    if (n == 0 || n >= sizeof tempDir || !MakeFinishingCopy(program, tempDir, windowsDir, copy)) {
        return 0;
    }
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    text::Fill(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    result[0] = 0;
    // Paths in quotes: no DOS path holds one. Its current directory is the
    // temp directory: a directory in use as one cannot be removed.
    if ((gResult[0] != 0 && !text::Format(result, sizeof result, " \"/RESULT=%s\"", gResult)) ||
        !text::Format(command, sizeof command, "\"%s\" /F \"%s\"%s%s%s", copy, installDir,
                      gSwitches.silent ? " /S" : "", gSwitches.restart ? " /R" : "", result) ||
        !CreateProcessA(copy, command, nullptr, nullptr, FALSE, 0, nullptr, tempDir, &startup,
                        &process)) {
        // Its WININIT.INI line then names nothing, which Windows passes over.
        plat::FileDelete(copy);
        return 0;
    }
    CloseHandle(process.hThread);
    // Whoever started this program waits for it: the whole uninstall is
    // done when it ends.
    DWORD exit = kResultFailed;
    if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.hProcess, &exit)) {
        exit = kResultFailed;
    }
    CloseHandle(process.hProcess);
    *code = static_cast<int>(exit);
    return 1;
}

// The result file of this run, made whole while the current directory is
// still the starter's: the copy runs in another. 0 when it does not fit.
int ResultPath(const char* windowsDir) {
    gResult[0] = 0;
    if (gSwitches.result[0] != 0) {
        if (plat::FullPathName(gSwitches.result, gResult, sizeof gResult) != 0) {
            return 1;
        }
        gResult[0] = 0;
        return 0;
    }
    if (gSwitches.silent && !gSwitches.finishing) {
        return text::Format(gResult, sizeof gResult, "%s\\%s", windowsDir, kUninstallResultName);
    }
    return 1;
}

// The directory of path, without the trailing backslash.
void DirectoryOf(const char* path, char* out, uint32_t size) {
    text::Copy(out, size, path);
    for (int i = static_cast<int>(text::Length(out)) - 1; i >= 1; i--) {
        if (out[i] == '\\') {
            out[i] = 0;
            return;
        }
    }
}

// The finishing copy's own name (kCopyName): started by hand, without the
// original's arguments, it has no installation to work on.
bool IsFinishingCopyName(const char* program) {
    const char* name = program;
    for (const char* p = program; *p != 0; p++) {
        if (*p == '\\') {
            name = p + 1;
        }
    }
    char expected[16];
    for (int i = 0; i < 100; i++) {
        text::Format(expected, sizeof expected, kCopyName, i);
        if (text::SameNoCase(name, expected)) {
            return true;
        }
    }
    return false;
}

// UNINSTAL.EXE as started: the question unless silent, "running" in the
// result file, then the copy, waited for, or the undo in place.
int Start(UndoContext& undo, const char* caption, const char* product) {
    const UndoPlaces& places = undo.places;
    if (gSwitches.silent && !HoldsInstallation(undo)) {
        // A script never has a folder undone in place that is no installation.
        return Refuse(IDS_RES_NO_INSTALLATION, places.installDir, caption);
    }
    if (!gSwitches.silent) {
        static char question[400];
        text::Format(question, sizeof question, LoadText(IDS_UN_QUESTION), product);
        if (MessageBoxA(nullptr, question, caption, MB_YESNO | MB_ICONQUESTION) != IDYES) {
            Result(kResultCancelled, Reason(IDS_RES_NO, ""));
            return kResultCancelled;
        }
    }
    if (!Result(kResultRunning, Reason(IDS_RES_RUNNING, ""))) {
        return Refuse(IDS_UN_SWITCH, gResult, caption);
    }
    // A record left between its renames is taken first, so the copy finds
    // it. A folder the copy would refuse is undone in place.
    undo.record.Recover();
    int code = kResultFailed;
    if (HoldsInstallation(undo) &&
        HandOver(places.program, places.installDir, places.windowsDir, &code)) {
        return code;
    }
    return Undo(undo, caption, product);
}

// The finishing copy: only on a folder that holds this product's list and
// record; started by hand, or with another folder, it changes nothing.
int Finish(UndoContext& undo, const char* caption, const char* product) {
    if (!HoldsInstallation(undo)) {
        Result(kResultRefused, Reason(IDS_RES_NO_INSTALLATION, undo.places.installDir));
        return kResultRefused;
    }
    UndoAsOriginal(undo);
    return Undo(undo, caption, product);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR args, int) {
    // Every text is used straight away: a missing one reads "".
    UseTextsOf(instance, "");
    static char program[kDirField];
    static char installDir[kDirField];
    static char windowsDir[kDirField];
    static char systemDir[kDirField];
    plat::ModuleFileName(program, sizeof program);
    plat::WindowsDirectory(windowsDir, sizeof windowsDir);
    plat::SystemDirectory(systemDir, sizeof systemDir);
    int usable = ReadSwitches(args, &gSwitches);
    if (!gSwitches.finishing && IsFinishingCopyName(program)) {
        return kResultRefused;
    }
    if (gSwitches.finishing) {
        text::Copy(installDir, sizeof installDir, gSwitches.installDir);
    } else {
        DirectoryOf(program, installDir, sizeof installDir);
    }
    // The record and the list, opened once for the whole run.
    static UndoContext undo;
    UndoPlaces places = {installDir, windowsDir, systemDir, program};
    OpenUndo(&undo, places);
    static char product[256];
    static char caption[300];
    ProductTitle(undo.script, product, sizeof product);
    text::Format(caption, sizeof caption, LoadText(IDS_UN_CAPTION), product);
    if (!ResultPath(windowsDir)) {
        text::Copy(gSwitches.unknown, sizeof gSwitches.unknown, gSwitches.result);
        usable = 0;
    }
    if (!usable) {
        return Refuse(IDS_UN_SWITCH, gSwitches.unknown, caption);
    }
    return gSwitches.finishing ? Finish(undo, caption, product) : Start(undo, caption, product);
}
