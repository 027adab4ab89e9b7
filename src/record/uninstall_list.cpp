#include "record/uninstall_list.h"

#include "platform/profile.h"
#include "platform/text.h"

int UninstallList::Open(const char* dir) {
    if (!text::PathIn(path_, dir, footprint::kListName)) {
        path_[0] = 0;
        return 0;
    }
    return 1;
}

void UninstallList::ReadStartup(StartupStrings* script) const {
    if (path_[0] == 0) {
        text::Fill(script, 0, sizeof *script);
        return;
    }
    char* fields = reinterpret_cast<char*>(script);
    for (const footprint::ListKey& key : footprint::kListKeys) {
        plat::ProfileGetString(footprint::kListStartup, key.name, "", fields + key.field, key.size,
                               path_);
    }
}

int UninstallList::NamesFiles() const {
    char entry[kListEntrySize];
    return Entry(kFiles, 1, entry);
}

int UninstallList::Entry(int section, int i, char* out) const {
    return i <= footprint::kMaxListEntries && Read(section, i, out);
}

int UninstallList::Read(int section, int i, char* out) const {
    char key[12];
    text::Format(key, sizeof key, "%d", i);
    out[0] = 0;
    return path_[0] != 0 &&
           plat::ProfileGetString(SectionName(section), key, "", out, kListEntrySize, path_) > 0;
}

int UninstallList::Count(int section) const {
    char entry[kListEntrySize];
    int n = 0;
    while (Entry(section, n + 1, entry)) {
        n++;
    }
    return n;
}

int UninstallList::GoesOn(int section) const {
    char entry[kListEntrySize];
    return Read(section, footprint::kMaxListEntries + 1, entry);
}
