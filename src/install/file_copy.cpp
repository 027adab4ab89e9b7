// The copy engine: every file of the install plan from the program's
// directory tree to its destination, expanding SZDD files on the way.
#include "install/file_copy.h"

#include "footprint/footprint.h"
#include "install/copy_one.h"
#include "install/held_files.h"
#include "install/plan_paths.h"
#include "install/target_files.h"
#include "model/install_plan.h"
#include "model/setup_data.h"
#include "platform/files.h"
#include "platform/logbook.h"
#include "platform/lz.h"
#include "platform/same_path.h"
#include "platform/text.h"
#include "record/pending_files.h"

namespace {

const FileEntry* Entry(const SetupScript& script, int disk, int file) {
    return script.diskFirstEntry[disk] + file;
}

}  // namespace

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

int CopyPercentage(int i, int n) {
    if (n <= 0) {
        return 0;
    }
    return (i * 100 + 100) / n;
}

namespace {

struct Walk {
    const SetupScript& script;
    const InstallChoices& choices;
    InstallRecord& record;
    CopyProgress& progress;
    int cancelled;
    int failed;
    int waiting;
};

// One file of the plan, past its message steps: its source is never its
// own destination, a replacement an earlier run left waiting for it is
// taken back before it is written, and a destination another program
// holds waits for the next start.
int PlaceFile(Walk& w, int disk, int file, int source, const char* sourcePath) {
    char path[kPathSize];
    char key[footprint::kFootprintPath];
    if (!BuildDestinationPath(w.script, w.choices, disk, file, path)) {
        return CopyToDestination(source, nullptr);
    }
    // Copied onto itself, a file would be emptied: it is in its place.
    if (sourcePath != nullptr && fileio::SamePath(sourcePath, path)) {
        logbook::Note("file %s: its own source, left as it is", path);
        CopyToDestination(source, nullptr);
        return kCopyWritten;
    }
    bool keyed = TargetRecordKey(w.choices.windowsDir, *Entry(w.script, disk, file), key);
    if (keyed && !TakeBackPending(w.record, key, path, w.choices.windowsDir)) {
        CopyToDestination(source, nullptr);
        return kCopyNotWritten;
    }
    int outcome = CopyToDestination(source, path);
    if (outcome == kCopyHeld &&
        !(keyed && ReplaceAtRestart(w.record, key, sourcePath, path, w.choices.windowsDir))) {
        outcome = kCopyNotWritten;
    }
    return outcome;
}

void WalkFile(Walk& w, int disk, int file) {
    int count = w.script.diskFileCounts[disk];
    w.progress.CopyingFile(*Entry(w.script, disk, file));
    char sourcePath[kPathSize];
    bool named = BuildSourcePath(w.script, disk, file, sourcePath);
    int source = OpenSourceFile(named ? sourcePath : nullptr);
    // The file in progress is finished whatever the step answers.
    w.cancelled = w.progress.MessageStep();
    w.progress.Percentage(CopyPercentage(file, count));
    int outcome = PlaceFile(w, disk, file, source, named ? sourcePath : nullptr);
    // An entry without a target name names no file to write.
    if (outcome == kCopyNotWritten && Entry(w.script, disk, file)->TargetName[0] != 0) {
        w.failed = 1;
    }
    w.waiting |= outcome == kCopyHeld;
    if (w.progress.MessageStep()) {
        w.cancelled = 1;
    }
}

}  // namespace

int CopyInstallPlan(const SetupScript& script, const InstallChoices& choices, InstallRecord& record,
                    CopyProgress& progress) {
    Walk w = {script, choices, record, progress, 0, 0, 0};
    for (int disk = 0; disk < script.diskCount && !w.cancelled; disk++) {
        progress.NewDisk(disk);
        for (int file = 0; file < script.diskFileCounts[disk] && !w.cancelled; file++) {
            WalkFile(w, disk, file);
        }
    }
    return w.cancelled ? kCopyCancelled
           : w.failed  ? kCopyFailed
           : w.waiting ? kCopyAtRestart
                       : kCopyDone;
}
