// The file half of the uninstall: system.ini's mouse line and the mouse VxD
// put back, the installed files removed, and what cannot go now left to
// WININIT.INI for the next start.
#include "footprint/footprint.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/replace.h"
#include "platform/text.h"
#include "platform/wininit.h"
#include "record/install_record.h"
#include "script/setup_script.h"
#include "uninstall/undo.h"

namespace {

// Puts the earlier mouse lines back from system.bak: the n-th mouse line of
// system.ini, where it is still setup's, becomes the n-th one of system.bak,
// with the line end it has now.
class RestoreMouseLines : public fileio::LineEditor {
  public:
    RestoreMouseLines(fileio::RawFile* bak, UndoReport* report, bool builtInBefore)
        : bak_(bak), report_(report), switched_(bak != nullptr || !builtInBefore) {}

    int Edit(fileio::RawFile* in, const fileio::LineFacts& line, fileio::RawFile* out,
             int* changed) override {
        if (!footprint::IsMouseLine(&iniRule_, line)) {
            return Keep(in, line, out);
        }
        bool have = NextEarlier();
        bool setupsLine = fileio::LineIs(line, footprint::kSetupMouseLine, 1);
        bool earlierIsSetups = have && fileio::LineIs(earlier_, footprint::kSetupMouseLine, 1);
        if (setupsLine && have && !earlierIsSetups) {
            *changed = 1;
            return fileio::RawCopy(bak_, earlier_.start, earlier_.length, out) &&
                   fileio::RawWriteLineEnd(out, line);
        }
        if (setupsLine) {
            // A second setup may have put its own line into system.bak.
            // Without system.bak, a line that was the built-in driver's
            // before setup is no loss: setup switched nothing.
            if (switched_) {
                noEarlier++;
                AddLeftover(report_, kLeftNoEarlierLine, footprint::kSetupMouseLine);
            }
        } else if (have && !fileio::SameLine(in, line, bak_, earlier_)) {
            char subject[kLeftoverSize];
            uint32_t n = line.length < sizeof subject - 1 ? line.length : sizeof subject - 1;
            text::Fill(subject, 0, sizeof subject);
            for (uint32_t i = 0; i < n && i < fileio::kLinePrefix; i++) {
                subject[i] = line.prefix[i];
            }
            AddLeftover(report_, kLeftMouseLine, subject);
            userLines++;
        }
        // Otherwise it is back already, or was never setup's.
        return Keep(in, line, out);
    }

    int noEarlier = 0;  // setup's lines with no earlier one to put back
    int userLines = 0;  // lines changed after setup: system.bak keeps their earlier text

  private:
    static int Keep(fileio::RawFile* in, const fileio::LineFacts& line, fileio::RawFile* out) {
        return fileio::RawCopy(in, line.start, line.length + line.endBytes, out);
    }

    // The next mouse line of system.bak into earlier_; false when it has
    // no more (or there is no system.bak).
    bool NextEarlier() {
        if (bak_ == nullptr || !fileio::RawSeek(bak_, bakNext_)) {
            return false;
        }
        while (fileio::RawNextLine(bak_, &earlier_, footprint::kMouseLineWords)) {
            bakNext_ = earlier_.start + earlier_.length + earlier_.endBytes;
            if (footprint::IsMouseLine(&bakRule_, earlier_)) {
                return true;
            }
        }
        bak_ = nullptr;
        return false;
    }

