// UNINSTAL.EXE: started from the Uninstall entry, so its own directory is
// the install directory. One question, the mouse application closed, the
// installation undone, one result box naming what stayed, and the restart
// that a mouse-driver change needs.
#include <windows.h>

#include "footprint/footprint.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"
#include "program/mouse_app.h"
#include "script/setup_script.h"
#include "uninstall/string_ids.h"
#include "uninstall/undo.h"

namespace {

const uint32_t kMessageSize = 4096;  // the result box's text; longer is cut
const uint32_t kDirField = 260;      // directories: up to 259 chars

const int kTextBuffers = 4;      // Text rotates through these
const uint32_t kTextSize = 256;  // longer texts are cut to 255 chars

// Static: the exe has no stack probes, and these are larger than a page.
UndoReport gReport;
char gMessage[kMessageSize];
char gTexts[kTextBuffers][kTextSize];
void* gInstance;

// The string table's text under id, valid for four more calls; "" when the
// table has none.
const char* Text(uint16_t id) {
    static int last;
    last = (last + 1) % kTextBuffers;
    char* buffer = gTexts[last];
    return plat::LoadResourceString(gInstance, id, buffer, kTextSize) > 0 ? buffer : "";
}

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
        uint32_t got = size - 1;
        if (plat::RegQuery(key, footprint::kUninstallLabel, nullptr, out, &got) !=
            plat::kErrSuccess) {
            out[0] = 0;
        }
        out[size - 1] = 0;
        plat::RegClose(key);
    }
    if (out[0] == 0) {
        text::Copy(out, size, Text(IDS_UN_DEFAULT_PRODUCT));
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
    text::Format(gMessage, sizeof gMessage, Text(restart ? IDS_UN_DONE : IDS_UN_NOTHING), product);
    if (r.count > 0) {
        text::Append(gMessage, sizeof gMessage, "\n\n");
        text::Append(gMessage, sizeof gMessage, Text(IDS_UN_LEFT));
        for (int i = 0; i < r.count; i++) {
            text::Format(line, sizeof line, "\n- %s: %s", r.leftovers[i].subject,
                         Text(LeftoverText(r.leftovers[i].kind)));
            text::Append(gMessage, sizeof gMessage, line);
        }
        if (r.dropped > 0) {
            text::Format(line, sizeof line, Text(IDS_UN_MORE), r.dropped);
            text::Append(gMessage, sizeof gMessage, "\n- ");
            text::Append(gMessage, sizeof gMessage, line);
        }
    }
    if (r.restartFiles > 0) {
        text::Format(line, sizeof line, Text(IDS_UN_AT_RESTART), r.restartFiles);
        text::Append(gMessage, sizeof gMessage, "\n\n");
        text::Append(gMessage, sizeof gMessage, line);
    }
    UINT icon = r.count > 0 ? MB_ICONWARNING : MB_ICONINFORMATION;
    if (!restart) {
        MessageBoxA(nullptr, gMessage, caption, MB_OK | icon);
        return 0;
    }
    text::Append(gMessage, sizeof gMessage, "\n\n");
    text::Append(gMessage, sizeof gMessage, Text(IDS_UN_RESTART));
    return MessageBoxA(nullptr, gMessage, caption, MB_YESNO | icon) == IDYES;
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

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    gInstance = instance;
    static char program[kDirField];
    static char installDir[kDirField];
    static char windowsDir[kDirField];
    static char systemDir[kDirField];
    static char listPath[kDirField];
    static char recordPath[kDirField];
    plat::ModuleFileName(program, sizeof program);
    DirectoryOf(program, installDir, sizeof installDir);
    plat::WindowsDirectory(windowsDir, sizeof windowsDir);
    plat::SystemDirectory(systemDir, sizeof systemDir);
    footprint::PathIn(listPath, installDir, footprint::kListName);
    footprint::PathIn(recordPath, installDir, footprint::kRecordName);

    static StartupStrings script;
    int haveList = ReadUninstallList(listPath, &script);
    static char product[256];
    static char caption[300];
    static char question[400];
    ProductTitle(script, product, sizeof product);
    text::Format(caption, sizeof caption, Text(IDS_UN_CAPTION), product);
    text::Format(question, sizeof question, Text(IDS_UN_QUESTION), product);
    if (MessageBoxA(nullptr, question, caption, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return 0;
    }
    CloseMouseApplication();

    // The registry names the programs; read it before the entries go.
    static char pageLibrary[kUndoPath];
    static char application[kUndoPath];
    ApplicationFiles(pageLibrary, application);
    // A setup cut off while it took its new record leaves it to be taken.
    RecoverInstallRecord(installDir);
    RestoreDriverRegistration(recordPath, script, &gReport);
    RemoveApplicationEntries(&gReport);
    RestoreSystemIni(windowsDir, systemDir, &gReport);
    UndoPlaces places = {installDir, windowsDir, systemDir, program};
    RemoveInstalledFiles(places, script, haveList, pageLibrary, application, &gReport);
    if (!ScheduleRestartDeletes(windowsDir, &gReport)) {
        AddLeftover(&gReport, kLeftFailed, "WININIT.INI");
    }
    if (ShowResult(caption, product)) {
        ExitWindowsEx(EWX_REBOOT, 0);
    }
    return 0;
}
