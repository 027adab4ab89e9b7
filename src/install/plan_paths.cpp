// Where one entry of the install plan comes from and goes to.
#include "install/plan_paths.h"

#include "model/setup_data.h"
#include "platform/text.h"

namespace {

const FileEntry* Entry(const SetupScript& script, int disk, int file) {
    return script.diskFirstEntry[disk] + file;
}

// dir + "\" + sub + "\" + name; an empty sub leaves two backslashes in a
// row, as the path has always been built. 0 when it does not fit: a cut
// path could name another file, so it is not used.
int JoinPath(char* path, const char* dir, const char* sub, const char* name) {
    return text::Format(path, kPathSize, "%s\\%s\\%s", dir, sub, name);
}

}  // namespace

int BuildSourcePath(const SetupScript& script, int disk, int file, char* path) {
    const FileEntry* e = Entry(script, disk, file);
    if (e->SourceName[0] == 0) {
        path[0] = 0;
        return 0;
    }
    return JoinPath(path, script.setupDir, e->SourceDir, e->SourceName);
}

int BuildDestinationPath(const SetupScript& script, const InstallChoices& choices, int disk,
                         int file, char* path) {
    const FileEntry* e = Entry(script, disk, file);
    // A path ending in a backslash names no file; lz32 would create its
    // compressed-name fallback "._" there instead.
    if (e->TargetName[0] == 0) {
        path[0] = 0;
        return 0;
    }
    if (e->Absolute == 1) {
        return text::Format(path, kPathSize, "%s\\%s", e->TargetDir, e->TargetName);
    }
    return JoinPath(path, choices.destDir, e->TargetDir, e->TargetName);
}
