// Private profiles: pass-through to kernel32.
#include "platform/profile.h"

#include <windows.h>

namespace plat {

uint32_t ProfileGetString(const char* section, const char* key, const char* def, char* buf,
                          uint32_t size, const char* path) {
    return GetPrivateProfileStringA(section, key, def, buf, size, path);
}

uint32_t ProfileGetInt(const char* section, const char* key, int32_t def, const char* path) {
    return GetPrivateProfileIntA(section, key, def, path);
}

int ProfileWriteString(const char* section, const char* key, const char* value, const char* path) {
    return WritePrivateProfileStringA(section, key, value, path) ? 1 : 0;
}

}  // namespace plat
