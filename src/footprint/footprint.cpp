#include "footprint/footprint.h"

#include "model/setup_data.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace footprint {

// Tables keep their own alignment (not padded to 32 bytes): the programs'
// sizes count.
alignas(AppEntry) const AppEntry kAppEntries[kAppEntryCount] = {
    {kHiveClasses, kFixedText, kSetupsKey, kClsidKey, nullptr, "Q7MouseControlPage"},
    {kHiveClasses, kInInstallDir, kSetupsKey, kServerKey, nullptr, "\\Q7PAGE.DLL"},
    {kHiveClasses, kFixedText, kSetupsKey, kServerKey, "ThreadingModel", "Apartment"},
    // The handlers' key lies in the Mouse control panel's own tree.
    {kHiveMachine, kFixedText, kSetupsValue, kHandlersKey, nullptr, kHandlerName},
    {kHiveMachine, kFixedText, kSetupsKey,
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse\\shellex\\"
     "PropertySheetHandlers\\Q7MousePage",
     nullptr, kClsid},
    {kHiveMachine, kInInstallDir, kSetupsValue, kRunKey, kAppValue, "\\Q7MAIN.EXE -startup"},
    {kHiveMachine, kProductTitle, kSetupsKey, kUninstallKey, kUninstallLabel, nullptr},
    {kHiveMachine, kInInstallDir, kSetupsKey, kUninstallKey, kUninstallCommand, "\\UNINSTAL.EXE"},
};

#define STARTUP_FIELD(field) static_cast<uint16_t>(offsetof(StartupStrings, field))

// The key really is spelled SeialName: existing scripts use it.
const MouseType kMouseTypes[kMouseTypeCount] = {
    {kRecordPs2, STARTUP_FIELD(PS2Name), STARTUP_FIELD(PS2InfSection)},
    {kRecordSerial, STARTUP_FIELD(SeialName), STARTUP_FIELD(SerialInfSection)},
};

namespace {

// The Driver only where the device has none: the class key setup makes.
alignas(SetupValue) constexpr SetupValue kListedDeviceRows[] = {
    {kValueDeviceDesc, nullptr, 0, kTypeName, kKeptText, 0},
    {kValueConfigFlags, nullptr, 0, kZeroBytes, kKeptMarked, 0},
    {kValueMfg, nullptr, STARTUP_FIELD(Mfg), kStartupValue, kKeptText, 0},
    {kValueDriver, nullptr, 0, kChosenClassKey, kNotKept, 0},
};

// Told from another device by its class, name and detection function.
alignas(SetupValue) constexpr SetupValue kOwnDeviceRows[] = {
    {kValueClass, kMouseClass, 0, kFixedText, kNotKept, 1},
    {kValueDeviceDesc, nullptr, 0, kTypeName, kNotKept, 1},
    {kValueMfg, nullptr, STARTUP_FIELD(Mfg), kStartupValue, kNotKept, 0},
    {kValueConfigFlags, nullptr, 0, kZeroBytes, kNotKept, 0},
    {kValueDetFlags, nullptr, 0, kZeroBytes, kNotKept, 0},
    {kValueDetFunc, kSerialDetect, 0, kFixedText, kNotKept, 1},
    {kValueDriver, nullptr, 0, kChosenClassKey, kNotKept, 0},
};

// Told from another driver's key by its loader, mouse type and driver.
alignas(SetupValue) constexpr SetupValue kClassKeyRows[] = {
    {kValueDevLoader, kClassLoader, 0, kFixedText, kNotKept, 1},
    {kValueMouseType, nullptr, 0, kTypeWord, kKeptMarked, 1},
    {kValueMouseDriver, nullptr, STARTUP_FIELD(MouseDriver), kStartupValue, kKeptText, 1},
    {kValueInfPath, nullptr, STARTUP_FIELD(MouseInf), kStartupValue, kKeptText, 0},
    {kValueDriverDesc, nullptr, 0, kTypeName, kKeptText, 0},
    {kValueDriverDate, nullptr, STARTUP_FIELD(DriverDate), kStartupValue, kKeptText, 0},
    {kValueInfSection, nullptr, 0, kTypeSection, kKeptText, 0},
};

template <int n>
constexpr ValueTable TableOf(const SetupValue (&rows)[n]) {
    return {rows, n};
}

}  // namespace

constexpr ValueTable kListedDevice = TableOf(kListedDeviceRows);
constexpr ValueTable kOwnDevice = TableOf(kOwnDeviceRows);
constexpr ValueTable kClassKey = TableOf(kClassKeyRows);

const Place kPlaces[kPlaceCount] = {
    {kPlaceInstall, nullptr},
    {kPlaceWindows, ""},
    {kPlaceSystem, "SYSTEM"},
    {kPlaceInf, "INF"},
};

int IsMouseLine(MouseLineRule* rule, const fileio::LineFacts& line) {
    int hasHeader = (line.holds & kHoldsHeader) != 0;
    int hasMouse = (line.holds & kHoldsMouse) != 0;
    if (hasHeader) {
        rule->armed = 1;
    }
    // A line holding "[386Enh]" itself is never replaced: the header would
    // go with it, and the restore could no longer find the line.
    if (!rule->armed || !hasMouse || hasHeader || line.prefix[0] == ';') {
        return 0;
    }
    if (fileio::IsSectionHeader(line)) {
        return 0;
    }
    rule->armed = 0;
    return 1;
}

