// Registry: pass-through to advapi32.
#include "platform/registry.h"

#include <windows.h>

namespace plat {

namespace {
HKEY H(RegKey key) {
    return reinterpret_cast<HKEY>(key);
}
}  // namespace

RegKey ClassesRoot() {
    return reinterpret_cast<RegKey>(HKEY_CLASSES_ROOT);
}
RegKey LocalMachine() {
    return reinterpret_cast<RegKey>(HKEY_LOCAL_MACHINE);
}
RegKey DynData() {
    return reinterpret_cast<RegKey>(HKEY_DYN_DATA);
}

long RegOpen(RegKey parent, const char* subKey, RegKey* out) {
    HKEY key;
    long result = RegOpenKeyExA(H(parent), subKey, 0, KEY_ALL_ACCESS, &key);
    if (result == ERROR_SUCCESS) {
        *out = reinterpret_cast<RegKey>(key);
    }
    return result;
}

long RegCreate(RegKey parent, const char* subKey, RegKey* out) {
    HKEY key;
    DWORD disposition;
    long result = RegCreateKeyExA(H(parent), subKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, &disposition);
    if (result == ERROR_SUCCESS) {
        *out = reinterpret_cast<RegKey>(key);
    }
    return result;
}

long RegEnumSubkey(RegKey key, uint32_t index, char* name, uint32_t nameSize) {
    DWORD size = nameSize;
    FILETIME written;
    return RegEnumKeyExA(H(key), index, name, &size, nullptr, nullptr, nullptr, &written);
}

long RegQuery(RegKey key, const char* valueName, uint32_t* type, void* data, uint32_t* size) {
    DWORD t = 0;
    DWORD s = *size;
    long result = RegQueryValueExA(H(key), valueName, nullptr, &t, static_cast<BYTE*>(data), &s);
    *size = s;
    if (type != nullptr) {
        *type = t;
    }
    return result;
}

long RegSet(RegKey key, const char* valueName, uint32_t type, const void* data, uint32_t size) {
    return RegSetValueExA(H(key), valueName, 0, type, static_cast<const BYTE*>(data), size);
}

long RegEnumValueName(RegKey key, uint32_t index, char* name, uint32_t nameSize) {
    DWORD size = nameSize;
    return RegEnumValueA(H(key), index, name, &size, nullptr, nullptr, nullptr, nullptr);
}

long RegRemoveValue(RegKey key, const char* valueName) {
    return RegDeleteValueA(H(key), valueName);
}

long RegRemoveKey(RegKey parent, const char* subKey) {
    return RegDeleteKeyA(H(parent), subKey);
}

long RegFlush(RegKey key) {
    return RegFlushKey(H(key));
}

long RegClose(RegKey key) {
    return RegCloseKey(H(key));
}

}  // namespace plat
