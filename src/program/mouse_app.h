// The running mouse application, which both programs close before they
// change its files.
#pragma once

// Sends WM_CLOSE to the main window titled "VelorPoint", if one exists, and
// waits, ten seconds at most, until its process has ended and Windows no
// longer holds its files.
void CloseMouseApplication();
