#include "footprint/footprint.h"

#include "platform/text.h"

namespace footprint {

const FootprintValue kDeviceValues[] = {
    {"DeviceDesc", kOriginRecorded}, {"Mfg", kOriginRecorded}, {"ConfigFlags", kOriginCreated},
    {"Driver", kOriginCreated},      {nullptr, kOriginOwn},
};

const FootprintValue kClassValues[] = {
    {"MouseDriver", kOriginRecorded},
    {"InfPath", kOriginRecorded},
    {"DriverDesc", kOriginRecorded},
    {"DriverDate", kOriginRecorded},
    {"InfSection", kOriginRecorded},
    {"MouseType", kOriginRecorded},
    {nullptr, kOriginOwn},
};

int IsMouseLine(MouseLineRule* rule, const LineFacts& line) {
    if (line.hasHeader) {
        rule->armed = 1;
    }
    // A line holding "[386Enh]" itself is never replaced: the header would
    // go with it, and the restore could no longer find the line.
    if (!rule->armed || !line.hasMouse || line.hasHeader || line.prefix[0] == ';') {
        return 0;
    }
    uint32_t n = line.length < kLinePrefix ? line.length : kLinePrefix;
    uint32_t a = 0;
    while (a < n && (line.prefix[a] == ' ' || line.prefix[a] == '\t')) {
        a++;
    }
    if (a < n && line.prefix[a] == '[') {
        return 0;
    }
    rule->armed = 0;
    return 1;
}

int PathIn(char* out, const char* dir, const char* name) {
    return text::Format(out, kFootprintPath, "%s\\%s", dir, name);
}

}  // namespace footprint
