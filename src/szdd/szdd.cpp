// SZDD expansion with the output buffer as the LZSS window: a match is a
// copy from earlier output at a fixed distance, so there is no separate
// ring to keep in step and long matches copy a word at a time.
#include "szdd/szdd.h"

#include <string.h>

namespace szdd {

namespace {

const uint32_t kWindowStart = kWindowSize - 16;  // position of the first output byte
const uint32_t kWindowMask = kWindowSize - 1;
const uint32_t kMaxGroupIn = 1 + 8 * 2;  // a flag byte and eight match pairs
const uint32_t kMaxGroupOut = 8 * 18;    // eight matches of the longest length

// Copies a match of len bytes from dist bytes back. Words when the source
// lies at least a word behind (writing up to 24 bytes: the buffer has the
// slack), bytes when the match overlaps itself closely (runs).
inline void CopyMatch(uint8_t* op, uint32_t dist, uint32_t len) {
    const uint8_t* from = op - dist;
    if (dist >= 8) {
        uint64_t w;
        memcpy(&w, from, 8);
        memcpy(op, &w, 8);
        memcpy(&w, from + 8, 8);
        memcpy(op + 8, &w, 8);
        if (len > 16) {
            memcpy(&w, from + 16, 8);
            memcpy(op + 16, &w, 8);
        }
    } else {
        for (uint32_t i = 0; i < len; i++) {
            op[i] = from[i];
        }
    }
}

// One match pair at ip: copies it to op and returns the new output position.
// Distance 0 names the slot being written: its old content, a whole window
// back.
inline uint8_t* ExpandPair(const uint8_t* ip, uint8_t* op, uint32_t posDelta) {
    uint32_t from = ip[0] | ((ip[1] & 0xF0u) << 4);
    uint32_t len = (ip[1] & 0x0Fu) + 3;
    uint32_t pos = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(op)) + posDelta;
    uint32_t dist = ((pos - from - 1) & kWindowMask) + 1;
    CopyMatch(op, dist, len);
    return op + len;
}

}  // namespace

std::string CompressedName(const std::string& path) {
    std::string name = path;
    size_t slash = name.find_last_of('\\');
    size_t dot = name.find('.', slash == std::string::npos ? 0 : slash);
    if (dot == std::string::npos) {
        return name + "._";
    }
    if (name.size() - dot - 1 < 3) {
        return name + "_";
    }
    name[name.size() - 1] = '_';
    return name;
}

Format Classify(const uint8_t* head, uint32_t n) {
    if (n < kHeaderSize || memcmp(head, kMagic, sizeof kMagic) != 0) {
        return Format::Plain;
    }
    return head[kModeOffset] == kModeA ? Format::Compressed : Format::UnknownMode;
}

