// Everything setup changes on a machine, described once: setup writes from
// it, the uninstaller reverses from it, the disk tool checks and writes the
// uninstall list from it.
#pragma once

#include <stdint.h>

#include "footprint/rewrite.h"

namespace footprint {

// ---- files and their places -------------------------------------------------

// In the Windows directory.
const char kSystemIni[] = "system.ini";
const char kSystemBak[] = "system.bak";       // system.ini before the switch-over; setup's alone
const char kSystemNew[] = "system.new";       // a rewrite in progress
const char kSystemSetAside[] = "system.un$";  // system.ini set aside while the restore swaps
// In the system directory.
const char kVxd[] = "VMM32\\VMOUSE.VXD";
const char kVxdBak[] = "VMM32\\VMOUSE.BAK";  // the separate mouse VxD set aside by setup
// In the install directory.
const char kRecordName[] = "SETUP.INF";  // the install record
const char kRecordNew[] = "SETUP.NEW";   // the record with this run's entries, before it is taken
const char kRecordOld[] = "SETUP.OLD";   // the record set aside while SETUP.NEW takes its name
// The record's mark, its last two lines once written whole: "[End]" and
// "Whole=1". Every commit moves it to the end.
const char kRecordEnd[] = "End";
const char kRecordEndKey[] = "Whole";
const char kRecordEndHeader[] = "[End]";  // the same two, as the lines read
const char kRecordEndLine[] = "Whole=1";
const char kListName[] = "UNINSTAL.INF";  // the uninstall list
const char kUninstaller[] = "UNINSTAL.EXE";

// The four places an uninstall list names, as its entries spell them.
const char kPlaceInstall[] = "Install";
const char kPlaceWindows[] = "Windows";
const char kPlaceSystem[] = "System";
const char kPlaceInf[] = "Inf";   // the Windows directory's INF
const int kMaxListEntries = 200;  // entries read from each section of the list; more are reported

// ---- the [386Enh] mouse line ------------------------------------------------

// What the switch-over writes in place of the mouse line (the line end is
// the replaced line's own).
const char kSetupMouseLine[] = "mouse=*vmouse";

// The rule that picks the mouse line, line by line from the top: a line
// containing "[386Enh]" arms it (a later section header does not disarm),
// and the first line after that containing "mouse" that is neither a
// comment (";" first) nor a section header ("[" after blanks) is the mouse
// line, unless it holds "[386Enh]" itself; it disarms until the next
// "[386Enh]". Every byte counts, NULs included.
struct MouseLineRule {
    int armed;
};
int IsMouseLine(MouseLineRule* rule, const LineFacts& line);

// ---- the registry -----------------------------------------------------------

const char kClsid[] = "{7D31A6C2-5E90-11d2-9B4C-00A0C93E1F52}";
const char kClsidKey[] = "CLSID\\{7D31A6C2-5E90-11d2-9B4C-00A0C93E1F52}";
const char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char kClassPrefix[] = "System\\CurrentControlSet\\Services\\Class\\";
const char kNewSerialDevice[] = "Enum\\Root\\VelorMouse\\0000";  // HKLM, setup's own
const char kNewSerialParent[] = "Enum\\Root\\VelorMouse";
const char kHandlerName[] = "Q7MousePage";
const char kAppValue[] = "VelorPoint";  // the Run value and the Uninstall key's name
const char kClassLoader[] = "*vmouse";  // DevLoader of a class key setup made

// The application's entries, in the order setup writes them. Each names how
// setup comes by it, which tells the uninstaller what to do with it.
enum Origin {
    kSetupsKey,    // a key that is the product's alone: removed with what it holds
    kSetupsValue,  // setup's value in a key that others share: only the value goes
};
enum Hive { kHiveClasses, kHiveMachine };
// Where an entry's text comes from.
enum Source {
    kFixedText,     // text itself
    kInInstallDir,  // the install directory, then text
    kProductTitle,  // the [Startup] Title
};
struct AppEntry {
    int hive;  // Hive
    const char* key;
    const char* name;  // nullptr: the key's default value
    int source;        // Source
    const char* text;
    int origin;  // Origin
};
const int kAppEntryCount = 8;
extern const AppEntry kAppEntries[kAppEntryCount];
// An entry's text as setup composes it (the install directory and text, or
// the Title): up to 79 chars; a longer one is not written.
const uint32_t kAppTextField = 80;
// Keys of the entries that the uninstaller also reads.
const char kServerKey[] = "CLSID\\{7D31A6C2-5E90-11d2-9B4C-00A0C93E1F52}\\InProcServer32";
const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelorPoint";
const char kHandlersKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse\\shellex\\"
    "PropertySheetHandlers";
const char kAppStartArg[] = " -startup";  // the Run value's argument after the program
const char kUninstallLabel[] = "DisplayName";
const char kUninstallCommand[] = "UninstallString";  // the install directory's UNINSTAL.EXE

// The install record's sections: one per mouse type.
const char kRecordPs2[] = "PS2";
const char kRecordSerial[] = "Serial";
// The class key's values that setup overwrites, recorded first-seen under
// their own names, in the order setup writes them (MouseType apart, below).
const int kClassValueCount = 5;
extern const char* const kClassValues[kClassValueCount];
// Record keys beyond the overwritten values themselves (write-once, like them).
const char kRecordDeviceKey[] = "SubKey1";  // the device key setup changed
const char kRecordClassKey[] = "SubKey2";   // the class key setup changed
// The class key's MouseType first seen, "-" for absent, "?" when an older
// record did not keep it (a later setup finds only its own text there).
const char kRecordMouseType[] = "MouseType";
// The listed device's ConfigFlags first seen: its bytes in hex, "-" when it
// was absent (not "": an empty record entry is taken by a later setup),
// "?" when it could not be kept. Records without it are older.
const char kRecordConfigFlags[] = "ConfigFlags";
const char kRecordedAbsent[] = "-";
const char kRecordedUnknown[] = "?";  // not kept: the uninstaller leaves the value and says so
// Every key of a driver section, for a record handed from one
// installation to the next.
const int kRecordKeyCount = 11;
extern const char* const kRecordKeys[kRecordKeyCount];
const uint32_t kMaxRecordedFlags = 16;  // longer binary values are recorded as "?"
// The bytes in two hex digits each into out (2 * n + 1 bytes).
void HexOf(const uint8_t* bytes, uint32_t n, char* out);
// The bytes of a hex text into bytes (kMaxRecordedFlags); their count, or
// -1 when the text is no whole hex of at most that many bytes.
int BytesOfHex(const char* hex, uint8_t* bytes);

// The record's [System]: MouseLine, first seen before the switch-over:
// kLineBuiltIn when every mouse line already named the built-in driver (the
// switch-over changes nothing, and no system.bak is made), kLineSwitched
// otherwise. Records without it are older.
const char kRecordSystem[] = "System";
const char kRecordMouseLine[] = "MouseLine";
const char kLineBuiltIn[] = "builtin";
const char kLineSwitched[] = "switched";

// ---- target files and shared counts ---------------------------------------

// The record's [Files]: each target file under the key the uninstall list
// spells it with (TargetKey), as first seen: kFileExisted or kFileNew, and
// for a file of the Windows places ", " and its SharedDLLs count then
// (decimal, "-" absent, "?" not a REG_DWORD). Write-once like the rest, so
// a second setup keeps the first one's answers. kRecordFilesAll holds "1"
// once the first setup recorded its files; a record without it is older,
// and its files are removed as listed.
const char kRecordFiles[] = "Files";
const char kRecordFilesAll[] = "All";
const char kFileExisted[] = "existed";
const char kFileNew[] = "new";
// The record's [Counted]: under the key of each shared file whose count
// this installation raises, the count the raise gives. Setup commits it
// before it raises the count, so a raise lost with the registry (written
// lazily) is made again by the next run: the count still one short of it.
// Records of older setups hold "1" (raised, the count not known).
const char kRecordCounted[] = "Counted";
// The record's [Lowered]: the count the uninstaller's lowering gives, under
// the same key, committed before the lowering for the same reason.
const char kRecordLowered[] = "Lowered";
const uint32_t kFileRecordSize = 32;  // a [Files] value: up to 31 chars

// HKLM: one REG_DWORD per shared file, named by its full path, counting the
// products that use it (the Windows 95 convention). Files outside the
// install directory follow it: they are the ones others may use too.
const char kSharedDlls[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

enum SharedCount {
    kCountAbsent,  // no value
    kCountDword,   // a REG_DWORD
    kCountOther,   // a value of another type or size: left as it is
};

struct FileRecord {
    int existed;     // 1 when the file was there before setup
    int shared;      // 1 for a file of the Windows places
    int countState;  // SharedCount before setup (shared files)
    uint32_t count;  // the count before setup when kCountDword
};

// The record key of the list entry "place, rel": System and Inf are spelled
// as the Windows directory's SYSTEM and INF, and a "=" (which would end a
// profile key) as "|". out: kFootprintPath bytes; 0 when it does not fit or
// the place is none of the four.
int TargetKey(const char* place, const char* rel, char* out);
// A [Files] value and back (out: kFileRecordSize bytes); Parse gives 0 for
// a text that is none (an absent entry included).
void FileRecordText(const FileRecord& record, char* out);
int ParseFileRecord(const char* text, FileRecord* record);
// A count in decimal digits and nothing else, within 32 bits: 1 and *count.
int ParseCount(const char* digits, uint32_t* count);
// The SharedDLLs value of path: its SharedCount, the count in *count.
int ReadSharedCount(const char* path, uint32_t* count);

// ---- composing paths --------------------------------------------------------

const uint32_t kFootprintPath = 260;  // composed paths: up to 259 chars
// dir\name into out (kFootprintPath bytes); 0 when it does not fit.
int PathIn(char* out, const char* dir, const char* name);

}  // namespace footprint
