// Stand-ins for the other programs that the setup meets, for the whole-run
// tests under Wine. Each writes what it saw, one line at a time, to LOG.
//
//   window_helper watch-restart LOG
//       A hidden top-level window that notes WM_QUERYENDSESSION and
//       WM_ENDSESSION. Under Wine, ExitWindowsEx(EWX_REBOOT) starts
//       "wineboot --end-session", which sends both to every top-level window
//       of the session: that is how a test sees that a restart was asked for.
//   window_helper mouse-app LOG FILE
//       The running mouse application: a window titled "VelorPoint". On
//       WM_CLOSE it notes whether FILE (an installed file) existed yet, then
//       closes.
//       Both write "ready" first, once their window exists.
//   window_helper dump-reg LOG KEY...
//       Every value below each KEY (HKLM\..., HKCR\..., HKDD\...), subkeys
//       in enumeration order, one line each: key TAB name TAB type TAB hex
//       data. One process for all the keys a test looks at.
//   window_helper wait-gone LOG PREFIX
//       Waits up to a minute until no process runs whose file name begins
//       with PREFIX (the uninstaller's copy), then notes "gone" or "running".
#include <stdio.h>
#include <string.h>
#include <windows.h>
// tlhelp32.h needs windows.h first
#include <tlhelp32.h>

namespace {

FILE* gLog;
const char* gCheckFile;

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

void DumpKey(HKEY root, const char* rootName, const char* path) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    char keyLine[600];
    snprintf(keyLine, sizeof keyLine, "%s\\%s", rootName, path);
    fprintf(gLog, "%s\t\t\t\n", keyLine);  // the key exists, even without values
    for (DWORD i = 0;; i++) {
        char name[256];
        BYTE data[1024];
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) !=
            ERROR_SUCCESS) {
            break;
        }
        fprintf(gLog, "%s\t%s\t%lu\t", keyLine, name, static_cast<unsigned long>(type));
        for (DWORD b = 0; b < dataSize; b++) {
            fprintf(gLog, "%02x", data[b]);
        }
        fprintf(gLog, "\n");
    }
    for (DWORD i = 0;; i++) {
        char sub[256];
        DWORD subSize = sizeof sub;
        if (RegEnumKeyExA(key, i, sub, &subSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        char child[600];
        snprintf(child, sizeof child, "%s\\%s", path, sub);
        DumpKey(root, rootName, child);
    }
    RegCloseKey(key);
}

int DumpRegistry(int count, char** keys) {
    for (int i = 0; i < count; i++) {
        const char* slash = strchr(keys[i], '\\');
        if (slash == nullptr) {
            continue;
        }
        char rootName[8];
        snprintf(rootName, sizeof rootName, "%.*s", static_cast<int>(slash - keys[i]), keys[i]);
        HKEY root = strcmp(rootName, "HKLM") == 0   ? HKEY_LOCAL_MACHINE
                    : strcmp(rootName, "HKCR") == 0 ? HKEY_CLASSES_ROOT
                    : strcmp(rootName, "HKDD") == 0 ? HKEY_DYN_DATA
                                                    : nullptr;
        if (root != nullptr) {
            DumpKey(root, rootName, slash + 1);
        }
    }
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
        fprintf(
            stderr,
            "usage: window_helper watch-restart LOG | mouse-app LOG FILE | dump-reg LOG KEY... | "
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
    if (strcmp(argv[1], "wait-gone") == 0 && argc >= 4) {
        for (int i = 0; i < 600 && Running(argv[3]); i++) {
            Sleep(100);
        }
        Note(Running(argv[3]) ? "running" : "gone");
        return 0;
    }
    if (strcmp(argv[1], "dump-reg") == 0) {
        return DumpRegistry(argc - 3, argv + 3);
    }
    if (strcmp(argv[1], "mouse-app") == 0 && argc >= 4) {
        gCheckFile = argv[3];
        return Run(MouseAppProc, "VelorPointMain", "VelorPoint", WS_OVERLAPPED);
    }
    return 2;
}