namespace {

// Where an expansion stands: the input read but not yet used, the output
// not yet written.
struct Cursor {
    const uint8_t* ip;
    const uint8_t* iend;
    bool atEnd;
    uint8_t* op;
    uint32_t posDelta;  // the window position of the byte at op is (op + posDelta) & kWindowMask
    int64_t total;      // bytes written so far
};

// Tops the input up to a whole group when it runs short, the rest moved to
// the front first.
inline void Refill(Decoder* d, const Stream& s, Cursor* c) {
    if (static_cast<uint32_t>(c->iend - c->ip) >= kMaxGroupIn || c->atEnd) {
        return;
    }
    uint32_t have = static_cast<uint32_t>(c->iend - c->ip);
    memmove(d->in, c->ip, have);
    c->ip = d->in;
    while (have < kMaxGroupIn && !c->atEnd) {
        uint32_t got = 0;
        if (!s.read(s.context, d->in + have, kBufferSize - have, &got) || got == 0) {
            c->atEnd = true;
        }
        have += got;
    }
    c->iend = d->in + have;
}

// Writes out the output once a group might not fit: all but the window,
// which moves to the front. false when the write fails.
inline bool WriteFull(Decoder* d, const Stream& s, Cursor* c) {
    uint8_t* const outBase = d->out + kWindowSize;
    if (c->op <= outBase + kBufferSize - kMaxGroupOut) {
        return true;
    }
    uint32_t n = static_cast<uint32_t>(c->op - outBase);
    if (!s.write(s.context, outBase, n)) {
        return false;
    }
    c->total += n;
    memmove(d->out, c->op - kWindowSize, kWindowSize);
    c->posDelta += n;
    c->op = outBase;
    return true;
}

// A whole group is at hand: no bounds checks.
inline void ExpandGroup(Cursor* c) {
    uint32_t flags = *c->ip++;
    if (flags == 0xFF) {
        memcpy(c->op, c->ip, 8);
        c->op += 8;
        c->ip += 8;
        return;
    }
    for (int bit = 0; bit < 8; bit++, flags >>= 1) {
        if (flags & 1) {
            *c->op++ = *c->ip++;
        } else {
            c->op = ExpandPair(c->ip, c->op, c->posDelta);
            c->ip += 2;
        }
    }
}

// The last bytes of the input: a group may stop anywhere, and a pair cut
// in half is dropped.
inline void ExpandTail(Cursor* c) {
    const uint8_t* ip = c->ip;
    const uint8_t* iend = c->iend;
    uint32_t flags = *ip++;
    for (int bit = 0; bit < 8 && ip < iend; bit++, flags >>= 1) {
        if (flags & 1) {
            *c->op++ = *ip++;
        } else {
            if (iend - ip < 2) {
                ip = iend;
                break;
            }
            c->op = ExpandPair(ip, c->op, c->posDelta);
            ip += 2;
        }
    }
    c->ip = ip;
}

}  // namespace

int64_t Expand(Decoder* d, const Stream& s) {
    uint8_t* const outBase = d->out + kWindowSize;
    memset(d->out, ' ', kWindowSize);
    Cursor c = {d->in,
                d->in,
                false,
                outBase,
                kWindowStart - static_cast<uint32_t>(reinterpret_cast<uintptr_t>(outBase)),
                0};
    for (;;) {
        Refill(d, s, &c);
        if (c.ip == c.iend) {
            break;
        }
        if (!WriteFull(d, s, &c)) {
            return kWriteFailed;
        }
        if (static_cast<uint32_t>(c.iend - c.ip) >= kMaxGroupIn) {
            ExpandGroup(&c);
        } else {
            ExpandTail(&c);
        }
    }
    uint32_t n = static_cast<uint32_t>(c.op - outBase);
    if (n > 0 && !s.write(s.context, outBase, n)) {
        return kWriteFailed;
    }
    return c.total + n;
}

namespace {

struct MemoryStreams {
    const uint8_t* data;
    size_t left;
    size_t piece;
    uint8_t* out;
    size_t outSize;
    uint64_t written;
};

int ReadMemory(void* context, uint8_t* buf, uint32_t size, uint32_t* got) {
    MemoryStreams* m = static_cast<MemoryStreams*>(context);
    size_t n = m->left < size ? m->left : size;
    if (m->piece > 0 && n > m->piece) {
        n = m->piece;
    }
    memcpy(buf, m->data, n);
    m->data += n;
    m->left -= n;
    *got = static_cast<uint32_t>(n);
    return 1;
}

int WriteMemory(void* context, const uint8_t* buf, uint32_t size) {
    MemoryStreams* m = static_cast<MemoryStreams*>(context);
    if (m->written < m->outSize) {
        size_t room = m->outSize - static_cast<size_t>(m->written);
        memcpy(m->out + m->written, buf, size < room ? size : room);
    }
    m->written += size;
    return 1;
}

}  // namespace

uint64_t ExpandMemory(Decoder* decoder, const uint8_t* data, size_t size, size_t piece,
                      uint8_t* out, size_t outSize) {
    MemoryStreams m = {data, size, piece, out, outSize, 0};
    Stream s = {ReadMemory, WriteMemory, &m};
    Expand(decoder, s);
    return m.written;
}

}  // namespace szdd