const SetupValue* KeptRow(const ValueTable& table, int i) {
    for (int kept = kKeptText; kept <= kKeptMarked; kept++) {
        for (int row = 0; row < table.count; row++) {
            if (table.rows[row].kept == kept && i-- == 0) {
                return &table.rows[row];
            }
        }
    }
    return nullptr;
}

const char* ValueText(const SetupValue& value, const StartupStrings& s, int type) {
    const MouseType& t = kMouseTypes[type];
    const char* fields = reinterpret_cast<const char*>(&s);
    switch (value.source) {
        case kFixedText:
            return value.text;
        case kStartupValue:
            return fields + value.field;
        case kTypeWord:
            return t.word;
        case kTypeName:
            return fields + t.name;
        case kTypeSection:
            return fields + t.infSection;
    }
    return nullptr;
}

int ClassKeyPath(char* out, uint32_t size, const char* driver) {
    return text::Format(out, size, "%s%s", kClassPrefix, driver);
}

int PlaceNamed(const char* name) {
    for (int place = 0; place < kPlaceCount; place++) {
        if (text::CompareNoCase(name, kPlaces[place].name) == 0) {
            return place;
        }
    }
    return -1;
}

int PlaceOfDirectory(int directoryIndex) {
    switch (directoryIndex) {
        case kWinDir:
            return kWindowsPlace;
        case kWinSystemDir:
            return kSystemPlace;
        case kWinInfDir:
            return kInfPlace;
    }
    return kInstallPlace;  // RootDir and SubDir1..6: below the destination directory
}

int PlaceDir(int place, const char* installDir, const char* windowsDir, const char* systemDir,
             char* out) {
    const char* below = kPlaces[place].below;
    if (below == nullptr) {
        return text::Copy(out, text::kComposedPath, installDir);
    }
    if (below[0] == 0 || (place == kSystemPlace && systemDir != nullptr)) {
        return text::Copy(out, text::kComposedPath, below[0] == 0 ? windowsDir : systemDir);
    }
    return text::PathIn(out, windowsDir, below);
}

int TargetEntry(int place, const char* rel, int form, char* out) {
    if (place < 0 || place >= kPlaceCount) {
        return 0;
    }
    const char* below = kPlaces[place].below;
    const char* root = below == nullptr ? kPlaceInstall : kPlaceWindows;
    int fits =
        below == nullptr || below[0] == 0
            ? text::Format(out, text::kComposedPath, rel[0] != 0 ? "%s, %s" : "%s,", root, rel)
            : text::Format(out, text::kComposedPath, "%s, %s\\%s", root, below, rel);
    for (char* p = out; form == kRecordForm && *p != 0; p++) {
        if (*p == '=') {
            *p = '|';
        }
    }
    return fits;
}

int ReadText(plat::RegKey key, const char* name, char* field, uint32_t size, uint32_t* type) {
    text::Fill(field, 0, size);
    uint32_t got = size;
    if (plat::RegQuery(key, name, type, field, &got) != plat::kErrSuccess) {
        field[0] = 0;
        return 0;
    }
    if (got > size || field[size - 1] != 0) {
        text::Fill(field, 0, size);
        return 0;
    }
    return 1;
}

int ReadSharedCount(const char* path, uint32_t* count) {
    *count = 0;
    plat::RegKey key;
    if (plat::RegOpen(plat::LocalMachine(), kSharedDlls, &key) != plat::kErrSuccess) {
        return kCountAbsent;
    }
    uint32_t type = 0;
    uint32_t got = sizeof *count;
    long result = plat::RegQuery(key, path, &type, count, &got);
    plat::RegClose(key);
    if (result == plat::kErrFileNotFound) {
        return kCountAbsent;
    }
    if (result != plat::kErrSuccess || type != plat::kRegDword || got != sizeof *count) {
        *count = 0;
        return kCountOther;
    }
    return kCountDword;
}

int RegisteredInstallDir(char* dir, uint32_t size) {
    plat::RegKey key;
    if (plat::RegOpen(plat::LocalMachine(), kUninstallKey, &key) != plat::kErrSuccess) {
        return 0;
    }
    char command[kFootprintPath];
    uint32_t type = 0;
    int read = ReadText(key, kUninstallCommand, command, sizeof command, &type);
    plat::RegClose(key);
    if (!read || type != plat::kRegSz) {
        return 0;
    }
    // "dir\UNINSTAL.EXE", as setup writes it; anything else names no directory.
    uint32_t n = text::Length(command);
    uint32_t name = text::Length(kUninstaller);
    if (n <= name + 1 || command[n - name - 1] != '\\' ||
        text::CompareNoCase(command + n - name, kUninstaller) != 0) {
        return 0;
    }
    command[n - name - 1] = 0;
    return text::Copy(dir, size, command);
}

}  // namespace footprint
