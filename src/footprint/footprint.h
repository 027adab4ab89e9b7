// Everything setup changes on a machine, described once: setup writes from
// it, the uninstaller reverses from it, the disk tool checks and writes the
// uninstall list from it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "model/startup_strings.h"
#include "model/string_ids.h"
#include "platform/line_facts.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace footprint {

// ---- files and their places -------------------------------------------------

// In the Windows directory.
inline constexpr char kSystemIni[] = "system.ini";
// system.bak: system.ini before the switch-over, setup's alone; system.new:
// a rewrite in progress; system.un$: system.ini set aside while the
// restore swaps.
inline constexpr char kSystemBak[] = "system.bak";
inline constexpr char kSystemNew[] = "system.new";
inline constexpr char kSystemSetAside[] = "system.un$";
// Setup's copy of system.ini where another program's system.bak stands:
// the first free of system.b00 to system.b99.
inline constexpr char kSystemBakOther[] = "system.b%02d";
const int kSystemBakOthers = 100;
// In the system directory.
inline constexpr char kVxd[] = "VMM32\\VMOUSE.VXD";
inline constexpr char kVxdBak[] = "VMM32\\VMOUSE.BAK";  // the separate mouse VxD set aside by setup
// In the install directory.
// The install record; SETUP.NEW: the record with this run's entries,
// before it is taken; SETUP.OLD: the record set aside while SETUP.NEW takes
// its name.
inline constexpr char kRecordName[] = "SETUP.INF";
inline constexpr char kRecordNew[] = "SETUP.NEW";
inline constexpr char kRecordOld[] = "SETUP.OLD";
inline constexpr char kListName[] = "UNINSTAL.INF";  // the uninstall list
inline constexpr char kUninstaller[] = "UNINSTAL.EXE";
// In the Windows directory: the files Windows renames and deletes at its next start.
inline constexpr char kWininit[] = "WININIT.INI";

// The four places target files go to, as the uninstall list spells them.
inline constexpr char kPlaceInstall[] = "Install";
inline constexpr char kPlaceWindows[] = "Windows";
inline constexpr char kPlaceSystem[] = "System";
inline constexpr char kPlaceInf[] = "Inf";  // the Windows directory's INF
enum PlaceId { kInstallPlace, kWindowsPlace, kSystemPlace, kInfPlace, kPlaceCount };
struct Place {
    const char* name;   // as the list spells it
    const char* below;  // its folder in the Windows directory ("" the directory itself);
                        // nullptr: the install directory
};
extern const Place kPlaces[kPlaceCount];
// The place named so in a list (case-blind); -1 for none.
int PlaceNamed(const char* name);
// The place a setup script's [DirectoryName] keyword puts its files in
// (DirectoryIndex: WinDir, WinSystemDir and WinInfDir the Windows ones).
int PlaceOfDirectory(int directoryIndex);
// Where place lies: the install directory, the Windows directory or its
// folder; systemDir, when given, stands for the Windows directory's SYSTEM
// (the uninstaller asks Windows for it, setup's script names the folder).
// out: text::kComposedPath bytes; 0 when it does not fit.
int PlaceDir(int place, const char* installDir, const char* windowsDir, const char* systemDir,
             char* out);
// A target rel below place spelled as form asks (out: text::kComposedPath
// bytes; 0 when it does not fit or place is none): System and Inf as the
// Windows directory's SYSTEM and INF, so that every spelling of one file
// gives one key.
enum TargetForm {
    kListForm,    // "Windows, SYSTEM\rel", "Install," for the place itself: the list's entry
    kRecordForm,  // the same as a record key: a "=" (which would end the key) as "|"
};
int TargetEntry(int place, const char* rel, int form, char* out);

// ---- the uninstall list ---------------------------------------------------

// UNINSTAL.INF: written by the disk tool, read by the uninstaller. [Startup]
// repeats the setup script's [Startup] values under the script's own keys
// (the string table's), so the uninstaller knows what setup wrote; [Files]
// and [Directories] number their entries from 1 ("place, path below it",
// kListForm), the directories parents first.
inline constexpr const char* kListStartup = StringText(IDS_STARTUP);
inline constexpr char kListFiles[] = "Files";
inline constexpr char kListDirectories[] = "Directories";
const int kMaxListEntries = 200;  // entries read from each section of the list; more are reported
// A [Startup] key and the field of StartupStrings it fills, in the list's order.
struct ListKey {
    const char* name;  // the string table's text
    uint16_t field;    // offset of the field in StartupStrings
    uint16_t size;     // its bytes
};
#define FOOTPRINT_COUNT_KEY(id, field) +1
const int kListKeyCount = 0 STARTUP_KEYS(FOOTPRINT_COUNT_KEY);
#undef FOOTPRINT_COUNT_KEY
extern const ListKey kListKeys[kListKeyCount];

// ---- the [386Enh] mouse line ------------------------------------------------

// What the switch-over writes in place of the mouse line (the line end is
// the replaced line's own).
inline constexpr char kSetupMouseLine[] = "mouse=*vmouse";

