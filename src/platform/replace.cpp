// Replacing a file through a new file and renames, guarded by WININIT.INI
// where the file must never be missing (system.ini), and the rewrite of a
// text file that goes through it.
#include "platform/replace.h"

#include "platform/text.h"
#include "platform/wininit.h"

namespace fileio {

namespace {

// The WININIT.INI line that puts the old file back: "path=oldPath" in
// short names (WININIT runs before long names are known). oldPath does
// not exist yet, so its directory's short form is used with its name.
bool GuardLine(const char* path, const char* oldPath, char* out, uint32_t size) {
    char shortPath[text::kComposedPath];
    char dir[text::kComposedPath];
    char shortDir[text::kComposedPath];
    if (plat::ShortPathName(path, shortPath, sizeof shortPath) == 0) {
        return false;
    }
    text::Copy(dir, sizeof dir, oldPath);
    const char* name = oldPath;
    for (int i = static_cast<int>(text::Length(dir)) - 1; i >= 0; i--) {
        if (dir[i] == '\\') {
            dir[i] = 0;
            name = oldPath + i + 1;
            break;
        }
    }
    if (plat::ShortPathName(dir, shortDir, sizeof shortDir) == 0) {
        return false;
    }
    return text::Format(out, size, "%s=%s\\%s", shortPath, shortDir, name) != 0;
}

// Guarded, the old file is copied aside (and on the disk) before the line
// names it and only then deleted: Windows' start may delete the line's
// target even when its source is missing, so the line never names a file
// that is not there whole.
int GuardedSwap(const ReplaceNames& n, const char* windowsDir) {
    char guard[2 * text::kComposedPath + 2];
    const char* lines[1] = {guard};
    int created = 0;
    if (!GuardLine(n.path, n.oldPath, guard, sizeof guard) || !CopyWhole(n.path, n.oldPath) ||
        !FlushToDisk(n.oldPath) || !WininitAdd(windowsDir, lines, 1, &created)) {
        plat::FileDelete(n.oldPath);
        return 0;
    }
    if (!plat::FileDelete(n.path)) {
        // The line stays when it cannot go: it puts back the same text.
        if (WininitRemove(windowsDir, guard, created)) {
            plat::FileDelete(n.oldPath);
        }
        return 0;
    }
    if (!plat::FileRename(n.newPath, n.path)) {
        // The old file back; without it, the WININIT.INI line stays and
        // Windows' next start puts it back.
        if (plat::FileRename(n.oldPath, n.path)) {
            WininitRemove(windowsDir, guard, created);
        }
        return 0;
    }
    // Should the line stay, the next start puts the old file back: still a
    // whole file, but not the new one. The caller is told.
    return WininitRemove(windowsDir, guard, created);
}

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
    // A copy that cannot go now goes at the next recovery.
    plat::FileDelete(n.oldPath);
    return 1;
}

}  // namespace

int FlushToDisk(const char* path) {
    plat::File file = plat::FileOpenWrite(path);
    if (file == nullptr) {
        return 0;
    }
    int ok = plat::FileFlush(file);
    return plat::FileClose(file) && ok;
}

int ReplaceFile(const ReplaceNames& names, const char* windowsDir, int (*whole)(const char* path)) {
    uint32_t attributes = plat::FileAttributes(names.path);
    // Windows' own profile calls do not write a read-only file either.
    bool readOnly =
        attributes != plat::kInvalidAttributes && (attributes & plat::kAttrReadOnly) != 0;
    // The old name is free for this run: an older copy there goes.
    int ok = !readOnly && FlushToDisk(names.newPath) &&
             (whole == nullptr || whole(names.newPath)) &&
             (!plat::Exists(names.oldPath) || plat::FileDelete(names.oldPath)) &&
             (windowsDir != nullptr ? GuardedSwap(names, windowsDir) : PlainSwap(names));
    if (!ok) {
        plat::FileDelete(names.newPath);
    }
    return ok;
}

void RecoverReplace(const ReplaceNames& names, int (*whole)(const char* path)) {
    // The path steps aside only once the new file is whole on the disk:
    // without the path, the new file takes its name. In every other case
    // the new file may be cut short and the path stands.
    if (!plat::Exists(names.path) && plat::Exists(names.oldPath) && plat::Exists(names.newPath)) {
        bool take = whole == nullptr || whole(names.newPath);
        if (!take || !plat::FileRename(names.newPath, names.path)) {
            plat::FileRename(names.oldPath, names.path);
        }
    }
    if (plat::Exists(names.newPath)) {
        plat::FileDelete(names.newPath);
    }
    if (plat::Exists(names.oldPath)) {
        plat::FileDelete(names.oldPath);
    }
}

int RecoverGuardedReplace(const ReplaceNames& names) {
    if (!plat::Exists(names.path)) {
        plat::FileRename(names.oldPath, names.path);
        return kGuardedNothing;
    }
    if (!plat::Exists(names.oldPath)) {
        return kGuardedNothing;
    }
    return plat::FileDelete(names.oldPath) ? kGuardedDropped : kGuardedStays;
}

int RewriteTextFile(const char* path, const char* newPath, const char* asidePath,
                    const char* windowsDir, LineEditor& editor, const char* words) {
    static RawFile in;
    static RawFile out;
    static LineFacts line;
    plat::FileDelete(newPath);
    if (!RawOpenRead(&in, path)) {
        return kRewriteFailed;
    }
    if (!RawCreate(&out, newPath)) {
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
        plat::FileDelete(newPath);
        return ok ? kRewriteUnchanged : kRewriteFailed;
    }
    ReplaceNames names = {path, newPath, asidePath};
    return ReplaceFile(names, windowsDir) ? kRewriteDone : kRewriteFailed;
}

}  // namespace fileio
