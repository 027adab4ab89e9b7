// Native builds: a program file there has no resources, so the string table
// is handed to the platform's stand-in of LoadStringA.
#pragma once

// Hands the program's string table (model/string_table.h) to the stand-in;
// call before the first LoadText.
void UseProgramStrings();
