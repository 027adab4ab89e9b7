// Names of the uninstaller's string ids.
#pragma once

#include "uninstall/string_table.h"

enum UninstallStringId {
#define UNINSTALL_STRING_ID(id, name, text) name = id,
    UNINSTALL_STRINGS(UNINSTALL_STRING_ID)
#undef UNINSTALL_STRING_ID
};
