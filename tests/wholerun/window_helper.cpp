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
// Both write "ready" first, once their window exists.
//   window_helper dump-reg LOG KEY...
//       Every value below each KEY (HKLM\..., HKCR\..., HKDD\...), subkeys
//       in enumeration order, one line each: key TAB name TAB type TAB hex
//       data. One process for all the keys a test looks at.
//   window_helper drive LOG STEP...
//       Walks the wizard, one step per argument, noting what it finds; stops
//       at the first step that fails (20 s at most for any window):
//         wait:CLASS          a window of CLASS is up
//         click:CLASS:ID      click button ID of that window
//         checked:CLASS:ID    note "checked ID 0|1"
//         enabled:CLASS:ID    note "enabled ID 0|1"
//         text:CLASS:ID       note "text ID <text>"
//         box:ID              a message box is up: note "box <caption>|<text>",
//                             then click its button ID (1 OK, 2 Cancel)
//         gone:CLASS          no window of CLASS is left
//         hold:FILE           wait until FILE exists (the test takes a
//                             screenshot meanwhile)
//         tick:NAME           note "tick NAME <GetTickCount>"
//         sleep:MS
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

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

const DWORD kStepTimeout = 20000;  // ms for any window to come or go

// A page shows itself while it is being created, before its controls exist
// and before WM_SETUP_INIT has filled them. A message sent from here is
// handled only once its thread takes messages again, that is after the
// page's set-up (or, on the install page, at the copy's first message step).
void WaitIdle(HWND window) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kStepTimeout, &result);
}

HWND WaitWindow(const char* className) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < kStepTimeout; Sleep(20)) {
        HWND window = FindWindowA(className, nullptr);
        if (window != nullptr && IsWindowVisible(window)) {
            WaitIdle(window);
            return window;
        }
    }
    return nullptr;
}

// "CLASS:ID" (ID optional) split in place.
int SplitTarget(char* arg, int* id) {
    char* colon = strrchr(arg, ':');
    *id = 0;
    if (colon != nullptr) {
        *colon = 0;
        *id = atoi(colon + 1);
        return 1;
    }
    return 0;
}

int Step(char* step) {
    char line[700];
    char* what = step;
    char* arg = strchr(step, ':');
    if (arg == nullptr) {
        return 0;
    }
    *arg++ = 0;
    if (strcmp(what, "tick") == 0) {
        snprintf(line, sizeof line, "tick %s %lu", arg, static_cast<unsigned long>(GetTickCount()));
        Note(line);
        return 1;
    }
    if (strcmp(what, "sleep") == 0) {
        Sleep(static_cast<DWORD>(atoi(arg)));
        return 1;
    }
    if (strcmp(what, "hold") == 0) {
        snprintf(line, sizeof line, "hold %s", arg);
        Note(line);
        for (DWORD start = GetTickCount(); GetTickCount() - start < 60000; Sleep(20)) {
            if (GetFileAttributesA(arg) != INVALID_FILE_ATTRIBUTES) {
                return 1;
            }
        }
        return 0;
    }
    if (strcmp(what, "gone") == 0) {
        for (DWORD start = GetTickCount(); GetTickCount() - start < kStepTimeout; Sleep(20)) {
            if (FindWindowA(arg, nullptr) == nullptr) {
                return 1;
            }
        }
        return 0;
    }
    if (strcmp(what, "box") == 0) {
        HWND box = WaitWindow("#32770");
        if (box == nullptr) {
            return 0;
        }
        Sleep(100);  // let it finish painting before it goes
        char caption[256], body[512];
        GetWindowTextA(box, caption, sizeof caption);
        GetDlgItemTextA(box, 0xFFFF, body, sizeof body);
        snprintf(line, sizeof line, "box %s|%s", caption, body);
        Note(line);
        HWND button = GetDlgItem(box, atoi(arg));
        if (button == nullptr) {
            return 0;
        }
        PostMessageA(button, BM_CLICK, 0, 0);
        for (DWORD start = GetTickCount(); GetTickCount() - start < kStepTimeout; Sleep(20)) {
            if (!IsWindow(box)) {
                return 1;
            }
        }
        return 0;
    }
    int id = 0;
    SplitTarget(arg, &id);
    HWND window = WaitWindow(arg);
    if (window == nullptr) {
        snprintf(line, sizeof line, "missing %s", arg);
        Note(line);
        return 0;
    }
    if (strcmp(what, "wait") == 0) {
        snprintf(line, sizeof line, "page %s", arg);
        Note(line);
        return 1;
    }
    HWND control = nullptr;
    for (DWORD start = GetTickCount(); GetTickCount() - start < kStepTimeout; Sleep(20)) {
        if ((control = GetDlgItem(window, id)) != nullptr) {
            break;
        }
    }
    if (control == nullptr) {
        snprintf(line, sizeof line, "no control %d on %s", id, arg);
        Note(line);
        return 0;
    }
    if (strcmp(what, "click") == 0) {
        PostMessageA(control, BM_CLICK, 0, 0);
        return 1;
    }
    if (strcmp(what, "checked") == 0) {
        snprintf(line, sizeof line, "checked %d %d", id,
                 SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
    } else if (strcmp(what, "enabled") == 0) {
        snprintf(line, sizeof line, "enabled %d %d", id, IsWindowEnabled(control) ? 1 : 0);
    } else if (strcmp(what, "text") == 0) {
        char value[512];
        GetWindowTextA(control, value, sizeof value);
        snprintf(line, sizeof line, "text %d %s", id, value);
    } else {
        return 0;
    }
    Note(line);
    return 1;
}

int Drive(int count, char** steps) {
    for (int i = 0; i < count; i++) {
        char copy[600];
        snprintf(copy, sizeof copy, "%s", steps[i]);
        if (!Step(copy)) {
            char line[700];
            snprintf(line, sizeof line, "failed %s", steps[i]);
            Note(line);
            return 1;
        }
    }
    Note("done");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(
            stderr,
            "usage: window_helper watch-restart LOG | mouse-app LOG FILE | dump-reg LOG KEY...\n");
        return 2;
    }
    gLog = fopen(argv[2], "w");
    if (gLog == nullptr) {
        return 2;
    }
    if (strcmp(argv[1], "watch-restart") == 0) {
        return Run(WatchProc, "RestartWatch", "restart watch", WS_OVERLAPPED);
    }
    if (strcmp(argv[1], "drive") == 0) {
        return Drive(argc - 3, argv + 3);
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
