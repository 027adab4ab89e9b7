// One spelling of a path, so that two names of one file or folder compare
// equal: "C:\Program Files\VELOR", "c:\progra~1\velor\" and
// "C:\Program Files\.\VELOR" are one folder.
#pragma once

#include <stdint.h>

namespace fileio {

const uint32_t kCanonicalPath = 300;  // canonical paths: up to 299 chars

// path made whole (FullPathName), without a trailing backslash but a
// root's, and the longest leading part of it that exists in its 8.3 form
// (ShortPathName), the rest as given. 0 when it does not fit out (size
// bytes).
int CanonicalPath(const char* path, char* out, uint32_t size);

// 1 when a and b name the same file or folder: their canonical forms,
// letter case aside. 0 when either does not fit.
int SamePath(const char* a, const char* b);

}  // namespace fileio
