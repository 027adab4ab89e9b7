// The manifest's values as the builder looks them up.
#include "manifest.h"

#include "disk_names.h"
#include "script_tables.h"

namespace disktool {

std::string ManifestLookup(const std::vector<ManifestValue>& list, const std::string& key) {
    for (const ManifestValue& v : list) {
        if (SameName(v.key, key)) {
            return v.value;
        }
    }
    return "";
}

std::string DirectoryValue(const Manifest& m, int keyword) {
    return keyword >= 0 && keyword < kDirectoryNameCount
               ? ManifestLookup(m.directories, DirectoryKey(keyword))
               : "";
}

std::string ManifestName(const Manifest& m) {
    size_t slash = m.path.find_last_of('/');
    return slash == std::string::npos ? m.path : m.path.substr(slash + 1);
}

std::string ManifestAt(const std::string& path, int line) {
    return line > 0 ? path + ":" + std::to_string(line) + ": " : path + ": ";
}

}  // namespace disktool
