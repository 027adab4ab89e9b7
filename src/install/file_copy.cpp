// The copy engine: every file of the install plan from the program's
// directory tree to its destination, expanding SZDD files on the way.
#include "install/file_copy.h"

#include "model/install_plan.h"
#include "model/setup_data.h"
#include "platform/files.h"
#include "platform/lz.h"
#include "platform/text.h"

namespace {

const int kNoHandle = -1;  // what LZOpenFileA gives when the file does not open

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

void CreateSubdirectories(const SetupScript& script, const InstallChoices& choices) {
    for (int i = kSubDir1; i < kSubDir1 + 6; i++) {
        const char* name = script.directoryNames[i];
        if (name[0] == 0) {
            continue;
        }
        char path[kPathSize];
        // An existing directory fails too; either way the copy goes on.
        if (text::Format(path, sizeof path, "%s\\%s", choices.destDir, name)) {
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

int CopyToDestination(int source, const char* path) {
    int destination = kNoHandle;
    if (source >= 0 && path != nullptr) {
        destination = plat::LzCreate(path);
        if (destination < 0) {
            destination = kNoHandle;
        }
    }
    int written = source < 0 || (destination >= 0 && plat::LzCopy(source, destination) >= 0);
    if (source >= 0) {
        plat::LzClose(source);
    }
    if (destination >= 0) {
        plat::LzClose(destination);
    }
    // A file cut short is no copy of its source: it goes.
    if (!written && destination >= 0) {
        plat::FileDelete(path);
    }
    return written;
}

int CopyPercentage(int i, int n) {
    if (n <= 0) {
        return 0;
    }
    return (i * 100 + 100) / n;
}

int CopyInstallPlan(const SetupScript& script, const InstallChoices& choices,
                    CopyProgress& progress) {
    int cancelled = 0;
    int failed = 0;
    for (int disk = 0; disk < script.diskCount && !cancelled; disk++) {
        progress.NewDisk(disk);
        int count = script.diskFileCounts[disk];
        for (int file = 0; file < count && !cancelled; file++) {
            progress.CopyingFile(*Entry(script, disk, file));

            char path[kPathSize];
            int source = OpenSourceFile(BuildSourcePath(script, disk, file, path) ? path : nullptr);
            // The file in progress is finished whatever the step answers.
            cancelled = progress.MessageStep();

            progress.Percentage(CopyPercentage(file, count));

            int copied = CopyToDestination(
                source, BuildDestinationPath(script, choices, disk, file, path) ? path : nullptr);
            // An entry without a target name names no file to write.
            if (!copied && Entry(script, disk, file)->TargetName[0] != 0) {
                failed = 1;
            }
            if (progress.MessageStep()) {
                cancelled = 1;
            }
        }
    }
    return cancelled ? kCopyCancelled : failed ? kCopyFailed : kCopyDone;
}
