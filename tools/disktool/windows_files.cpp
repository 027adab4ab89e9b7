#include "windows_files.h"

#include "disk_names.h"
#include "model/setup_data.h"

namespace disktool {

bool IsWindowsOwnFile(int keyword, const std::string& target) {
    static const char* const kWindowsDir[] = {
        "SYSTEM.INI", "WIN.INI",  "PROTOCOL.INI", "CONTROL.INI", "PROGMAN.INI", "WIN.COM",
        "SYSTEM.DAT", "USER.DAT", "EXPLORER.EXE", "REGEDIT.EXE", "NOTEPAD.EXE"};
    static const char* const kSystemDir[] = {
        "KERNEL32.DLL", "USER32.DLL",   "GDI32.DLL",    "ADVAPI32.DLL", "SHELL32.DLL",
        "COMDLG32.DLL", "COMCTL32.DLL", "LZ32.DLL",     "LZEXPAND.DLL", "VER.DLL",
        "VERSION.DLL",  "OLE32.DLL",    "OLEAUT32.DLL", "MSVCRT.DLL",   "WSOCK32.DLL",
        "WINSOCK.DLL",  "SHELL.DLL",    "KRNL386.EXE",  "USER.EXE",     "GDI.EXE",
        "VMM32.VXD",    "MOUSE.DRV",    "KEYBOARD.DRV", "SYSTEM.DRV",   "DISPLAY.DRV"};
    std::string name = Upper(target);
    if (keyword == kWinDir) {
        for (const char* f : kWindowsDir) {
            if (name == f) {
                return true;
            }
        }
    }
    if (keyword == kWinSystemDir) {
        for (const char* f : kSystemDir) {
            if (name == f) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace disktool
