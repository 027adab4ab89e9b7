#include "footprint/footprint.h"

#include "platform/registry.h"
#include "platform/text.h"

namespace footprint {

const AppEntry kAppEntries[kAppEntryCount] = {
    {kHiveClasses, kClsidKey, nullptr, kFixedText, "Q7MouseControlPage", kSetupsKey},
    {kHiveClasses, kServerKey, nullptr, kInInstallDir, "\\Q7PAGE.DLL", kSetupsKey},
    {kHiveClasses, kServerKey, "ThreadingModel", kFixedText, "Apartment", kSetupsKey},
    // The handlers' key lies in the Mouse control panel's own tree.
    {kHiveMachine, kHandlersKey, nullptr, kFixedText, kHandlerName, kSetupsValue},
    {kHiveMachine,
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse\\shellex\\"
     "PropertySheetHandlers\\Q7MousePage",
     nullptr, kFixedText, kClsid, kSetupsKey},
    {kHiveMachine, kRunKey, kAppValue, kInInstallDir, "\\Q7MAIN.EXE -startup", kSetupsValue},
    {kHiveMachine, kUninstallKey, kUninstallLabel, kProductTitle, nullptr, kSetupsKey},
    {kHiveMachine, kUninstallKey, kUninstallCommand, kInInstallDir, "\\UNINSTAL.EXE", kSetupsKey},
};

const char* const kClassValues[kClassValueCount] = {"MouseDriver", "InfPath", "DriverDesc",
                                                    "DriverDate", "InfSection"};

const char* const kRecordKeys[kRecordKeyCount] = {
    kRecordDeviceKey,   kRecordClassKey, "DeviceDesc",    "Mfg",
    kRecordConfigFlags, "MouseDriver",   "InfPath",       "DriverDesc",
    "DriverDate",       "InfSection",    kRecordMouseType};

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
    uint32_t n = line.length < fileio::kLinePrefix ? line.length : fileio::kLinePrefix;
    uint32_t a = 0;
    while (a < n && (line.prefix[a] == ' ' || line.prefix[a] == '\t')) {
        a++;
    }
    if (a < n && line.prefix[a] == '[') {
        return 0;
    }
    rule->armed = 0;
    return 1;
}

void HexOf(const uint8_t* bytes, uint32_t n, char* out) {
    const char digits[] = "0123456789ABCDEF";
    for (uint32_t i = 0; i < n; i++) {
        out[2 * i] = digits[bytes[i] >> 4];
        out[2 * i + 1] = digits[bytes[i] & 15];
    }
    out[2 * n] = 0;
}

int BytesOfHex(const char* hex, uint8_t* bytes) {
    uint32_t n = text::Length(hex);
    if (n % 2 != 0 || n / 2 > kMaxRecordedFlags) {
        return -1;
    }
    for (uint32_t i = 0; i < n; i++) {
        char c = text::UpperAscii(hex[i]);
        int v = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (v < 0) {
            return -1;
        }
        bytes[i / 2] = static_cast<uint8_t>(i % 2 == 0 ? v << 4 : (bytes[i / 2] | v));
    }
    return static_cast<int>(n / 2);
}

int TargetKey(const char* place, const char* rel, char* out) {
    const char* below = "";
    if (text::CompareNoCase(place, kPlaceSystem) == 0) {
        below = "SYSTEM\\";
    } else if (text::CompareNoCase(place, kPlaceInf) == 0) {
        below = "INF\\";
    } else if (text::CompareNoCase(place, kPlaceInstall) != 0 &&
               text::CompareNoCase(place, kPlaceWindows) != 0) {
        return 0;
    }
    const char* root = below[0] != 0 ? kPlaceWindows : place;
    if (!text::Format(out, kFootprintPath, "%s, %s%s", root, below, rel)) {
        return 0;
    }
    for (char* p = out; *p != 0; p++) {
        if (*p == '=') {
            *p = '|';
        }
    }
    return 1;
}

void FileRecordText(const FileRecord& record, char* out) {
    const char* state = record.existed ? kFileExisted : kFileNew;
    if (!record.shared) {
        text::Copy(out, kFileRecordSize, state);
    } else if (record.countState == kCountDword) {
        text::Format(out, kFileRecordSize, "%s, %u", state, record.count);
    } else {
        text::Format(out, kFileRecordSize, "%s, %s", state,
                     record.countState == kCountAbsent ? kRecordedAbsent : "?");
    }
}

int ParseFileRecord(const char* recorded, FileRecord* record) {
    char state[kFileRecordSize];
    const char* comma = text::Find(recorded, ",");
    uint32_t n =
        comma != nullptr ? static_cast<uint32_t>(comma - recorded) : text::Length(recorded);
    if (n >= sizeof state) {
        return 0;
    }
    text::Copy(state, n + 1, recorded);
    record->existed = text::CompareNoCase(state, kFileExisted) == 0;
    if (!record->existed && text::CompareNoCase(state, kFileNew) != 0) {
        return 0;
    }
    record->shared = comma != nullptr;
    record->countState = kCountAbsent;
    record->count = 0;
    if (comma == nullptr) {
        return 1;
    }
    const char* count = comma + 1;
    while (*count == ' ') {
        count++;
    }
    if (ParseCount(count, &record->count)) {
        record->countState = kCountDword;
    } else if (text::CompareNoCase(count, kRecordedAbsent) != 0) {
        record->countState = kCountOther;
    }
    return 1;
}

int ParseCount(const char* digits, uint32_t* count) {
    uint32_t n = 0;
    const char* p = digits;
    for (; *p >= '0' && *p <= '9'; p++) {
        uint32_t digit = static_cast<uint32_t>(*p - '0');
        if (n > (0xFFFFFFFFu - digit) / 10) {
            return 0;
        }
        n = n * 10 + digit;
    }
    *count = n;
    return p != digits && *p == 0;
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

int PathIn(char* out, const char* dir, const char* name) {
    return text::Format(out, kFootprintPath, "%s\\%s", dir, name);
}

}  // namespace footprint
