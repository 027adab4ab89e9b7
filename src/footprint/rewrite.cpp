// Byte-exact line reading and the rewrite of a text file through a new file
// and renames, with WININIT.INI covering the moment between the renames.
#include "footprint/rewrite.h"

#include "platform/text.h"

namespace footprint {

namespace {

const uint32_t kPathField = 300;  // composed paths: up to 299 chars
const char kRenameHeader[] = "[rename]";

void Init(RawFile* f, plat::File file, int writing) {
    f->file = file;
    f->failed = 0;
    f->bufOffset = 0;
    f->pos = 0;
    f->len = 0;
    f->writing = writing;
}

int Flush(RawFile* f) {
    if (f->len > 0) {
        if (f->failed || !plat::FileWrite(f->file, f->buf, f->len)) {
            f->failed = 1;
        }
        f->bufOffset += f->len;
        f->len = 0;
    }
    return !f->failed;
}

// The next byte into *c; 0 at the end of the file or on a failed read.
int NextByte(RawFile* f, char* c) {
    if (f->pos == f->len) {
        if (f->failed) {
            return 0;
        }
        f->bufOffset += f->len;
        f->pos = 0;
        f->len = 0;
        uint32_t got = 0;
        if (!plat::FileRead(f->file, f->buf, kRawBuffer, &got)) {
            f->failed = 1;
            return 0;
        }
        f->len = got;
        if (got == 0) {
            return 0;
        }
    }
    *c = f->buf[f->pos++];
    return 1;
}

// Whether the last m bytes of the window (newest at window[7]) are pattern.
int WindowEndsWith(const char* window, const char* pattern, uint32_t m) {
    for (uint32_t i = 0; i < m; i++) {
        if (window[8 - m + i] != pattern[i]) {
            return 0;
        }
    }
    return 1;
}

int SameNoCase(char a, char b) {
    return text::UpperAscii(a) == text::UpperAscii(b);
}

bool ComposeIn(char* out, const char* dir, const char* name) {
    return text::Format(out, kPathField, "%s\\%s", dir, name) != 0;
}

// The [rename] header, blanks around it and letter case aside.
bool IsRenameHeader(const LineFacts& line) {
    uint32_t n = line.length < kLinePrefix ? line.length : kLinePrefix;
    uint32_t a = 0;
    while (a < n && (line.prefix[a] == ' ' || line.prefix[a] == '\t')) {
        a++;
    }
    uint32_t b = n;
    while (b > a && (line.prefix[b - 1] == ' ' || line.prefix[b - 1] == '\t')) {
        b--;
    }
    if (line.length > kLinePrefix || b - a != 8) {
        return false;
    }
    for (uint32_t i = 0; i < 8; i++) {
        if (!SameNoCase(line.prefix[a + i], kRenameHeader[i])) {
            return false;
        }
    }
    return true;
}

bool IsSectionHeader(const LineFacts& line) {
    uint32_t n = line.length < kLinePrefix ? line.length : kLinePrefix;
    uint32_t a = 0;
    while (a < n && (line.prefix[a] == ' ' || line.prefix[a] == '\t')) {
        a++;
    }
    return a < n && line.prefix[a] == '[';
}

// Adds the lines that the [rename] section lacks. A line counts as there
// only when a whole line of that section is the same (letter case aside).
class AddToRename : public LineEditor {
  public:
    AddToRename(const char* const* lines, int count, bool* present)
        : lines_(lines), count_(count), present_(present) {}

    int Edit(RawFile* in, const LineFacts& line, RawFile* out, int* changed) override {
        if (IsSectionHeader(line)) {
            if (inRename_ && !added_) {
                if (!WriteMissing(out, changed)) {
                    return 0;
                }
            }
            inRename_ = IsRenameHeader(line);
        }
        int ok = RawCopy(in, line.start, line.length + line.endBytes, out);
        lastEnded_ = line.endBytes > 0;
        return ok;
    }