    fileio::RawFile* bak_;
    UndoReport* report_;
    bool switched_;  // setup switched the lines over (or the record does not say)
    footprint::MouseLineRule iniRule_ = {0};
    footprint::MouseLineRule bakRule_ = {0};
    fileio::LineFacts earlier_;
    uint32_t bakNext_ = 0;
};

int ComposePath(char* out, const char* dir, const char* name) {
    return text::Format(out, kUndoPath, "%s\\%s", dir, name);
}

void RestoreVxd(const char* systemDir, UndoReport* report) {
    char vxd[kUndoPath];
    char bak[kUndoPath];
    if (!ComposePath(vxd, systemDir, footprint::kVxd) ||
        !ComposePath(bak, systemDir, footprint::kVxdBak)) {
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
        if (text::SameNoCase(report->restartList[i], path)) {
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

// A relative path of the list that stays below its root and has one
// spelling: no drive, no leading backslash, no wildcard, and no part that is
// empty, "." or "..", or ends in a dot or blank (Windows drops those, so
// "UNINSTAL.INF." would be the list itself under another name).
bool SafeRelative(const char* rel) {
    if (rel[0] == 0) {
        return true;
    }
    for (const char* p = rel; *p != 0; p++) {
        if (*p == ':' || *p == '/' || *p == '*' || *p == '?') {
            return false;
        }
    }
    const char* part = rel;
    for (;;) {
        const char* next = text::Find(part, "\\");
        uint32_t n = next != nullptr ? static_cast<uint32_t>(next - part) : text::Length(part);
        if (n == 0 || part[n - 1] == '.' || part[n - 1] == ' ') {
            return false;
        }
        if (next == nullptr) {
            return true;
        }
        part = next + 1;
    }
}

// Two paths of one file: the same text, or the same short form (the list
// may spell a name the 8.3 way).
bool SamePlace(const char* a, const char* b) {
    if (text::SameNoCase(a, b)) {
        return true;
    }
    char shortA[kUndoPath];
    char shortB[kUndoPath];
    return plat::ShortPathName(a, shortA, sizeof shortA) != 0 &&
           plat::ShortPathName(b, shortB, sizeof shortB) != 0 && text::SameNoCase(shortA, shortB);
}

// One entry of the list, "Root, relative path", as a full path; 0 when the
// entry names no place of the installation. An empty relative path names
// the root itself (only directories may).
int EntryPath(const UndoPlaces& places, const char* entry, bool directory, char* out) {
    char root[kUndoPath];
    char rel[kUndoPath];
    const char* rest = SplitField(entry, root, sizeof root);
    SplitField(rest, rel, sizeof rel);
    int place = footprint::PlaceNamed(root);
    if (place < 0 || !SafeRelative(rel) || (rel[0] == 0 && !directory)) {
        return 0;
    }
    return footprint::TargetPath(place, rel, places.installDir, places.windowsDir, places.systemDir,
                                 out);
}

// Entries past the last one read are not removed: the list names them.
void ReportUnread(const UninstallList& list, int section, UndoReport* report) {
    if (list.GoesOn(section)) {
        char subject[kLeftoverSize];
        text::Format(subject, sizeof subject, "%s [%s] %d-", list.Path(),
                     UninstallList::SectionName(section), footprint::kMaxListEntries + 1);
        AddLeftover(report, kLeftFailed, subject);
    }
}

// ---- files setup did not make, and shared counts ----------------------------

// The list entry's key in the record and what the record found there
// before setup; 0 when the record does not tell.
bool FoundBefore(InstallRecord& record, const char* entry, char* key,
                 footprint::FileRecord* found) {
    char place[kUndoPath];
    char rel[kUndoPath];
    SplitField(SplitField(entry, place, sizeof place), rel, sizeof rel);
    char kept[footprint::kFileRecordSize];
    return footprint::TargetKey(place, rel, key) &&
           record.ReadInstallRecord(footprint::kRecordFiles, key, "", kept, sizeof kept)[0] != 0 &&
           footprint::ParseFileRecord(kept, found);
}

// The count the lowering of a raised count gives: from the record once
// known, else the count now less one, put in the record (staged) before the
// count changes. 0 when there is nothing to lower.
bool LoweringTarget(InstallRecord& record, const char* key, const char* path, uint32_t* target,
                    int* staged) {
    char text[footprint::kFileRecordSize];
    char counted[footprint::kFileRecordSize];
    if (record.ReadInstallRecord(footprint::kRecordCounted, key, "", counted, sizeof counted)[0] ==
        0) {
        return false;
    }
    if (record.ReadInstallRecord(footprint::kRecordLowered, key, "", text, sizeof text)[0] != 0) {
        return footprint::ParseCount(text, target) != 0;
    }
    uint32_t count = 0;
    if (footprint::ReadSharedCount(path, &count) != footprint::kCountDword || count == 0) {
        return false;
    }
    *target = count - 1;
    text::Format(text, sizeof text, "%u", *target);
    // Once a stage failed, the rest waits for a rerun.
    if (*staged < 0 || !record.Set(footprint::kRecordLowered, key, text)) {
        *staged = -1;
        return false;
    }
    *staged = 1;
    return true;
}

// The count set to target where it is still one above it: a lowering lost
// with the registry is made again, one made already is not made twice. A
// value that setup made goes at 0.
void LowerTo(const char* path, uint32_t target, bool setupsValue, UndoReport* report) {
    uint32_t count = 0;
    plat::RegKey key;
    if (footprint::ReadSharedCount(path, &count) != footprint::kCountDword || count != target + 1 ||
        plat::RegOpen(plat::LocalMachine(), footprint::kSharedDlls, &key) != plat::kErrSuccess) {
        return;
    }
    long result = target == 0 && setupsValue
                      ? plat::RegRemoveValue(key, path)
                      : plat::RegSet(key, path, plat::kRegDword, &target, sizeof target);
    plat::RegClose(key);
    if (result != plat::kErrSuccess) {
        AddLeftover(report, kLeftFailed, path);
        return;
    }
    report->changed = 1;
}

// The list entry's file as the install record found it before setup: kept
// and named when it was there, when the record does not know it (a record
// that lists every target), or when setup made it but a count remains.
// false when the file may go (setup made it) or the record does not tell
// (an older one).
bool KeptAsFound(InstallRecord& record, const char* entry, const char* path, UndoReport* report) {
    char key[footprint::kFootprintPath];
    char all[4];
    footprint::FileRecord found;
    if (!FoundBefore(record, entry, key, &found)) {
        record.ReadInstallRecord(footprint::kRecordFiles, footprint::kRecordFilesAll, "", all,
                                 sizeof all);
        if (all[0] == 0) {
            return false;
        }
        if (plat::FileAttributes(path) != plat::kInvalidAttributes) {
            AddLeftover(report, kLeftNotRecorded, path);
        }
        return true;
    }
    uint32_t count = 0;
    int remains = found.shared ? footprint::ReadSharedCount(path, &count) : footprint::kCountAbsent;
    bool keep = found.existed || remains == footprint::kCountOther ||
                (remains == footprint::kCountDword && count > 0);
    if (keep && plat::FileAttributes(path) != plat::kInvalidAttributes) {
        AddLeftover(report, found.existed ? kLeftExisted : kLeftShared, path);
    }
    return keep;
}

// A directory whose every entry is a file that goes at the next start.
bool HoldsOnlyRestartFiles(const UndoReport* report, const char* dir) {
    char name[kUndoPath];
    plat::Find find = plat::FindFirst(dir, name, sizeof name);
    bool only = find != nullptr;
    while (only) {
        char path[kUndoPath];
        only = ComposePath(path, dir, name) && AlreadyListed(report, path);
        if (!plat::FindNext(find, name, sizeof name)) {
            break;
        }
    }
    plat::FindEnd(find);
    return only;
}

// Removes an empty directory; one that still holds other files is kept and
// reported.
void RemoveDirectory(UndoReport* report, const char* path) {
    if (plat::FileAttributes(path) == plat::kInvalidAttributes) {
        return;
    }
    if (plat::DirRemove(path)) {
        report->changed = 1;
    } else if (!HoldsOnlyRestartFiles(report, path)) {
        AddLeftover(report, kLeftDirectory, path);
    }
}

}  // namespace

int OpenUndo(UndoContext* undo, const UndoPlaces& places) {
    undo->places = places;
    undo->script = StartupStrings();
    undo->haveList = 0;
    undo->fromCopy = 0;
    undo->pageLibrary[0] = 0;
    undo->application[0] = 0;
    int record = undo->record.Open(places.installDir);
    undo->opened = undo->list.Open(places.installDir) &&
                   ComposePath(undo->original, places.installDir, footprint::kUninstaller) &&
                   record;
    if (undo->opened) {
        undo->list.ReadStartup(&undo->script);
        undo->haveList = undo->list.NamesFiles();
        undo->fromCopy = !SamePlace(places.program, undo->original);
    }
    return undo->opened;
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
        if (!ComposePath(copy, dir, name) ||
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

void RestoreSystemIni(const char* windowsDir, const char* systemDir, UndoReport* report,
                      int builtInBefore) {
    RestoreVxd(systemDir, report);
    char iniPath[kUndoPath];
    char bakPath[kUndoPath];
    char newPath[kUndoPath];
    char tempPath[kUndoPath];
    if (!ComposePath(iniPath, windowsDir, footprint::kSystemIni) ||
        !ComposePath(bakPath, windowsDir, footprint::kSystemBak) ||
        !ComposePath(newPath, windowsDir, footprint::kSystemNew) ||
        !ComposePath(tempPath, windowsDir, footprint::kSystemSetAside)) {
        return;
    }
    // An earlier run stopped between its two renames: its system.ini is
    // the one set aside.
    if (plat::FileAttributes(iniPath) == plat::kInvalidAttributes) {
        plat::FileRename(tempPath, iniPath);
    } else if (plat::FileAttributes(tempPath) != plat::kInvalidAttributes) {
        // With system.ini whole, a file set aside is a copy an earlier run
        // left when it stopped before its clean-up.
        if (plat::FileDelete(tempPath)) {
            report->changed = 1;
        } else {
            AddLeftover(report, kLeftFailed, tempPath);
        }
    }
    static fileio::RawFile bak;
    bool haveBak = fileio::RawOpenRead(&bak, bakPath) != 0;
    RestoreMouseLines editor(haveBak ? &bak : nullptr, report, builtInBefore != 0);
    int result = fileio::RewriteTextFile(iniPath, newPath, tempPath, windowsDir, editor,
                                         footprint::kMouseLineWords);
    if (haveBak) {
        fileio::RawClose(&bak);
    }
    if (result == fileio::kRewriteFailed) {
        AddLeftover(report, kLeftFailed, iniPath);
        return;
    }
    if (result == fileio::kRewriteDone) {
        report->changed = 1;
        if (!plat::FileDelete(tempPath)) {
            AddLeftover(report, kLeftFailed, tempPath);
        }
    }
    // system.bak was setup's copy of the earlier system.ini: it goes once
    // every line of setup's is back, and a system.bak left by an earlier
    // run that put them back goes too.
    if (editor.noEarlier == 0 && editor.userLines == 0 && haveBak) {
        if (plat::FileDelete(bakPath)) {
            report->changed = 1;
        } else {
            AddLeftover(report, kLeftFailed, bakPath);
        }
    }
}

void RestoreSharedCounts(UndoContext& undo, UndoReport* report) {
    if (!undo.opened) {
        return;
    }
    InstallRecord& record = undo.record;
    // Every target first, on the disk in one commit; then the counts.
    int staged = 0;
    char entry[kUndoPath];
    for (int pass = 0; pass < 2; pass++) {
        for (int i = 1; undo.list.Entry(UninstallList::kFiles, i, entry); i++) {
            char key[footprint::kFootprintPath];
            char path[kUndoPath];
            footprint::FileRecord found;
            uint32_t target = 0;
            if (!EntryPath(undo.places, entry, false, path) ||
                !FoundBefore(record, entry, key, &found) || !found.shared ||
                !LoweringTarget(record, key, path, &target, &staged)) {
                continue;
            }
            if (pass == 1) {
                LowerTo(path, target, found.countState == footprint::kCountAbsent, report);
            }
        }
        if (pass == 0 && staged != 0 && (!record.Commit() || staged < 0)) {
            AddLeftover(report, kLeftFailed, record.Path());
            return;
        }
    }
}

namespace {

// The list's directories but the install folder (it goes last of all).
void RemoveListedDirectories(const UndoPlaces& places, const UninstallList& list,
                             UndoReport* report) {
    char entry[kUndoPath];
    int count = list.Count(UninstallList::kDirectories);
    ReportUnread(list, UninstallList::kDirectories, report);
    // Deepest first: a directory is listed after the one it lies in.
    for (int i = count; i >= 1; i--) {
        list.Entry(UninstallList::kDirectories, i, entry);
        char path[kUndoPath];
        if (!EntryPath(places, entry, true, path)) {
            AddLeftover(report, kLeftFailed, entry);
        } else if (!SamePlace(path, places.installDir)) {
            RemoveDirectory(report, path);
        }
    }
}

}  // namespace

void RemoveInstalledFiles(UndoContext& undo, UndoReport* report) {
    if (!undo.opened) {
        return;
    }
    const UndoPlaces& places = undo.places;
    if (!undo.haveList) {
        RemoveFile(report, undo.pageLibrary);
        RemoveFile(report, undo.application);
        AddLeftover(report, kLeftUnlisted, places.installDir);
    } else {
        char entry[kUndoPath];
        for (int i = 1; undo.list.Entry(UninstallList::kFiles, i, entry); i++) {
            char path[kUndoPath];
            if (!EntryPath(places, entry, false, path)) {
                AddLeftover(report, kLeftFailed, entry);
                continue;
            }
            // The uninstaller, its list and the record go last: now when
            // run from a copy, else at the next start; the loaded driver
            // cannot go before.
            bool last = SamePlace(path, undo.original) || SamePlace(path, undo.list.Path()) ||
                        SamePlace(path, undo.record.Path());
            const char* driver = undo.script.MouseDriver;
            bool atRestart = (last && !undo.fromCopy) || SamePlace(path, places.program) ||
                             (driver[0] != 0 && text::SameNoCase(NameOf(path), driver));
            if ((last && undo.fromCopy) ||
                (!last && KeptAsFound(undo.record, entry, path, report))) {
                continue;
            }
            if (atRestart) {
                AtRestart(report, path);
            } else {
                RemoveFile(report, path);
            }
        }
        ReportUnread(undo.list, UninstallList::kFiles, report);
    }
    AtRestart(report, places.program);
    if (!undo.fromCopy) {
        AtRestart(report, undo.list.Path());
        AtRestart(report, undo.record.Path());
    }
    if (undo.haveList) {
        RemoveListedDirectories(places, undo.list, report);
    }
}

void RemoveInstallDirectory(UndoContext& undo, UndoReport* report) {
    if (!undo.opened) {
        return;
    }
    const UndoPlaces& places = undo.places;
    bool listed = false;
    char entry[kUndoPath];
    for (int i = 1;
         undo.haveList && !listed && undo.list.Entry(UninstallList::kDirectories, i, entry); i++) {
        char path[kUndoPath];
        listed = EntryPath(places, entry, true, path) && SamePlace(path, places.installDir);
    }
    if (undo.fromCopy) {
        // The list before the record: a rerun without the list still finds
        // the record's word on every file it keeps. The program last: while
        // it is there, a run cut short can be started again, and without a
        // list it still finishes here.
        const char* last[] = {undo.list.Path(), undo.record.Path(), undo.original};
        for (const char* path : last) {
            if (plat::FileDelete(path)) {
                report->changed = 1;
            } else if (plat::FileAttributes(path) != plat::kInvalidAttributes) {
                AddLeftover(report, kLeftFailed, path);
            }
        }
    }
    if (!undo.haveList) {
        // Reported as unlisted already; it goes only when nothing is left.
        if (plat::DirRemove(places.installDir)) {
            report->changed = 1;
        }
    } else if (listed) {
        RemoveDirectory(report, places.installDir);
    }
}

int ScheduleRestartDeletes(const char* windowsDir, UndoReport* report) {
    // "NUL=" and the file's short path: WININIT runs before the long names
    // are known.
    static char lines[kMaxRestartFiles][kUndoPath + 8];
    const char* pointers[kMaxRestartFiles];
    for (int i = 0; i < report->restartFiles; i++) {
        char shortPath[kUndoPath];
        if (plat::ShortPathName(report->restartList[i], shortPath, sizeof shortPath) == 0) {
            text::Copy(shortPath, sizeof shortPath, report->restartList[i]);
        }
        text::Format(lines[i], sizeof lines[i], "NUL=%s", shortPath);
        pointers[i] = lines[i];
    }
    return fileio::WininitAdd(windowsDir, pointers, report->restartFiles, nullptr);
}

namespace {

// 1 when the two files hold the same bytes.
bool SameBytes(const char* a, const char* b) {
    static char bufA[512];
    static char bufB[512];
    plat::File fa = plat::FileOpenRead(a);
    plat::File fb = fa != nullptr ? plat::FileOpenRead(b) : nullptr;
    bool same = fb != nullptr;
    uint32_t gotA = 1;
    uint32_t gotB = 0;
    while (same && gotA > 0) {
        same = plat::FileRead(fa, bufA, sizeof bufA, &gotA) &&
               plat::FileRead(fb, bufB, sizeof bufB, &gotB) && gotA == gotB;
        for (uint32_t i = 0; same && i < gotA; i++) {
            same = bufA[i] == bufB[i];
        }
    }
    plat::FileClose(fa);
    plat::FileClose(fb);
    return same;
}

}  // namespace

int HoldsInstallation(UndoContext& undo) {
    if (!undo.opened || !undo.haveList) {
        return 0;
    }
    const char* const marks[][2] = {
        {footprint::kRecordFiles, footprint::kRecordFilesAll},
        {footprint::kRecordPs2, footprint::kRecordDeviceKey},
        {footprint::kRecordPs2, footprint::kRecordClassKey},
        {footprint::kRecordSerial, footprint::kRecordDeviceKey},
        {footprint::kRecordSerial, footprint::kRecordClassKey},
    };
    char value[kUndoPath];
    for (const auto& mark : marks) {
        if (undo.record.ReadInstallRecord(mark[0], mark[1], "", value, sizeof value)[0] != 0) {
            return 1;
        }
    }
    // Without a record (one the user deleted), the folder's own
    // UNINSTAL.EXE is the program the copy was made from.
    return undo.places.program != nullptr && SameBytes(undo.original, undo.places.program);
}

void UndoInstallation(UndoContext& undo, UndoReport* report) {
    const UndoPlaces& places = undo.places;
    if (!undo.opened) {
        AddLeftover(report, kLeftFailed, places.installDir);
        return;
    }
    // What a run cut off left of the record's or WININIT.INI's write first.
    undo.record.Recover();
    fileio::WininitRecover(places.windowsDir);
    // The registry names the programs; read it before the entries go.
    ApplicationFiles(undo.pageLibrary, undo.application);
    RestoreDriverRegistration(undo.record, undo.script, report);
    RestoreSharedCounts(undo, report);
    RemoveApplicationEntries(report);
    // Windows 95/98 write the registry lazily: what was undone there must be
    // on the disk before the first file, the list or the record goes, or a
    // power cut would leave setup's registration naming files that are gone.
    if (plat::RegFlush(plat::LocalMachine()) != plat::kErrSuccess) {
        AddLeftover(report, kLeftFailed, "HKEY_LOCAL_MACHINE");
        return;
    }
    char line[16];
    undo.record.ReadInstallRecord(footprint::kRecordSystem, footprint::kRecordMouseLine, "", line,
                                  sizeof line);
    RestoreSystemIni(places.windowsDir, places.systemDir, report,
                     text::SameNoCase(line, footprint::kLineBuiltIn));
    RemoveInstalledFiles(undo, report);
    if (!ScheduleRestartDeletes(places.windowsDir, report)) {
        AddLeftover(report, kLeftFailed, footprint::kWininit);
    }
    RemoveInstallDirectory(undo, report);
}
