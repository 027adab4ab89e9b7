// The replace guarded by a WININIT.INI line, for a file that must never be
// missing (system.ini).
#include "platform/guarded_replace.h"

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
    // The new name on the disk before the guard goes: the disk may write a
    // later change of the directory before the rename. Should the line
    // stay, the next start puts the old file back: still a whole file, but
    // not the new one. The caller is told.
    return FlushToDisk(n.path) && WininitRemove(windowsDir, guard, created);
}

}  // namespace

int GuardedRewrite(const ReplaceNames& names, const char* windowsDir, LineEditor& editor,
                   const char* words) {
    int written = WriteRewrite(names, editor, words);
    if (written != kRewriteDone) {
        return written;
    }
    if (ReadyToReplace(names, nullptr) && GuardedSwap(names, windowsDir)) {
        return kRewriteDone;
    }
    plat::FileDelete(names.newPath);
    return kRewriteFailed;
}

int RecoverGuardedReplace(const ReplaceNames& names, const char* windowsDir, bool keepCopy) {
    if (!plat::Exists(names.oldPath)) {
        return kGuardedNothing;
    }
    char guard[2 * text::kComposedPath + 2];
    if (!plat::Exists(names.path) &&
        (!CopyWhole(names.oldPath, names.path) || !FlushToDisk(names.path))) {
        return kGuardedStays;
    }
    bool unguarded = GuardLine(names.path, names.oldPath, guard, sizeof guard) &&
                     (!WininitHas(windowsDir, guard) || WininitRemove(windowsDir, guard, 0));
    return unguarded && (keepCopy || plat::FileDelete(names.oldPath)) ? kGuardedDropped
                                                                      : kGuardedStays;
}

}  // namespace fileio
