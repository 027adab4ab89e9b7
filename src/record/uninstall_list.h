// The uninstall list, UNINSTAL.INF in the install directory: the disk tool
// writes it, setup copies it like any other file of the disk, and the
// uninstaller goes by it. Its layout is the footprint's (kListStartup,
// kListFiles, kListDirectories, kListKeys): [Startup] repeats the setup
// script's values, so the uninstaller knows what setup wrote; [Files] and
// [Directories] number their entries from 1, each "place, path below it".
#pragma once

#include <stdint.h>

#include "footprint/footprint.h"

const uint32_t kListEntrySize = text::kComposedPath;  // an entry as read: longer ones cut

class UninstallList {
  public:
    enum Section { kFiles, kDirectories };

    // The list in dir. 0 when its path does not fit: it then reads as
    // missing.
    int Open(const char* dir);
    const char* Path() const { return path_; }

    // The [Startup] values into script; an empty text for each key the
    // list lacks (every one when there is no list).
    void ReadStartup(StartupStrings* script) const;
    // 1 when the list names a file: a list to go by.
    int NamesFiles() const;

    // The one way through a section: entry i, counting from 1, into out
    // (kListEntrySize bytes). 1, or 0 past the last one: the first missing
    // or empty entry ends the section, and so does kMaxListEntries.
    int Entry(int section, int i, char* out) const;
    // How many entries Entry gives.
    int Count(int section) const;
    // 1 when the section goes on past kMaxListEntries: those entries are
    // not followed, and the caller names them.
    int GoesOn(int section) const;
    static const char* SectionName(int section) {
        return section == kFiles ? footprint::kListFiles : footprint::kListDirectories;
    }

  private:
    int Read(int section, int i, char* out) const;

    char path_[kListEntrySize];
};
