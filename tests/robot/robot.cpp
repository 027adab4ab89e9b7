// The test robot: drives the wizard's windows from a second process under
// the same wineserver, as a user would, and checks what they show.
//
//   robot.exe SCRIPT            steps from a file, one per line
//   robot.exe -e "STEP" ...     steps from the arguments
//
// Every step works on the "current" window, set by wait, dialog or msgbox.
// Texts run to the end of the line; \n, \t and \\ in them are unescaped,
// any other backslash stays (paths: C:\APPS).
// Blank lines and lines starting with # are skipped. A failed step prints
// "robot: line N: STEP: got X, expected Y" and the robot exits 1; timeouts
// are 30 seconds (32-bit Wine may run under an emulator on a busy machine)
// unless ROBOT_TIMEOUT_MS says otherwise.
//
//   wait CLASS            wait for a visible top-level window of CLASS
//   appear CLASS ID       the same, until its control ID exists, without waiting
//                         for its message loop (a page busy in its own work)
//   dialog CAPTION        wait for a visible dialog box (#32770) with CAPTION
//   msgbox                wait for a visible message box (a #32770 with a
//                         text control 0xFFFF)
//   gone                  wait until the current window no longer exists
//   nomsgbox              no message box shows up within half a second
//   caption TEXT          the current window's caption is TEXT
//   text ID TEXT          control ID's text is TEXT (ID -1 is not allowed)
//   textnot ID TEXT       control ID's text is not TEXT (or turns into
//                         something else before the timeout)
//   msgtext TEXT          the message box's text is TEXT
//   icon NAME             the message box shows the icon warning, question,
//                         information, error or none (by the timeout: it may
//                         not have painted yet)
//   buttons A,B           the visible buttons' texts, in id order
//   checked ID 0|1        check state of a button (by the timeout: a click
//                         posted to it may not have been taken yet)
//   enabled ID 0|1
//   visible ID 0|1
//   focus ID              control ID has the keyboard focus
//   selected ID           all of edit control ID's text is selected
//   click ID              click button ID (posted, so a modal box it opens
//                         does not block the robot)
//   key esc|enter|tab     a key press to the focused control
//   settext ID TEXT       replace control ID's text (an edit box)
//   type TEXT             type TEXT into the focused control, key by key
//   lbselect ID INDEX     select item INDEX of list box ID and tell the
//                         dialog, as a click in the list does
//   lbdblclk ID INDEX     the same, as a double click
//   cbselect ID INDEX     select item INDEX of combo box ID and tell the dialog
//   count ID N            list or combo box ID holds N items (N may be >N)
//   shot NAME             if ROBOT_SHOTS names a directory: create NAME.wait
//                         there and wait until it is deleted (the screenshot
//                         script takes the picture meanwhile)
//   sleep MS
//   print ID              print control ID's text (for writing scripts)
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const int kMessageBoxTextId = 0xFFFF;
DWORD gTimeoutMs = 30000;
HWND gCurrent = nullptr;
int gLine = 0;
std::string gStep;

[[noreturn]] void Fail(const std::string& got, const std::string& expected) {
    printf("robot: line %d: %s: got \"%s\", expected \"%s\"\n", gLine, gStep.c_str(), got.c_str(),
           expected.c_str());
    fflush(stdout);
    exit(1);
}

void Check(const std::string& got, const std::string& expected) {
    if (got != expected) {
        Fail(got, expected);
    }
}

std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); i++) {
        char next = i + 1 < s.size() ? s[i + 1] : 0;
        if (s[i] == '\\' && (next == 'n' || next == 't' || next == '\\')) {
            out += next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
            i++;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string CheckedOf(HWND button) {
    return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0";
}

std::string TextOf(HWND window) {
    if (window == nullptr) {
        return "<no window>";
    }
    char buffer[1024] = "";
    DWORD_PTR result = 0;
    // WM_GETTEXT is carried across processes; GetWindowText would not ask
    // an edit box of another process.
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                        SMTO_ABORTIFHUNG, 2000, &result);
    return buffer;
}

std::string ClassOf(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

HWND Control(int id) {
    if (gCurrent == nullptr) {
        Fail("no current window", "a window");
    }
    HWND control = GetDlgItem(gCurrent, id);
    if (control == nullptr) {
        Fail("no control " + std::to_string(id), "the control");
    }
    return control;
}

template <typename Found>
HWND WaitFor(Found found, const std::string& what) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = found();
        if (window != nullptr) {
            return window;
        }
        if (GetTickCount() - start > gTimeoutMs) {
            Fail("nothing after " + std::to_string(gTimeoutMs) + " ms", what);
        }
        Sleep(20);
    }
}

