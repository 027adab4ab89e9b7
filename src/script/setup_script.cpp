#include "script/setup_script.h"

#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"
#include "setup/setup_state.h"
#include "setup/string_ids.h"

namespace {

const int kScriptPathSize = 256;
const int16_t kMaxTotalFiles = 32767;  // the counts together must stay within this
// destDir (up to 255 chars) + "\SETUP.INF"; a record path that does not fit
// is not used at all, rather than cut into the name of some other file.
const int kRecordPathSize = 256 + 16;

char gScriptPath[kScriptPathSize];  // setupDir + "\SETUP.INF"
const char* gProgramPathForTest;    // null: ask the system

// One text of the script: section and key come from the string table.
void ReadText(uint16_t section, uint16_t key, const char* def, char* out, uint32_t size) {
    plat::ProfileGetString(LoadText(section), LoadText(key), def, out, size, gScriptPath);
}

int32_t ReadNumber(uint16_t section, const char* key, int32_t def) {
    return static_cast<int32_t>(plat::ProfileGetInt(LoadText(section), key, def, gScriptPath));
}

// The program's directory: its path up to the last backslash, searching
// back to the second character (the first is never examined).
void FindSetupDir() {
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
    text::Copy(gSetup.setupDir, sizeof gSetup.setupDir, path);
}

// The program-files directory: "C:\Program Files" when the key cannot be
// opened, empty when the value is missing.
void ProgramFilesDir(char* base, uint32_t size) {
    plat::RegKey key;
    if (plat::RegOpen(plat::LocalMachine(), "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", &key) !=
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

void FindDestDir() {
    char path[256];
    ReadText(IDS_MAIN, IDS_DEFAULT_PATH, "C:\\VELOR", path, sizeof path);
    if (text::Length(path) > 2 && path[1] == ':') {
        // The script's drive letter gives way to the Windows directory's.
        path[0] = gSetup.windowsDir[0];
        text::Copy(gSetup.destDir, sizeof gSetup.destDir, path);
        return;
    }
    ProgramFilesDir(gSetup.destDir, sizeof gSetup.destDir);
    if (path[0] != '\\') {
        text::Append(gSetup.destDir, sizeof gSetup.destDir, "\\");
    }
    text::Append(gSetup.destDir, sizeof gSetup.destDir, path);
}

void ReadDiskLabels() {
    gSetup.diskCount = 0;
    for (int disk = 0; disk < kMaxDisks; disk++) {
        ReadText(IDS_DISK_LABEL, static_cast<uint16_t>(IDS_DISK1 + disk), "",
                 gSetup.diskLabels[disk], sizeof gSetup.diskLabels[disk]);
        if (gSetup.diskLabels[disk][0] != 0) {
            gSetup.diskCount++;
        }
    }
}

void ReadDirectoryNames() {
    char value[256];
    for (int i = 0; i < kDirectoryNameCount; i++) {
        // The names are at most 39 characters; longer ones are cut.
        ReadText(IDS_DIRECTORY_NAME, static_cast<uint16_t>(IDS_ROOT_DIR + i), "", value, 40);
        text::Copy(gSetup.directoryNames[i], sizeof gSetup.directoryNames[i], value);
    }
}

// File counts of the first diskCount disks; a negative count counts as 0,
// and counts that would pass 32767 in all are cut to what is left.
int16_t ReadFileCounts() {
    int32_t total = 0;
    for (int disk = 0; disk < gSetup.diskCount; disk++) {
        int32_t count = static_cast<int16_t>(
            ReadNumber(IDS_FILE_COUNTS, LoadText(static_cast<uint16_t>(IDS_DISK1 + disk)), 0));
        if (count < 0) {
            count = 0;
        }
        if (total + count > kMaxTotalFiles) {
            count = kMaxTotalFiles - total;
        }
        gSetup.diskFileCounts[disk] = static_cast<int16_t>(count);
        total += count;
    }
    return static_cast<int16_t>(total);
}

// Fills entry from one file line: source name, target name, description
// and the directory keyword.
void ParseFileLine(const char* line, FileEntry* entry) {
    char field[kMaxFieldLen + 1];
    const char* rest = SplitField(line, field, sizeof field);
    text::Copy(entry->SourceName, sizeof entry->SourceName, field);
    rest = SplitField(rest, field, sizeof field);
    text::Copy(entry->TargetName, sizeof entry->TargetName, field);
    rest = SplitField(rest, field, sizeof field);
    text::Copy(entry->Description, sizeof entry->Description, field);
    SplitField(rest, field, sizeof field);

    for (int i = 0; i < kDirectoryNameCount; i++) {
        if (text::CompareNoCase(field, LoadText(static_cast<uint16_t>(IDS_ROOT_DIR + i))) != 0) {
            continue;
        }
        text::Copy(entry->SourceDir, sizeof entry->SourceDir, gSetup.directoryNames[i]);
        if (i <= kSubDir1 + 5) {
            text::Copy(entry->TargetDir, sizeof entry->TargetDir, gSetup.directoryNames[i]);
            entry->Absolute = 0;
            return;
        }
        text::Copy(entry->TargetDir, sizeof entry->TargetDir, gSetup.windowsDir);
        if (i == kWinSystemDir) {
            text::Append(entry->TargetDir, sizeof entry->TargetDir, "\\SYSTEM");
        } else if (i == kWinInfDir) {
            text::Append(entry->TargetDir, sizeof entry->TargetDir, "\\INF");
        }
        entry->Absolute = 1;
        return;
    }
}

void ReadFileLines() {
    char key[16];
    char line[kMaxFieldLen + 1];
    for (int disk = 0; disk < gSetup.diskCount; disk++) {
        FileEntry* entry = gSetup.diskFirstEntry[disk];
        for (int i = 0; i < gSetup.diskFileCounts[disk]; i++, entry++) {
            text::Format(key, sizeof key, "%d", i + 1);
            plat::ProfileGetString(LoadText(static_cast<uint16_t>(IDS_DISK1 + disk)), key, "", line,
                                   sizeof line, gScriptPath);
            if (line[0] != 0) {
                ParseFileLine(line, entry);
            }
        }
    }
}

void ReadGroupItems() {
    GroupItem* item = reinterpret_cast<GroupItem*>(gSetup.diskFirstEntry[gSetup.diskCount]);
    char key[16];
    char line[kMaxFieldLen + 1];
    char field[kMaxFieldLen + 1];
    gSetup.groupItemCount = 0;
    for (int i = 0; i < kGroupItemCount; i++, item++) {
        text::Format(key, sizeof key, "%d", i + 1);
        plat::ProfileGetString(LoadText(IDS_PM_INFO), key, "", line, sizeof line, gScriptPath);
        if (line[0] == 0) {
            break;
        }
        gSetup.groupItemCount++;
        const char* rest = SplitField(line, field, sizeof field);
        text::Copy(item->field1, sizeof item->field1, field);
        rest = SplitField(rest, field, sizeof field);
        text::Copy(item->field2, sizeof item->field2, field);
        SplitField(rest, field, sizeof field);
        text::Copy(item->field3, sizeof item->field3, field);
    }
}

void ReadStartupStrings() {
    StartupStrings& s = gSetup.startupStrings;
    ReadText(IDS_STARTUP, IDS_FILE_NAME, "", gSetup.startupFileName, sizeof gSetup.startupFileName);
    ReadText(IDS_STARTUP, IDS_TITLE, "", s.Title, sizeof s.Title);
    ReadText(IDS_STARTUP, IDS_MFG, "", s.Mfg, sizeof s.Mfg);
    ReadText(IDS_STARTUP, IDS_MOUSE_DRIVER, "", s.MouseDriver, sizeof s.MouseDriver);
    ReadText(IDS_STARTUP, IDS_MOUSE_INF, "", s.MouseInf, sizeof s.MouseInf);
    ReadText(IDS_STARTUP, IDS_DRIVER_DATE, "", s.DriverDate, sizeof s.DriverDate);
    ReadText(IDS_STARTUP, IDS_PS2_INF_SECTION, "", s.PS2InfSection, sizeof s.PS2InfSection);
    ReadText(IDS_STARTUP, IDS_SERIAL_INF_SECTION, "", s.SerialInfSection,
             sizeof s.SerialInfSection);
    ReadText(IDS_STARTUP, IDS_PS2_NAME, "", s.PS2Name, sizeof s.PS2Name);
    ReadText(IDS_STARTUP, IDS_SEIAL_NAME, "", s.SeialName, sizeof s.SeialName);
}

// 1 when the whole path fitted.
int InstallRecordPath(char* path, uint32_t size) {
    return text::Copy(path, size, gSetup.destDir) && text::Append(path, size, "\\SETUP.INF");
}

}  // namespace

int LoadSetupScript() {
    FindSetupDir();
    text::Copy(gScriptPath, sizeof gScriptPath, gSetup.setupDir);
    text::Append(gScriptPath, sizeof gScriptPath, "\\SETUP.INF");
    FindDestDir();

    ReadText(IDS_MAIN, IDS_GROUP_NAME, "VELOR.GRP", gSetup.groupName, sizeof gSetup.groupName);
    ReadText(IDS_MAIN, IDS_GROUP_TITLE, "VELOR", gSetup.groupTitle, sizeof gSetup.groupTitle);
    ReadText(IDS_MAIN, IDS_PRODUCT_NAME, "Velor", gSetup.productName, sizeof gSetup.productName);
    text::Format(gSetup.caption, sizeof gSetup.caption, "%s %s", gSetup.productName,
                 LoadText(IDS_SETUP_PROGRAM));
    gSetup.minimumSpace =
        static_cast<int16_t>(ReadNumber(IDS_MAIN, LoadText(IDS_MINIMUM_SPACE), 1024));

    ReadDiskLabels();
    ReadDirectoryNames();
    gSetup.totalFileCount = ReadFileCounts();
    if (!AllocateInstallPlan(gSetup.totalFileCount)) {
        return 0;
    }
    gSetup.diskFirstEntry[0] = gSetup.installPlan;
    for (int disk = 0; disk < gSetup.diskCount; disk++) {
        gSetup.diskFirstEntry[disk + 1] = gSetup.diskFirstEntry[disk] + gSetup.diskFileCounts[disk];
    }
    ReadFileLines();
    ReadGroupItems();

    gSetup.oem = ReadNumber(IDS_MAIN, "OEM", 0);
    gSetup.serialMouse = ReadNumber(IDS_MAIN, "DefaultSerialMouse", 1);
    ReadStartupStrings();
    return 1;
}

int AllocateInstallPlan(int16_t total) {
    int32_t count = total < 0 ? 0 : total;
    void* block = plat::BlockAlloc(static_cast<uint32_t>(count) * kFileEntrySize +
                                   kGroupItemCount * kGroupItemSize);
    if (block == nullptr) {
        return 0;
    }
    gSetup.installPlan = static_cast<FileEntry*>(block);
    return 1;
}

void ReleaseInstallPlan() {
    plat::BlockFree(gSetup.installPlan);
    gSetup.installPlan = nullptr;
    for (int i = 0; i <= kMaxDisks; i++) {
        gSetup.diskFirstEntry[i] = nullptr;
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

const char* ReadInstallRecord(const char* section, const char* key, const char* def) {
    char path[kRecordPathSize];
    if (!InstallRecordPath(path, sizeof path)) {
        text::Copy(gSetup.recordBuffer, sizeof gSetup.recordBuffer, def ? def : "");
        return gSetup.recordBuffer;
    }
    plat::ProfileGetString(section, key, def, gSetup.recordBuffer, sizeof gSetup.recordBuffer,
                           path);
    return gSetup.recordBuffer;
}

void RecordOriginalValue(const char* section, const char* key, const char* value) {
    if (ReadInstallRecord(section, key, "")[0] != 0) {
        return;
    }
    char path[kRecordPathSize];
    if (InstallRecordPath(path, sizeof path)) {
        plat::ProfileWriteString(section, key, value, path);
    }
}

void FlushInstallRecord() {
    char path[kRecordPathSize];
    if (InstallRecordPath(path, sizeof path)) {
        plat::ProfileWriteString(nullptr, nullptr, nullptr, path);
    }
}

void SetProgramPathForTest(const char* path) {
    gProgramPathForTest = path;
}
