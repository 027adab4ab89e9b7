// The page host: shows one wizard page at a time and returns its answer.
#pragma once

#include <stdint.h>
#include <windows.h>

// PageResult values kept in gWizard.pageResult.
const int16_t kPageCancel = 0;
const int16_t kPageNext = 1;
const int16_t kPageBack = 2;

// Sent once by RunPage to a page after its controls exist; the Browse
// Directory hook posts it to its own dialog for the first filling.
const UINT WM_SETUP_INIT = WM_USER + 100;
// Posted by the Browse Directory hook to its dialog after a navigation in
// its lists, to show the new working directory.
const UINT WM_SETUP_REFRESH = WM_USER + 101;

// Registers className, creates template templateId as a modeless dialog owned
// by the backdrop, sends WM_SETUP_INIT and runs the loop until the page is
// gone. Returns gWizard.pageResult.
int16_t RunPage(const char* className, WNDPROC pageProc, int templateId);

// The common page behaviour, for the page procedures. Every page procedure
// (and the backdrop's) chooses its case by the message number's low 16 bits,
// as in 16-bit Windows, where a message number was one word: a number with
// higher bits set is answered as its low word. The cast stays so that each
// message is answered as it always was; no message Windows sends a page
// carries such bits.
void OnPageCreate(HWND page, int useCurrentScreenSize);  // title and centring
void ClosePage(HWND page);                               // WM_CLOSE to itself
LRESULT CommonPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// productName + " installation is not completed !", owned by window.
void CancelWarning(HWND window);
