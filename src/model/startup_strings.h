// The [Startup] values of a setup script: what setup writes into the
// registry, and what the uninstaller compares with.
#pragma once

struct StartupStrings {  // the [Startup] values
    char Title[256];     // up to 255 chars
    char Mfg[40];        // this and the ones below: up to 39 chars
    char MouseDriver[40];
    char MouseInf[40];
    char DriverDate[40];
    char PS2InfSection[40];
    char SerialInfSection[40];
    char PS2Name[40];
    char SeialName[40];  // the key really is spelled SeialName: existing scripts use it
};