// For what shows only once the other process has caught up: a click it was
// posted, a message box's paint. Read until it is as expected or the
// timeout has passed; the last reading is what fails.
template <typename Read>
void CheckSoon(Read read, const std::string& expected) {
    DWORD start = GetTickCount();
    std::string got = read();
    while (got != expected && GetTickCount() - start <= gTimeoutMs) {
        Sleep(20);
        got = read();
    }
    Check(got, expected);
}

struct Search {
    std::string className;
    std::string caption;
    bool messageBox;
    HWND found;
};

BOOL CALLBACK MatchTopWindow(HWND window, LPARAM data) {
    Search* search = reinterpret_cast<Search*>(data);
    if (!IsWindowVisible(window) || ClassOf(window) != search->className) {
        return TRUE;
    }
    if (!search->caption.empty() && TextOf(window) != search->caption) {
        return TRUE;
    }
    if (search->messageBox && GetDlgItem(window, kMessageBoxTextId) == nullptr) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

HWND FindTop(const std::string& className, const std::string& caption, bool messageBox) {
    Search search = {className, caption, messageBox, nullptr};
    EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr) {
        return info.hwndFocus;
    }
    return window;
}

void PostKey(HWND target, UINT key, char ch) {
    PostMessageA(target, WM_KEYDOWN, key, 1);
    if (ch != 0) {
        PostMessageA(target, WM_CHAR, static_cast<unsigned char>(ch), 1);
    }
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

// Lets the other process take what was posted before the next check.
void Settle() {
    DWORD_PTR result = 0;
    if (gCurrent != nullptr && IsWindow(gCurrent)) {
        SendMessageTimeoutA(gCurrent, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
    }
    Sleep(50);
}

// Which standard icon the message box shows: its icon control's pixels on
// the screen are compared with each system icon drawn here, on the pixels
// the icon's mask makes opaque.
std::string IconOf(HWND box) {
    HWND iconControl = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == "Static" &&
            (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child)) {
            iconControl = child;
        }
    }
    if (iconControl == nullptr) {
        return "none";
    }
    RECT rect;
    GetWindowRect(iconControl, &rect);
    const int size = 32;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP shot = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ old = SelectObject(memory, shot);
    BitBlt(memory, 0, 0, size, size, screen, rect.left, rect.top, SRCCOPY);
    std::vector<COLORREF> onScreen;
    for (int y = 0; y < size; y++) {
        for (int x = 0; x < size; x++) {
            onScreen.push_back(GetPixel(memory, x, y));
        }
    }
    struct Candidate {
        const char* name;
        LPCSTR id;
    } candidates[] = {{"warning", IDI_WARNING},
                      {"question", IDI_QUESTION},
                      {"information", IDI_INFORMATION},
                      {"error", IDI_ERROR}};
    std::string best = "unknown";
    int bestMisses = size * size / 10;  // more differing pixels than this: no match
    for (const Candidate& candidate : candidates) {
        HICON icon = LoadIconA(nullptr, candidate.id);
        std::vector<COLORREF> onBlack, onWhite;
        for (int pass = 0; pass < 2; pass++) {
            RECT all = {0, 0, size, size};
            FillRect(memory, &all,
                     static_cast<HBRUSH>(GetStockObject(pass ? WHITE_BRUSH : BLACK_BRUSH)));
            DrawIconEx(memory, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
            for (int y = 0; y < size; y++) {
                for (int x = 0; x < size; x++) {
                    (pass ? onWhite : onBlack).push_back(GetPixel(memory, x, y));
                }
            }
        }
        int misses = 0;
        for (size_t i = 0; i < onScreen.size(); i++) {
            if (onBlack[i] == onWhite[i] && onBlack[i] != onScreen[i]) {
                misses++;
            }
        }
        if (misses < bestMisses) {
            bestMisses = misses;
            best = candidate.name;
        }
    }
    SelectObject(memory, old);
    DeleteObject(shot);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return best;
}

std::string ButtonsOf(HWND box) {
    std::vector<std::pair<int, std::string>> buttons;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == "Button" && IsWindowVisible(child)) {
            buttons.push_back({GetDlgCtrlID(child), TextOf(child)});
        }
    }
    std::sort(buttons.begin(), buttons.end());
    std::string out;
    for (auto& b : buttons) {
        out += (out.empty() ? "" : ",") + b.second;
    }
    return out;
}

