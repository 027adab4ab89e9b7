#include "script/setup_script.h"

#include "footprint/footprint.h"
#include "model/setup_data.h"
#include "model/string_ids.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"

namespace {

const char* gProgramPathForTest;  // null: ask the system

// The record being filled and the file it is filled from.
struct Reader {
    SetupScript& script;
    const char* windowsDir;  // gives the destination its drive, WinDir files their place
    TextSource names;
    char path[text::kComposedPath];  // setupDir + "\SETUP.INF"
};

// A section or key name of the script, from the caller's string table.
const char* Name(Reader& reader, uint16_t id) {
    return reader.names(id);
}

// One text of the script: section and key come from the string table.
void ReadText(Reader& reader, uint16_t section, uint16_t key, const char* def, char* out,
              uint32_t size) {
    plat::ProfileGetString(Name(reader, section), Name(reader, key), def, out, size, reader.path);
}

int32_t ReadNumber(Reader& reader, uint16_t section, const char* key, int32_t def) {
    return static_cast<int32_t>(plat::ProfileGetInt(Name(reader, section), key, def, reader.path));
}

// The program's directory: its path up to the last backslash, searching
// back to the second character (the first is never examined).
void FindSetupDir(char* path, uint32_t size) {
    path[0] = 0;
    if (gProgramPathForTest != nullptr) {
        text::Copy(path, size, gProgramPathForTest);
    } else {
        plat::ModuleFileName(path, size);
    }
    path[size - 1] = 0;
    for (int i = static_cast<int>(text::Length(path)) - 1; i >= 1; i--) {
        if (path[i] == '\\') {
            path[i] = 0;
            break;
        }
    }
}

// The program-files directory: "C:\Program Files" when the key cannot be
// opened, empty when the value is missing or longer than 79 chars.
void ProgramFilesDir(char* base, uint32_t size) {
    plat::RegKey key;
    if (plat::RegOpen(plat::LocalMachine(), footprint::kCurrentVersion, &key) !=
        plat::kErrSuccess) {
        text::Copy(base, size, "C:\\Program Files");
        return;
    }
    char value[80];
    footprint::ReadText(key, "ProgramFilesDir", value, sizeof value);
    text::Copy(base, size, value);
    plat::RegClose(key);
}

void FindDestDir(Reader& reader) {
    SetupScript& script = reader.script;
    char path[256];
    ReadText(reader, IDS_MAIN, IDS_DEFAULT_PATH, "C:\\VELOR", path, sizeof path);
    if (text::Length(path) > 2 && path[1] == ':') {
        // The script's drive letter gives way to the Windows directory's.
        path[0] = reader.windowsDir[0];
        text::Copy(script.defaultDestDir, sizeof script.defaultDestDir, path);
        return;
    }
    ProgramFilesDir(script.defaultDestDir, sizeof script.defaultDestDir);
    if (path[0] != '\\') {
        text::Append(script.defaultDestDir, sizeof script.defaultDestDir, "\\");
    }
    text::Append(script.defaultDestDir, sizeof script.defaultDestDir, path);
}

void ReadDiskLabels(Reader& reader) {
    SetupScript& script = reader.script;
    script.diskCount = 0;
    for (int disk = 0; disk < kMaxDisks; disk++) {
        ReadText(reader, IDS_DISK_LABEL, static_cast<uint16_t>(IDS_DISK1 + disk), "",
                 script.diskLabels[disk], sizeof script.diskLabels[disk]);
        if (script.diskLabels[disk][0] != 0) {
            script.diskCount++;
        }
    }
}

void ReadDirectoryNames(Reader& reader) {
    SetupScript& script = reader.script;
    char value[256];
    for (int i = 0; i < kDirectoryNameCount; i++) {
        // The names are at most 39 characters; longer ones are cut.
        ReadText(reader, IDS_DIRECTORY_NAME, static_cast<uint16_t>(IDS_ROOT_DIR + i), "", value,
                 40);
        text::Copy(script.directoryNames[i], sizeof script.directoryNames[i], value);
    }
}

// File counts of the first diskCount disks; a negative count counts as 0,
// and counts that would pass 32767 in all are cut to what is left.
int16_t ReadFileCounts(Reader& reader) {
    SetupScript& script = reader.script;
    int32_t total = 0;
    for (int disk = 0; disk < script.diskCount; disk++) {
        int32_t count = static_cast<int16_t>(ReadNumber(
            reader, IDS_FILE_COUNTS, Name(reader, static_cast<uint16_t>(IDS_DISK1 + disk)), 0));
        if (count < 0) {
            count = 0;
        }
        if (total + count > kMaxTotalFiles) {
            count = kMaxTotalFiles - total;
        }
        script.diskFileCounts[disk] = static_cast<int16_t>(count);
        total += count;
    }
    return static_cast<int16_t>(total);
}

// Fills entry from one file line: source name, target name, description
// and the directory keyword.
void ParseFileLine(Reader& reader, const char* line, FileEntry* entry) {
    SetupScript& script = reader.script;
    char field[kMaxFieldLen + 1];
    const char* rest = SplitField(line, field, sizeof field);
    text::Copy(entry->SourceName, sizeof entry->SourceName, field);
    rest = SplitField(rest, field, sizeof field);
    text::Copy(entry->TargetName, sizeof entry->TargetName, field);
    rest = SplitField(rest, field, sizeof field);
    text::Copy(entry->Description, sizeof entry->Description, field);
    SplitField(rest, field, sizeof field);

    for (int i = 0; i < kDirectoryNameCount; i++) {
        if (text::CompareNoCase(field, Name(reader, static_cast<uint16_t>(IDS_ROOT_DIR + i))) !=
            0) {
            continue;
        }
        text::Copy(entry->SourceDir, sizeof entry->SourceDir, script.directoryNames[i]);
        if (i <= kSubDir1 + 5) {
            text::Copy(entry->TargetDir, sizeof entry->TargetDir, script.directoryNames[i]);
            entry->Absolute = 0;
            return;
        }
        // The Windows directory or its SYSTEM or INF, cut to the field.
        char dir[text::kComposedPath];
        footprint::PlaceDir(footprint::PlaceOfDirectory(i), nullptr, reader.windowsDir, nullptr,
                            dir);
        text::Copy(entry->TargetDir, sizeof entry->TargetDir, dir);
        entry->Absolute = 1;
        return;
    }
}

void ReadFileLines(Reader& reader) {
    SetupScript& script = reader.script;
    char key[16];
    char line[kMaxFieldLen + 1];
    for (int disk = 0; disk < script.diskCount; disk++) {
        FileEntry* entry = script.diskFirstEntry[disk];
        for (int i = 0; i < script.diskFileCounts[disk]; i++, entry++) {
            text::Format(key, sizeof key, "%d", i + 1);
            plat::ProfileGetString(Name(reader, static_cast<uint16_t>(IDS_DISK1 + disk)), key, "",
                                   line, sizeof line, reader.path);
            if (line[0] != 0) {
                ParseFileLine(reader, line, entry);
            }
        }
    }
}

void ReadGroupItems(Reader& reader) {
    SetupScript& script = reader.script;
    GroupItem* item = reinterpret_cast<GroupItem*>(script.diskFirstEntry[script.diskCount]);
    char key[16];
    char line[kMaxFieldLen + 1];
    char field[kMaxFieldLen + 1];
    script.groupItemCount = 0;
    for (int i = 0; i < kGroupItemCount; i++, item++) {
        text::Format(key, sizeof key, "%d", i + 1);
        plat::ProfileGetString(Name(reader, IDS_PM_INFO), key, "", line, sizeof line, reader.path);
        if (line[0] == 0) {
            break;
        }
        script.groupItemCount++;
        const char* rest = SplitField(line, field, sizeof field);
        text::Copy(item->field1, sizeof item->field1, field);
        rest = SplitField(rest, field, sizeof field);
        text::Copy(item->field2, sizeof item->field2, field);
        SplitField(rest, field, sizeof field);
        text::Copy(item->field3, sizeof item->field3, field);
    }
}

void ReadStartupStrings(Reader& reader) {
    SetupScript& script = reader.script;
    StartupStrings& s = script.startupStrings;
    ReadText(reader, IDS_STARTUP, IDS_FILE_NAME, "", script.startupFileName,
             sizeof script.startupFileName);
#define READ_KEY(id, field) ReadText(reader, IDS_STARTUP, id, "", s.field, sizeof s.field);
    STARTUP_KEYS(READ_KEY)
#undef READ_KEY
}

}  // namespace

