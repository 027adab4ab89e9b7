// Facts about the running system, resources and memory.
#pragma once

#include <stdint.h>

namespace plat {

// Like GetModuleFileNameA(NULL, ...): the program's own path, cut to size - 1;
// returns the length copied.
uint32_t ModuleFileName(char* buf, uint32_t size);
// Like GetWindowsDirectoryA / GetSystemDirectoryA: the length copied, or the
// length needed (terminator included) when buf is too small, which leaves
// buf untouched.
uint32_t WindowsDirectory(char* buf, uint32_t size);
uint32_t SystemDirectory(char* buf, uint32_t size);
// Like GetEnvironmentVariableA("COMSPEC", ...): the command interpreter
// (COMMAND.COM on Windows 95/98) into buf; the length copied, 0 when it is
// not set or does not fit.
uint32_t CommandInterpreter(char* buf, uint32_t size);
// Like GetComputerNameA: the computer's network name into buf; the length
// copied, 0 when it cannot be told or does not fit.
uint32_t ComputerName(char* buf, uint32_t size);
// Like GetLocalTime: the date and the time of day.
struct LocalTime {
    uint16_t year, month, day, hour, minute, second;
};
void TimeNow(LocalTime* now);
// Like GetVersion: bit 31 set on the Windows 95/98 family.
uint32_t Version();

// The device probe: CreateFileA(name, 0, 0, NULL, 0, 0, NULL); when a handle
// comes back it is closed again and the result is 1, otherwise 0.
int DeviceOpens(const char* name);

// Like LoadStringA: the string table entry id of instance's module into buf,
// cut to size - 1; returns the length copied, 0 when there is no such text.
int LoadResourceString(void* instance, uint32_t id, char* buf, int size);

// Like GlobalAlloc(GPTR): a zero-filled fixed block, or null.
void* BlockAlloc(uint32_t bytes);
// Like GlobalFree on such a block; null is allowed.
void BlockFree(void* block);

// Like GetTickCount: milliseconds since the system started, wrapping at 2^32.
uint32_t TickCount();

}  // namespace plat
