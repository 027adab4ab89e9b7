#include "script_tables.h"

namespace disktool {

const char* ProgramText(uint32_t id) {
    return StringText(static_cast<int>(id));
}

}  // namespace disktool
