#include "script/setup_script.h"

#include "footprint/footprint.h"
#include "model/setup_state.h"
#include "model/string_ids.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"

namespace {

const int kScriptPathSize = 256;

const char* gProgramPathForTest;  // null: ask the system

// The state being filled and the script it is filled from.
struct Script {
    SetupState& state;
    char path[kScriptPathSize];  // setupDir + "\SETUP.INF"
};

// A section or key name of the script, from the string table.
const char* Name(Script& script, uint16_t id) {
    return LoadText(script.state, id);
}

// One text of the script: section and key come from the string table.
void ReadText(Script& script, uint16_t section, uint16_t key, const char* def, char* out,
              uint32_t size) {
    plat::ProfileGetString(Name(script, section), Name(script, key), def, out, size, script.path);
}

int32_t ReadNumber(Script& script, uint16_t section, const char* key, int32_t def) {
    return static_cast<int32_t>(plat::ProfileGetInt(Name(script, section), key, def, script.path));
}

// The program's directory: its path up to the last backslash, searching
// back to the second character (the first is never examined).
void FindSetupDir(SetupState& state) {
    char path[80];
    path[0] = 0;
    if (gProgramPathForTest != nullptr) {
        text::Copy(path, sizeof path, gProgramPathForTest);
    } else {
        plat::ModuleFileName(path, sizeof path);
    }
    path[sizeof path - 1] = 0;
    for (int i = static_cast<int>(text::Length(path)) - 1; i >= 1; i--) {
        if (path[i] == '\\') {
            path[i] = 0;
            break;
        }
    }
    text::Copy(state.setupDir, sizeof state.setupDir, path);
}

// The program-files directory: "C:\Program Files" when the key cannot be
// opened, empty when the value is missing.
void ProgramFilesDir(char* base, uint32_t size) {
    plat::RegKey key;
    if (plat::RegOpen(plat::LocalMachine(), footprint::kCurrentVersion, &key) !=
        plat::kErrSuccess) {
        text::Copy(base, size, "C:\\Program Files");
        return;
    }
    char value[80];
    uint32_t valueSize = sizeof value;
    if (plat::RegQuery(key, "ProgramFilesDir", nullptr, value, &valueSize) == plat::kErrSuccess) {
        value[sizeof value - 1] = 0;
        text::Copy(base, size, value);
    } else {
        base[0] = 0;
    }
    plat::RegClose(key);
}

void FindDestDir(Script& script) {
    SetupState& state = script.state;
    char path[256];
    ReadText(script, IDS_MAIN, IDS_DEFAULT_PATH, "C:\\VELOR", path, sizeof path);
    if (text::Length(path) > 2 && path[1] == ':') {
        // The script's drive letter gives way to the Windows directory's.
        path[0] = state.windowsDir[0];
        text::Copy(state.destDir, sizeof state.destDir, path);
        return;
    }
    ProgramFilesDir(state.destDir, sizeof state.destDir);
    if (path[0] != '\\') {
        text::Append(state.destDir, sizeof state.destDir, "\\");
    }
    text::Append(state.destDir, sizeof state.destDir, path);
}

void ReadDiskLabels(Script& script) {
    SetupState& state = script.state;
    state.diskCount = 0;
    for (int disk = 0; disk < kMaxDisks; disk++) {
        ReadText(script, IDS_DISK_LABEL, static_cast<uint16_t>(IDS_DISK1 + disk), "",
                 state.diskLabels[disk], sizeof state.diskLabels[disk]);
        if (state.diskLabels[disk][0] != 0) {
            state.diskCount++;
        }
    }
}

void ReadDirectoryNames(Script& script) {
    SetupState& state = script.state;
    char value[256];
    for (int i = 0; i < kDirectoryNameCount; i++) {
        // The names are at most 39 characters; longer ones are cut.
        ReadText(script, IDS_DIRECTORY_NAME, static_cast<uint16_t>(IDS_ROOT_DIR + i), "", value,
                 40);
        text::Copy(state.directoryNames[i], sizeof state.directoryNames[i], value);
    }
}

// File counts of the first diskCount disks; a negative count counts as 0,
// and counts that would pass 32767 in all are cut to what is left.
int16_t ReadFileCounts(Script& script) {
    SetupState& state = script.state;
    int32_t total = 0;
    for (int disk = 0; disk < state.diskCount; disk++) {
        int32_t count = static_cast<int16_t>(ReadNumber(
            script, IDS_FILE_COUNTS, Name(script, static_cast<uint16_t>(IDS_DISK1 + disk)), 0));
        if (count < 0) {
            count = 0;
        }
        if (total + count > kMaxTotalFiles) {
            count = kMaxTotalFiles - total;
        }
        state.diskFileCounts[disk] = static_cast<int16_t>(count);
        total += count;
    }
    return static_cast<int16_t>(total);
}

// Fills entry from one file line: source name, target name, description
// and the directory keyword.
void ParseFileLine(Script& script, const char* line, FileEntry* entry) {
    SetupState& state = script.state;
    char field[kMaxFieldLen + 1];
    const char* rest = SplitField(line, field, sizeof field);
    text::Copy(entry->SourceName, sizeof entry->SourceName, field);
    rest = SplitField(rest, field, sizeof field);
    text::Copy(entry->TargetName, sizeof entry->TargetName, field);
    rest = SplitField(rest, field, sizeof field);
    text::Copy(entry->Description, sizeof entry->Description, field);
    SplitField(rest, field, sizeof field);

    for (int i = 0; i < kDirectoryNameCount; i++) {
        if (text::CompareNoCase(field, Name(script, static_cast<uint16_t>(IDS_ROOT_DIR + i))) !=
            0) {
            continue;
        }
        text::Copy(entry->SourceDir, sizeof entry->SourceDir, state.directoryNames[i]);
        if (i <= kSubDir1 + 5) {
            text::Copy(entry->TargetDir, sizeof entry->TargetDir, state.directoryNames[i]);
            entry->Absolute = 0;
            return;
        }
        // The Windows directory or its SYSTEM or INF, cut to the field.
        char dir[footprint::kFootprintPath];
        footprint::PlaceDir(footprint::PlaceOfDirectory(i), nullptr, state.windowsDir, nullptr,
                            dir);
        text::Copy(entry->TargetDir, sizeof entry->TargetDir, dir);
        entry->Absolute = 1;
        return;
    }
}

void ReadFileLines(Script& script) {
    SetupState& state = script.state;
    char key[16];
    char line[kMaxFieldLen + 1];
    for (int disk = 0; disk < state.diskCount; disk++) {
        FileEntry* entry = state.diskFirstEntry[disk];
        for (int i = 0; i < state.diskFileCounts[disk]; i++, entry++) {
            text::Format(key, sizeof key, "%d", i + 1);
            plat::ProfileGetString(Name(script, static_cast<uint16_t>(IDS_DISK1 + disk)), key, "",
                                   line, sizeof line, script.path);
            if (line[0] != 0) {
                ParseFileLine(script, line, entry);
            }
        }
    }
}

void ReadGroupItems(Script& script) {
    SetupState& state = script.state;
    GroupItem* item = reinterpret_cast<GroupItem*>(state.diskFirstEntry[state.diskCount]);
    char key[16];
    char line[kMaxFieldLen + 1];
    char field[kMaxFieldLen + 1];
    state.groupItemCount = 0;
    for (int i = 0; i < kGroupItemCount; i++, item++) {
        text::Format(key, sizeof key, "%d", i + 1);
        plat::ProfileGetString(Name(script, IDS_PM_INFO), key, "", line, sizeof line, script.path);
        if (line[0] == 0) {
            break;
        }
        state.groupItemCount++;
        const char* rest = SplitField(line, field, sizeof field);
        text::Copy(item->field1, sizeof item->field1, field);
        rest = SplitField(rest, field, sizeof field);
        text::Copy(item->field2, sizeof item->field2, field);
        SplitField(rest, field, sizeof field);
        text::Copy(item->field3, sizeof item->field3, field);
    }
}

void ReadStartupStrings(Script& script) {
    SetupState& state = script.state;
    StartupStrings& s = state.startupStrings;
    ReadText(script, IDS_STARTUP, IDS_FILE_NAME, "", state.startupFileName,
             sizeof state.startupFileName);
    ReadText(script, IDS_STARTUP, IDS_TITLE, "", s.Title, sizeof s.Title);
    ReadText(script, IDS_STARTUP, IDS_MFG, "", s.Mfg, sizeof s.Mfg);
    ReadText(script, IDS_STARTUP, IDS_MOUSE_DRIVER, "", s.MouseDriver, sizeof s.MouseDriver);
    ReadText(script, IDS_STARTUP, IDS_MOUSE_INF, "", s.MouseInf, sizeof s.MouseInf);
    ReadText(script, IDS_STARTUP, IDS_DRIVER_DATE, "", s.DriverDate, sizeof s.DriverDate);
    ReadText(script, IDS_STARTUP, IDS_PS2_INF_SECTION, "", s.PS2InfSection, sizeof s.PS2InfSection);
    ReadText(script, IDS_STARTUP, IDS_SERIAL_INF_SECTION, "", s.SerialInfSection,
             sizeof s.SerialInfSection);
    ReadText(script, IDS_STARTUP, IDS_PS2_NAME, "", s.PS2Name, sizeof s.PS2Name);
    ReadText(script, IDS_STARTUP, IDS_SEIAL_NAME, "", s.SeialName, sizeof s.SeialName);
}

}  // namespace

