#include "disk_layout.h"

#include <algorithm>

#include "disk_names.h"
#include "script/setup_script.h"
#include "script_tables.h"

namespace disktool {

namespace {

const int kRootEntries = 224;       // root directory of a 1.44 MB floppy
const int kEntriesPerCluster = 16;  // 32-byte directory entries in 512 bytes

uint64_t Clusters(uint64_t bytes) {
    return (bytes + kCluster - 1) / kCluster;
}

}  // namespace

bool DiskSpace::Add(const std::string& dir, const std::string& name, uint64_t bytes) {
    std::map<std::string, int> entries = entries_;
    std::string parent;
    size_t start = 0;
    while (!dir.empty() && start <= dir.size()) {
        size_t end = std::min(dir.find('/', start), dir.size());
        std::string path = dir.substr(0, end);
        if (entries.count(path) == 0) {
            entries[parent] += DirectoryEntries(dir.substr(start, end - start));
            entries[path] = 2;  // "." and ".."
        }
        parent = path;
        start = end + 1;
    }
    entries[dir] += DirectoryEntries(name);
    uint64_t clusters = files_ + Clusters(bytes);
    for (const auto& kv : entries) {
        if (!kv.first.empty()) {
            clusters += (kv.second + kEntriesPerCluster - 1) / kEntriesPerCluster;
        }
    }
    if (clusters > capacity_ || entries[""] > kRootEntries) {
        return false;
    }
    entries_.swap(entries);
    files_ += Clusters(bytes);
    used_ = clusters;
    return true;
}

bool LayOut(const Manifest& m, std::vector<DiskFile>* files, uint64_t scriptBytes,
            uint64_t exeBytes, std::vector<DiskSpace>* disks, std::vector<std::string>* errors) {
    uint64_t capacity = m.diskBytes / kCluster;
    for (const DiskFile& f : *files) {
        DiskSpace empty(capacity);
        if (!empty.Add(f.plan->diskDir, f.diskName, f.bytes.size())) {
            errors->push_back(m.path + ":" + std::to_string(f.plan->file.line) + ": " +
                              f.plan->file.target + " takes " + std::to_string(f.bytes.size()) +
                              " bytes on a disk" + (f.compressed ? " compressed" : "") +
                              "; a disk holds " + std::to_string(m.diskBytes));
        }
    }
    if (!errors->empty()) {
        return false;
    }
    std::vector<size_t> order(files->size());
    for (size_t i = 0; i < order.size(); i++) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [files](size_t a, size_t b) {
        return (*files)[a].bytes.size() > (*files)[b].bytes.size();
    });
    disks->assign(1, DiskSpace(capacity));
    if (!(*disks)[0].Add("", kScriptName, scriptBytes) ||
        !(*disks)[0].Add("", "SETUP.EXE", exeBytes)) {
        errors->push_back(m.path + ": SETUP.INF and SETUP.EXE do not fit on a disk of " +
                          std::to_string(m.diskBytes) + " bytes");
        return false;
    }
    for (size_t i : order) {
        DiskFile& f = (*files)[i];
        for (int d = 0;; d++) {
            if (d == static_cast<int>(disks->size())) {
                if (d == kMaxDisksInSet) {
                    errors->push_back(m.path + ": the files do not fit on " +
                                      std::to_string(kMaxDisksInSet) + " disks of " +
                                      std::to_string(m.diskBytes) + " bytes (line " +
                                      std::to_string(f.plan->file.line) + ", " +
                                      f.plan->file.target + ", finds no room)");
                    return false;
                }
                disks->emplace_back(capacity);
            }
            if ((*disks)[d].Add(f.plan->diskDir, f.diskName, f.bytes.size())) {
                f.disk = d;
                break;
            }
        }
    }
    return true;
}

}  // namespace disktool
