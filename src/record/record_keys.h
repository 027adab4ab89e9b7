// The install record's own sections and keys, and how it spells what it
// keeps; the values setup overwrites are kept under their own names, as the
// footprint's tables say. Setup writes by these, the uninstaller reads by
// them. Write-once: the first setup's answer stays.
#pragma once

#include <stdint.h>

#include "footprint/footprint.h"

// The mark, the record's last two lines once written whole: "[End]" and
// "Whole=1". Every commit moves it to the end.
inline constexpr char kRecordEnd[] = "End";
inline constexpr char kRecordEndKey[] = "Whole";
inline constexpr char kRecordEndHeader[] = "[End]";  // the same two, as the lines read
inline constexpr char kRecordEndLine[] = "Whole=1";

// ---- a driver section: [PS2] or [Serial], the mouse type's word ------------

inline constexpr char kRecordDeviceKey[] = "SubKey1";  // the device key setup changed
inline constexpr char kRecordClassKey[] = "SubKey2";   // the class key setup changed
inline constexpr char kRecordedAbsent[] = "-";
// Not kept: the uninstaller leaves the value and says so.
inline constexpr char kRecordedUnknown[] = "?";
// The i-th key of a driver section (the two above, then the listed device's
// and the class key's kept values), for a record handed from one
// installation to the next; null past the last.
const char* RecordKey(int i);
const uint32_t kMaxRecordedFlags = 16;  // longer binary values are recorded as "?"
// The bytes in two hex digits each into out (2 * n + 1 bytes).
void HexOf(const uint8_t* bytes, uint32_t n, char* out);
// The bytes of a hex text into bytes (kMaxRecordedFlags); their count, or
// -1 when the text is no whole hex of at most that many bytes.
int BytesOfHex(const char* hex, uint8_t* bytes);

// ---- [System] ----------------------------------------------------------------

// MouseLine, first seen before the switch-over: kLineBuiltIn when every
// mouse line already named the built-in driver (the switch-over changes
// nothing, and no system.bak is made), kLineSwitched otherwise. Records
// without it are older.
inline constexpr char kRecordSystem[] = "System";
inline constexpr char kRecordMouseLine[] = "MouseLine";
inline constexpr char kLineBuiltIn[] = "builtin";
inline constexpr char kLineSwitched[] = "switched";
// Setup's copy of system.ini from before the switch-over: its name in the
// Windows directory (system.bak, or footprint::kSystemBakOther's first free
// name when another program's system.bak is there) and the size and hash
// of its bytes (decimal), staged before the copy is made. Only a file that
// matches them is setup's: nothing else is restored from or deleted.
inline constexpr char kRecordBackup[] = "Backup";
inline constexpr char kRecordBackupSize[] = "BackupSize";
inline constexpr char kRecordBackupHash[] = "BackupHash";

// ---- [Files], [Counted], [Lowered]: target files and shared counts ---------

// [Files]: each target file under the key the uninstall list spells it with
// (TargetKey), as first seen: kFileExisted or kFileNew, and for a file of
// the Windows places ", " and its SharedDLLs count then (decimal, "-"
// absent, "?" not a REG_DWORD). Write-once like the rest, so a second setup
// keeps the first one's answers. kRecordFilesAll holds "1" once the first
// setup recorded its files; a record without it is older, and its files are
// removed as listed.
inline constexpr char kRecordFiles[] = "Files";
inline constexpr char kRecordFilesAll[] = "All";
inline constexpr char kFileExisted[] = "existed";
inline constexpr char kFileNew[] = "new";
// [Counted]: under the key of each shared file whose count this
// installation raises, the count the raise gives. Setup commits it before
// it raises the count, so a raise lost with the registry (written lazily)
// is made again by the next run: the count still one short of it. Records
// of older setups hold "1" (raised, the count not known).
inline constexpr char kRecordCounted[] = "Counted";
// [Lowered]: the count the uninstaller's lowering gives, under the same
// key, committed before the lowering for the same reason.
inline constexpr char kRecordLowered[] = "Lowered";
// [Log] Path: the install log setup kept, which the uninstaller appends to.
inline constexpr char kRecordLog[] = "Log";
inline constexpr char kRecordLogPath[] = "Path";
// [Pending]: under the key of a target file another program held when
// setup wrote it, the name its new text waits under in the file's folder
// until WININIT.INI puts it in place at the next start. Committed before
// that file is made, so every such file is known to be setup's own.
inline constexpr char kRecordPending[] = "Pending";
inline constexpr char kPendingName[] = "~VPNW%03d.TMP";  // 8.3: WININIT knows short names only
const int kMaxPendingNames = 1000;                       // the three digits
const uint32_t kFileRecordSize = 32;                     // a [Files] value: up to 31 chars

struct FileRecord {
    int existed;     // 1 when the file was there before setup
    int shared;      // 1 for a file of the Windows places
    int countState;  // footprint::SharedCount before setup (shared files)
    uint32_t count;  // the count before setup when kCountDword
};

// The record key of the list entry "place, rel" (TargetEntry's kRecordForm
// for the place so named). out: text::kComposedPath bytes; 0 when it does not
// fit or the place is none of the four.
int TargetKey(const char* place, const char* rel, char* out);
// A [Files] value and back (out: kFileRecordSize bytes); Parse gives 0 for
// a text that is none (an absent entry included).
void FileRecordText(const FileRecord& record, char* out);
int ParseFileRecord(const char* text, FileRecord* record);
// A count in decimal digits and nothing else, within 32 bits: 1 and *count.
int ParseCount(const char* digits, uint32_t* count);
