// Files and directories: pass-through to kernel32.
#include "platform/files.h"

#include <windows.h>

#include "platform/text.h"

namespace plat {

namespace {
HANDLE H(File file) {
    return reinterpret_cast<HANDLE>(file);
}
File F(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<File>(handle);
}
}  // namespace

int DirCreate(const char* path) {
    return CreateDirectoryA(path, nullptr) ? 1 : 0;
}

int DirRemove(const char* path) {
    return RemoveDirectoryA(path) ? 1 : 0;
}

uint32_t ShortPathName(const char* path, char* out, uint32_t size) {
    uint32_t n = GetShortPathNameA(path, out, size);
    return n < size ? n : 0;
}

uint32_t FullPathName(const char* path, char* out, uint32_t size) {
    char* name = nullptr;
    uint32_t n = GetFullPathNameA(path, size, out, &name);
    return n < size ? n : 0;
}

uint32_t FileAttributes(const char* path) {
    return GetFileAttributesA(path);
}

int FileHeld(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
        return 0;
    }
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return 0;
    }
    DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ? 1 : 0;
}

int FileDelete(const char* path) {
    return DeleteFileA(path) ? 1 : 0;
}

int FileRename(const char* from, const char* to) {
    return MoveFileA(from, to) ? 1 : 0;
}

struct FindTag {
    HANDLE handle;
    WIN32_FIND_DATAA data;
};

namespace {
bool Dots(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}
// The current entry's name, or the next one past "." and "..".
int Take(Find find, char* name, uint32_t size, bool advance) {
    while (!advance || FindNextFileA(find->handle, &find->data)) {
        advance = true;
        if (!Dots(find->data.cFileName)) {
            text::Copy(name, size, find->data.cFileName);
            return 1;
        }
    }
    return 0;
}
}  // namespace

Find FindFirst(const char* dir, char* name, uint32_t size) {
    char pattern[MAX_PATH];
    if (!text::Format(pattern, sizeof pattern, "%s\\*", dir)) {
        return nullptr;
    }
    Find find = static_cast<Find>(GlobalAlloc(GPTR, sizeof(FindTag)));
    if (find == nullptr) {
        return nullptr;
    }
    find->handle = FindFirstFileA(pattern, &find->data);
    if (find->handle == INVALID_HANDLE_VALUE || !Take(find, name, size, false)) {
        FindEnd(find);
        return nullptr;
    }
    return find;
}

int FindNext(Find find, char* name, uint32_t size) {
    return find != nullptr && Take(find, name, size, true);
}

void FindEnd(Find find) {
    if (find != nullptr) {
        if (find->handle != INVALID_HANDLE_VALUE) {
            FindClose(find->handle);
        }
        GlobalFree(find);
    }
}

int DiskFreeSpace(const char* root, uint32_t* sectorsPerCluster, uint32_t* bytesPerSector,
                  uint32_t* freeClusters, uint32_t* totalClusters) {
    DWORD spc, bps, fc, tc;
    if (!GetDiskFreeSpaceA(root, &spc, &bps, &fc, &tc)) {
        return 0;
    }
    *sectorsPerCluster = spc;
    *bytesPerSector = bps;
    *freeClusters = fc;
    *totalClusters = tc;
    return 1;
}

File FileOpenRead(const char* path) {
    return F(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
}

File FileCreate(const char* path) {
    return F(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr));
}

File FileOpenWrite(const char* path) {
    return F(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
}

int FileRead(File file, void* buf, uint32_t size, uint32_t* got) {
    DWORD n = 0;
    BOOL ok = ReadFile(H(file), buf, size, &n, nullptr);
    *got = ok ? n : 0;
    return ok ? 1 : 0;
}

int FileWrite(File file, const void* buf, uint32_t size) {
    DWORD n = 0;
    return (WriteFile(H(file), buf, size, &n, nullptr) && n == size) ? 1 : 0;
}

int FileSeek(File file, uint32_t offset) {
    return SetFilePointer(H(file), static_cast<LONG>(offset), nullptr, FILE_BEGIN) == offset ? 1
                                                                                             : 0;
}

int FileFlush(File file) {
    return FlushFileBuffers(H(file)) ? 1 : 0;
}

int FileClose(File file) {
    return CloseHandle(H(file)) ? 1 : 0;
}

}  // namespace plat
