// Names of the string table's ids.
#pragma once

#include "model/string_table.h"

enum StringId {
#define STRING_ID(id, name, text) name = id,
    SETUP_STRINGS(STRING_ID)
#undef STRING_ID
};
