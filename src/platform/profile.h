// Private-profile (INI) files, with the rules of the Win32 calls: section
// and key names are case-blind, a missing file, section or key gives the
// default, values are cut to the reading limit.
#pragma once

#include <stdint.h>

namespace plat {

// Like GetPrivateProfileStringA with a section and a key: copies the value
// (or def when missing) into buf, cut to size - 1, and returns the length
// copied.
uint32_t ProfileGetString(const char* section, const char* key, const char* def, char* buf,
                          uint32_t size, const char* path);

// Like GetPrivateProfileIntA: the number that the value begins with (decimal,
// or with a lower-case 0x, 0o or 0b prefix; 0 when it begins with none), or
// def when the key is missing or its value empty.
uint32_t ProfileGetInt(const char* section, const char* key, int32_t def, const char* path);

// Like WritePrivateProfileStringA: creates the file, the section and the key
// as needed and returns 1, or 0 on failure. Called with all-null section,
// key and value it flushes the cached file at path to the disk and returns 0
// (Windows documents that answer).
int ProfileWriteString(const char* section, const char* key, const char* value, const char* path);

}  // namespace plat
