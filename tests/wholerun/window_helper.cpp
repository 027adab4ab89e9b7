// Stand-ins for the other programs that the setup meets, for the whole-run
// tests under Wine. Each writes what it saw, one line at a time, to LOG.
//
//   window_helper watch-restart LOG
//       A hidden top-level window that notes WM_QUERYENDSESSION and
//       WM_ENDSESSION. Under Wine, ExitWindowsEx(EWX_REBOOT) starts
//       "wineboot --end-session", which sends both to every top-level window
//       of the session: that is how a test sees that a restart was asked for.
//   window_helper mouse-app LOG FILE [MS]
//       The running mouse application: a window titled "VelorPoint". On
//       WM_CLOSE it notes whether FILE (an installed file) existed yet, then
//       closes its window; its process ends MS milliseconds later (0 when
//       not given; -1: never, as a program that hangs or asks a question of
//       its own). Started from the installed Q7MAIN.EXE, Windows holds that
//       file while the process runs.
//       Both write "ready" first, once their window exists.
//   window_helper save-reg LOG
//       The whole registry, for a snapshot of the machine: see SaveRegistry.
//   window_helper wait-gone LOG PREFIX
//       Waits up to a minute until no process runs whose file name begins
//       with PREFIX (the uninstaller's copy), then notes "gone" or "running".
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>
// tlhelp32.h needs windows.h first
#include <tlhelp32.h>

namespace {

FILE* gLog;
const char* gCheckFile;
int gLingerMs;  // after WM_CLOSE, before the process ends; -1 never

void Note(const char* line) {
    fprintf(gLog, "%s\n", line);
    fflush(gLog);
}

LRESULT CALLBACK WatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    char line[64];
    switch (message) {
        case WM_QUERYENDSESSION:
            snprintf(line, sizeof line, "queryendsession %lx", static_cast<unsigned long>(lParam));
            Note(line);
            return TRUE;
        case WM_ENDSESSION:
            snprintf(line, sizeof line, "endsession %d", static_cast<int>(wParam));
            Note(line);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK MouseAppProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            Note(GetFileAttributesA(gCheckFile) == INVALID_FILE_ATTRIBUTES ? "close before-copy"
                                                                           : "close after-copy");
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

int Run(WNDPROC proc, const char* className, const char* title, DWORD style) {
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, className, title, style, 0, 0, 40, 20, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    if (window == nullptr) {
        Note("no window");
        return 1;
    }
    Note("ready");
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageA(&msg);
    }
    return 0;
}

// Registry paths and names: Wine allows longer than Windows 98 did.
const DWORD kMaxPath = 4096;
const DWORD kMaxName = 16384;

// One value line; data too large for buf is read again at its size.
void DumpValues(HKEY key, const char* keyLine) {
    static char name[kMaxName];
    static BYTE small[65536];
    for (DWORD i = 0;; i++) {
        DWORD nameSize = sizeof name, dataSize = sizeof small, type = 0;
        BYTE* data = small;
        LONG result = RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize);
        if (result == ERROR_MORE_DATA) {
            data = static_cast<BYTE*>(malloc(dataSize));
            nameSize = sizeof name;
            result = RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize);
        }
        if (result == ERROR_SUCCESS) {
            fprintf(gLog, "%s\t%s\t%lu\t", keyLine, name, static_cast<unsigned long>(type));
            for (DWORD b = 0; b < dataSize; b++) {
                fprintf(gLog, "%02x", data[b]);
            }
            fprintf(gLog, "\n");
        }
        if (data != small) {
            free(data);
        }
        if (result != ERROR_SUCCESS) {
            break;
        }
    }
}

void DumpKey(HKEY root, const char* rootName, const char* path) {
    HKEY key;
    if (RegOpenKeyExA(root, path[0] ? path : nullptr, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    char keyLine[kMaxPath];
    snprintf(keyLine, sizeof keyLine, "%s%s%s", rootName, path[0] ? "\\" : "", path);
    fprintf(gLog, "%s\t\t\t\n", keyLine);  // the key exists, even without values
    DumpValues(key, keyLine);
    for (DWORD i = 0;; i++) {
        char sub[kMaxPath];
        DWORD subSize = sizeof sub;
        if (RegEnumKeyExA(key, i, sub, &subSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        char child[kMaxPath];
        snprintf(child, sizeof child, "%s%s%s", path, path[0] ? "\\" : "", sub);
        DumpKey(root, rootName, child);
    }
    RegCloseKey(key);
}

// RegSaveKey needs the backup privilege, held but not enabled.
int EnableBackupPrivilege() {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) {
        return 0;
    }
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    BOOL ok = LookupPrivilegeValueA(nullptr, "SeBackupPrivilege", &privileges.Privileges[0].Luid) &&
              AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
              GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return ok;
}

// The whole registry: HKEY_LOCAL_MACHINE and HKEY_USERS (HKEY_CLASSES_ROOT
// and HKEY_CURRENT_USER are views of them) saved by the server in its own
// text format to LOG.hklm and LOG.hku, in one request each; HKEY_DYN_DATA,
// which lives only in the running server and is not saved, dumped to LOG.
int SaveRegistry(const char* log) {
    if (!EnableBackupPrivilege()) {
        Note("no backup privilege");
        return 1;
    }
    const struct {
        HKEY root;
        const char* suffix;
    } roots[] = {{HKEY_LOCAL_MACHINE, ".hklm"}, {HKEY_USERS, ".hku"}};
    for (const auto& r : roots) {
        char file[MAX_PATH];
        snprintf(file, sizeof file, "%s%s", log, r.suffix);
        DeleteFileA(file);
        LONG result = RegSaveKeyA(r.root, file, nullptr);
        if (result != ERROR_SUCCESS) {
            fprintf(gLog, "RegSaveKey %s: error %ld\n", r.suffix, result);
            return 1;
        }
    }
    DumpKey(HKEY_DYN_DATA, "HKDD", "");
    fclose(gLog);
    return 0;
}

// Whether a process runs whose file name begins with prefix.
bool Running(const char* prefix) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 e;
    e.dwSize = sizeof e;
    BOOL more = Process32First(snap, &e);
    while (more && _strnicmp(e.szExeFile, prefix, strlen(prefix)) != 0) {
        more = Process32Next(snap, &e);
    }
    CloseHandle(snap);
    return more != FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr,
                "usage: window_helper watch-restart LOG | mouse-app LOG FILE | save-reg LOG | "
                "wait-gone LOG PREFIX\n");
        return 2;
    }
    gLog = fopen(argv[2], "w");
    if (gLog == nullptr) {
        return 2;
    }
    if (strcmp(argv[1], "watch-restart") == 0) {
        return Run(WatchProc, "RestartWatch", "restart watch", WS_OVERLAPPED);
    }
    if (strcmp(argv[1], "save-reg") == 0) {
        return SaveRegistry(argv[2]);
    }
    if (strcmp(argv[1], "wait-gone") == 0 && argc >= 4) {
        for (int i = 0; i < 600 && Running(argv[3]); i++) {
            Sleep(100);
        }
        Note(Running(argv[3]) ? "running" : "gone");
        return 0;
    }
    if (strcmp(argv[1], "mouse-app") == 0 && argc >= 4) {
        gCheckFile = argv[3];
        gLingerMs = argc >= 5 ? atoi(argv[4]) : 0;
        int rc = Run(MouseAppProc, "VelorPointMain", "VelorPoint", WS_OVERLAPPED);
        Sleep(gLingerMs < 0 ? INFINITE : static_cast<DWORD>(gLingerMs));
        return rc;
    }
    return 2;
}
