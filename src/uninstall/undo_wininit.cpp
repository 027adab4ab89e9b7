// What goes at the next start: the lines for WININIT.INI, and the
// finishing copy, whose line is written before the copy is made.
#include "platform/files.h"
#include "platform/raw_file.h"
#include "platform/text.h"
#include "platform/wininit.h"
#include "uninstall/undo_internal.h"

int ScheduleRestartDeletes(const char* windowsDir, UndoReport* report) {
    // "NUL=" and the file's short path: WININIT runs before the long names
    // are known.
    static char lines[kMaxRestartFiles + kMaxGoneFiles][kUndoPath + 8];
    const char* pointers[kMaxRestartFiles + kMaxGoneFiles];
    int n = 0;
    for (int i = 0; i < report->restartFiles; i++, n++) {
        char shortPath[kUndoPath];
        if (plat::ShortPathName(report->restartList[i], shortPath, sizeof shortPath) == 0) {
            text::Copy(shortPath, sizeof shortPath, report->restartList[i]);
        }
        text::Format(lines[n], sizeof lines[n], "NUL=%s", shortPath);
        pointers[n] = lines[n];
    }
    for (int i = 0; i < report->goneFiles; i++, n++) {
        text::Format(lines[n], sizeof lines[n], "NUL=%s", report->goneList[i]);
        pointers[n] = lines[n];
    }
    return fileio::WininitAdd(windowsDir, pointers, n, nullptr);
}

int MakeFinishingCopy(const char* program, const char* tempDir, const char* windowsDir,
                      char* copy) {
    char dir[kUndoPath];
    char shortDir[kUndoPath];
    text::Copy(dir, sizeof dir, tempDir);
    uint32_t n = text::Length(dir);
    if (n > 3 && dir[n - 1] == '\\') {
        dir[n - 1] = 0;
    }
    if (plat::ShortPathName(dir, shortDir, sizeof shortDir) == 0) {
        return 0;
    }
    char name[16];
    char line[kUndoPath + 8];
    for (int i = 0; i < 100; i++) {
        text::Format(name, sizeof name, kCopyName, i);
        if (!text::PathIn(copy, dir, name) ||
            !text::Format(line, sizeof line, "NUL=%s\\%s", shortDir, name)) {
            return 0;
        }
        if (plat::FileAttributes(copy) == plat::kInvalidAttributes) {
            break;
        }
        copy[0] = 0;
    }
    int created = 0;
    const char* lines[] = {line};
    if (copy[0] == 0 || !fileio::WininitAdd(windowsDir, lines, 1, &created)) {
        return 0;
    }
    bool ok = fileio::CopyWhole(program, copy) != 0;
    if (!ok) {
        plat::FileDelete(copy);
        fileio::WininitRemove(windowsDir, line, created);
    }
    return ok ? 1 : 0;
}
