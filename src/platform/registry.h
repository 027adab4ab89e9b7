// Registry operations, each standing for one Win32 registry call and
// keeping its contract: 0 (ERROR_SUCCESS) on success, a Win32 error code
// otherwise; key names are case-blind; keys are opened with KEY_ALL_ACCESS.
#pragma once

#include <stdint.h>

namespace plat {

typedef struct RegKeyTag* RegKey;  // an open key or one of the roots below

RegKey ClassesRoot();   // HKEY_CLASSES_ROOT
RegKey LocalMachine();  // HKEY_LOCAL_MACHINE
RegKey DynData();       // HKEY_DYN_DATA: the Configuration Manager's present devices

const long kErrSuccess = 0;
const long kErrFileNotFound = 2;
const long kErrAccessDenied = 5;
const long kErrMoreData = 234;
const long kErrNoMoreItems = 259;

const uint32_t kRegSz = 1;
const uint32_t kRegBinary = 3;
const uint32_t kRegDword = 4;

// Like RegOpenKeyExA: the key must exist; *out is set only on success.
long RegOpen(RegKey parent, const char* subKey, RegKey* out);

// Like RegCreateKeyExA (non-volatile): creates the missing keys of the path
// or opens the existing one.
long RegCreate(RegKey parent, const char* subKey, RegKey* out);

// Like RegEnumKeyExA: name of the subkey at index into name (nameSize bytes
// with the terminator). kErrNoMoreItems past the last subkey, kErrMoreData
// when the name does not fit.
long RegEnumSubkey(RegKey key, uint32_t index, char* name, uint32_t nameSize);

// Like RegQueryValueExA: type may be null; *size is the capacity on entry
// and the data's length on return (text values count their terminator).
// kErrFileNotFound when absent, kErrMoreData when the data do not fit.
long RegQuery(RegKey key, const char* valueName, uint32_t* type, void* data, uint32_t* size);

// Like RegSetValueExA: writes exactly size bytes of data under valueName
// (null or "" is the key's default value).
long RegSet(RegKey key, const char* valueName, uint32_t type, const void* data, uint32_t size);

// Like RegEnumValueA asking for the name only: name of the value at index
// (nameSize bytes with the terminator; "" for the default value).
// kErrNoMoreItems past the last value, kErrMoreData when the name does not fit.
long RegEnumValueName(RegKey key, uint32_t index, char* name, uint32_t nameSize);

// Like RegDeleteValueA: kErrFileNotFound when the value is absent.
long RegRemoveValue(RegKey key, const char* valueName);

// Like RegDeleteKeyA on Windows 95/98: the key goes with everything below
// it (Windows NT would refuse a key with subkeys). Callers that must not
// take a subtree look for subkeys first.
long RegRemoveKey(RegKey parent, const char* subKey);

// Like RegFlushKey: writes the registry (on Windows 95/98 the whole of it,
// every hive) to the disk; kErrSuccess or a Win32 error. Until then, or an
// orderly shutdown, a power cut may lose any change.
long RegFlush(RegKey key);

// Like RegCloseKey.
long RegClose(RegKey key);

}  // namespace plat