    int Finish(RawFile* out, int* changed) override {
        if (added_) {
            return 1;
        }
        int missing = 0;
        for (int i = 0; i < count_; i++) {
            missing += present_[i] ? 0 : 1;
        }
        if (missing == 0) {
            return 1;
        }
        if (!lastEnded_ && !RawWrite(out, "\r\n", 2)) {
            return 0;
        }
        if (!inRename_ && !RawWrite(out, "[rename]\r\n", 10)) {
            return 0;
        }
        return WriteMissing(out, changed);
    }

  private:
    int WriteMissing(RawFile* out, int* changed) {
        added_ = true;
        for (int i = 0; i < count_; i++) {
            if (present_[i]) {
                continue;
            }
            if (!RawWrite(out, lines_[i], text::Length(lines_[i])) || !RawWrite(out, "\r\n", 2)) {
                return 0;
            }
            *changed = 1;
        }
        return 1;
    }

    const char* const* lines_;
    int count_;
    const bool* present_;
    bool inRename_ = false;
    bool added_ = false;
    bool lastEnded_ = true;
};

// Leaves out the [rename] section's lines that are line (letter case aside).
class RemoveFromRename : public LineEditor {
  public:
    explicit RemoveFromRename(const char* line) : line_(line) {}

    int Edit(RawFile* in, const LineFacts& line, RawFile* out, int* changed) override {
        if (IsSectionHeader(line)) {
            inRename_ = IsRenameHeader(line);
        }
        if (inRename_ && LineIs(line, line_, 1)) {
            *changed = 1;
            return 1;
        }
        return RawCopy(in, line.start, line.length + line.endBytes, out);
    }

