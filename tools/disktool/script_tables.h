// What SETUP.EXE reads from its script, taken from the program's own
// tables: section and key names from the string table, text limits from
// the fields the loader copies into. The checker and the builder share it,
// so a change to the loader's fields reaches both.
#pragma once

#include <stdint.h>

#include "model/install_plan.h"
#include "model/setup_data.h"
#include "model/string_ids.h"

namespace disktool {

// The string table's text of id ("" for an id without text).
const char* ProgramText(uint32_t id);

// Bytes a field keeps: its size less the terminating zero.
#define DISKTOOL_FIELD_LIMIT(type, field) static_cast<int>(sizeof(type::field) - 1)

const int kNameLimit = DISKTOOL_FIELD_LIMIT(FileEntry, TargetName);
const int kSourceNameLimit = DISKTOOL_FIELD_LIMIT(FileEntry, SourceName);
const int kDescriptionLimit = DISKTOOL_FIELD_LIMIT(FileEntry, Description);
const int kDirectoryLimit = DISKTOOL_FIELD_LIMIT(FileEntry, SourceDir);
const int kLabelLimit = static_cast<int>(sizeof(SetupScript::diskLabels[0]) - 1);
const int kProductLimit = DISKTOOL_FIELD_LIMIT(SetupScript, productName);
const int kPathLimit = DISKTOOL_FIELD_LIMIT(SetupScript, defaultDestDir);
const int kGroupLimit = DISKTOOL_FIELD_LIMIT(SetupScript, groupName);
const int kMaxMinimumSpace = INT16_MAX;  // kilobytes; the loader keeps 16 bits

// A key the loader reads, with the bytes it keeps (0: a number).
struct ScriptKey {
    uint16_t id;  // string table entry of the name; 0 when the loader spells it out
    const char* literal;
    int limit;
    const char* Name() const { return id != 0 ? ProgramText(id) : literal; }
};

// [Main]: OEM and DefaultSerialMouse are spelled in the loader itself.
const ScriptKey kMainKeys[] = {
    {IDS_DEFAULT_PATH, nullptr, kPathLimit},
    {IDS_GROUP_NAME, nullptr, kGroupLimit},
    {IDS_GROUP_TITLE, nullptr, kGroupLimit},
    {IDS_PRODUCT_NAME, nullptr, kProductLimit},
    {IDS_MINIMUM_SPACE, nullptr, 0},
    {0, "OEM", 0},
    {0, "DefaultSerialMouse", 0},
};

const ScriptKey kStartupKeys[] = {
    {IDS_FILE_NAME, nullptr, DISKTOOL_FIELD_LIMIT(SetupScript, startupFileName)},
#define DISKTOOL_STARTUP_KEY(id, field) {id, nullptr, DISKTOOL_FIELD_LIMIT(StartupStrings, field)},
    STARTUP_KEYS(DISKTOOL_STARTUP_KEY)
#undef DISKTOOL_STARTUP_KEY
};

// The [DirectoryName] keys in the loader's order (DirectoryIndex).
inline const char* DirectoryKey(int index) {
    return ProgramText(static_cast<uint16_t>(IDS_ROOT_DIR + index));
}
// Disk1 .. Disk6: the keys of [DiskLabel] and [FileCounts], and the
// sections of the file lines.
inline const char* DiskKey(int disk) {
    return ProgramText(static_cast<uint16_t>(IDS_DISK1 + disk));
}

}  // namespace disktool
