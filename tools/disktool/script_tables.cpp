#include "script_tables.h"

namespace disktool {

const char* ProgramText(uint16_t id) {
    return StringText(id);
}

}  // namespace disktool
