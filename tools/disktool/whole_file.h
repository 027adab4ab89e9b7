// Whole host files in memory: the disk tool's files are floppy-sized.
#pragma once

#include <errno.h>
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

namespace disktool {

// The file's bytes into data; false when it cannot be read, with errno
// saying why.
inline bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* data) {
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return false;
    }
    data->clear();
    uint8_t chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, f)) > 0) {
        data->insert(data->end(), chunk, chunk + got);
    }
    bool ok = !ferror(f);
    int why = errno;
    fclose(f);
    errno = why;
    return ok;
}

// Creates or replaces the file with size bytes; false when that failed,
// with errno saying why.
inline bool WriteWholeFile(const std::string& path, const void* data, size_t size) {
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    // An empty file writes nothing (data may be null then).
    bool ok = size == 0 || fwrite(data, 1, size, f) == size;
    int why = errno;
    if (fclose(f) != 0) {
        return false;
    }
    errno = why;
    return ok;
}

}  // namespace disktool
