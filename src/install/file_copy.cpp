// The copy engine: every file of the install plan from the program's
// directory tree to its destination, expanding SZDD files on the way.
#include "install/file_copy.h"

#include "platform/files.h"
#include "platform/lz.h"
#include "platform/text.h"
#include "setup/setup_state.h"
#include "setup/string_ids.h"

namespace {

const int kStatusSize = 256;  // "Copying " + name + two line breaks + description
const int kNoHandle = -1;     // what LZOpenFileA gives when the file does not open

FileEntry* Entry(int disk, int file) {
    return gSetup.diskFirstEntry[disk] + file;
}

// dir + "\" + sub + "\" + name; an empty sub leaves two backslashes in a
// row, as the path has always been built. 0 when it does not fit: a cut
// path could name another file, so it is not used.
int JoinPath(char* path, const char* dir, const char* sub, const char* name) {
    return text::Format(path, kPathSize, "%s\\%s\\%s", dir, sub, name);
}

}  // namespace

int BuildSourcePath(int disk, int file, char* path) {
    const FileEntry* e = Entry(disk, file);
    return JoinPath(path, gSetup.setupDir, e->SourceDir, e->SourceName);
}

int BuildDestinationPath(int disk, int file, char* path) {
    const FileEntry* e = Entry(disk, file);
    if (e->Absolute == 1) {
        return text::Format(path, kPathSize, "%s\\%s", e->TargetDir, e->TargetName);
    }
    return JoinPath(path, gSetup.destDir, e->TargetDir, e->TargetName);
}

void CreateSubdirectories() {
    for (int i = kSubDir1; i < kSubDir1 + 6; i++) {
        const char* name = gSetup.directoryNames[i];
        if (name[0] == 0) {
            continue;
        }
        char path[kPathSize];
        // An existing directory fails too; either way the copy goes on.
        if (text::Format(path, sizeof path, "%s\\%s", gSetup.destDir, name)) {
            plat::DirCreate(path);
        }
    }
}

int OpenSourceFile(const char* path) {
    if (path == nullptr) {
        return kNoHandle;
    }
    int handle = plat::LzOpenRead(path);
    return handle >= 0 ? handle : kNoHandle;
}

void CopyToDestination(int source, const char* path) {
    int destination = kNoHandle;
    if (source >= 0 && path != nullptr) {
        destination = plat::LzCreate(path);
        if (destination < 0) {
            destination = kNoHandle;
        }
    }
    if (source >= 0 && destination >= 0) {
        plat::LzCopy(source, destination);
    }
    if (source >= 0) {
        plat::LzClose(source);
    }
    if (destination >= 0) {
        plat::LzClose(destination);
    }
}

int CopyPercentage(int i, int n) {
    if (n <= 0) {
        return 0;
    }
    return (i * 100 + 100) / n;
}

int BarRight(int left, int right, int percent) {
    return left + (right - left + 1) * percent / 100;
}

void CopyInstallPlan(CopyProgress* progress) {
    for (int disk = 0; disk < gSetup.diskCount && gSetup.pageResult != 0; disk++) {
        progress->NewDisk(disk);
        int count = gSetup.diskFileCounts[disk];
        for (int file = 0; file < count && gSetup.pageResult != 0; file++) {
            const FileEntry* e = Entry(disk, file);
            char status[kStatusSize];
            const char* copying = LoadText(IDS_COPYING);
            text::Format(status, sizeof status, "%s%s\n\n%s", copying != nullptr ? copying : "",
                         e->SourceName, e->Description);
            progress->Status(status);

            char path[kPathSize];
            int source = OpenSourceFile(BuildSourcePath(disk, file, path) ? path : nullptr);
            progress->MessageStep();

            progress->Percentage(CopyPercentage(file, count));

            CopyToDestination(source, BuildDestinationPath(disk, file, path) ? path : nullptr);
            progress->MessageStep();
        }
    }
}
