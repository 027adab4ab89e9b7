#include "script_tables.h"

#include "model/string_table.h"

namespace disktool {

const char* ProgramText(uint16_t id) {
    switch (id) {
#define TABLE_TEXT(id, name, text) \
    case id:                       \
        return text;
        SETUP_STRINGS(TABLE_TEXT)
#undef TABLE_TEXT
    }
    return "";
}

}  // namespace disktool
