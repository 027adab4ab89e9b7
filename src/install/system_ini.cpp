// Switch-over of the [386Enh] mouse line of system.ini to the built-in
// virtual mouse driver, and the separate mouse VxD set aside.
#include "install/system_ini.h"

#include "platform/files.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/textstream.h"

namespace {

const uint32_t kPathField = 128;      // composed paths: up to 127 chars
const uint32_t kSystemDirField = 80;  // as GetSystemDirectoryA fills it: up to 79 chars
const uint32_t kPieceField = 128;     // one read of a line; longer lines come in pieces
const uint32_t kPatternCarry = 7;     // longest pattern ("[386Enh]") less one
const char kReplacement[] = "mouse=*vmouse\n";
const uint32_t kCompareChunk = 1024;  // bytes compared per read of system.ini and system.new

// What decides a line's fate, gathered over all of its pieces.
struct LineFacts {
    char first;     // first character of the line
    int hasHeader;  // contains "[386Enh]"
    int hasMouse;   // contains "mouse"
    uint32_t end;   // stream offset just past the line
    int pieces;     // reads the line took
};

int EndsLine(const char* piece, uint32_t n) {
    // A piece shorter than the field ended at a line feed or the end of input.
    return piece[n - 1] == '\n' || n < kPieceField - 1;
}

// Whether pattern occurs in the n bytes at hay. A NUL is a byte like any
// other here: a line holding one is still tested whole.
int Contains(const char* hay, uint32_t n, const char* pattern) {
    uint32_t m = text::Length(pattern);
    for (uint32_t at = 0; at + m <= n; at++) {
        uint32_t k = 0;
        while (k < m && hay[at + k] == pattern[k]) {
            k++;
        }
        if (k == m) {
            return 1;
        }
    }
    return 0;
}

void NoteMatches(const char* hay, uint32_t n, LineFacts* facts) {
    if (Contains(hay, n, "[386Enh]")) {
        facts->hasHeader = 1;
    }
    if (Contains(hay, n, "mouse")) {
        facts->hasMouse = 1;
    }
}

// Reads one whole line, noting what it contains. The first piece stays in
// piece (n characters in *length); later pieces are read into a buffer of
// their own, so the end-of-input read after a line that fills the field
// exactly cannot wipe it. A match that straddles two pieces is found in the
// seam: the tail of the one and the head of the next. 0 at the end of the
// input.
int ScanLine(TextStream* in, char* piece, uint32_t* length, LineFacts* facts) {
    uint32_t n = TextReadLine(in, piece, kPieceField);
    if (n == 0) {
        return 0;
    }
    *length = n;
    facts->first = piece[0];
    facts->hasHeader = 0;
    facts->hasMouse = 0;
    facts->pieces = 1;
    NoteMatches(piece, n, facts);
    char more[kPieceField];
    const char* last = piece;
    while (!EndsLine(last, n)) {
        // A piece that does not end the line is a full one: n >= kPatternCarry.
        char seam[2 * kPatternCarry];
        for (uint32_t i = 0; i < kPatternCarry; i++) {
            seam[i] = last[n - kPatternCarry + i];
        }
        n = TextReadLine(in, more, kPieceField);
        if (n == 0) {
            break;
        }
        facts->pieces++;
        uint32_t head = n < kPatternCarry ? n : kPatternCarry;
        for (uint32_t i = 0; i < head; i++) {
            seam[kPatternCarry + i] = more[i];
        }
        NoteMatches(seam, kPatternCarry + head, facts);
        NoteMatches(more, n, facts);
        last = more;
    }
    facts->end = TextTell(in);
    return 1;
}

// Copies a line of several pieces again from its start; 1 on success.
int CopyLineAgain(TextStream* in, TextStream* out, uint32_t start, uint32_t end, char* piece) {
    if (!TextSeek(in, start)) {
        return 0;
    }
    while (TextTell(in) < end) {
        uint32_t n = TextReadLine(in, piece, kPieceField);
        if (n == 0 || !TextWriteBytes(out, piece, n)) {
            return 0;
        }
    }
    return 1;
}

// Writes the rewritten system.ini into system.new; 1 only when every line
// was read and written and the new file was closed whole.
int RewriteInto(TextStream* in, TextStream* out) {
    char piece[kPieceField];
    int armed = 0;
    int ok = 1;
    for (;;) {
        uint32_t start = TextTell(in);
        uint32_t length = 0;
        LineFacts facts;
        if (!ScanLine(in, piece, &length, &facts)) {
            break;
        }
        // The flag stays set across later section headers: the first
        // uncommented "mouse" line after the header is the one replaced.
        if (facts.hasHeader) {
            armed = 1;
        }
        if (armed && facts.hasMouse && facts.first != ';') {
            armed = 0;
            ok = TextWrite(out, kReplacement);
        } else if (facts.pieces == 1) {
            ok = TextWriteBytes(out, piece, length);
        } else {
            ok = CopyLineAgain(in, out, start, facts.end, piece);
        }
        if (!ok) {
            break;
        }
    }
    if (in->failed) {
        ok = 0;
    }
    return ok;
}

// Reads up to size bytes, as many as the file still has; 0 on a failed read.
int ReadChunk(plat::File file, char* buf, uint32_t size, uint32_t* got) {
    *got = 0;
    while (*got < size) {
        uint32_t n = 0;
        if (!plat::FileRead(file, buf + *got, size - *got, &n)) {
            return 0;
        }
        if (n == 0) {
            break;
        }
        *got += n;
    }
    return 1;
}

// 1 when both files could be read and hold the same bytes.
int SameBytes(const char* pathA, const char* pathB) {
    static char a[kCompareChunk];
    static char b[kCompareChunk];
    plat::File fa = plat::FileOpenRead(pathA);
    plat::File fb = plat::FileOpenRead(pathB);
    int same = fa != nullptr && fb != nullptr;
    while (same) {
        uint32_t na = 0;
        uint32_t nb = 0;
        if (!ReadChunk(fa, a, sizeof a, &na) || !ReadChunk(fb, b, sizeof b, &nb) || na != nb) {
            same = 0;
            break;
        }
        for (uint32_t i = 0; i < na && same; i++) {
            same = a[i] == b[i];
        }
        if (na < sizeof a) {
            break;
        }
    }
    if (fa != nullptr) {
        plat::FileClose(fa);
    }
    if (fb != nullptr) {
        plat::FileClose(fb);
    }
    return same;
}

}  // namespace

