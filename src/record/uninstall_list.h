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

    // The writer the disk tool makes a list with (uninstall_list_write.cpp,
    // which the programs never carry): the list's lines in their one
    // layout, each handed to Line without its line end, in the order the
    // calls come: comments, Startup, then each section Begun and its
    // entries.
    class Writer {
      public:
        virtual void Line(const char* text) = 0;
        // The text of a [Startup] key (the string table's spelling); null
        // leaves the key out.
        virtual const char* StartupValue(const char* key) = 0;

        void Comment(const char* text);  // "; text"
        // [Startup] with each key the list keeps, in its order. 0 when a
        // value is too long for a line (it is left out).
        int Startup();
        // A blank line and section's header; its entries count from 1.
        void Begin(int section);
        // The next entry of the section begun: place (footprint::PlaceId)
        // and the path below it ("" the place itself). 0 when it does not
        // fit (it is left out).
        int Entry(int place, const char* rel);

      protected:
        ~Writer() {}

      private:
        int next_ = 1;
    };

  private:
    int Read(int section, int i, char* out) const;

    char path_[kListEntrySize];
};
