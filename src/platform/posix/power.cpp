// Power cuts and the next start of Windows on the fake machine (tests).
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/posix/internal.h"
#include "platform/posix/machine.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace plat {
namespace posix {

namespace {

const char* const kOpNames[] = {
    "RegOpen",    "RegCreate",    "RegEnum",    "RegQuery",     "RegSet",
    "RegDelete",  "ProfileWrite", "DirCreate",  "FileOpenRead", "FileCreate",
    "FileWrite",  "FileClose",    "FileDelete", "FileRename",   "DiskFree",
    "LzOpenRead", "LzCreate",     "FileRead",   "FileSeek",     "DirRemove",
    "LzCopy",     "ProfileFlush", "RegFlush",   "FileFlush",    "FileOpenWrite"};
static_assert(sizeof kOpNames / sizeof kOpNames[0] == static_cast<size_t>(Op::FileOpenWrite) + 1,
              "one name per Op");

bool gArmed = false;  // steps are counted between PowerCutAfter and WindowsRestart
long gLimit = -1;
CutPoint gCut = kCutBefore;
std::vector<PowerEntry> gLog;

}  // namespace

bool PowerWrites(Op op) {
    return op == Op::FileWrite || op == Op::LzCopy || op == Op::ProfileFlush;
}

uint32_t BytesAtCut(CutPoint cut, uint32_t size) {
    switch (cut) {
        case kCutFirstByte:
            return size > 0 ? 1 : 0;
        case kCutHalf:
            return size / 2;
        case kCutAllButLast:
            return size > 0 ? size - 1 : 0;
        default:
            return 0;
    }
}

namespace {

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    size_t e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

bool SameNoCase(const std::string& a, const char* b) {
    return a.size() == text::Length(b) && text::CompareNoCase(a.c_str(), b) == 0;
}

}  // namespace

const char* OpName(Op op) {
    return kOpNames[static_cast<int>(op)];
}

void PowerCutAfter(long steps, CutPoint cut) {
    gArmed = true;
    gLimit = steps;
    gCut = cut;
    gLog.clear();
    DirectoryForget();
    RegistryMakeDurable();
}

uint32_t PowerStep(Op op, const std::string& subject, uint32_t size) {
    if (!gArmed) {
        return size;
    }
    long index = static_cast<long>(gLog.size());
    gLog.push_back(PowerEntry{op, subject, size});
    if (gLimit < 0 || index < gLimit) {
        return size;
    }
    return index == gLimit && PowerWrites(op) ? BytesAtCut(gCut, size) : 0;
}

bool PowerArmed() {
    return gArmed;
}

long PowerLastStep() {
    return gArmed ? static_cast<long>(gLog.size()) - 1 : -1;
}

bool PowerFails() {
    long index = static_cast<long>(gLog.size());
    return gArmed && gLimit >= 0 && (index > gLimit || (index == gLimit && gCut == kCutBefore));
}

const std::vector<PowerEntry>& PowerLog() {
    return gLog;
}

namespace {

// Windows' start runs what RunOnce names once, and forgets it. The
// stand-in knows one command: the command interpreter's "/c rd DIR", which
// removes a folder once it is empty.
void RunOnceAfterStart() {
    const char kRunOnce[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    const std::string kRemove = " /c rd ";
    RegKey key;
    if (RegOpen(LocalMachine(), kRunOnce, &key) != kErrSuccess) {
        return;
    }
    std::vector<std::string> names;
    char name[256];
    while (RegEnumValueName(key, static_cast<uint32_t>(names.size()), name, sizeof name) ==
           kErrSuccess) {
        names.push_back(name);
    }
    for (const std::string& value : names) {
        char data[1024] = {};
        uint32_t size = sizeof data - 1;
        if (RegQuery(key, value.c_str(), nullptr, data, &size) == kErrSuccess) {
            std::string command(data, size < sizeof data ? size : sizeof data - 1);
            size_t at = command.find(kRemove);
            if (at != std::string::npos) {
                DirRemove(Trim(command.substr(at + kRemove.size())).c_str());
            }
        }
        RegRemoveValue(key, value.c_str());
    }
    RegClose(key);
}

}  // namespace

CutDisks PowerOff() {
    CutDisks disks;
    if (!gArmed) {
        disks.registries.push_back(CutRegistry{-1, RegistrySaveText()});
        disks.directories.push_back(CutDirectory());
        return disks;
    }
    disks.registries = RegistryOnDisk();
    disks.directories = DirectoryOnDisk();
    gArmed = false;
    // What lived in memory went with the power.
    RegistryBackToDurable();
    ResetProfileCache();
    ResetLzHandles();
    return disks;
}

void WindowsRestart(bool powerCut) {
    // Uncounted, registry writes went to the disk at once, as profile
    // writes do: only a cut while counting loses any.
    bool counting = gArmed;
    gArmed = false;
    // A start of Windows runs none of the programs that held files.
    Machine().heldFiles.clear();
    DirectoryForget();
    if (powerCut) {
        ResetProfileCache();
        if (counting) {
            RegistryBackToDurable();
        }
    } else {
        ProfileFlushAll();
    }
    ResetLzHandles();
    std::string ini = Machine().windowsDir + "\\WININIT.INI";
    std::string bak = Machine().windowsDir + "\\WININIT.BAK";
    std::string data;
    if (!HostFileBytes(HostPath(ini.c_str()), &data)) {
        RunOnceAfterStart();
        return;
    }
    bool inRename = false;
    size_t pos = 0;
    while (pos < data.size()) {
        size_t end = data.find('\n', pos);
        std::string line = Trim(data.substr(pos, end == std::string::npos ? end : end - pos));
        pos = end == std::string::npos ? data.size() : end + 1;
        if (!line.empty() && line[0] == '[') {
            inRename = SameNoCase(line, "[rename]");
            continue;
        }
        size_t eq = line.find('=');
        if (!inRename || eq == std::string::npos) {
            continue;
        }
        std::string target = Trim(line.substr(0, eq));
        std::string source = Trim(line.substr(eq + 1));
        if (SameNoCase(target, "NUL")) {
            FileDelete(source.c_str());
        } else {
            FileDelete(target.c_str());
            FileRename(source.c_str(), target.c_str());
        }
    }
    // The last start's copy goes whatever its attributes: Windows' own doing.
    Machine().readOnlyFiles.erase(HostPath(bak.c_str()));
    FileDelete(bak.c_str());
    FileRename(ini.c_str(), bak.c_str());
    RunOnceAfterStart();
}

}  // namespace posix
}  // namespace plat
