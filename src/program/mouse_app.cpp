#include "program/mouse_app.h"

#include <windows.h>

namespace {
const char kMouseAppTitle[] = "VelorPoint";  // main window of the running mouse application
// ms the application has, from WM_CLOSE, to end: a program that saves its
// settings takes a few seconds, one that asks a question of its own or
// hangs may never end (its files then wait for the next start).
const DWORD kEndWait = 10000;
}  // namespace

void CloseMouseApplication() {
    HWND app = FindWindowA(nullptr, kMouseAppTitle);
    if (app == nullptr) {
        return;
    }
    // The process is opened before it is asked to close, so the handle
    // still names it once it has ended.
    DWORD id = 0;
    GetWindowThreadProcessId(app, &id);
    HANDLE process = id != 0 ? OpenProcess(SYNCHRONIZE, FALSE, id) : nullptr;
    DWORD start = GetTickCount();
    DWORD answer = 0;
    SendMessageTimeoutA(app, WM_CLOSE, 0, 0, SMTO_NORMAL, kEndWait, &answer);
    if (process != nullptr) {
        DWORD spent = GetTickCount() - start;
        WaitForSingleObject(process, spent < kEndWait ? kEndWait - spent : 0);
        CloseHandle(process);
    }
}
