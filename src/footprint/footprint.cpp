#include "footprint/footprint.h"

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
    {kHiveMachine, kUninstallKey, "UninstallString", kInInstallDir, "\\UNINSTAL.EXE", kSetupsKey},
};

const char* const kClassValues[kClassValueCount] = {"MouseDriver", "InfPath", "DriverDesc",
                                                    "DriverDate", "InfSection"};

int IsMouseLine(MouseLineRule* rule, const LineFacts& line) {
    if (line.hasHeader) {
        rule->armed = 1;
    }
    // A line holding "[386Enh]" itself is never replaced: the header would
    // go with it, and the restore could no longer find the line.
    if (!rule->armed || !line.hasMouse || line.hasHeader || line.prefix[0] == ';') {
        return 0;
    }
    uint32_t n = line.length < kLinePrefix ? line.length : kLinePrefix;
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

int PathIn(char* out, const char* dir, const char* name) {
    return text::Format(out, kFootprintPath, "%s\\%s", dir, name);
}

}  // namespace footprint