// The rule that picks the mouse line, line by line from the top: a line
// containing "[386Enh]" arms it (a later section header does not disarm),
// and the first line after that containing "mouse" that is neither a
// comment (";" first) nor a section header ("[" after blanks) is the mouse
// line, unless it holds "[386Enh]" itself; it disarms until the next
// "[386Enh]". Every byte counts, NULs included.
struct MouseLineRule {
    int armed;
};
// The words the rule looks for, as the line reader (RawNextLine) takes
// them: it sets bit n of LineFacts::holds for the n-th.
const char kMouseLineWords[] = "[386Enh]\0mouse\0";
const uint32_t kHoldsHeader = 1;  // "[386Enh]"
const uint32_t kHoldsMouse = 2;   // "mouse"
int IsMouseLine(MouseLineRule* rule, const fileio::LineFacts& line);

// ---- the registry -----------------------------------------------------------

// The device registry (HKLM): the devices below Enum\, their drivers'
// class keys below kClassPrefix, the Configuration Manager's list of the
// devices present in HKEY_DYN_DATA.
inline constexpr char kEnumPrefix[] = "Enum\\";
inline constexpr char kClassPrefix[] = "System\\CurrentControlSet\\Services\\Class\\";
inline constexpr char kMouseClass[] = "Mouse";  // the devices' Class, and their class keys' parent
inline constexpr char kMouseClassKey[] = "System\\CurrentControlSet\\Services\\Class\\Mouse";
// The Driver setup chooses for a device without one: the first free number.
inline constexpr char kClassKeyFormat[] = "Mouse\\%04d";
inline constexpr char kDeviceList[] = "Config Manager\\Enum";
inline constexpr char kHardwareKey[] = "HardWareKey";  // a listed device's key below kEnumPrefix
// The values setup writes into a device key and a class key.
inline constexpr char kValueClass[] = "Class";
inline constexpr char kValueDeviceDesc[] = "DeviceDesc";
inline constexpr char kValueMfg[] = "Mfg";
inline constexpr char kValueConfigFlags[] = "ConfigFlags";
inline constexpr char kValueDetFlags[] = "DetFlags";
inline constexpr char kValueDetFunc[] = "DetFunc";
inline constexpr char kValueDriver[] = "Driver";  // the class key's name below kClassPrefix
inline constexpr char kValueDevLoader[] = "DevLoader";
inline constexpr char kValueMouseType[] = "MouseType";
inline constexpr char kValueMouseDriver[] = "MouseDriver";
inline constexpr char kValueInfPath[] = "InfPath";
inline constexpr char kValueDriverDesc[] = "DriverDesc";
inline constexpr char kValueDriverDate[] = "DriverDate";
inline constexpr char kValueInfSection[] = "InfSection";
inline constexpr char kSerialDetect[] = "*:DETECTSERIALMOUSE";  // DetFunc of setup's own device
inline constexpr uint8_t kZeroFlags[4] = {0, 0, 0, 0};          // the flags setup writes

inline constexpr char kClsid[] = "{7D31A6C2-5E90-11d2-9B4C-00A0C93E1F52}";
inline constexpr char kClsidKey[] = "CLSID\\{7D31A6C2-5E90-11d2-9B4C-00A0C93E1F52}";
inline constexpr char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
inline constexpr char kNewSerialDevice[] = "Enum\\Root\\VelorMouse\\0000";  // HKLM, setup's own
inline constexpr char kNewSerialParent[] = "Enum\\Root\\VelorMouse";
inline constexpr char kHandlerName[] = "Q7MousePage";
inline constexpr char kAppValue[] = "VelorPoint";  // the Run value and the Uninstall key's name
inline constexpr char kClassLoader[] = "*vmouse";  // DevLoader of a class key setup made

// The application's entries, in the order setup writes them. Each names how
// setup comes by it, which tells the uninstaller what to do with it.
enum Origin {
    kSetupsKey,    // a key that is the product's alone: removed with what it holds
    kSetupsValue,  // setup's value in a key that others share: only the value goes
};
enum Hive { kHiveClasses, kHiveMachine };
// Where an entry's or a value's text comes from.
enum Source {
    kFixedText,      // text itself
    kInInstallDir,   // the install directory, then text
    kProductTitle,   // the [Startup] Title
    kStartupValue,   // the [Startup] value at field, the same for both mouse types
    kTypeWord,       // the mouse type's word (its record section)
    kTypeName,       // the mouse type's name: PS2Name or SeialName
    kTypeSection,    // the mouse type's INF section: PS2InfSection or SerialInfSection
    kZeroBytes,      // kZeroFlags, binary
    kChosenClassKey  // the class key setup chooses (kClassKeyFormat), for a device without one
};
struct AppEntry {
    uint8_t hive;    // Hive
    uint8_t source;  // Source
    uint8_t origin;  // Origin
    const char* key;
    const char* name;  // nullptr: the key's default value
    const char* text;
};
const int kAppEntryCount = 8;
extern const AppEntry kAppEntries[kAppEntryCount];
// An entry's text as setup composes it (the install directory and text, or
// the Title): up to 79 chars; a longer one is not written.
const uint32_t kAppTextField = 80;
// Keys of the entries that the uninstaller also reads.
inline constexpr char kServerKey[] =
    "CLSID\\{7D31A6C2-5E90-11d2-9B4C-00A0C93E1F52}\\InProcServer32";
