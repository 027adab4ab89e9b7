// The file half of the uninstall: system.ini's mouse line and the mouse VxD
// put back, the installed files removed, and what cannot go now left to
// WININIT.INI for the next start.
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/textstream.h"
#include "script/setup_script.h"
#include "uninstall/undo.h"

namespace {

const uint32_t kLineField = 1024;  // one read of a line; longer lines pass in pieces
const int kMaxMouseLines = 4;      // [386Enh] mouse lines put back per file
const int kMaxListEntries = 200;   // entries read from each section of the list
const char kSetupLine[] = "mouse=*vmouse";
const char kListName[] = "UNINSTAL.INF";
const char kRecordName[] = "SETUP.INF";

// The streams are static: their buffers would make a stack frame beyond
// one page, and the exe has no stack probes.
TextStream gIn;
TextStream gOut;

bool SameText(const char* a, const char* b) {
    return text::CompareNoCase(a, b) == 0 && text::Length(a) == text::Length(b);
}

// The line without its line feed.
void Bare(const char* line, char* out) {
    text::Copy(out, kLineField, line);
    uint32_t n = text::Length(out);
    if (n > 0 && out[n - 1] == '\n') {
        out[n - 1] = 0;
    }
}

// The switch-over's rule for the line it replaces: the first line after a
// "[386Enh]" line that contains "mouse" and does not begin with ";".
struct MouseLineRule {
    int armed;
    bool Matches(const char* line) {
        if (text::Find(line, "[386Enh]") != nullptr) {
            armed = 1;
        }
        if (armed && line[0] != ';' && text::Find(line, "mouse") != nullptr) {
            armed = 0;
            return true;
        }
        return false;
    }
};

// The mouse lines of system.bak that the switch-over replaced.
int ReadEarlierLines(const char* bakPath, char lines[][kLineField]) {
    if (!TextOpenRead(&gIn, bakPath)) {
        return 0;
    }
    MouseLineRule rule = {0};
    int count = 0;
    char line[kLineField];
    while (count < kMaxMouseLines && TextReadLine(&gIn, line, sizeof line) > 0) {
        if (rule.Matches(line)) {
            text::Copy(lines[count++], kLineField, line);
        }
    }
    TextClose(&gIn);
    return count;
}

// Puts newPath in the place of path, path passing through tempPath on the
// way, so path is never lost: a failed rename puts the old file back. A
// tempPath left by an interrupted run is taken as the file itself when
// path is missing. 1 when newPath took the place.
int ReplaceWithNew(const char* path, const char* newPath, const char* tempPath) {
    if (plat::FileAttributes(path) == plat::kInvalidAttributes) {
        plat::FileRename(tempPath, path);
    }
    plat::FileDelete(tempPath);
    if (!plat::FileRename(path, tempPath)) {
        plat::FileDelete(newPath);
        return 0;
    }
    if (!plat::FileRename(newPath, path)) {
        plat::FileRename(tempPath, path);
        plat::FileDelete(newPath);
        return 0;
    }
    plat::FileDelete(tempPath);
    return 1;
}

// Writes system.new from system.ini with setup's mouse lines replaced by the
// earlier ones; the number replaced, or -1 when the new file is not whole.
int RewriteMouseLines(const char* iniPath, const char* newPath, char earlier[][kLineField],
                      int earlierCount, UndoReport* report) {
    if (!TextOpenRead(&gIn, iniPath)) {
        return -1;
    }
    if (!TextOpenWrite(&gOut, newPath)) {
        TextClose(&gIn);
        return -1;
    }
    MouseLineRule rule = {0};
    int index = 0;
    int replaced = 0;
    int ok = 1;
    static char line[kLineField];
    static char bare[kLineField];
    static char old[kLineField];
    while (ok && TextReadLine(&gIn, line, sizeof line) > 0) {
        const char* written = line;
        if (rule.Matches(line)) {
            Bare(line, bare);
            old[0] = 0;
            if (index < earlierCount) {
                Bare(earlier[index], old);
            }
            index++;
            bool setupsLine = text::CompareNoCase(bare, kSetupLine) == 0;
            bool earlierIsSetups = text::CompareNoCase(old, kSetupLine) == 0;
            if (setupsLine && old[0] != 0 && !earlierIsSetups) {
                written = earlier[index - 1];
                replaced++;
            } else if (setupsLine) {
                // A second setup may have put its own line into system.bak.
                AddLeftover(report, kLeftNoEarlierLine, bare);
            } else if (old[0] != 0 && !SameText(bare, old)) {
                AddLeftover(report, kLeftMouseLine, bare);
            }
            // Otherwise it is back already, or was never setup's.
        }
        ok = TextWrite(&gOut, written);
    }
    if (gIn.failed) {
        ok = 0;
    }
    TextClose(&gIn);
    if (!TextClose(&gOut)) {
        ok = 0;
    }
    return ok ? replaced : -1;
}

int ComposePath(char* out, const char* dir, const char* name) {
    return text::Format(out, kUndoPath, "%s\\%s", dir, name);
}

void RestoreVxd(const char* systemDir, UndoReport* report) {
    char vxd[kUndoPath];
    char bak[kUndoPath];
    if (!ComposePath(vxd, systemDir, "VMM32\\VMOUSE.VXD") ||
        !ComposePath(bak, systemDir, "VMM32\\VMOUSE.BAK")) {
        return;
    }
    if (plat::FileAttributes(vxd) != plat::kInvalidAttributes ||
        plat::FileAttributes(bak) == plat::kInvalidAttributes) {
        return;
    }
    if (plat::FileRename(bak, vxd)) {
        report->changed = 1;
    } else {
        AddLeftover(report, kLeftFailed, bak);
    }
}

// ---- files ------------------------------------------------------------------

bool AlreadyListed(const UndoReport* report, const char* path) {
    for (int i = 0; i < report->restartFiles; i++) {
        if (SameText(report->restartList[i], path)) {
            return true;
        }
    }
    return false;
}

// Leaves an existing file for the next start.
void AtRestart(UndoReport* report, const char* path) {
    if (plat::FileAttributes(path) == plat::kInvalidAttributes || AlreadyListed(report, path)) {
        return;
    }
    if (report->restartFiles >= kMaxRestartFiles) {
        AddLeftover(report, kLeftFailed, path);
        return;
    }
    text::Copy(report->restartList[report->restartFiles++], kUndoPath, path);
}

// Deletes a file now, or at the next start when it is in use.
void RemoveFile(UndoReport* report, const char* path) {
    uint32_t attributes = plat::FileAttributes(path);
    if (attributes == plat::kInvalidAttributes || (attributes & plat::kAttrDirectory) != 0) {
        return;
    }
    if (plat::FileDelete(path)) {
        report->changed = 1;
    } else {
        AtRestart(report, path);
    }
}

// The last component of a path.
const char* NameOf(const char* path) {
    const char* name = path;
    for (const char* p = path; *p != 0; p++) {
        if (*p == '\\') {
            name = p + 1;
        }
    }
    return name;
}

// A relative path of the list that stays below its root: no drive, no
// leading backslash, no ".." part.
bool SafeRelative(const char* rel) {
    if (rel[0] == '\\' || text::Find(rel, ":") != nullptr || text::Find(rel, "/") != nullptr) {
        return false;
    }
    const char* p = rel;
    while (*p != 0) {
        if (p[0] == '.' && p[1] == '.' && (p[2] == 0 || p[2] == '\\')) {
            return false;
        }
        const char* next = text::Find(p, "\\");
        p = next != nullptr ? next + 1 : p + text::Length(p);
    }
    return true;
}

// One entry of the list, "Root, relative path", as a full path; 0 when the
// entry names no place of the installation. An empty relative path names
// the root itself (only directories may).
int EntryPath(const UndoPlaces& places, const char* entry, bool directory, char* out) {
    char root[kUndoPath];
    char rel[kUndoPath];
    const char* rest = SplitField(entry, root, sizeof root);
    SplitField(rest, rel, sizeof rel);
    const char* base = nullptr;
    char inf[kUndoPath];
    if (SameText(root, "Install")) {
        base = places.installDir;
    } else if (SameText(root, "Windows")) {
        base = places.windowsDir;
    } else if (SameText(root, "System")) {
        base = places.systemDir;
    } else if (SameText(root, "Inf")) {
        if (!ComposePath(inf, places.windowsDir, "INF")) {
            return 0;
        }
        base = inf;
    }
    if (base == nullptr || !SafeRelative(rel) || (rel[0] == 0 && !directory)) {
        return 0;
    }
    if (rel[0] == 0) {
        return text::Copy(out, kUndoPath, base);
    }
    return ComposePath(out, base, rel);
}

// Entry number i (from 1) of a section of the list into value (kUndoPath
// bytes); 0 when the key is missing or empty, which ends the section.
int ReadEntry(const char* listPath, const char* section, int i, char* value) {
    char key[12];
    text::Format(key, sizeof key, "%d", i);
    return plat::ProfileGetString(section, key, "", value, kUndoPath, listPath) > 0;
}

// ---- WININIT.INI ------------------------------------------------------------

bool IsSectionHeader(const char* line) {
    const char* p = line;
    while (*p == ' ' || *p == '\t') {
        p++;
    }
    return *p == '[';
}

bool IsRenameHeader(const char* line) {
    char bare[kLineField];
    Bare(line, bare);
    const char* p = bare;
    while (*p == ' ' || *p == '\t') {
        p++;
    }
    return text::CompareNoCase(p, "[rename]") == 0 && text::Length(p) == 8;
}

// "NUL=" and the file's short path (WININIT runs before the long names
// are known), without a line end.
void NulLine(const char* path, char* out, uint32_t size) {
    char shortPath[kUndoPath];
    if (plat::ShortPathName(path, shortPath, sizeof shortPath) == 0) {
        text::Copy(shortPath, sizeof shortPath, path);
    }
    text::Format(out, size, "NUL=%s", shortPath);
}

// Writes the "NUL=" lines of the report that are not yet in the file.
int WriteMissing(TextStream* out, const UndoReport* report, const bool* present) {
    int ok = 1;
    for (int i = 0; i < report->restartFiles; i++) {
        if (present[i]) {
            continue;
        }
        char line[kUndoPath + 8];
        NulLine(report->restartList[i], line, sizeof line);
        ok = TextWrite(out, line) && TextWrite(out, "\n") && ok;
    }
    return ok;
}

// Marks the report's files that a "NUL=" line of the file already names.
void NotePresent(const char* line, const UndoReport* report, bool* present) {
    char bare[kLineField];
    Bare(line, bare);
    for (int i = 0; i < report->restartFiles; i++) {
        char want[kUndoPath + 8];
        NulLine(report->restartList[i], want, sizeof want);
        if (SameText(bare, want)) {
            present[i] = true;
        }
    }
}

}  // namespace

