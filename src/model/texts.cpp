#include "model/texts.h"

#include "platform/system.h"

LoadedTexts gTexts;

static_assert((kTextBufferCount & (kTextBufferCount - 1)) == 0, "the count wraps with a mask");

const char* LoadText(uint32_t id) {
    char* buffer = gTexts.buffers[gTexts.next++ & (kTextBufferCount - 1)];
    int copied = plat::LoadResourceString(gTexts.instance, id, buffer, kTextBufferSize);
    return copied > 0 ? buffer : gTexts.missing;
}
