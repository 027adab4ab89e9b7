// The command-line tail rule, kept apart so the native tests reach it.
#pragma once

// The command line without the program's own name (quoted or not) and
// without the blanks that follow that name.
const char* CommandLineTail(const char* commandLine);

// 1 when the tail selects the driver-only mode: "-" then "u", exactly.
int IsDriverOnlyTail(const char* tail);
