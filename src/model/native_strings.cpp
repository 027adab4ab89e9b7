#include "model/native_strings.h"

#include "model/string_table.h"
#include "platform/posix/machine.h"

namespace {

const plat::posix::ResourceString kStrings[] = {
#define TABLE_ENTRY(id, name, text) {id, text},
    SETUP_STRINGS(TABLE_ENTRY)
#undef TABLE_ENTRY
};

}  // namespace

void UseProgramStrings() {
    plat::posix::SetResourceStrings(kStrings, sizeof kStrings / sizeof kStrings[0]);
}