int SwitchSystemIni(const char* windowsDir) {
    char iniPath[kPathField];
    char bakPath[kPathField];
    char newPath[kPathField];
    if (!text::Format(iniPath, sizeof iniPath, "%s\\system.ini", windowsDir) ||
        !text::Format(bakPath, sizeof bakPath, "%s\\system.bak", windowsDir) ||
        !text::Format(newPath, sizeof newPath, "%s\\system.new", windowsDir)) {
        return 0;
    }

    // system.ini is only replaced by a system.new written whole; otherwise
    // nothing is renamed and the half-written file goes. The streams are
    // static: their buffers would make a stack frame beyond one page, and
    // the exe has no stack probes.
    static TextStream out;
    static TextStream in;
    if (!TextOpenWrite(&out, newPath)) {
        return 0;
    }
    if (!TextOpenRead(&in, iniPath)) {
        TextClose(&out);
        plat::FileDelete(newPath);
        return 0;
    }
    int ok = RewriteInto(&in, &out);
    TextClose(&in);
    if (!TextClose(&out)) {
        ok = 0;
    }
    if (!ok) {
        plat::FileDelete(newPath);
        return 0;
    }
    // A rewrite that changes nothing (a second setup finds its own mouse
    // line) must leave system.bak alone: it holds the only copy of the text
    // from before the first setup.
    if (SameBytes(iniPath, newPath)) {
        plat::FileDelete(newPath);
    } else {
        plat::FileDelete(bakPath);
        plat::FileRename(iniPath, bakPath);
        plat::FileRename(newPath, iniPath);
    }

    char systemDir[kSystemDirField];
    uint32_t length = plat::SystemDirectory(systemDir, sizeof systemDir);
    if (length == 0 || length >= sizeof systemDir) {
        return 0;
    }
    char vxdPath[kPathField];
    char vxdBakPath[kPathField];
    if (!text::Format(vxdPath, sizeof vxdPath, "%s\\VMM32\\VMOUSE.VXD", systemDir) ||
        !text::Format(vxdBakPath, sizeof vxdBakPath, "%s\\VMM32\\VMOUSE.BAK", systemDir)) {
        return 0;
    }
    // Without a VxD to take its place, VMOUSE.BAK is the only copy of the
    // original one (a second setup): it stays.
    uint32_t vxd = plat::FileAttributes(vxdPath);
    if (vxd == plat::kInvalidAttributes || (vxd & plat::kAttrDirectory) != 0) {
        return 0;
    }
    plat::FileDelete(vxdBakPath);
    return plat::FileRename(vxdPath, vxdBakPath);
}
