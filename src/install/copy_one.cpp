// One file's bytes from its source to its destination.
#include "install/copy_one.h"

#include "install/plan_paths.h"
#include "platform/files.h"
#include "platform/logbook.h"
#include "platform/lz.h"
#include "platform/text.h"

namespace {

const int kNoHandle = -1;  // what LZOpenFileA gives when the file does not open

}  // namespace

int OpenSourceFile(const char* path) {
    if (path == nullptr) {
        return kNoHandle;
    }
    int handle = plat::LzOpenRead(path);
    return handle >= 0 ? handle : kNoHandle;
}

namespace {

// Creates path and copies source into it: a CopyOutcome.
int WriteFrom(int source, const char* path) {
    char opened[kPathSize];
    int destination = plat::LzCreate(path, opened, sizeof opened);
    if (destination < 0) {
        return kCopyNotWritten;
    }
    // lz32 made the compressed spelling because path itself could not be
    // created: a file nothing lists, which goes at once. A destination that
    // stands and is not read-only is held by a program.
    if (text::CompareNoCase(text::NameOf(opened), text::NameOf(path)) != 0) {
        plat::LzClose(destination);
        plat::FileDelete(opened);
        uint32_t attributes = plat::FileAttributes(path);
        bool held = attributes != plat::kInvalidAttributes &&
                    (attributes & (plat::kAttrDirectory | plat::kAttrReadOnly)) == 0;
        return held ? kCopyHeld : kCopyNotWritten;
    }
    int written = plat::LzCopy(source, destination) >= 0;
    plat::LzClose(destination);
    // A file cut short is no copy of its source: it goes.
    if (!written) {
        plat::FileDelete(path);
    }
    return written ? kCopyWritten : kCopyNotWritten;
}

}  // namespace

int CopyToDestination(int source, const char* path) {
    int outcome = source < 0 ? kCopyWritten : kCopyNotWritten;
    if (source >= 0 && path != nullptr) {
        bool held = plat::FileHeld(path) != 0;
        logbook::Begin("file %s: %s", path,
                       held                 ? "held by a program"
                       : plat::Exists(path) ? "there, replaced"
                                            : "made");
        outcome = held ? kCopyHeld : WriteFrom(source, path);
        logbook::End(outcome == kCopyWritten);
    } else if (source < 0 && path != nullptr) {
        logbook::Note("file %s: its source did not open, skipped", path);
    }
    if (source >= 0) {
        plat::LzClose(source);
    }
    return outcome;
}