void RestoreSystemIni(const char* windowsDir, const char* systemDir, UndoReport* report) {
    RestoreVxd(systemDir, report);
    char iniPath[kUndoPath];
    char bakPath[kUndoPath];
    char newPath[kUndoPath];
    char tempPath[kUndoPath];
    if (!ComposePath(iniPath, windowsDir, "system.ini") ||
        !ComposePath(bakPath, windowsDir, "system.bak") ||
        !ComposePath(newPath, windowsDir, "system.new") ||
        !ComposePath(tempPath, windowsDir, "system.un$")) {
        return;
    }
    // An earlier run stopped between its two renames: its system.ini is
    // the one set aside.
    if (plat::FileAttributes(iniPath) == plat::kInvalidAttributes) {
        plat::FileRename(tempPath, iniPath);
    }
    static char earlier[kMaxMouseLines][kLineField];
    int earlierCount = ReadEarlierLines(bakPath, earlier);
    int replaced = RewriteMouseLines(iniPath, newPath, earlier, earlierCount, report);
    if (replaced <= 0) {
        plat::FileDelete(newPath);
        if (replaced < 0 && plat::FileAttributes(iniPath) != plat::kInvalidAttributes) {
            AddLeftover(report, kLeftFailed, iniPath);
        }
        return;
    }
    if (!ReplaceWithNew(iniPath, newPath, tempPath)) {
        AddLeftover(report, kLeftFailed, iniPath);
        return;
    }
    // system.bak was setup's copy of the earlier system.ini; its line is back.
    plat::FileDelete(bakPath);
    report->changed = 1;
}

