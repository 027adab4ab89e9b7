// Names of the string table's ids.
#pragma once

#include "model/string_table.h"

enum StringId {
#define STRING_ID(id, name, text) name = id,
    SETUP_STRINGS(STRING_ID)
#undef STRING_ID
};

// The table's text of id ("" for an id without text), for the tables that
// name the script's sections and keys where no resource is loaded.
constexpr const char* StringText(int id) {
    switch (id) {
#define STRING_TEXT(id, name, text) \
    case id:                        \
        return text;
        SETUP_STRINGS(STRING_TEXT)
#undef STRING_TEXT
    }
    return "";
}