int ToInt(const std::string& s) {
    return static_cast<int>(strtol(s.c_str(), nullptr, 0));
}

void SplitFirst(const std::string& s, std::string* first, std::string* rest) {
    size_t space = s.find(' ');
    *first = s.substr(0, space);
    *rest = space == std::string::npos ? "" : s.substr(space + 1);
}

void Step(const std::string& line) {
    std::string verb, rest, arg, tail;
    SplitFirst(line, &verb, &rest);
    SplitFirst(rest, &arg, &tail);
    if (verb == "wait") {
        gCurrent = WaitFor([&] { return FindTop(rest, "", false); }, "window of class " + rest);
        // A page shows itself before its controls exist; it answers a sent
        // message only once its loop runs.
        Settle();
    } else if (verb == "appear") {
        // No Settle: a sent message would wait until the page takes its next
        // message, and whatever follows would come too late for its work.
        gCurrent = WaitFor(
            [&] {
                HWND page = FindTop(arg, "", false);
                return page != nullptr && GetDlgItem(page, ToInt(tail)) != nullptr ? page : nullptr;
            },
            "window of class " + arg + " with control " + tail);
    } else if (verb == "dialog") {
        std::string caption = Unescape(rest);
        gCurrent = WaitFor([&] { return FindTop("#32770", caption, false); }, "dialog " + caption);
        Settle();
    } else if (verb == "msgbox") {
        gCurrent = WaitFor([&] { return FindTop("#32770", "", true); }, "a message box");
        Settle();
    } else if (verb == "nomsgbox") {
        Sleep(500);
        if (FindTop("#32770", "", true) != nullptr) {
            Fail("a message box", "none");
        }
    } else if (verb == "gone") {
        HWND window = gCurrent;
        WaitFor([&] { return IsWindow(window) ? nullptr : reinterpret_cast<HWND>(1); },
                "the window gone");
        gCurrent = nullptr;
    } else if (verb == "caption") {
        Check(TextOf(gCurrent), Unescape(rest));
    } else if (verb == "text") {
        Check(TextOf(Control(ToInt(arg))), Unescape(tail));
    } else if (verb == "textnot") {
        // The change may still be on its way (the Browse hook refreshes the
        // edit through posted messages): wait for it.
        HWND control = Control(ToInt(arg));
        std::string unwanted = Unescape(tail);
        DWORD start = GetTickCount();
        std::string got;
        while ((got = TextOf(control)) == unwanted) {
            if (GetTickCount() - start > gTimeoutMs) {
                Fail(got, "anything else");
            }
            Sleep(20);
        }
    } else if (verb == "msgtext") {
        Check(TextOf(Control(kMessageBoxTextId)), Unescape(rest));
    } else if (verb == "icon") {
        CheckSoon([&] { return IconOf(gCurrent); }, rest);
    } else if (verb == "buttons") {
        Check(ButtonsOf(gCurrent), rest);
    } else if (verb == "checked") {
        HWND button = Control(ToInt(arg));
        CheckSoon([&] { return CheckedOf(button); }, tail);
    } else if (verb == "enabled") {
        Check(std::to_string(IsWindowEnabled(Control(ToInt(arg))) ? 1 : 0), tail);
    } else if (verb == "visible") {
        Check(std::to_string(IsWindowVisible(Control(ToInt(arg))) ? 1 : 0), tail);
    } else if (verb == "focus") {
        HWND focus = FocusOf(gCurrent);
        Check(std::to_string(GetDlgCtrlID(focus)), arg);
    } else if (verb == "selected") {
        HWND edit = Control(ToInt(arg));
        DWORD start = 0, end = 0;
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        std::string got = std::to_string(start) + ".." + std::to_string(end);
        Check(got, "0.." + std::to_string(TextOf(edit).size()));
    } else if (verb == "click") {
        PostMessageA(Control(ToInt(arg)), BM_CLICK, 0, 0);
        Settle();
    } else if (verb == "key") {
        HWND target = FocusOf(gCurrent);
        if (arg == "esc") {
            PostKey(target, VK_ESCAPE, 0);
        } else if (arg == "enter") {
            PostKey(target, VK_RETURN, 0);
        } else if (arg == "tab") {
            PostKey(target, VK_TAB, 0);
        } else {
            Fail(arg, "esc, enter or tab");
        }
        Settle();
    } else if (verb == "settext") {
        std::string value = Unescape(tail);
        DWORD_PTR result = 0;
        SendMessageTimeoutA(Control(ToInt(arg)), WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>(value.c_str()), SMTO_ABORTIFHUNG, 2000,
                            &result);
    } else if (verb == "type") {
        HWND target = FocusOf(gCurrent);
        for (char c : Unescape(rest)) {
            PostMessageA(target, WM_CHAR, static_cast<unsigned char>(c), 1);
        }
        Settle();
    } else if (verb == "lbselect" || verb == "lbdblclk" || verb == "cbselect") {
        int id = ToInt(arg);
        HWND list = Control(id);
        bool combo = verb == "cbselect";
        SendMessageA(list, combo ? CB_SETCURSEL : LB_SETCURSEL, ToInt(tail), 0);
        WORD code = verb == "lbdblclk" ? LBN_DBLCLK : combo ? CBN_SELCHANGE : LBN_SELCHANGE;
        PostMessageA(gCurrent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(list));
        Settle();
    } else if (verb == "count") {
        HWND list = Control(ToInt(arg));
        UINT message = ClassOf(list) == "ComboBox" ? CB_GETCOUNT : LB_GETCOUNT;
        LRESULT n = SendMessageA(list, message, 0, 0);
        if (tail.size() > 1 && tail[0] == '>') {
            if (n <= ToInt(tail.substr(1))) {
                Fail(std::to_string(n), tail);
            }
        } else {
            Check(std::to_string(n), tail);
        }
    } else if (verb == "shot") {
        const char* dir = getenv("ROBOT_SHOTS");
        if (dir != nullptr && *dir != 0) {
            std::string path = std::string(dir) + "\\" + rest + ".wait";
            FILE* f = fopen(path.c_str(), "w");
            if (f == nullptr) {
                Fail("cannot create " + path, "a marker file");
            }
            fclose(f);
            DWORD start = GetTickCount();
            while (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
                if (GetTickCount() - start > 30000) {
                    Fail("no screenshot taken", rest);
                }
                Sleep(50);
            }
        }
    } else if (verb == "sleep") {
        Sleep(ToInt(arg));
    } else if (verb == "print") {
        printf("%s\n", TextOf(Control(ToInt(arg))).c_str());
        fflush(stdout);
    } else {
        Fail(verb, "a known step");
    }
}

