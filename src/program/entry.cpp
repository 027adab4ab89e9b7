// The program's own entry point: no C runtime starts it, so it finds the
// command-line tail itself and hands it to WinMain.
#include <windows.h>

#include "program/command_line.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR tail, int show);

extern "C" void WINAPI SetupEntry() {
    const char* tail = CommandLineTail(GetCommandLineA());
    int code = WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(tail), SW_SHOWDEFAULT);
    ExitProcess(static_cast<UINT>(code));
}
