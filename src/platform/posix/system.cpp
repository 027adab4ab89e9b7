// System facts from the fake machine; the string table that the program
// handed over.
#include "platform/system.h"

#include <stdlib.h>
#include <strings.h>
#include <time.h>

#include "platform/posix/machine.h"
#include "platform/text.h"

namespace plat {

namespace {

const posix::ResourceString* gStrings;  // the program's string table
size_t gStringCount;

// GetWindowsDirectoryA's rule: the length copied, or the size needed.
uint32_t CopyDirectory(const std::string& dir, char* buf, uint32_t size) {
    if (dir.size() + 1 > size) {
        return static_cast<uint32_t>(dir.size() + 1);
    }
    text::Copy(buf, size, dir.c_str());
    return static_cast<uint32_t>(dir.size());
}

}  // namespace

uint32_t ModuleFileName(char* buf, uint32_t size) {
    if (size == 0) {
        return 0;
    }
    text::Copy(buf, size, posix::Machine().moduleFileName.c_str());
    return text::Length(buf);
}

uint32_t CommandInterpreter(char* buf, uint32_t size) {
    std::string shell = posix::Machine().windowsDir + "\\COMMAND.COM";
    return text::Copy(buf, size, shell.c_str()) ? text::Length(buf) : 0;
}

uint32_t ComputerName(char* buf, uint32_t size) {
    return text::Copy(buf, size, posix::Machine().computerName.c_str()) ? text::Length(buf) : 0;
}

// The stand-in's clock stands still, so that what a run writes is the
// same every time.
void TimeNow(LocalTime* now) {
    *now = {1999, 1, 15, 12, 0, 0};
}

uint32_t WindowsDirectory(char* buf, uint32_t size) {
    return CopyDirectory(posix::Machine().windowsDir, buf, size);
}

uint32_t SystemDirectory(char* buf, uint32_t size) {
    return CopyDirectory(posix::Machine().systemDir, buf, size);
}

uint32_t Version() {
    return posix::Machine().version;
}

int DeviceOpens(const char* name) {
    for (const std::string& device : posix::Machine().devices) {
        if (strcasecmp(device.c_str(), name) == 0) {
            return 1;
        }
    }
    return 0;
}

int LoadResourceString(void*, uint32_t id, char* buf, int size) {
    if (size <= 0) {
        return 0;
    }
    buf[0] = 0;
    for (size_t i = 0; i < gStringCount; i++) {
        if (gStrings[i].id == id) {
            text::Copy(buf, static_cast<uint32_t>(size), gStrings[i].text);
            return static_cast<int>(text::Length(buf));
        }
    }
    return 0;
}

void* BlockAlloc(uint32_t bytes) {
    return calloc(1, bytes == 0 ? 1 : bytes);
}

void BlockFree(void* block) {
    free(block);
}

namespace posix {

void SetResourceStrings(const ResourceString* table, size_t count) {
    gStrings = table;
    gStringCount = count;
}

}  // namespace posix

uint32_t TickCount() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(now.tv_sec * 1000u + now.tv_nsec / 1000000);
}

}  // namespace plat
