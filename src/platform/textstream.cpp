// Placeholder until the text streams land.
#include "platform/textstream.h"

int TextOpenRead(TextStream*, const char*) { return 0; }
int TextOpenWrite(TextStream*, const char*) { return 0; }
uint32_t TextReadLine(TextStream*, char*, uint32_t) { return 0; }
uint32_t TextTell(const TextStream*) { return 0; }
int TextSeek(TextStream*, uint32_t) { return 0; }
int TextWrite(TextStream*, const char*) { return 0; }
int TextClose(TextStream*) { return 0; }