void RemoveInstalledFiles(const UndoPlaces& places, const StartupStrings& script, int haveList,
                          const char* pageLibrary, const char* application, UndoReport* report) {
    char listPath[kUndoPath];
    char recordPath[kUndoPath];
    if (!ComposePath(listPath, places.installDir, kListName) ||
        !ComposePath(recordPath, places.installDir, kRecordName)) {
        return;
    }
    if (!haveList) {
        RemoveFile(report, pageLibrary);
        RemoveFile(report, application);
        AddLeftover(report, kLeftUnlisted, places.installDir);
    } else {
        char entry[kUndoPath];
        for (int i = 1; i <= kMaxListEntries && ReadEntry(listPath, "Files", i, entry); i++) {
            char path[kUndoPath];
            if (!EntryPath(places, entry, false, path)) {
                AddLeftover(report, kLeftFailed, entry);
                continue;
            }
            // The running program, its list and the record go last, at the
            // next start; the loaded driver cannot go before.
            bool atRestart =
                SameText(path, places.program) || SameText(path, listPath) ||
                SameText(path, recordPath) ||
                (script.MouseDriver[0] != 0 && SameText(NameOf(path), script.MouseDriver));
            if (atRestart) {
                AtRestart(report, path);
            } else {
                RemoveFile(report, path);
            }
        }
    }
    AtRestart(report, places.program);
    AtRestart(report, listPath);
    AtRestart(report, recordPath);
    if (!haveList) {
        return;
    }
    char entry[kUndoPath];
    int count = 0;
    while (count < kMaxListEntries && ReadEntry(listPath, "Directories", count + 1, entry)) {
        count++;
    }
    // Deepest first: a directory is listed after the one it lies in.
    for (int i = count; i >= 1; i--) {
        ReadEntry(listPath, "Directories", i, entry);
        char path[kUndoPath];
        if (!EntryPath(places, entry, true, path)) {
            AddLeftover(report, kLeftFailed, entry);
            continue;
        }
        if (plat::FileAttributes(path) == plat::kInvalidAttributes) {
            continue;
        }
        if (plat::DirRemove(path)) {
            report->changed = 1;
        } else {
            AddLeftover(report, kLeftDirectory, path);
        }
    }
}

