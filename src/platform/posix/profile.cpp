// Placeholder until the profile stand-in lands: defaults only.
#include "platform/profile.h"

#include "platform/posix/internal.h"
#include "platform/text.h"

namespace plat {
uint32_t ProfileGetString(const char*, const char*, const char* def, char* buf, uint32_t size,
                          const char*) {
    text::Copy(buf, size, def ? def : "");
    return text::Length(buf);
}
uint32_t ProfileGetInt(const char*, const char*, int32_t def, const char*) {
    return static_cast<uint32_t>(def);
}
int ProfileWriteString(const char*, const char*, const char*, const char*) { return 0; }
namespace posix {
void ResetProfileCache() {}
}  // namespace posix
}  // namespace plat
