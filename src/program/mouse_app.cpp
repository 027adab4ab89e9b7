#include "program/mouse_app.h"

#include <windows.h>

namespace {
const char kMouseAppTitle[] = "VelorPoint";  // main window of the running mouse application
}

void CloseMouseApplication() {
    HWND app = FindWindowA(nullptr, kMouseAppTitle);
    if (app != nullptr) {
        SendMessageA(app, WM_CLOSE, 0, 0);
    }
}
