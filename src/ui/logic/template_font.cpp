#include "ui/logic/template_font.h"

namespace ui {

namespace {

const uint32_t kExHeaderSize = 26;  // dlgVer .. cy of DLGTEMPLATEEX
const uint32_t kSetFont = 0x40;     // DS_SETFONT

uint16_t Word(const uint8_t* data, uint32_t at) {
    return static_cast<uint16_t>(data[at] | data[at + 1] << 8);
}

// Skips a menu, class or title field: 0, 0xFFFF and an ordinal, or a
// zero-terminated UTF-16 string. Returns 0 when it runs past size.
int SkipField(const uint8_t* data, uint32_t size, uint32_t* at) {
    if (*at + 2 > size) {
        return 0;
    }
    uint16_t first = Word(data, *at);
    if (first == 0xFFFF) {
        *at += 4;
        return *at <= size;
    }
    for (;;) {
        if (*at + 2 > size) {
            return 0;
        }
        uint16_t c = Word(data, *at);
        *at += 2;
        if (c == 0) {
            return 1;
        }
    }
}

}  // namespace

int ReadTemplateFont(const uint8_t* data, uint32_t size, TemplateFont* font) {
    if (size < kExHeaderSize || Word(data, 0) != 1 || Word(data, 2) != 0xFFFF) {
        return 0;
    }
    uint32_t style =
        data[12] | data[13] << 8 | data[14] << 16 | static_cast<uint32_t>(data[15]) << 24;
    if ((style & kSetFont) == 0) {
        return 0;
    }
    uint32_t at = kExHeaderSize;
    for (int field = 0; field < 3; field++) {  // menu, class, title
        if (!SkipField(data, size, &at)) {
            return 0;
        }
    }
    if (at + 6 > size) {
        return 0;
    }
    font->points = Word(data, at);
    font->weight = Word(data, at + 2);
    font->italic = data[at + 4];
    font->charset = data[at + 5];
    at += 6;
    uint32_t n = 0;
    for (;;) {
        if (at + 2 > size) {
            return 0;
        }
        uint16_t c = Word(data, at);
        at += 2;
        if (c == 0) {
            break;
        }
        if (n < kFaceSize - 1) {
            font->face[n++] = c < 0x80 ? static_cast<char>(c) : '?';
        }
    }
    font->face[n] = 0;
    return 1;
}

}  // namespace ui