  private:
    const char* line_;
    bool inRename_ = false;
};

// Notes which lines the [rename] section already holds.
void NotePresent(const char* iniPath, const char* const* lines, int count, bool* present) {
    static RawFile in;
    if (!RawOpenRead(&in, iniPath)) {
        return;
    }
    static LineFacts line;
    bool inRename = false;
    while (RawNextLine(&in, &line)) {
        if (IsSectionHeader(line)) {
            inRename = IsRenameHeader(line);
        } else if (inRename) {
            for (int i = 0; i < count; i++) {
                present[i] = present[i] || LineIs(line, lines[i], 1);
            }
        }
    }
    RawClose(&in);
}

const int kMaxWininitLines = 32;  // lines added in one call; the uninstaller adds up to 24

struct WininitPaths {
    char ini[kPathField];
    char fresh[kPathField];
    char aside[kPathField];
};

bool WininitNames(const char* windowsDir, WininitPaths* p) {
    return ComposeIn(p->ini, windowsDir, "WININIT.INI") &&
           ComposeIn(p->fresh, windowsDir, "WININIT.NEW") &&
           ComposeIn(p->aside, windowsDir, "WININIT.UN$");
}

// What a run stopped between WININIT.INI's renames left is finished first.
// Without a new file beside it, a copy set aside is one a run left after
// its renames, and the start of Windows has carried out its file since: it
// never comes back (it may hold the guard of a swap that has finished).
void RecoverWininit(const WininitPaths& p) {
    ReplaceNames names = {p.ini, p.fresh, p.aside};
    RecoverReplace(names, nullptr);
}

}  // namespace

int RawOpenRead(RawFile* f, const char* path) {
    plat::File file = plat::FileOpenRead(path);
    Init(f, file, 0);
    return file != nullptr;
}

int RawCreate(RawFile* f, const char* path) {
    plat::File file = plat::FileCreate(path);
    Init(f, file, 1);
    return file != nullptr;
}

int RawClose(RawFile* f) {
    if (f->file == nullptr) {
        return 0;
    }
    int ok = f->writing ? Flush(f) : !f->failed;
    if (!plat::FileClose(f->file)) {
        ok = 0;
    }
    f->file = nullptr;
    return ok;
}

int RawSeek(RawFile* f, uint32_t offset) {
    if (offset >= f->bufOffset && offset <= f->bufOffset + f->len) {
        f->pos = offset - f->bufOffset;
        return 1;
    }
    if (!plat::FileSeek(f->file, offset)) {
        f->failed = 1;
        return 0;
    }
    f->bufOffset = offset;
    f->pos = 0;
    f->len = 0;
    return 1;
}

int RawNextLine(RawFile* f, LineFacts* line) {
    line->start = f->bufOffset + f->pos;
    line->length = 0;
    line->endBytes = 0;
    line->hasHeader = 0;
    line->hasMouse = 0;
    char window[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    uint32_t n = 0;
    char c;
    bool any = false;
    bool lastWasCr = false;
    while (NextByte(f, &c)) {
        any = true;
        if (c == '\n') {
            line->endBytes = lastWasCr ? 2 : 1;
            break;
        }
        if (n < kLinePrefix) {
            line->prefix[n] = c;
        }
        n++;
        lastWasCr = c == '\r';
        for (int i = 0; i < 7; i++) {
            window[i] = window[i + 1];
        }
        window[7] = c;
        if (WindowEndsWith(window, "[386Enh]", 8)) {
            line->hasHeader = 1;
        }
        if (WindowEndsWith(window, "mouse", 5)) {
            line->hasMouse = 1;
        }
    }
    line->length = line->endBytes == 2 ? n - 1 : n;
    return any && !f->failed;
}

int RawWrite(RawFile* out, const char* bytes, uint32_t n) {
    for (uint32_t i = 0; i < n; i++) {
        if (out->len == kRawBuffer && !Flush(out)) {
            return 0;
        }
        out->buf[out->len++] = bytes[i];
    }
    return !out->failed;
}

int RawCopy(RawFile* in, uint32_t start, uint32_t count, RawFile* out) {
    if (!RawSeek(in, start)) {
        return 0;
    }
    char c;
    for (uint32_t i = 0; i < count; i++) {
        if (!NextByte(in, &c) || !RawWrite(out, &c, 1)) {
            return 0;
        }
    }
    return 1;
}

int RawWriteLineEnd(RawFile* out, const LineFacts& line) {
    static const char kEnd[] = "\r\n";
    return RawWrite(out, &kEnd[2 - line.endBytes], line.endBytes);
}

int SameLine(RawFile* a, const LineFacts& la, RawFile* b, const LineFacts& lb) {
    if (la.length != lb.length) {
        return 0;
    }
    uint32_t n = la.length;
    if (n <= kLinePrefix) {
        for (uint32_t i = 0; i < n; i++) {
            if (!SameNoCase(la.prefix[i], lb.prefix[i])) {
                return 0;
            }
        }
        return 1;
    }
    // Longer lines: compared from the files, a piece of each at a time.
    const uint32_t kPiece = 256;
    char pa[kPiece];
    char pb[kPiece];
    for (uint32_t done = 0; done < n; done += kPiece) {
        uint32_t m = n - done < kPiece ? n - done : kPiece;
        if (!RawSeek(a, la.start + done) || !RawSeek(b, lb.start + done)) {
            return 0;
        }
        for (uint32_t i = 0; i < m; i++) {
            if (!NextByte(a, &pa[i])) {
                return 0;
            }
        }
        for (uint32_t i = 0; i < m; i++) {
            if (!NextByte(b, &pb[i]) || !SameNoCase(pa[i], pb[i])) {
                return 0;
            }
        }
    }
    return 1;
}

int LineIs(const LineFacts& line, const char* text, int caseBlind) {
    uint32_t n = text::Length(text);
    if (line.length != n || n > kLinePrefix) {
        return 0;
    }
    for (uint32_t i = 0; i < n; i++) {
        bool same = caseBlind ? SameNoCase(line.prefix[i], text[i]) : line.prefix[i] == text[i];
        if (!same) {
            return 0;
        }
    }
    return 1;
}

int CopyWhole(const char* from, const char* to) {
    static char buf[kRawBuffer];
    plat::File in = plat::FileOpenRead(from);
    if (in == nullptr) {
        return 0;
    }
    plat::File out = plat::FileCreate(to);
    int ok = out != nullptr;
    // Only a read that reaches the end counts: one that fails part-way
    // leaves a copy cut short, never taken as whole.
    int read = 1;
    uint32_t got = 0;
    while (ok && (read = plat::FileRead(in, buf, sizeof buf, &got)) != 0 && got > 0) {
        ok = plat::FileWrite(out, buf, got);
    }
    ok = ok && read;
    plat::FileClose(in);
    if (out != nullptr && !plat::FileClose(out)) {
        ok = 0;
    }
    return ok;
}

namespace {

// The WININIT.INI line that puts the old file back: "path=oldPath" in
// short names (WININIT runs before long names are known). oldPath does
// not exist yet, so its directory's short form is used with its name.
bool GuardLine(const char* path, const char* oldPath, char* out, uint32_t size) {
    char shortPath[kPathField];
    char dir[kPathField];
    char shortDir[kPathField];
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

bool Exists(const char* path) {
    return plat::FileAttributes(path) != plat::kInvalidAttributes;
}

// Guarded, the old file is copied aside (and on the disk) before the line
// names it and only then deleted: Windows' start may delete the line's
// target even when its source is missing, so the line never names a file
// that is not there whole.
int GuardedSwap(const ReplaceNames& n, const char* windowsDir) {
    char guard[2 * kPathField + 2];
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
    bool had = Exists(n.path);
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
             (!Exists(names.oldPath) || plat::FileDelete(names.oldPath)) &&
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
    if (!Exists(names.path) && Exists(names.oldPath) && Exists(names.newPath)) {
        bool take = whole == nullptr || whole(names.newPath);
        if (!take || !plat::FileRename(names.newPath, names.path)) {
            plat::FileRename(names.oldPath, names.path);
        }
    }
    if (Exists(names.newPath)) {
        plat::FileDelete(names.newPath);
    }
    if (Exists(names.oldPath)) {
        plat::FileDelete(names.oldPath);
    }
}

int RewriteTextFile(const char* path, const char* newPath, const char* asidePath,
                    const char* windowsDir, LineEditor& editor) {
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
    while (ok && RawNextLine(&in, &line)) {
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

void WininitRecover(const char* windowsDir) {
    WininitPaths p;
    if (WininitNames(windowsDir, &p)) {
        RecoverWininit(p);
    }
}

int WininitAdd(const char* windowsDir, const char* const* lines, int count, int* created) {
    WininitPaths p;
    if (created != nullptr) {
        *created = 0;
    }
    if (count <= 0) {
        return 1;
    }
    if (count > kMaxWininitLines || !WininitNames(windowsDir, &p)) {
        return 0;
    }
    RecoverWininit(p);
    // A missing file starts empty: the rewrite below then makes it whole
    // through its new file, like any other change.
    bool made = !Exists(p.ini);
    if (made) {
        plat::File empty = plat::FileCreate(p.ini);
        if (empty == nullptr || !plat::FileClose(empty)) {
            plat::FileDelete(p.ini);
            return 0;
        }
    }
    bool present[kMaxWininitLines] = {};
    NotePresent(p.ini, lines, count, present);
    AddToRename editor(lines, count, present);
    if (RewriteTextFile(p.ini, p.fresh, p.aside, nullptr, editor) == kRewriteFailed) {
        if (made) {
            plat::FileDelete(p.ini);
        }
        return 0;
    }
    if (created != nullptr) {
        *created = made;
    }
    return 1;
}

namespace {

// 1 when the file is the [rename] header and line, as WininitAdd made it.
bool OnlyOurs(const char* iniPath, const char* line) {
    static RawFile in;
    static LineFacts facts;
    if (!RawOpenRead(&in, iniPath)) {
        return false;
    }
    int n = 0;
    bool ours = true;
    while (ours && RawNextLine(&in, &facts)) {
        n++;
        ours = facts.endBytes == 2 && (n == 1 ? IsRenameHeader(facts) && facts.length == 8
                                              : n == 2 && LineIs(facts, line, 0));
    }
    bool ok = !in.failed;
    RawClose(&in);
    return ok && ours && n == 2;
}

}  // namespace

int WininitRemove(const char* windowsDir, const char* line, int created) {
    WininitPaths p;
    if (!WininitNames(windowsDir, &p)) {
        return 0;
    }
    RecoverWininit(p);
    if (created && OnlyOurs(p.ini, line)) {
        return plat::FileDelete(p.ini);
    }
    RemoveFromRename editor(line);
    return RewriteTextFile(p.ini, p.fresh, p.aside, nullptr, editor) != kRewriteFailed;
}

}  // namespace footprint
