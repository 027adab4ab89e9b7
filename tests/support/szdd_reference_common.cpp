#include "support/szdd_reference.h"

namespace szdd_reference {

std::string Expand(const std::string& body) {
    uint8_t ring[4096];
    for (uint8_t& b : ring) {
        b = ' ';
    }
    uint32_t cur = 4096 - 16;
    std::string out;
    size_t i = 0;
    auto put = [&](uint8_t b) {
        out.push_back(static_cast<char>(b));
        ring[cur] = b;
        cur = (cur + 1) & 0xFFF;
    };
    while (i < body.size()) {
        uint8_t flags = static_cast<uint8_t>(body[i++]);
        for (int bit = 0; bit < 8; bit++) {
            if (flags & (1 << bit)) {
                if (i >= body.size()) {
                    return out;
                }
                put(static_cast<uint8_t>(body[i++]));
            } else {
                if (i + 2 > body.size()) {
                    return out;
                }
                uint32_t lo = static_cast<uint8_t>(body[i]);
                uint32_t hi = static_cast<uint8_t>(body[i + 1]);
                i += 2;
                uint32_t pos = lo | ((hi & 0xF0) << 4);
                for (uint32_t n = (hi & 0x0F) + 3; n > 0; n--) {
                    uint8_t b = ring[pos];
                    pos = (pos + 1) & 0xFFF;
                    put(b);
                }
            }
        }
    }
    return out;
}

std::string Header(uint32_t length, char mode, char lastChar) {
    std::string h = "SZDD\x88\xF0\x27\x33";
    h.push_back(mode);
    h.push_back(lastChar);
    for (int i = 0; i < 4; i++) {
        h.push_back(static_cast<char>((length >> (8 * i)) & 0xFF));
    }
    return h;
}

void Writer::Literal(char c) {
    if (items_ == 8) {
        flagAt_ = bytes_.size();
        bytes_.push_back(0);
        items_ = 0;
    }
    bytes_[flagAt_] |= static_cast<uint8_t>(1 << items_);
    items_++;
    bytes_.push_back(static_cast<uint8_t>(c));
}

void Writer::Match(uint32_t windowPos, uint32_t len) {
    if (items_ == 8) {
        flagAt_ = bytes_.size();
        bytes_.push_back(0);
        items_ = 0;
    }
    items_++;
    bytes_.push_back(static_cast<uint8_t>(windowPos & 0xFF));
    bytes_.push_back(static_cast<uint8_t>(((windowPos >> 4) & 0xF0) | ((len - 3) & 0x0F)));
}

std::string Writer::Bytes() const {
    return std::string(bytes_.begin(), bytes_.end());
}

}  // namespace szdd_reference
