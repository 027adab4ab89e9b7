#include "source_place.h"

#include <limits.h>
#include <stdlib.h>

#include "disk_names.h"

namespace disktool {

std::string ResolvedPath(const std::string& path) {
    char real[PATH_MAX];
    if (realpath(path.c_str(), real) != nullptr) {
        return real;
    }
    std::string parent = Dir(path);
    if (parent == path) {
        return path;
    }
    std::string base = ResolvedPath(parent);
    std::string name = path.substr(path.find_last_of('/') + 1);
    if (name.empty() || name == ".") {
        return base;
    }
    if (name == "..") {
        return Dir(base);
    }
    return (base == "/" ? "" : base) + "/" + name;
}

bool SourceBelow(const std::string& folder, const std::string& source, std::string* real) {
    std::string top = ResolvedPath(folder);
    std::string prefix = top == "/" ? top : top + "/";
    std::string found = ResolvedPath(source);
    if (found.size() <= prefix.size() || found.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    char resolved[PATH_MAX];
    *real = realpath(source.c_str(), resolved) != nullptr ? resolved : source;
    return true;
}

}  // namespace disktool
