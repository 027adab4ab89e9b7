// The raw byte file and its line reader: every byte read is one the file
// holds, so a rewrite can carry over what it does not change exactly.
#include "platform/raw_file.h"

#include "platform/text.h"

namespace fileio {

namespace {

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

// Whether the last m bytes of the window (its newest byte last) are word.
int WindowEndsWith(const char* window, const char* word, uint32_t m) {
    for (uint32_t i = 0; i < m; i++) {
        if (window[kMaxLineWord - m + i] != word[i]) {
            return 0;
        }
    }
    return 1;
}

// The words of the list that the window ends with, as bits: a word is
// found wherever it ends, across buffer reads too.
uint32_t WordsEndingIn(const char* window, const char* words) {
    uint32_t found = 0;
    uint32_t bit = 1;
    while (*words != 0) {
        uint32_t m = text::Length(words);
        if (m <= kMaxLineWord && WindowEndsWith(window, words, m)) {
            found |= bit;
        }
        words += m + 1;
        bit <<= 1;
    }
    return found;
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

int RawNextLine(RawFile* f, LineFacts* line, const char* words) {
    line->start = f->bufOffset + f->pos;
    line->length = 0;
    line->endBytes = 0;
    line->holds = 0;
    char window[kMaxLineWord] = {};
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
        if (words != nullptr) {
            for (uint32_t i = 0; i + 1 < kMaxLineWord; i++) {
                window[i] = window[i + 1];
            }
            window[kMaxLineWord - 1] = c;
            line->holds |= WordsEndingIn(window, words);
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
            if (!text::SameNoCase(la.prefix[i], lb.prefix[i])) {
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
            if (!NextByte(b, &pb[i]) || !text::SameNoCase(pa[i], pb[i])) {
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
        bool same =
            caseBlind ? text::SameNoCase(line.prefix[i], text[i]) : line.prefix[i] == text[i];
        if (!same) {
            return 0;
        }
    }
    return 1;
}

int IsSectionHeader(const LineFacts& line) {
    uint32_t n = line.length < kLinePrefix ? line.length : kLinePrefix;
    uint32_t a = 0;
    while (a < n && (line.prefix[a] == ' ' || line.prefix[a] == '\t')) {
        a++;
    }
    return a < n && line.prefix[a] == '[';
}

int StartOf(const char* part, const char* whole, int exact) {
    static char a[512];
    static char b[512];
    plat::File fa = plat::FileOpenRead(part);
    plat::File fb = fa != nullptr ? plat::FileOpenRead(whole) : nullptr;
    bool same = fb != nullptr;
    uint32_t gotA = 1;
    uint32_t gotB = 0;
    while (same && gotA > 0) {
        same = plat::FileRead(fa, a, sizeof a, &gotA) && plat::FileRead(fb, b, sizeof b, &gotB) &&
               (exact ? gotA == gotB : gotA <= gotB);
        for (uint32_t i = 0; same && i < gotA; i++) {
            same = a[i] == b[i];
        }
    }
    plat::FileClose(fa);
    plat::FileClose(fb);
    return same;
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

int FingerprintOf(const char* path, Fingerprint* print) {
    static unsigned char buf[kRawBuffer];
    print->size = 0;
    print->hash = 2166136261u;
    plat::File in = plat::FileOpenRead(path);
    if (in == nullptr) {
        return 0;
    }
    uint32_t got = 0;
    int read = 1;
    while ((read = plat::FileRead(in, buf, sizeof buf, &got)) != 0 && got > 0) {
        for (uint32_t i = 0; i < got; i++) {
            print->hash = (print->hash ^ buf[i]) * 16777619u;
        }
        print->size += got;
    }
    plat::FileClose(in);
    return read;
}

}  // namespace fileio
