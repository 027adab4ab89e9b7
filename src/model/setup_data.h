// What the setup works on, in two records: the setup script as the loader
// read it, and the choices the wizard makes for the installation. The
// engine is handed the ones it uses; the wizard's own state stays in ui/.
#pragma once

#include <stdint.h>

#include "model/install_plan.h"
#include "model/startup_strings.h"
#include "platform/text.h"

const int kMaxDisks = 6;
const int kDirectoryNameCount = 10;  // RootDir, SubDir1..SubDir6, WinDir, WinSystemDir, WinInfDir

// Positions in directoryNames.
enum DirectoryIndex {
    kRootDir = 0,
    kSubDir1 = 1,  // kSubDir1..kSubDir6 are 1..6
    kWinDir = 7,
    kWinSystemDir = 8,
    kWinInfDir = 9,
};

// What LoadSetupScript fills from SETUP.INF and the program's directory.
struct SetupScript {
    char setupDir[80];           // program's directory without trailing backslash; up to 79 chars
    char productName[72];        // up to 71 chars
    char caption[256];           // productName + " " + "Setup Program"
    char defaultDestDir[256];    // the destination proposed; up to 255 chars
    int16_t minimumSpace;        // kilobytes
    int32_t oem;                 // 0 shows the backdrop's lower picture
    char logPath[256];           // [Main] Log: the install log asked for; "" none
    int32_t defaultSerialMouse;  // the mouse type proposed: 1 serial, 0 PS/2
    int16_t diskCount;           // disks with a label, 0..6
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
};

// What the wizard decides and the engine installs by.
struct InstallChoices {
    char windowsDir[80];  // up to 79 chars
    char destDir[256];    // up to 255 chars; the Destination page keeps 79
    int32_t serialMouse;  // 1 serial, 0 PS/2
};

// Every field back to its initial value: empty texts, no plan.
void ResetSetupScript(SetupScript& script);
// Every field back to its initial value: no directories, a serial mouse.
void ResetInstallChoices(InstallChoices& choices);
// The script's proposals as the choices: its destination and mouse type.
inline void ProposeChoices(const SetupScript& script, InstallChoices& choices) {
    text::Copy(choices.destDir, sizeof choices.destDir, script.defaultDestDir);
    choices.serialMouse = script.defaultSerialMouse;
}
