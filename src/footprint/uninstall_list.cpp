// The uninstall list's [Startup] keys: apart from the rest of the footprint,
// so that only the programs that read or write the list carry them.
#include "footprint/footprint.h"

namespace footprint {

constexpr ListKey kListKeys[kListKeyCount] = {
#define LIST_KEY(id, field)                                      \
    {                                                            \
        StringText(id), offsetof(StartupStrings, field),         \
            static_cast<uint16_t>(sizeof(StartupStrings::field)) \
    }
    LIST_KEY(IDS_TITLE, Title),
    LIST_KEY(IDS_MFG, Mfg),
    LIST_KEY(IDS_MOUSE_DRIVER, MouseDriver),
    LIST_KEY(IDS_MOUSE_INF, MouseInf),
    LIST_KEY(IDS_DRIVER_DATE, DriverDate),
    LIST_KEY(IDS_PS2_INF_SECTION, PS2InfSection),
    LIST_KEY(IDS_SERIAL_INF_SECTION, SerialInfSection),
    LIST_KEY(IDS_PS2_NAME, PS2Name),
    LIST_KEY(IDS_SEIAL_NAME, SeialName),
#undef LIST_KEY
};

}  // namespace footprint
