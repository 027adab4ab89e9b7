// The running mouse application, which both programs close before they
// change its files.
#pragma once

// Sends WM_CLOSE to the main window titled "VelorPoint", if one exists, and
// waits until the window has handled it.
void CloseMouseApplication();
