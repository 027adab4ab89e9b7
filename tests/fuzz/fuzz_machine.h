// The fake machine under the engine's fuzz targets: one host directory for
// the whole run (in memory where /dev/shm exists), removed at exit.
#pragma once

#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/posix/machine.h"

namespace fuzz_machine {

inline std::string& Root() {
    static std::string root;
    return root;
}

inline void RemoveRoot() {
    std::error_code ec;
    std::filesystem::remove_all(Root(), ec);
}

// A fresh machine over the run's directory (registry, profile cache and
// faults forgotten; files stay); returns the host directory of the drives.
inline const std::string& Reset() {
    std::string& root = Root();
    if (root.empty()) {
        namespace fs = std::filesystem;
        const char* shm = "/dev/shm";
        std::string base = fs::is_directory(shm) ? shm : fs::temp_directory_path().string();
        std::string pattern = base + "/setup-fuzz-XXXXXX";
        if (mkdtemp(&pattern[0]) == nullptr) {
            perror("mkdtemp");
            abort();
        }
        root = pattern;
        atexit(RemoveRoot);
    }
    plat::posix::MachineConfig config;
    config.root = root;
    plat::posix::MachineReset(config);
    return root;
}

}  // namespace fuzz_machine
