// The full-screen gradient backdrop behind the wizard.
#pragma once

#include <windows.h>

// Creates the topmost full-screen window, stores it in gWizard.backdropWindow
// and paints it once (pictures dissolving in); 1 on success, 0 on failure.
int CreateBackdrop();
LRESULT CALLBACK BackdropProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Draws bitmap resource `bitmap` pixel by pixel with its top-left at
// placement's left/top, leaving magenta out; dissolve != 0 draws in 64 passes.
void DrawPicture(HDC target, int bitmap, const RECT* placement, int dissolve);
