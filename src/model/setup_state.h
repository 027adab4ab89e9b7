// The one program-wide record that every part of the setup works on.
#pragma once

#include <stdint.h>

#include "model/install_plan.h"
#include "model/startup_strings.h"

const int kMaxDisks = 6;
const int kDirectoryNameCount = 10;  // RootDir, SubDir1..SubDir6, WinDir, WinSystemDir, WinInfDir
const int kTextBufferCount = 4;      // LoadText rotates through these
const int kTextBufferSize = 256;     // longer texts are cut to 255 chars

// Positions in directoryNames.
enum DirectoryIndex {
    kRootDir = 0,
    kSubDir1 = 1,  // kSubDir1..kSubDir6 are 1..6
    kWinDir = 7,
    kWinSystemDir = 8,
    kWinInfDir = 9,
};

struct SetupState {
    // Environment.
    void* instance;        // module handle, for resources and window classes
    int16_t screenWidth;   // pixels
    int16_t screenHeight;  // pixels
    char windowsDir[80];   // up to 79 chars
    char setupDir[80];     // program's directory without trailing backslash; up to 79 chars

    // From the setup script.
    char productName[72];  // up to 71 chars
    char caption[256];     // productName + " " + "Setup Program"
    char destDir[256];     // up to 255 chars; the Destination page keeps 79
    int16_t minimumSpace;  // kilobytes
    int32_t oem;           // 0 shows the backdrop's lower picture
    int32_t serialMouse;   // 1 serial, 0 PS/2
    int16_t diskCount;     // disks with a label, 0..6
    char diskLabels[kMaxDisks][40];
    int16_t diskFileCounts[kMaxDisks];
    char directoryNames[kDirectoryNameCount][256];
    FileEntry* installPlan;                    // the plan block, or null
    FileEntry* diskFirstEntry[kMaxDisks + 1];  // first record per disk; the last marks the end
    StartupStrings startupStrings;
    // Read by the loader and kept, but used nowhere else.
    int16_t totalFileCount;
    char groupName[256];
    char groupTitle[256];
    char startupFileName[256];
    int16_t groupItemCount;

    // Choices and state of the run.
    int32_t backEnabled;      // Back button of the mouse-type page
    int32_t restartNow;       // only 1 restarts
    int32_t dissolvePending;  // the backdrop's pictures dissolve on the next paint
    int32_t installFailed;    // 1 once the install page has reported a failed step
    int16_t pageResult;       // PageResult: 0 cancel, 1 next, 2 back
    void* backdropWindow;     // owner of every page; null without a backdrop
    char mouseTypeWord[40];   // "Serial" or "PS2"
    char recordBuffer[256];   // result of ReadInstallRecord; up to 255 chars

    // LoadText.
    char textBuffers[kTextBufferCount][kTextBufferSize];
    int32_t textCounter;  // buffer used last
};

// The program's one instance. Only the entry point, the page sequence and
// the pages use it; the engine (script/, install/) is handed what it works on.
extern SetupState gSetup;

// Puts every field back to its initial value (program start).
void ResetSetupState(SetupState& state);

// The string table entry id of state.instance in one of the state's four
// rotating 256-byte buffers, valid until four more calls; null when the
// table has no text under id.
const char* LoadText(SetupState& state, uint16_t id);
// The same for the pages and the entry point, on the one instance.
const char* LoadText(uint16_t id);
