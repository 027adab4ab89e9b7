#include "code_page.h"

#include <stdint.h>
#include <stdio.h>

namespace disktool {

namespace {

// Unicode of the Windows code page's bytes 0x80..0x9F (0: no character).
const uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

bool Utf8ToWindows(const std::string& in, std::string* out, std::string* bad) {
    std::string result;
    for (size_t i = 0; i < in.size();) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        uint32_t code = c;
        size_t len = c < 0x80                ? 1
                     : c >= 0xC2 && c < 0xE0 ? 2
                     : c >= 0xE0 && c < 0xF0 ? 3
                     : c >= 0xF0 && c < 0xF5 ? 4
                                             : 0;
        if (len == 0 || i + len > in.size()) {
            *bad = "the text is not UTF-8 (byte " + std::to_string(i + 1) + ")";
            return false;
        }
        if (len > 1) {
            code = c & (0x7F >> len);
            for (size_t k = 1; k < len; k++) {
                unsigned char t = static_cast<unsigned char>(in[i + k]);
                if ((t & 0xC0) != 0x80) {
                    *bad = "the text is not UTF-8 (byte " + std::to_string(i + k + 1) + ")";
                    return false;
                }
                code = (code << 6) | (t & 0x3F);
            }
            if ((len == 3 && code < 0x800) || (len == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
                (code >= 0xD800 && code <= 0xDFFF)) {
                *bad = "the text is not UTF-8 (byte " + std::to_string(i + 1) + ")";
                return false;
            }
        }
        int byte = code < 0x80 || (code >= 0xA0 && code <= 0xFF) ? static_cast<int>(code) : -1;
        for (int k = 0; k < 32 && byte < 0; k++) {
            if (kCp1252High[k] != 0 && kCp1252High[k] == code) {
                byte = 0x80 + k;
            }
        }
        if (byte < 0) {
            *bad = "\"" + in.substr(i, len) + "\" (U+" + [code] {
                char hex[12];
                snprintf(hex, sizeof hex, "%04X", code);
                return std::string(hex);
            }() + ") is not in the Windows code page 1252 that Windows 95/98 read SETUP.INF in";
            return false;
        }
        result += static_cast<char>(byte);
        i += len;
    }
    *out = result;
    return true;
}

}  // namespace disktool
