// The font an extended dialog template names (DS_SETFONT), read from the
// template's bytes. Wine does not hand that font to the controls of a page
// whose window class is the page's own and which has no dialog procedure,
// so the page host gives it to them itself.
#pragma once

#include <stdint.h>

namespace ui {

const uint32_t kFaceSize = 32;  // LF_FACESIZE: longer names are cut

struct TemplateFont {
    uint16_t points;
    uint16_t weight;
    uint8_t italic;
    uint8_t charset;
    char face[kFaceSize];  // ASCII; other characters become '?'
};

// 1 when data (size bytes) is an extended dialog template with a font,
// filling *font; 0 for a classic template, one without DS_SETFONT, or one
// that ends too early.
int ReadTemplateFont(const uint8_t* data, uint32_t size, TemplateFont* font);

}  // namespace ui
