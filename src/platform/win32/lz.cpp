// LZ expansion: pass-through to lz32.
#include "platform/lz.h"

#include <windows.h>

namespace plat {

int LzOpenRead(const char* path) {
    OFSTRUCT ofs;
    return LZOpenFileA(const_cast<LPSTR>(path), &ofs, OF_READ);
}

int LzCreate(const char* path) {
    OFSTRUCT ofs;
    return LZOpenFileA(const_cast<LPSTR>(path), &ofs, OF_CREATE);
}

long LzCopy(int src, int dst) {
    return LZCopy(src, dst);
}

void LzClose(int handle) {
    LZClose(handle);
}

}  // namespace plat
