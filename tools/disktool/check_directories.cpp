// [DirectoryName]: the values cut, ones that climb out with "..", and
// SubDir values that lie in a directory no earlier SubDir creates.
#include "check_parts.h"
#include "script_tables.h"

namespace disktool {

namespace {

bool IsSubDir(int index) {
    return index >= kSubDir1 && index <= kSubDir1 + 5;
}

// One level is created per value: the parent must come first.
void CheckSubDirParent(Check& c, int i) {
    std::string v = c.loaded.directoryNames[i];
    size_t cut = v.find_last_of('\\');
    if (cut == std::string::npos || cut == 0) {
        return;
    }
    std::string parent = v.substr(0, cut);
    bool made = false;
    for (int j = kSubDir1; j < i; j++) {
        made = made || SameName(c.loaded.directoryNames[j], parent);
    }
    if (!made) {
        c.Add(Severity::Warning, "subdir-parent", Where("DirectoryName", DirectoryKey(i)),
              "\"" + v + "\" lies in \"" + parent +
                  "\", which no earlier SubDir creates: SETUP.EXE cannot create it, and "
                  "its files are not installed");
    }
}

}  // namespace

void CheckDirectories(Check& c) {
    for (int i = 0; i < kDirectoryNameCount; i++) {
        c.CutKey("DirectoryName", DirectoryKey(i), kDirectoryLimit, "the directory name");
        std::string v = c.loaded.directoryNames[i];
        if (HasParentStep(v)) {
            c.Add(Severity::Error, "climbs-out", Where("DirectoryName", DirectoryKey(i)),
                  "\"" + v + "\" climbs out of " +
                      (i <= kSubDir1 + 5 ? "the destination directory" : "the disk's directory") +
                      " with ..");
        }
        if (IsSubDir(i)) {
            CheckSubDirParent(c, i);
        }
    }
}

}  // namespace disktool
