// The Browse Directory dialog: the old-style common Open dialog turned into
// a directory chooser by template 104 and a hook.
#pragma once

#include <windows.h>

// On OK copies the path box's text into gChoices.destDir; on Cancel leaves it.
void BrowseDirectory(HWND owner);
UINT_PTR CALLBACK BrowseHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