void Run(const std::vector<std::string>& lines) {
    for (size_t i = 0; i < lines.size(); i++) {
        std::string line = lines[i];
        while (!line.empty() &&
               (line.back() == '\r' || line.back() == '\n' || line.back() == ' ')) {
            line.pop_back();
        }
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') {
            continue;
        }
        gLine = static_cast<int>(i + 1);
        gStep = line.substr(start);
        Step(gStep);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* timeout = getenv("ROBOT_TIMEOUT_MS");
    if (timeout != nullptr) {
        gTimeoutMs = static_cast<DWORD>(atoi(timeout));
    }
    std::vector<std::string> lines;
    if (argc >= 2 && strcmp(argv[1], "-e") == 0) {
        for (int i = 2; i < argc; i++) {
            lines.push_back(argv[i]);
        }
    } else if (argc == 2) {
        FILE* f = fopen(argv[1], "r");
        if (f == nullptr) {
            printf("robot: cannot open %s\n", argv[1]);
            return 2;
        }
        char buffer[2048];
        while (fgets(buffer, sizeof buffer, f) != nullptr) {
            lines.push_back(buffer);
        }
        fclose(f);
    } else {
        printf("usage: robot SCRIPT | robot -e STEP...\n");
        return 2;
    }
    Run(lines);
    printf("robot: %d steps done\n", static_cast<int>(lines.size()));
    return 0;
}
