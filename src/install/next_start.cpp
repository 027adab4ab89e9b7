#include "install/next_start.h"

#include "install/plan_paths.h"
#include "model/setup_data.h"
#include "platform/replace.h"
#include "platform/same_path.h"
#include "platform/text.h"
#include "platform/wininit.h"
#include "record/install_record.h"
#include "record/pending_files.h"

namespace {

const char kDeletion[] = "NUL";  // a line's destination when it deletes its source
const int kMaxOwnLines = 64;     // lines taken out in one run; more wait for a rerun

enum LineKind { kNotOurs, kOwnLine, kOtherProgramsLine };

struct Lines {
    const SetupScript& script;
    const InstallChoices& choices;
    const char* recordPath;
    int found;                           // the LineKind looked for was found
    int kind;                            // the LineKind looked for
    char line[2 * text::kComposedPath];  // the first such line
};

// 1 when setup writes path: a target of the plan, or the install record.
bool Writes(const Lines& l, const char* path) {
    if (fileio::SamePath(path, l.recordPath)) {
        return true;
    }
    for (int disk = 0; disk < l.script.diskCount; disk++) {
        for (int file = 0; file < l.script.diskFileCounts[disk]; file++) {
            char target[kPathSize];
            if (BuildDestinationPath(l.script, l.choices, disk, file, target) &&
                fileio::SamePath(target, path)) {
                return true;
            }
        }
    }
    return false;
}

// The folder part of path, with its backslash, into out; its name returned.
const char* SplitFolder(const char* path, char* out) {
    const char* name = path;
    for (const char* p = path; *p != 0; p++) {
        if (*p == '\\') {
            name = p + 1;
        }
    }
    uint32_t n = static_cast<uint32_t>(name - path);
    text::Copy(out, text::kComposedPath, path);
    out[n < text::kComposedPath ? n : text::kComposedPath - 1] = 0;
    return name;
}

// source is a waiting file of setup's own name beside destination.
bool WaitingBeside(const char* destination, const char* source) {
    char folder[text::kComposedPath];
    char sourceFolder[text::kComposedPath];
    SplitFolder(destination, folder);
    return IsPendingName(SplitFolder(source, sourceFolder)) &&
           fileio::SamePath(folder, sourceFolder);
}

int Kind(const Lines& l, const char* destination, const char* source) {
    if (text::CompareNoCase(destination, kDeletion) == 0) {
        return Writes(l, source) ? kOwnLine : kNotOurs;
    }
    bool ontoOurs = Writes(l, destination);
    if (ontoOurs && WaitingBeside(destination, source)) {
        return kOwnLine;
    }
    return ontoOurs || Writes(l, source) ? kOtherProgramsLine : kNotOurs;
}

int FindKind(void* context, const char* line, const char* destination, const char* source) {
    Lines* l = static_cast<Lines*>(context);
    if (Kind(*l, destination, source) != l->kind) {
        return 1;
    }
    l->found = 1;
    text::Copy(l->line, sizeof l->line, line);
    return 0;
}

// The first line of kind into l.line; 1 when there is one.
int First(Lines& l, int kind) {
    l.kind = kind;
    l.found = 0;
    return fileio::WininitEach(l.choices.windowsDir, FindKind, &l) && l.found;
}

struct Deletion {
    const char* path;
    int found;
};

int FindDeletion(void* context, const char*, const char* destination, const char* source) {
    Deletion* d = static_cast<Deletion*>(context);
    d->found =
        text::CompareNoCase(destination, kDeletion) == 0 && fileio::SamePath(source, d->path);
    return !d->found;
}

}  // namespace

int OtherProgramWaits(const SetupScript& script, const InstallChoices& choices,
                      const InstallRecord& record) {
    Lines l = {script, choices, record.Path(), 0, 0, {0}};
    return First(l, kOtherProgramsLine);
}

int DeletionWaits(const char* windowsDir, const char* path) {
    Deletion d = {path, 0};
    fileio::WininitEach(windowsDir, FindDeletion, &d);
    return d.found;
}

int TakeOutOwnLines(const SetupScript& script, const InstallChoices& choices,
                    const InstallRecord& record) {
    Lines l = {script, choices, record.Path(), 0, 0, {0}};
    for (int i = 0; i < kMaxOwnLines; i++) {
        if (!First(l, kOwnLine)) {
            return 1;
        }
        if (!fileio::WininitRemove(choices.windowsDir, l.line, 0)) {
            return 0;
        }
    }
    return !First(l, kOwnLine);
}