inline constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
// What runs once after the next start (HKLM), before anything else: the
// uninstaller's removal of a folder whose last files WININIT.INI deletes
// then, as kRunOnceCommand with the command interpreter and the folder's
// short path; its values are named kAppValue and kAppValue with a number.
inline constexpr char kRunOnceKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr char kRunOnceCommand[] = "%s /c rd %s";
inline constexpr char kUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelorPoint";
inline constexpr char kHandlersKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse\\shellex\\"
    "PropertySheetHandlers";
inline constexpr char kAppStartArg[] = " -startup";  // the Run value's argument after the program
inline constexpr char kUninstallLabel[] = "DisplayName";
// The folder of the installation Windows has registered: the directory of
// the UNINSTAL.EXE its Uninstall entry names, into dir (size bytes); 0
// when there is none or it does not fit.
int RegisteredInstallDir(char* dir, uint32_t size);
// The install directory's UNINSTAL.EXE.
inline constexpr char kUninstallCommand[] = "UninstallString";

// The mouse types setup registers. The install record has a section for
// each, named by its word.
inline constexpr char kRecordPs2[] = "PS2";
inline constexpr char kRecordSerial[] = "Serial";
enum MouseTypeId { kTypePs2, kTypeSerial, kMouseTypeCount };
struct MouseType {
    const char* word;     // its record section, and the MouseType setup writes
    uint16_t name;        // offset in StartupStrings of its name
    uint16_t infSection;  // ... and of its INF section
};
extern const MouseType kMouseTypes[kMouseTypeCount];

// How the install record keeps a value before setup overwrites it, under
// the value's own name, write-once.
enum Kept {
    kNotKept,   // setup's own: made with a key setup made, or only where there was none
    kKeptText,  // the text first seen, "" for absent (Windows keeps no empty ones)
    // With a mark: "-" for absent (an empty entry would be taken by a later
    // setup, which finds its own value there), "?" when it could not be kept
    // or an older record (a section without it) did not; binary values in
    // hex (at most kMaxRecordedFlags bytes).
    kKeptMarked,
};
// A value setup writes into a registry key.
struct SetupValue {
    const char* name;
    const char* text;   // kFixedText: the text
    uint16_t field;     // kStartupValue: offset of the field in StartupStrings
    uint8_t source;     // Source
    uint8_t kept : 2;   // Kept
    uint8_t tells : 1;  // 1: the uninstaller tells setup's key by it (when known)
};
struct ValueTable {
    const SetupValue* rows;
    int count;
};
// In the order setup writes them: a device the Configuration Manager lists
// (Driver only when it has none), the root device setup makes for a
// serial mouse none lists (its Driver kept when a rerun finds one), and a
// class key. A class key setup made holds exactly the class key's values;
// one it updates gets the kept ones.
extern const ValueTable kListedDevice;
extern const ValueTable kOwnDevice;
extern const ValueTable kClassKey;
// The i-th value of table that the record keeps, in the order the record is
// read back: the texts, then the ones kept with a mark; null past the last.
const SetupValue* KeptRow(const ValueTable& table, int i);
// The text setup writes for value for mouse type with the [Startup] values
// s; null for a value that is no text of these (kZeroBytes, kChosenClassKey,
// the application's).
const char* ValueText(const SetupValue& value, const StartupStrings& s, int type);

// The class key path of a device's Driver text (out: size bytes); 0 when
// it does not fit.
int ClassKeyPath(char* out, uint32_t size, const char* driver);

// ---- shared counts -----------------------------------------------------------

// HKLM: one REG_DWORD per shared file, named by its full path, counting the
// products that use it (the Windows 95 convention). Files outside the
// install directory follow it: they are the ones others may use too.
inline constexpr char kSharedDlls[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

enum SharedCount {
    kCountAbsent,  // no value
    kCountDword,   // a REG_DWORD
    kCountOther,   // a value of another type or size: left as it is
};

// The SharedDLLs value of path: its SharedCount, the count in *count.
int ReadSharedCount(const char* path, uint32_t* count);
// Reads a text value into an emptied field of size bytes. A value that is
// absent, does not fit, or fills the field without a terminator leaves the
// field empty: a cut text is never taken as the whole one. type (may be
// null) receives the value's type.
int ReadText(plat::RegKey key, const char* name, char* field, uint32_t size,
             uint32_t* type = nullptr);

// ---- composing paths --------------------------------------------------------

// The disk tool's name for text::kComposedPath.
const uint32_t kFootprintPath = text::kComposedPath;

}  // namespace footprint
