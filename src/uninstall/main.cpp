// UNINSTAL.EXE: started from the Uninstall entry, so its own directory is
// the install directory. One question; then it hands over to a copy of
// itself in the temp directory and ends, so that the copy can remove the
// install directory with this program in it. The copy closes the mouse
// application, undoes the installation, shows one result box naming what
// stayed, and offers the restart that a mouse-driver change needs.
#include <windows.h>

#include "footprint/footprint.h"
#include "model/texts.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"
#include "program/mouse_app.h"
#include "record/install_record.h"
#include "script/setup_script.h"
#include "uninstall/string_ids.h"
#include "uninstall/undo.h"

namespace {

const uint32_t kMessageSize = 4096;  // the result box's text; longer is cut
const uint32_t kDirField = 260;      // directories: up to 259 chars

// Static: the exe has no stack probes, and these are larger than a page.
UndoReport gReport;
char gMessage[kMessageSize];

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

// The result: what was done, every leftover, the files left for the next
// start, and the restart question when one is needed. 1 for a restart.
int ShowResult(const char* caption, const char* product) {
    const UndoReport& r = gReport;
    bool restart = r.changed || r.restartFiles > 0;
    char line[kLeftoverSize + 128];
    text::Format(gMessage, sizeof gMessage, LoadText(restart ? IDS_UN_DONE : IDS_UN_NOTHING),
                 product);
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

const char kFinishSwitch[] = "/F";     // the copy's command line: "/F pid installDir"
const DWORD kWaitForOriginal = 60000;  // ms the copy waits for UNINSTAL.EXE to end

// Starts the finishing copy with the install directory and this process's
// id; 1 when it runs, 0 when the uninstall has to go on in place.
int HandOver(const char* program, const char* installDir, const char* windowsDir) {
    static char tempDir[kDirField];
    static char copy[kUndoPath];
    static char command[kDirField + kUndoPath + 32];
    DWORD n = GetTempPathA(sizeof tempDir, tempDir);
    if (n == 0 || n >= sizeof tempDir || !MakeFinishingCopy(program, tempDir, windowsDir, copy)) {
        return 0;
    }
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    text::Fill(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    // Its current directory is the temp directory: a directory in use as
    // one cannot be removed.
    if (!text::Format(command, sizeof command, "\"%s\" %s %u %s", copy, kFinishSwitch,
                      static_cast<unsigned>(GetCurrentProcessId()), installDir) ||
        !CreateProcessA(copy, command, nullptr, nullptr, FALSE, 0, nullptr, tempDir, &startup,
                        &process)) {
        // Its WININIT.INI line then names nothing, which Windows passes over.
        plat::FileDelete(copy);
        return 0;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}

// The copy's arguments: waits for the original to end and puts the install
// directory into installDir. 0 when args are not the copy's.
int FinishingCopy(const char* args, char* installDir, uint32_t size) {
    if (args == nullptr || args[0] != kFinishSwitch[0] ||
        text::UpperAscii(args[1]) != kFinishSwitch[1] || args[2] != ' ') {
        return 0;
    }
    const char* p = args + 2;
    while (*p == ' ') {
        p++;
    }
    DWORD pid = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        pid = pid * 10 + static_cast<DWORD>(*p - '0');
    }
    while (*p == ' ') {
        p++;
    }
    if (*p == 0) {
        return 0;
    }
    text::Copy(installDir, size, p);
    HANDLE original = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (original != nullptr) {
        WaitForSingleObject(original, kWaitForOriginal);
        CloseHandle(original);
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

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR args, int) {
    // Every text is used straight away: a missing one reads "".
    UseTextsOf(instance, "");
    static char program[kDirField];
    static char installDir[kDirField];
    static char windowsDir[kDirField];
    static char systemDir[kDirField];
    plat::ModuleFileName(program, sizeof program);
    int finishing = FinishingCopy(args, installDir, sizeof installDir);
    if (!finishing && IsFinishingCopyName(program)) {
        return 0;
    }
    if (!finishing) {
        DirectoryOf(program, installDir, sizeof installDir);
    }
    plat::WindowsDirectory(windowsDir, sizeof windowsDir);
    plat::SystemDirectory(systemDir, sizeof systemDir);
    // The record and the list, opened once for the whole run.
    static UndoContext undo;
    UndoPlaces places = {installDir, windowsDir, systemDir, program};
    OpenUndo(&undo, places);
    // The copy works only on a folder that holds this product's list and
    // record; without them (started by hand, or with another folder) it
    // does nothing.
    if (finishing && !HoldsInstallation(undo)) {
        return 0;
    }

    static char product[256];
    static char caption[300];
    static char question[400];
    ProductTitle(undo.script, product, sizeof product);
    text::Format(caption, sizeof caption, LoadText(IDS_UN_CAPTION), product);
    text::Format(question, sizeof question, LoadText(IDS_UN_QUESTION), product);
    if (!finishing) {
        if (MessageBoxA(nullptr, question, caption, MB_YESNO | MB_ICONQUESTION) != IDYES) {
            return 0;
        }
        // A record left between its renames is taken first, so the copy
        // finds it. A folder the copy would refuse is undone in place.
        undo.record.Recover();
        if (HoldsInstallation(undo) && HandOver(program, installDir, windowsDir)) {
            return 0;
        }
    }
    CloseMouseApplication();
    UndoInstallation(undo, &gReport);
    if (ShowResult(caption, product)) {
        ExitWindowsEx(EWX_REBOOT, 0);
    }
    return 0;
}
