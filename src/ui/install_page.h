// The install page's helpers: the copy with progress painted on the page,
// the message steps that keep it answering, and the bar's frame.
#pragma once

#include <stdint.h>
#include <windows.h>

// Runs the installation of gScript by gChoices with its progress on page:
// the copy, "Updating Registry..." and a second's pause, the full
// registration and the system.ini switch-over. An InstallResult.
int RunInstallationOnPage(HWND page);
// Takes at most one waiting message of page or its controls; a Cancel
// command (WM_COMMAND 1) is not dispatched but sets pageResult to cancel.
void PumpOneMessage(HWND page);
// Waits ms milliseconds, discarding every message except the quit request.
void WaitDiscardingMessages(uint32_t ms);
// White outline filled with `fill` (codes 100..106: a colour of their own;
// any other: that stock object) and a grey outline 1 pixel up and left.
void DrawSunkenFrame(HWND page, HDC dc, int control, int fill);
// The control's client rectangle in page's client coordinates.
RECT ControlRectInPage(HWND page, int control);