int LoadSetupScript(SetupState& state) {
    FindSetupDir(state);
    Script script = {state, {0}};
    text::Format(script.path, sizeof script.path, "%s\\%s", state.setupDir, kScriptName);
    FindDestDir(script);

    ReadText(script, IDS_MAIN, IDS_GROUP_NAME, "VELOR.GRP", state.groupName,
             sizeof state.groupName);
    ReadText(script, IDS_MAIN, IDS_GROUP_TITLE, "VELOR", state.groupTitle, sizeof state.groupTitle);
    ReadText(script, IDS_MAIN, IDS_PRODUCT_NAME, "Velor", state.productName,
             sizeof state.productName);
    text::Format(state.caption, sizeof state.caption, "%s %s", state.productName,
                 Name(script, IDS_SETUP_PROGRAM));
    state.minimumSpace =
        static_cast<int16_t>(ReadNumber(script, IDS_MAIN, Name(script, IDS_MINIMUM_SPACE), 1024));

    ReadDiskLabels(script);
    ReadDirectoryNames(script);
    state.totalFileCount = ReadFileCounts(script);
    if (!AllocateInstallPlan(state, state.totalFileCount)) {
        return 0;
    }
    state.diskFirstEntry[0] = state.installPlan;
    for (int disk = 0; disk < state.diskCount; disk++) {
        state.diskFirstEntry[disk + 1] = state.diskFirstEntry[disk] + state.diskFileCounts[disk];
    }
    ReadFileLines(script);
    ReadGroupItems(script);

    state.oem = ReadNumber(script, IDS_MAIN, "OEM", 0);
    state.serialMouse = ReadNumber(script, IDS_MAIN, "DefaultSerialMouse", 1);
    ReadStartupStrings(script);
    return 1;
}

int AllocateInstallPlan(SetupState& state, int16_t total) {
    int32_t count = total < 0 ? 0 : total;
    void* block = plat::BlockAlloc(static_cast<uint32_t>(count) * kFileEntrySize +
                                   kGroupItemCount * kGroupItemSize);
    if (block == nullptr) {
        return 0;
    }
    state.installPlan = static_cast<FileEntry*>(block);
    return 1;
}

void ReleaseInstallPlan(SetupState& state) {
    plat::BlockFree(state.installPlan);
    state.installPlan = nullptr;
    for (int i = 0; i <= kMaxDisks; i++) {
        state.diskFirstEntry[i] = nullptr;
    }
}

const char* SplitField(const char* text, char* field, uint32_t fieldSize) {
    const char* p = text;
    while (*p == ' ') {
        p++;
    }
    uint32_t n = 0;
    while (*p != 0 && *p != ',') {
        if (n + 1 < fieldSize) {
            field[n++] = *p;
        }
        p++;
    }
    while (n > 0 && field[n - 1] == ' ') {
        n--;
    }
    if (fieldSize > 0) {
        field[n] = 0;
    }
    return *p == ',' ? p + 1 : p;
}

void SetProgramPathForTest(const char* path) {
    gProgramPathForTest = path;
}