int LoadSetupScript(SetupScript& script, const char* windowsDir, TextSource names) {
    FindSetupDir(script.setupDir, sizeof script.setupDir);
    Reader reader = {script, windowsDir, names, {0}};
    text::PathIn(reader.path, script.setupDir, kScriptName);
    FindDestDir(reader);

    ReadText(reader, IDS_MAIN, IDS_GROUP_NAME, "VELOR.GRP", script.groupName,
             sizeof script.groupName);
    ReadText(reader, IDS_MAIN, IDS_GROUP_TITLE, "VELOR", script.groupTitle,
             sizeof script.groupTitle);
    ReadText(reader, IDS_MAIN, IDS_PRODUCT_NAME, "Velor", script.productName,
             sizeof script.productName);
    text::Format(script.caption, sizeof script.caption, "%s %s", script.productName,
                 Name(reader, IDS_SETUP_PROGRAM));
    script.minimumSpace =
        static_cast<int16_t>(ReadNumber(reader, IDS_MAIN, Name(reader, IDS_MINIMUM_SPACE), 1024));

    ReadDiskLabels(reader);
    ReadDirectoryNames(reader);
    script.totalFileCount = ReadFileCounts(reader);
    if (!AllocateInstallPlan(script, script.totalFileCount)) {
        return 0;
    }
    script.diskFirstEntry[0] = script.installPlan;
    for (int disk = 0; disk < script.diskCount; disk++) {
        script.diskFirstEntry[disk + 1] = script.diskFirstEntry[disk] + script.diskFileCounts[disk];
    }
    ReadFileLines(reader);
    ReadGroupItems(reader);

    script.oem = ReadNumber(reader, IDS_MAIN, "OEM", 0);
    script.defaultSerialMouse = ReadNumber(reader, IDS_MAIN, "DefaultSerialMouse", 1);
    ReadText(reader, IDS_MAIN, IDS_LOG, "", script.logPath, sizeof script.logPath);
    ReadStartupStrings(reader);
    return 1;
}

int AllocateInstallPlan(SetupScript& script, int16_t total) {
    int32_t count = total < 0 ? 0 : total;
    void* block = plat::BlockAlloc(static_cast<uint32_t>(count) * kFileEntrySize +
                                   kGroupItemCount * kGroupItemSize);
    if (block == nullptr) {
        return 0;
    }
    script.installPlan = static_cast<FileEntry*>(block);
    return 1;
}

void ReleaseInstallPlan(SetupScript& script) {
    plat::BlockFree(script.installPlan);
    script.installPlan = nullptr;
    for (int i = 0; i <= kMaxDisks; i++) {
        script.diskFirstEntry[i] = nullptr;
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

int ProgramScriptPath(char* path, uint32_t size) {
    char dir[80];
    FindSetupDir(dir, sizeof dir);
    return text::Format(path, size, "%s\\%s", dir, kScriptName);
}

void SetProgramPathForTest(const char* path) {
    gProgramPathForTest = path;
}
