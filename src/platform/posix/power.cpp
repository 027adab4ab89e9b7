// Power cuts and the next start of Windows on the fake machine (tests).
#include <stdio.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/posix/internal.h"
#include "platform/posix/machine.h"
#include "platform/text.h"

namespace plat {
namespace posix {

namespace {

const char* const kOpNames[] = {
    "RegOpen",      "RegCreate",  "RegEnum",      "RegQuery",     "RegSet",    "RegDelete",
    "ProfileWrite", "DirCreate",  "FileOpenRead", "FileCreate",   "FileWrite", "FileClose",
    "FileDelete",   "FileRename", "DiskFree",     "LzOpenRead",   "LzCreate",  "FileRead",
    "FileSeek",     "DirRemove",  "LzCopy",       "ProfileFlush", "FileFlush", "RegFlush"};

bool gArmed = false;  // steps are counted between PowerCutAfter and WindowsRestart
long gLimit = -1;
bool gHalf = false;
std::vector<std::string> gLog;

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    size_t e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

bool SameNoCase(const std::string& a, const char* b) {
    return a.size() == text::Length(b) && text::CompareNoCase(a.c_str(), b) == 0;
}

}  // namespace

void PowerCutAfter(long steps, bool half) {
    gArmed = true;
    gLimit = steps;
    gHalf = half;
    gLog.clear();
}

uint32_t PowerStep(Op op, const std::string& subject, uint32_t size) {
    if (!gArmed) {
        return size;
    }
    long index = static_cast<long>(gLog.size());
    gLog.push_back(std::string(kOpNames[static_cast<int>(op)]) + " " + subject);
    if (gLimit < 0 || index < gLimit) {
        return size;
    }
    bool writes = op == Op::FileWrite || op == Op::LzCopy || op == Op::ProfileFlush;
    return index == gLimit && gHalf && writes ? size / 2 : 0;
}

bool PowerArmed() {
    return gArmed;
}

const std::vector<std::string>& PowerLog() {
    return gLog;
}

void WindowsRestart(bool powerCut) {
    gArmed = false;
    if (powerCut) {
        ResetProfileCache();
    } else {
        ProfileFlushAll();
    }
    ResetLzHandles();
    std::string ini = Machine().windowsDir + "\\WININIT.INI";
    std::string bak = Machine().windowsDir + "\\WININIT.BAK";
    FILE* f = fopen(HostPath(ini.c_str()).c_str(), "rb");
    if (f == nullptr) {
        return;
    }
    std::string data;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, f)) > 0) {
        data.append(chunk, got);
    }
    fclose(f);
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
    FileDelete(bak.c_str());
    FileRename(ini.c_str(), bak.c_str());
}

}  // namespace posix
}  // namespace plat
