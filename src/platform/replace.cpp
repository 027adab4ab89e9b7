// Replacing a file through a new file and renames, and the rewrite of a
// text file that goes through it.
#include "platform/replace.h"

#include "platform/text.h"

namespace fileio {

namespace {

int PlainSwap(const ReplaceNames& n) {
    bool had = plat::Exists(n.path);
    if (had && !plat::FileRename(n.path, n.oldPath)) {
        return 0;
    }
    if (!plat::FileRename(n.newPath, n.path)) {
        if (had) {
            plat::FileRename(n.oldPath, n.path);
        }
        return 0;
    }
    // The renames on the disk before anything counts on them: the disk may
    // write a later change of the directory (the copy's delete, the next
    // step's) before them. The old copy is emptied before it goes, since
    // its delete may reach the disk after a later start of Windows: a copy
    // left so must hold nothing that could come back. A copy that cannot go
    // now goes at the next recovery.
    if (!FlushToDisk(n.path)) {
        return 0;
    }
    if (had) {
        DeleteEmptied(n.oldPath);
    }
    return 1;
}

}  // namespace

int DeleteEmptied(const char* path) {
    plat::File emptied = plat::FileCreate(path);
    if (emptied != nullptr) {
        plat::FileFlush(emptied);
        plat::FileClose(emptied);
    }
    return plat::FileDelete(path);
}

int FlushToDisk(const char* path) {
    plat::File file = plat::FileOpenWrite(path);
    if (file == nullptr) {
        return 0;
    }
    int ok = plat::FileFlush(file);
    return plat::FileClose(file) && ok;
}

int ReadyToReplace(const ReplaceNames& names, int (*whole)(const char* path)) {
    uint32_t attributes = plat::FileAttributes(names.path);
    // Windows' own profile calls do not write a read-only file either.
    bool readOnly =
        attributes != plat::kInvalidAttributes && (attributes & plat::kAttrReadOnly) != 0;
    // The old name is free for this run: an older copy there goes.
    return !readOnly && FlushToDisk(names.newPath) && (whole == nullptr || whole(names.newPath)) &&
           (!plat::Exists(names.oldPath) || plat::FileDelete(names.oldPath));
}

int ReplaceFile(const ReplaceNames& names, int (*whole)(const char* path)) {
    int ok = ReadyToReplace(names, whole) && PlainSwap(names);
    if (!ok) {
        plat::FileDelete(names.newPath);
    }
    return ok;
}

void RecoverReplace(const ReplaceNames& names) {
    // The new file is not taken: beside a copy a start of Windows left, it
    // may be a later replace's, begun after that start.
    if (!plat::Exists(names.path) && plat::Exists(names.oldPath) && plat::Exists(names.newPath)) {
        plat::FileRename(names.oldPath, names.path);
    }
    if (plat::Exists(names.newPath)) {
        plat::FileDelete(names.newPath);
    }
    if (plat::Exists(names.oldPath)) {
        plat::FileDelete(names.oldPath);
    }
}

int WriteRewrite(const ReplaceNames& names, LineEditor& editor, const char* words) {
    static RawFile in;
    static RawFile out;
    static LineFacts line;
    plat::FileDelete(names.newPath);
    if (!RawOpenRead(&in, names.path)) {
        return kRewriteFailed;
    }
    if (!RawCreate(&out, names.newPath)) {
        RawClose(&in);
        return kRewriteFailed;
    }
    int changed = 0;
    int ok = 1;
    while (ok && RawNextLine(&in, &line, words)) {
        ok = editor.Edit(&in, line, &out, &changed);
    }
    ok = ok && editor.Finish(&out, &changed);
    ok = !in.failed && ok;
    RawClose(&in);
    ok = RawClose(&out) && ok;
    if (!ok || !changed) {
        plat::FileDelete(names.newPath);
        return ok ? kRewriteUnchanged : kRewriteFailed;
    }
    return kRewriteDone;
}

int RewriteTextFile(const ReplaceNames& names, LineEditor& editor, const char* words) {
    int written = WriteRewrite(names, editor, words);
    if (written != kRewriteDone) {
        return written;
    }
    return ReplaceFile(names) ? kRewriteDone : kRewriteFailed;
}

}  // namespace fileio
