// Under Wine, with the Windows 98 version set, a "\\.\NAME" that is no DOS
// device is opened through the prefix's dosdevices/name (lower case). The
// link there points at a scratch file of this test, never at a system file:
// the tests run as root. The link is made once; the scratch file behind it
// decides whether the probe opens.
#include <windows.h>

#include <string>

#include "support/probe_device.h"

namespace testing_probe {

namespace {

const char kScratchDir[] = "C:\\probe-scratch";
const char kScratchFile[] = "C:\\probe-scratch\\vlmouse.dev";
const char kLinkTarget[] = "../drive_c/probe-scratch/vlmouse.dev";
const char kMarker[] = "C:\\probe-scratch\\linked";
const char kMarkerHost[] = "drive_c/probe-scratch/linked";  // below the prefix

std::string PrefixDir() {
    char buf[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("WINEPREFIX", buf, sizeof buf);
    if (n > 0 && n < sizeof buf) {
        return buf;
    }
    n = GetEnvironmentVariableA("HOME", buf, sizeof buf);
    return (n > 0 && n < sizeof buf) ? std::string(buf) + "/.wine" : std::string();
}

// Wine starts a host program named by its absolute path like any other,
// but the handle it gives back may be signalled before the host program
// has run: the shell leaves a marker once the link is in place.
bool RunHost(const std::string& commandLine) {
    std::string cmd = commandLine;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return false;
    }
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

bool EnsureLink() {
    static bool made = false;
    if (made) {
        return true;
    }
    std::string prefix = PrefixDir();
    if (prefix.empty()) {
        return false;
    }
    CreateDirectoryA(kScratchDir, nullptr);
    DeleteFileA(kMarker);
    if (!RunHost("/bin/sh -c \"ln -sfn " + std::string(kLinkTarget) + " '" + prefix +
                 "/dosdevices/vlmouse' && touch '" + prefix + "/" + kMarkerHost + "'\"")) {
        return false;
    }
    for (int i = 0; i < 200 && !made; i++) {
        made = GetFileAttributesA(kMarker) != INVALID_FILE_ATTRIBUTES;
        if (!made) {
            Sleep(50);
        }
    }
    return made;
}

}  // namespace

bool SetDevicePresent(bool present) {
    if (!EnsureLink()) {
        return false;
    }
    if (!present) {
        DeleteFileA(kScratchFile);
        return GetFileAttributesA(kScratchFile) == INVALID_FILE_ATTRIBUTES;
    }
    CreateDirectoryA(kScratchDir, nullptr);
    HANDLE file = CreateFileA(kScratchFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

}  // namespace testing_probe
