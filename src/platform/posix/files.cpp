// Placeholder until the file stand-ins land: every call fails.
#include "platform/files.h"

namespace plat {
int DirCreate(const char*) { return 0; }
uint32_t FileAttributes(const char*) { return kInvalidAttributes; }
int FileDelete(const char*) { return 0; }
int FileRename(const char*, const char*) { return 0; }
int DiskFreeSpace(const char*, uint32_t*, uint32_t*, uint32_t*, uint32_t*) { return 0; }
File FileOpenRead(const char*) { return nullptr; }
File FileCreate(const char*) { return nullptr; }
int FileRead(File, void*, uint32_t, uint32_t* got) {
    *got = 0;
    return 0;
}
int FileWrite(File, const void*, uint32_t) { return 0; }
int FileSeek(File, uint32_t) { return 0; }
int FileClose(File) { return 0; }
}  // namespace plat
