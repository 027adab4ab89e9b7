// WININIT.INI's [rename] section: lines added and removed through a
// rewrite, so the file is never seen half written, and another program's
// lines are kept byte for byte.
#include "platform/wininit.h"

#include "platform/logbook.h"
#include "platform/replace.h"
#include "platform/text.h"

namespace fileio {

namespace {

const char kRenameHeader[] = "[RENAME]";  // as compared: in capitals

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
        if (text::UpperAscii(line.prefix[a + i]) != kRenameHeader[i]) {
            return false;
        }
    }
    return true;
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
    char ini[text::kComposedPath];
    char fresh[text::kComposedPath];
    char aside[text::kComposedPath];
    ReplaceNames names;  // the three above
};

bool WininitNames(const char* windowsDir, WininitPaths* p) {
    p->names = {p->ini, p->fresh, p->aside};
    return text::PathIn(p->ini, windowsDir, "WININIT.INI") &&
           text::PathIn(p->fresh, windowsDir, "WININIT.NEW") &&
           text::PathIn(p->aside, windowsDir, "WININIT.UN$");
}

// What a run stopped between WININIT.INI's renames left is finished first.
// Without a new file beside it, a copy set aside is one a run left after
// its renames, and the start of Windows has carried out its file since: it
// never comes back (it may hold the guard of a swap that has finished).
void RecoverWininit(const WininitPaths& p) {
    RecoverReplace(p.names);
}

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
    bool made = !plat::Exists(p.ini);
    if (made) {
        plat::File empty = plat::FileCreate(p.ini);
        if (empty == nullptr || !plat::FileClose(empty)) {
            plat::FileDelete(p.ini);
            return 0;
        }
    }
    bool present[kMaxWininitLines] = {};
    NotePresent(p.ini, lines, count, present);
    for (int i = 0; i < count; i++) {
        if (!present[i]) {
            logbook::Note("WININIT.INI: + %s", lines[i]);
        }
    }
    AddToRename editor(lines, count, present);
    if (RewriteTextFile(p.names, editor) == kRewriteFailed) {
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

// The text between from and to, blanks and tabs around it removed, into out.
void TrimmedPart(const char* from, const char* to, char* out) {
    while (from < to && (*from == ' ' || *from == '\t')) {
        from++;
    }
    while (to > from && (to[-1] == ' ' || to[-1] == '\t')) {
        to--;
    }
    uint32_t n = static_cast<uint32_t>(to - from);
    text::Copy(out, n + 1 < text::kComposedPath ? n + 1 : text::kComposedPath, from);
}

}  // namespace

int WininitEach(const char* windowsDir, WininitVisit visit, void* context) {
    WininitPaths p;
    static RawFile in;
    static LineFacts line;
    if (!WininitNames(windowsDir, &p)) {
        return 0;
    }
    if (!plat::Exists(p.ini)) {
        return 1;
    }
    if (!RawOpenRead(&in, p.ini)) {
        return 0;
    }
    static char text[kLinePrefix + 1];
    static char destination[text::kComposedPath];
    static char source[text::kComposedPath];
    bool inRename = false;
    bool going = true;
    while (going && RawNextLine(&in, &line)) {
        if (IsSectionHeader(line)) {
            inRename = IsRenameHeader(line);
            continue;
        }
        uint32_t n = line.length < kLinePrefix ? line.length : kLinePrefix;
        text::Fill(text, 0, sizeof text);
        for (uint32_t i = 0; i < n; i++) {
            text[i] = line.prefix[i];
        }
        const char* equals = text::Find(text, "=");
        if (!inRename || equals == nullptr || line.length > kLinePrefix) {
            continue;
        }
        TrimmedPart(text, equals, destination);
        TrimmedPart(equals + 1, text + n, source);
        going = visit(context, text, destination, source) != 0;
    }
    bool ok = !in.failed;
    RawClose(&in);
    return ok ? 1 : 0;
}

int WininitHas(const char* windowsDir, const char* line) {
    WininitPaths p;
    bool present = false;
    if (WininitNames(windowsDir, &p)) {
        NotePresent(p.ini, &line, 1, &present);
    }
    return present;
}

int WininitRemove(const char* windowsDir, const char* line, int created) {
    WininitPaths p;
    if (!WininitNames(windowsDir, &p)) {
        return 0;
    }
    RecoverWininit(p);
    if (!plat::Exists(p.ini)) {
        return 1;
    }
    // Emptied first: should its delete come late, no line of it is back.
    if (created && OnlyOurs(p.ini, line)) {
        return DeleteEmptied(p.ini);
    }
    logbook::Note("WININIT.INI: - %s", line);
    RemoveFromRename editor(line);
    return RewriteTextFile(p.names, editor) != kRewriteFailed;
}

}  // namespace fileio
