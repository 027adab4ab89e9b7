// System facts, resources and memory: pass-through to kernel32 and user32.
#include "platform/system.h"

#include <windows.h>

namespace plat {

uint32_t ModuleFileName(char* buf, uint32_t size) {
    return GetModuleFileNameA(nullptr, buf, size);
}

uint32_t WindowsDirectory(char* buf, uint32_t size) {
    return GetWindowsDirectoryA(buf, size);
}

uint32_t SystemDirectory(char* buf, uint32_t size) {
    return GetSystemDirectoryA(buf, size);
}

uint32_t CommandInterpreter(char* buf, uint32_t size) {
    uint32_t n = GetEnvironmentVariableA("COMSPEC", buf, size);
    return n < size ? n : 0;
}

uint32_t ComputerName(char* buf, uint32_t size) {
    DWORD n = size;
    return GetComputerNameA(buf, &n) ? n : 0;
}

void TimeNow(LocalTime* now) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    *now = {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

uint32_t Version() {
    return GetVersion();
}

int DeviceOpens(const char* name) {
    HANDLE device = CreateFileA(name, 0, 0, nullptr, 0, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        return 0;
    }
    CloseHandle(device);
    return 1;
}

int LoadResourceString(void* instance, uint32_t id, char* buf, int size) {
    return LoadStringA(static_cast<HINSTANCE>(instance), id, buf, size);
}

void* BlockAlloc(uint32_t bytes) {
    return GlobalAlloc(GPTR, bytes);
}

void BlockFree(void* block) {
    if (block != nullptr) {
        GlobalFree(block);
    }
}

uint32_t TickCount() {
    return GetTickCount();
}

}  // namespace plat