int ScheduleRestartDeletes(const char* windowsDir, UndoReport* report) {
    if (report->restartFiles == 0) {
        return 1;
    }
    char iniPath[kUndoPath];
    char newPath[kUndoPath];
    char tempPath[kUndoPath];
    if (!ComposePath(iniPath, windowsDir, "WININIT.INI") ||
        !ComposePath(newPath, windowsDir, "WININIT.NEW") ||
        !ComposePath(tempPath, windowsDir, "WININIT.UN$")) {
        return 0;
    }
    bool present[kMaxRestartFiles] = {};
    bool exists = plat::FileAttributes(iniPath) != plat::kInvalidAttributes;
    if (exists) {
        if (!TextOpenRead(&gIn, iniPath)) {
            return 0;
        }
        static char line[kLineField];
        while (TextReadLine(&gIn, line, sizeof line) > 0) {
            NotePresent(line, report, present);
        }
        TextClose(&gIn);
    }
    int missing = 0;
    for (int i = 0; i < report->restartFiles; i++) {
        missing += present[i] ? 0 : 1;
    }
    if (missing == 0) {
        return 1;
    }
    if (!TextOpenWrite(&gOut, exists ? newPath : iniPath)) {
        return 0;
    }
    int ok = 1;
    bool added = false;
    if (exists) {
        if (!TextOpenRead(&gIn, iniPath)) {
            TextClose(&gOut);
            plat::FileDelete(newPath);
            return 0;
        }
        static char line[kLineField];
        bool inRename = false;
        bool endedLine = true;
        uint32_t n;
        while ((n = TextReadLine(&gIn, line, sizeof line)) > 0) {
            if (endedLine && IsSectionHeader(line)) {
                if (inRename && !added) {
                    ok = WriteMissing(&gOut, report, present) && ok;
                    added = true;
                }
                inRename = IsRenameHeader(line);
            }
            ok = TextWrite(&gOut, line) && ok;
            endedLine = line[n - 1] == '\n';
        }
        ok = !gIn.failed && ok;
        TextClose(&gIn);
        // Lines follow at the end: an unended last line gets its end.
        if (!endedLine && !(added && !inRename)) {
            ok = TextWrite(&gOut, "\n") && ok;
        }
        if (inRename && !added) {
            ok = WriteMissing(&gOut, report, present) && ok;
            added = true;
        }
    }
    if (!added) {
        ok = TextWrite(&gOut, "[rename]\n") && ok;
        ok = WriteMissing(&gOut, report, present) && ok;
    }
    ok = TextClose(&gOut) && ok;
    if (!exists) {
        if (!ok) {
            plat::FileDelete(iniPath);
        }
        return ok;
    }
    if (!ok) {
        plat::FileDelete(newPath);
        return 0;
    }
    return ReplaceWithNew(iniPath, newPath, tempPath);
}
