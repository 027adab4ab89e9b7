// LZ expansion over the file format of the COMPRESS and EXPAND tools
// (SZDD), with the contract of lz32: a file in that format is expanded by
// the copy, any other file is copied unchanged.
#pragma once

#include <stdint.h>

namespace plat {

// Like LZOpenFileA(path, &ofs, OF_READ): a handle >= 0, or a negative value.
int LzOpenRead(const char* path);
// Like LZOpenFileA(path, &ofs, OF_CREATE): the file is created or emptied.
// When path cannot be created, lz32 creates its compressed spelling
// instead (last character of the extension replaced by '_'): opened
// receives ofs.szPathName, the file really created (cut to size - 1).
int LzCreate(const char* path, char* opened, uint32_t size);
// Like LZCopy: the number of bytes written to dst, or a negative LZERROR_ code.
long LzCopy(int src, int dst);
// Like LZClose.
void LzClose(int handle);

const long kLzErrorBadInHandle = -1;
const long kLzErrorBadOutHandle = -2;
const long kLzErrorRead = -3;
const long kLzErrorWrite = -4;
const long kLzErrorGlobalAlloc = -5;
const long kLzErrorBadValue = -7;
const long kLzErrorUnknownAlg = -8;

}  // namespace plat
