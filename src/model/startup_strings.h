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

// Each [Startup] key's string id with its field, in the script's order: the
// loader, the uninstall list and the disk tool expand this one list.
// clang-format off
#define STARTUP_KEYS(X)                             \
    X(IDS_TITLE, Title)                             \
    X(IDS_MFG, Mfg)                                 \
    X(IDS_MOUSE_DRIVER, MouseDriver)                \
    X(IDS_MOUSE_INF, MouseInf)                      \
    X(IDS_DRIVER_DATE, DriverDate)                  \
    X(IDS_PS2_INF_SECTION, PS2InfSection)           \
    X(IDS_SERIAL_INF_SECTION, SerialInfSection)     \
    X(IDS_PS2_NAME, PS2Name)                        \
    X(IDS_SEIAL_NAME, SeialName)
// clang-format on
