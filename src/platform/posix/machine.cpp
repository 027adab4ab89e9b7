// The fake machine: configuration, DOS path resolution and test faults.
#include "platform/posix/machine.h"

#include <dirent.h>
#include <stdio.h>
#include <strings.h>
#include <sys/stat.h>

#include <vector>

#include "platform/posix/internal.h"

namespace plat {
namespace posix {

namespace {

MachineConfig gMachine;

struct Fault {
    Op op;
    std::string match;
    int skip;
    int times;
};
std::vector<Fault> gFaults;

// The entry of directory dir whose name equals name case-blindly, or name
// itself when there is none.
std::string MatchEntry(const std::string& dir, const std::string& name) {
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) {
        return name;
    }
    std::string found = name;
    while (dirent* e = readdir(d)) {
        if (strcasecmp(e->d_name, name.c_str()) == 0) {
            found = e->d_name;
            break;
        }
    }
    closedir(d);
    return found;
}

}  // namespace

std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

bool HostFileBytes(const std::string& host, std::string* data) {
    FILE* f = fopen(host.c_str(), "rb");
    if (f == nullptr) {
        return false;
    }
    data->clear();
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, f)) > 0) {
        data->append(chunk, got);
    }
    fclose(f);
    return true;
}

void StartToolMachine(const std::string& root, const std::string& windowsDir,
                      const std::string& systemDir, const std::string& moduleFileName) {
    MachineConfig config;
    config.root = root;
    config.windowsDir = windowsDir;
    config.systemDir = systemDir;
    config.moduleFileName = moduleFileName;
    MachineReset(config);
}

void EndToolMachine() {
    MachineReset(MachineConfig());
}

void MachineReset(const MachineConfig& config) {
    gMachine = config;
    gFaults.clear();
    ResetRegistryStore();
    ResetProfileCache();
    ResetLzHandles();
    if (!gMachine.root.empty()) {
        mkdir(gMachine.root.c_str(), 0755);
        struct stat st;
        std::string reg = gMachine.root + "/registry.reg";
        if (stat(reg.c_str(), &st) == 0) {
            RegistryLoadFile(reg);
            ClearRegistryWrites();
        }
    }
}

MachineConfig& Machine() {
    return gMachine;
}

std::string HostPath(const char* dosPath) {
    std::string path = dosPath;
    if (path.size() < 2 || path[1] != ':' || gMachine.root.empty()) {
        return "";
    }
    char drive = path[0];
    if (drive >= 'A' && drive <= 'Z') {
        drive = static_cast<char>(drive - 'A' + 'a');
    }
    std::string host = gMachine.root + "/" + drive;
    size_t i = 2;
    while (i <= path.size()) {
        size_t j = path.find_first_of("\\/", i);
        if (j == std::string::npos) {
            j = path.size();
        }
        std::string part = path.substr(i, j - i);
        if (!part.empty() && part != ".") {
            if (part == "..") {
                // host is root + "/c" and a folder after it starts at
                // root.size() + 2; ".." never climbs above the drive.
                size_t cut = host.find_last_of('/');
                if (cut >= gMachine.root.size() + 2) {
                    host.erase(cut);
                }
            } else {
                host += "/" + MatchEntry(host, part);
            }
        }
        i = j + 1;
    }
    return host;
}

void InjectFault(Op op, const std::string& match, int skip, int times) {
    gFaults.push_back(Fault{op, Lower(match), skip, times});
}

void ClearFaults() {
    gFaults.clear();
}

bool DriveWriteProtected(const std::string& dosPath) {
    char drive = dosPath.empty() ? 0 : dosPath[0];
    if (drive >= 'a' && drive <= 'z') {
        drive = static_cast<char>(drive - 'a' + 'A');
    }
    return gMachine.readOnlyDrives.count(drive) != 0;
}

bool WriteDenied(const std::string& dosPath, const std::string& host) {
    return DriveWriteProtected(dosPath) || gMachine.readOnlyFiles.count(host) != 0 ||
           gMachine.heldFiles.count(host) != 0;
}

void MoveReadOnly(const std::string& fromHost, const std::string& toHost) {
    std::set<std::string>& marks = gMachine.readOnlyFiles;
    std::vector<std::string> moved;
    for (const std::string& m : marks) {
        if (m == fromHost || m.rfind(fromHost + "/", 0) == 0) {
            moved.push_back(m);
        }
    }
    for (const std::string& m : moved) {
        marks.erase(m);
        marks.insert(toHost + m.substr(fromHost.size()));
    }
}

int SetFileReadOnly(const char* dosPath, bool readOnly) {
    std::string host = HostPath(dosPath);
    struct stat st;
    if (host.empty() || stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return 0;
    }
    if (readOnly) {
        gMachine.readOnlyFiles.insert(host);
    } else {
        gMachine.readOnlyFiles.erase(host);
    }
    return 1;
}

bool FaultHits(Op op, const std::string& subject) {
    std::string s = Lower(subject);
    for (Fault& f : gFaults) {
        if (f.op != op || f.times == 0 || s.find(f.match) == std::string::npos) {
            continue;
        }
        if (f.skip > 0) {
            f.skip--;
            continue;
        }
        if (f.times > 0) {
            f.times--;
        }
        return true;
    }
    return false;
}

}  // namespace posix
}  // namespace plat
