#include "install/held_files.h"

#include "footprint/footprint.h"
#include "install/copy_one.h"
#include "platform/files.h"
#include "platform/logbook.h"
#include "platform/replace.h"
#include "platform/text.h"
#include "platform/wininit.h"
#include "record/install_record.h"
#include "record/pending_files.h"
#include "record/record_keys.h"

namespace {

// The first name of setup's form that nothing uses in target's folder,
// into out (kPendingPath bytes); the name alone in name (16 bytes).
bool FreeWaitingName(const char* target, char* out, char* name) {
    uint32_t cut = 0;
    for (uint32_t i = 0; target[i] != 0; i++) {
        if (target[i] == '\\') {
            cut = i + 1;
        }
    }
    for (int i = 0; i < kMaxPendingNames; i++) {
        text::Format(name, 16, kPendingName, i);
        if (!text::Copy(out, kPendingPath, target)) {
            return false;
        }
        out[cut] = 0;
        if (!text::Append(out, kPendingPath, name)) {
            return false;
        }
        if (!plat::Exists(out)) {
            return true;
        }
    }
    return false;
}

}  // namespace

int ReplaceAtRestart(InstallRecord& record, const char* key, const char* source, const char* target,
                     const char* windowsDir) {
    char waiting[kPendingPath];
    char name[16];
    if (source == nullptr || !FreeWaitingName(target, waiting, name) ||
        !record.Set(kRecordPending, key, name) || !record.Commit()) {
        return 0;
    }
    // Windows' start may delete the target even when the file its line
    // names is missing: the line comes only after the file is whole.
    static char line[2 * text::kComposedPath];
    const char* lines[] = {line};
    logbook::Note("file %s: replaced at the next start, its new text waits as %s", target, name);
    return CopyToDestination(OpenSourceFile(source), waiting) == kCopyWritten &&
           plat::Exists(waiting) && fileio::FlushToDisk(waiting) &&
           PendingLine(target, waiting, line, sizeof line) &&
           fileio::WininitAdd(windowsDir, lines, 1, nullptr);
}
