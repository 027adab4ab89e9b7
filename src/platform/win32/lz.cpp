// LZ expansion: pass-through to lz32.
#include "platform/lz.h"

#include <windows.h>

#include "platform/text.h"

namespace plat {

int LzOpenRead(const char* path) {
    OFSTRUCT ofs;
    return LZOpenFileA(const_cast<LPSTR>(path), &ofs, OF_READ);
}

int LzCreate(const char* path, char* opened, uint32_t size) {
    OFSTRUCT ofs;
    ofs.szPathName[0] = 0;
    int handle = LZOpenFileA(const_cast<LPSTR>(path), &ofs, OF_CREATE);
    text::Copy(opened, size, handle >= 0 ? ofs.szPathName : "");
    return handle;
}

long LzCopy(int src, int dst) {
    return LZCopy(src, dst);
}

void LzClose(int handle) {
    LZClose(handle);
}

}  // namespace plat
