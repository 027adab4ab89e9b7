#include "tree_write.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>

#include "disk_names.h"
#include "script/setup_script.h"
#include "script_tables.h"
#include "whole_file.h"

namespace disktool {

namespace {

bool MakeDirs(const std::string& path) {
    for (size_t i = 1; i <= path.size(); i++) {
        if (i == path.size() || path[i] == '/') {
            std::string part = path.substr(0, i);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
                return false;
            }
        }
    }
    return true;
}

// The one place the builder makes a path for writing: root joined with a
// relative path that cannot leave it.
bool Inside(const std::string& root, const std::string& rel, std::string* path) {
    if (!StaysInside(rel)) {
        return false;
    }
    *path = root + "/" + rel;
    return true;
}

}  // namespace

bool WriteInside(const std::string& root, const std::string& rel, const void* data, size_t size,
                 std::string* error) {
    std::string path;
    if (!Inside(root, rel, &path)) {
        *error = "refused to write " + rel + ", which leaves " + root;
        return false;
    }
    if (!MakeDirs(Dir(path)) || !WriteWholeFile(path, data, size)) {
        *error = "cannot write " + path + ": " + strerror(errno);
        return false;
    }
    return true;
}

bool WriteTree(const std::string& root, const std::vector<DiskFile>& files, int disk,
               const std::string& script, const std::vector<uint8_t>& setupExe,
               std::string* error) {
    if (!MakeDirs(root)) {
        *error = "cannot create " + root + ": " + strerror(errno);
        return false;
    }
    if (disk <= 0) {
        if (!WriteInside(root, kScriptName, script.data(), script.size(), error) ||
            (!setupExe.empty() &&
             !WriteInside(root, kSetupExeName, setupExe.data(), setupExe.size(), error))) {
            return false;
        }
    }
    for (const DiskFile& f : files) {
        if ((disk < 0 || f.disk == disk) &&
            !WriteInside(root, f.Path(), f.bytes.data(), f.bytes.size(), error)) {
            return false;
        }
    }
    return true;
}

// A directory is dated after what it holds: reading it may set its access
// time.
bool StampTree(const std::string& root, int64_t timeStamp, std::string* error) {
    if (DIR* d = opendir(root.c_str())) {
        bool ok = true;
        while (dirent* e = readdir(d)) {
            if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) {
                ok = ok && StampTree(root + "/" + e->d_name, timeStamp, error);
            }
        }
        closedir(d);
        if (!ok) {
            return false;
        }
    }
    struct timespec times[2] = {{static_cast<time_t>(timeStamp), 0},
                                {static_cast<time_t>(timeStamp), 0}};
    if (utimensat(AT_FDCWD, root.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        *error = "cannot date " + root + ": " + strerror(errno);
        return false;
    }
    return true;
}

}  // namespace disktool
