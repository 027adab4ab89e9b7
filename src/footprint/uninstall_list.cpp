// The uninstall list's [Startup] keys: apart from the rest of the footprint,
// so that only the programs that read or write the list carry them.
#include "footprint/footprint.h"

namespace footprint {

constexpr ListKey kListKeys[kListKeyCount] = {
#define LIST_KEY(id, field)                           \
    {StringText(id), offsetof(StartupStrings, field), \
     static_cast<uint16_t>(sizeof(StartupStrings::field))},
    STARTUP_KEYS(LIST_KEY)
#undef LIST_KEY
};

}  // namespace footprint
