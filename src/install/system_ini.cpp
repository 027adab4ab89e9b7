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

void NoteMatches(const char* hay, LineFacts* facts) {
    if (text::Find(hay, "[386Enh]") != nullptr) {
        facts->hasHeader = 1;
    }
    if (text::Find(hay, "mouse") != nullptr) {
        facts->hasMouse = 1;
    }
}

// Reads one whole line, piece by piece, noting what it contains; a match
// that straddles two pieces is found through the carried tail of the first.
// 0 at the end of the input.
int ScanLine(TextStream* in, char* piece, LineFacts* facts) {
    uint32_t n = TextReadLine(in, piece, kPieceField);
    if (n == 0) {
        return 0;
    }
    facts->first = piece[0];
    facts->hasHeader = 0;
    facts->hasMouse = 0;
    facts->pieces = 1;
    NoteMatches(piece, facts);
    while (!EndsLine(piece, n)) {
        char seam[2 * kPatternCarry + 1];
        uint32_t keep = n < kPatternCarry ? n : kPatternCarry;
        text::Copy(seam, sizeof seam, piece + n - keep);
        n = TextReadLine(in, piece, kPieceField);
        if (n == 0) {
            break;
        }
        facts->pieces++;
        char head[kPatternCarry + 1];
        text::Copy(head, sizeof head, piece);
        text::Append(seam, sizeof seam, head);
        NoteMatches(seam, facts);
        NoteMatches(piece, facts);
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
        if (TextReadLine(in, piece, kPieceField) == 0 || !TextWrite(out, piece)) {
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
        LineFacts facts;
        if (!ScanLine(in, piece, &facts)) {
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
            ok = TextWrite(out, piece);
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
    // A second setup replaces the first one's system.bak, so the text from
    // before the first setup is gone; kept so, as other tools may rely on it.
    plat::FileDelete(bakPath);
    plat::FileRename(iniPath, bakPath);
    plat::FileRename(newPath, iniPath);

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
    plat::FileDelete(vxdBakPath);
    return plat::FileRename(vxdPath, vxdBakPath);
}
