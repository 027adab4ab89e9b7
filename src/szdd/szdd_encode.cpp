// SZDD encoding with hash chains over the 4096-byte window. The input is
// placed after 4096 blanks, the window's starting content, so a match may
// reach back into them like into earlier output.
#include "szdd/szdd_encode.h"

#include <string.h>

#include "szdd/szdd.h"

namespace szdd {

namespace {

const uint32_t kWindow = 4096;
const uint32_t kWindowMask = kWindow - 1;
const uint32_t kStartPos = kWindow - 16;  // window position of the first byte
const int kHashBits = 15;
const uint32_t kHashSize = 1u << kHashBits;
const uint32_t kPad = 32;             // readable bytes after the input for word compares
const uint32_t kPrefixInserted = 20;  // blank positions before the input in the chains

inline uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    memcpy(&v, p, 8);
    return v;
}

inline uint32_t Hash3(const uint8_t* p) {
    uint32_t v = p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
    return (v * 2654435761u) >> (32 - kHashBits);
}

// Equal bytes at a and b, up to max (at most kMaxMatch; both readable for
// 24 bytes).
inline uint32_t MatchLength(const uint8_t* a, const uint8_t* b, uint32_t max) {
    uint32_t n = 0;
    while (n < 16) {
        uint64_t x = Load64(a + n) ^ Load64(b + n);
        if (x != 0) {
            n += static_cast<uint32_t>(__builtin_ctzll(x)) >> 3;
            return n < max ? n : max;
        }
        n += 8;
    }
    while (n < max && a[n] == b[n]) {
        n++;
    }
    return n < max ? n : max;
}

struct Match {
    uint32_t len;   // 0 when shorter than kMinMatch
    uint32_t dist;  // 1..4096 bytes back
};

// Positions are indexes into buf: the blanks, then the input from kWindow on.
class MatchFinder {
  public:
    MatchFinder(const uint8_t* data, size_t size, int maxChain) : size_(size), maxChain_(maxChain) {
        buf_.assign(kWindow + size + kPad, 0);
        memset(buf_.data(), ' ', kWindow);
        if (size > 0) {
            memcpy(buf_.data() + kWindow, data, size);
        }
        head_.assign(kHashSize, -1);
        prev_.assign(kWindow, -1);
        for (uint32_t p = kWindow - kPrefixInserted; p < kWindow; p++) {
            Insert(p);
        }
    }

    // The longest match for the input byte at position p (then inserted).
    Match FindAndInsert(uint32_t p) {
        Match best = {0, 0};
        uint32_t left = static_cast<uint32_t>(kWindow + size_ - p);
        uint32_t max = left < kMaxMatch ? left : kMaxMatch;
        if (max >= kMinMatch) {
            const uint8_t* cur = buf_.data() + p;
            uint32_t bestLen = kMinMatch - 1;
            int32_t cand = head_[Hash3(cur)];
            int32_t lowest = static_cast<int32_t>(p - kWindow);
            for (int chain = 0; chain < maxChain_ && cand >= lowest; chain++) {
                const uint8_t* c = buf_.data() + cand;
                if (c[bestLen] == cur[bestLen]) {
                    uint32_t len = MatchLength(c, cur, max);
                    if (len > bestLen) {
                        bestLen = len;
                        best.len = len;
                        best.dist = p - static_cast<uint32_t>(cand);
                        if (len == max) {
                            break;
                        }
                    }
                }
                int32_t next = prev_[static_cast<uint32_t>(cand) & kWindowMask];
                if (next >= cand) {
                    break;  // the slot was taken over by a newer position
                }
                cand = next;
            }
        }
        Insert(p);
        return best;
    }

    void Insert(uint32_t p) {
        uint32_t h = Hash3(buf_.data() + p);
        prev_[p & kWindowMask] = head_[h];
        head_[h] = static_cast<int32_t>(p);
    }

  private:
    size_t size_;
    int maxChain_;
    std::vector<uint8_t> buf_;
    std::vector<int32_t> head_;
    std::vector<int32_t> prev_;
};

// Flag bytes and items, least significant flag bit first.
class StreamWriter {
  public:
    explicit StreamWriter(std::vector<uint8_t>* out) : out_(out) {}

    void Literal(uint8_t c) {
        Flag(true);
        out_->push_back(c);
    }

    // A match of len bytes starting dist bytes back from input index i.
    void MatchAt(size_t i, uint32_t dist, uint32_t len) {
        Flag(false);
        uint32_t pos = static_cast<uint32_t>(kStartPos + i - dist) & kWindowMask;
        out_->push_back(static_cast<uint8_t>(pos & 0xFF));
        out_->push_back(static_cast<uint8_t>(((pos >> 4) & 0xF0) | (len - kMinMatch)));
    }

