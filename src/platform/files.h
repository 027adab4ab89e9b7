// Files and directories by DOS path, with Win32 semantics.
#pragma once

#include <stdint.h>

namespace plat {

const uint32_t kInvalidAttributes = 0xFFFFFFFFu;  // what GetFileAttributesA gives on failure
const uint32_t kAttrReadOnly = 0x01;              // FILE_ATTRIBUTE_READONLY
const uint32_t kAttrDirectory = 0x10;             // FILE_ATTRIBUTE_DIRECTORY

// Like CreateDirectoryA with default security: creates the last component
// only; 1 on success, 0 when it fails (an existing directory included).
int DirCreate(const char* path);

// Like RemoveDirectoryA: removes an empty directory; 1 on success, 0 on
// failure (a directory that still holds anything included).
int DirRemove(const char* path);

// Like GetShortPathNameA: the 8.3 form of an existing path into out, cut
// to size - 1; the length copied, 0 when the path does not exist.
uint32_t ShortPathName(const char* path, char* out, uint32_t size);

// Like GetFullPathNameA: path made whole (a relative one taken from the
// current directory), "." and ".." parts resolved; the length copied, 0
// when it does not fit size (out then holds nothing to use).
uint32_t FullPathName(const char* path, char* out, uint32_t size);

// Like GetFileAttributesA: kInvalidAttributes when the path cannot be read.
uint32_t FileAttributes(const char* path);
inline bool Exists(const char* path) {
    return FileAttributes(path) != kInvalidAttributes;
}

// Whether another program holds the file: like CreateFileA(path,
// GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
// ...) closed again at once. 1 when the file exists, is not read-only, and
// the open fails with ERROR_SHARING_VIOLATION or ERROR_ACCESS_DENIED (a
// running program's image, a library the shell has loaded); 0 otherwise.
int FileHeld(const char* path);

// Like DeleteFileA: 1 on success, 0 on failure.
int FileDelete(const char* path);

// Like MoveFileA: never replaces; fails and changes nothing when the new
// name exists or the old one does not. 1 on success, 0 on failure.
int FileRename(const char* from, const char* to);

// Like FindFirstFileA(dir + "\\*") and FindNextFileA over one directory,
// "." and ".." left out: the first entry's name into name, cut to size - 1;
// null when the directory holds nothing or cannot be read.
typedef struct FindTag* Find;
Find FindFirst(const char* dir, char* name, uint32_t size);
// The next entry's name; 0 when none is left.
int FindNext(Find find, char* name, uint32_t size);
// Like FindClose; null is allowed.
void FindEnd(Find find);

// Like GetDiskFreeSpaceA on a root path such as "C:\": 1 on success.
int DiskFreeSpace(const char* root, uint32_t* sectorsPerCluster, uint32_t* bytesPerSector,
                  uint32_t* freeClusters, uint32_t* totalClusters);

typedef struct FileTag* File;  // null when a file could not be opened

File FileOpenRead(const char* path);  // existing file, read only
File FileCreate(const char* path);    // created, or emptied when it exists
// An existing file opened for writing without emptying it (CreateFileA
// GENERIC_WRITE, OPEN_EXISTING), e.g. to flush what another call wrote.
File FileOpenWrite(const char* path);
// Reads up to size bytes; *got is 0 at the end of the file. 1 unless the read failed.
int FileRead(File file, void* buf, uint32_t size, uint32_t* got);
// 1 only when all size bytes were written (a full disk gives 0).
int FileWrite(File file, const void* buf, uint32_t size);
// Moves the read/write position to offset bytes from the start; 1 on success.
int FileSeek(File file, uint32_t offset);
// Like FlushFileBuffers: 1 when the file's data written so far are on the
// disk; 0 on a file not opened for writing.
int FileFlush(File file);
// 1 when the file was closed with everything written.
int FileClose(File file);

}  // namespace plat
