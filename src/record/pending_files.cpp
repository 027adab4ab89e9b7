#include "record/pending_files.h"

#include "footprint/footprint.h"
#include "platform/files.h"
#include "platform/replace.h"
#include "platform/same_path.h"
#include "platform/text.h"
#include "platform/wininit.h"
#include "record/install_record.h"
#include "record/record_keys.h"

namespace {

// The directory part of path, with its backslash, into out.
void FolderOf(const char* path, char* out, uint32_t size) {
    text::Copy(out, size, path);
    uint32_t cut = 0;
    for (uint32_t i = 0; out[i] != 0; i++) {
        if (out[i] == '\\') {
            cut = i + 1;
        }
    }
    out[cut] = 0;
}

// The WININIT.INI line whose source is the waiting file.
struct FindLine {
    const char* waiting;
    char line[text::kComposedPath * 2];
};

int NoteLine(void* context, const char* line, const char*, const char* source) {
    FindLine* find = static_cast<FindLine*>(context);
    if (!fileio::SamePath(source, find->waiting)) {
        return 1;
    }
    text::Copy(find->line, sizeof find->line, line);
    return 0;
}

}  // namespace

int PendingFile(InstallRecord& record, const char* key, const char* target, char* out) {
    char name[kFileRecordSize];
    record.ReadInstallRecord(kRecordPending, key, "", name, sizeof name);
    // Only a name of setup's own form, in the target's own folder.
    if (!IsPendingName(name)) {
        return 0;
    }
    FolderOf(target, out, kPendingPath);
    return text::Append(out, kPendingPath, name);
}

int PendingLine(const char* target, const char* waiting, char* out, uint32_t size) {
    char shortTarget[fileio::kCanonicalPath];
    char shortWaiting[fileio::kCanonicalPath];
    return plat::Exists(target) && plat::Exists(waiting) &&
           fileio::CanonicalPath(target, shortTarget, sizeof shortTarget) &&
           fileio::CanonicalPath(waiting, shortWaiting, sizeof shortWaiting) &&
           text::Format(out, size, "%s=%s", shortTarget, shortWaiting);
}

int IsPendingName(const char* name) {
    // The form's number 0 marks where its digits stand.
    char form[16];
    text::Format(form, sizeof form, kPendingName, 0);
    if (text::Length(name) != text::Length(form)) {
        return 0;
    }
    for (uint32_t i = 0; form[i] != 0; i++) {
        bool ok = form[i] == '0' ? name[i] >= '0' && name[i] <= '9'
                                 : text::SameNoCase(name[i], form[i]) != 0;
        if (!ok) {
            return 0;
        }
    }
    return 1;
}

int TakeBackPending(InstallRecord& record, const char* key, const char* target,
                    const char* windowsDir) {
    char waiting[kPendingPath];
    if (!PendingFile(record, key, target, waiting)) {
        return 1;
    }
    // The line as WININIT.INI holds it, found by its source: the target
    // may be gone by now, and with it its short name.
    static FindLine find;
    find.waiting = waiting;
    find.line[0] = 0;
    if (!fileio::WininitEach(windowsDir, NoteLine, &find)) {
        return 0;
    }
    if (find.line[0] != 0 && !fileio::WininitRemove(windowsDir, find.line, 0)) {
        return 0;
    }
    if (plat::Exists(waiting) && !plat::FileDelete(waiting)) {
        return 0;
    }
    return record.Set(kRecordPending, key, nullptr) && record.Commit();
}