  private:
    void Flag(bool literal) {
        if (bit_ == 8) {
            flagAt_ = out_->size();
            out_->push_back(0);
            bit_ = 0;
        }
        if (literal) {
            (*out_)[flagAt_] = static_cast<uint8_t>((*out_)[flagAt_] | (1u << bit_));
        }
        bit_++;
    }

    std::vector<uint8_t>* out_;
    size_t flagAt_ = 0;
    int bit_ = 8;
};

void ParseGreedy(const uint8_t* data, size_t size, MatchFinder* mf, StreamWriter* w) {
    size_t i = 0;
    while (i < size) {
        Match m = mf->FindAndInsert(static_cast<uint32_t>(kWindow + i));
        if (m.len == 0) {
            w->Literal(data[i]);
            i++;
            continue;
        }
        w->MatchAt(i, m.dist, m.len);
        for (uint32_t k = 1; k < m.len; k++) {
            mf->Insert(static_cast<uint32_t>(kWindow + i + k));
        }
        i += m.len;
    }
}

void ParseLazy(const uint8_t* data, size_t size, MatchFinder* mf, StreamWriter* w) {
    size_t i = 0;
    Match m = {0, 0};
    if (size > 0) {
        m = mf->FindAndInsert(kWindow);
    }
    while (i < size) {
        if (m.len == 0) {
            w->Literal(data[i]);
            i++;
            if (i < size) {
                m = mf->FindAndInsert(static_cast<uint32_t>(kWindow + i));
            }
            continue;
        }
        bool looked = i + 1 < size && m.len < kMaxMatch;
        if (looked) {
            Match next = mf->FindAndInsert(static_cast<uint32_t>(kWindow + i + 1));
            if (next.len > m.len) {
                w->Literal(data[i]);
                i++;
                m = next;
                continue;
            }
        }
        w->MatchAt(i, m.dist, m.len);
        for (uint32_t k = looked ? 2 : 1; k < m.len; k++) {
            mf->Insert(static_cast<uint32_t>(kWindow + i + k));
        }
        i += m.len;
        m = {0, 0};
        if (i < size) {
            m = mf->FindAndInsert(static_cast<uint32_t>(kWindow + i));
        }
    }
}

// Cheapest stream in bits: cost[i] is the cost of the input from i on,
// taken from the end back; each position may be a literal or any match
// length up to its longest.
void ParseOptimal(const uint8_t* data, size_t size, MatchFinder* mf, StreamWriter* w) {
    std::vector<Match> longest(size);
    for (size_t i = 0; i < size; i++) {
        longest[i] = mf->FindAndInsert(static_cast<uint32_t>(kWindow + i));
    }
    std::vector<uint64_t> cost(size + 1, 0);
    std::vector<uint8_t> take(size, 0);  // 0: literal, else the match length
    for (size_t i = size; i-- > 0;) {
        uint64_t best = cost[i + 1] + 9;
        uint8_t choice = 0;
        for (uint32_t len = longest[i].len; len >= kMinMatch; len--) {
            uint64_t c = cost[i + len] + 17;
            if (c < best) {
                best = c;
                choice = static_cast<uint8_t>(len);
            }
        }
        cost[i] = best;
        take[i] = choice;
    }
    size_t i = 0;
    while (i < size) {
        if (take[i] == 0) {
            w->Literal(data[i]);
            i++;
        } else {
            w->MatchAt(i, longest[i].dist, take[i]);
            i += take[i];
        }
    }
}

}  // namespace

bool Compress(const uint8_t* data, size_t size, uint8_t lastChar, Parse parse,
              std::vector<uint8_t>* out, int maxChain) {
    if (size > kMaxInput) {
        return false;
    }
    size_t at = out->size();
    out->resize(at + kHeaderSize);
    uint8_t* head = out->data() + at;
    memcpy(head, kMagic, sizeof kMagic);
    head[kModeOffset] = kModeA;
    head[kLastCharOffset] = lastChar;
    for (int i = 0; i < 4; i++) {
        head[kLengthOffset + i] = static_cast<uint8_t>(static_cast<uint64_t>(size) >> (8 * i));
    }
    out->reserve(out->size() + size / 2 + 16);
    MatchFinder mf(data, size, maxChain);
    StreamWriter w(out);
    switch (parse) {
        case Parse::Greedy:
            ParseGreedy(data, size, &mf, &w);
            break;
        case Parse::Lazy:
            ParseLazy(data, size, &mf, &w);
            break;
        case Parse::Optimal:
            ParseOptimal(data, size, &mf, &w);
            break;
    }
    return true;
}

}  // namespace szdd
