// The string table's texts, loaded the one way both programs do it.
#pragma once

#include <stdint.h>

const int kTextBufferCount = 4;   // LoadText rotates through these
const int kTextBufferSize = 256;  // longer texts are cut to 255 chars

struct LoadedTexts {
    char buffers[kTextBufferCount][kTextBufferSize];
    uint32_t next;        // calls since the start: the next text goes into buffer next % 4
    void* instance;       // the module whose string table is read
    const char* missing;  // what an id without a text gives
};

// Static storage: the programs run no constructors, and the buffers are
// more than a stack page.
extern LoadedTexts gTexts;

// LoadText reads instance's string table from now on; an id without a text
// gives missing (null where the callers check for it, as SETUP.EXE's do; ""
// where they use the text straight away, as the uninstaller's do).
inline void UseTextsOf(void* instance, const char* missing) {
    gTexts.instance = instance;
    gTexts.missing = missing;
}

// The string table entry id (a UINT, as LoadStringA takes it) in one of
// four rotating 256-byte buffers, valid until four more calls; UseTextsOf's
// missing when the table has no text under id.
const char* LoadText(uint32_t id);
