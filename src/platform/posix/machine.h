// The fake Windows 95/98 machine behind the POSIX backend: a host directory
// standing for the drives, a registry kept as a REGEDIT4 file, the system's
// facts, the device list, and the test hooks (fault injection and the
// record of registry writes). Native builds only.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/posix/cut_disks.h"
#include "platform/tool_machine.h"

namespace plat {
namespace posix {

struct MachineConfig {
    std::string root;  // host directory; drive C: is root + "/c", A: is root + "/a"
    std::string windowsDir = "C:\\WINDOWS";
    std::string systemDir = "C:\\WINDOWS\\SYSTEM";
    std::string moduleFileName = "A:\\SETUP.EXE";
    std::string computerName = "PC17";
    uint32_t version = 0xC0000A04u;      // Windows 98: 4.10, bit 31 set
    std::set<std::string> devices;       // names such as "\\\\.\\VLMOUSE" that open (case-blind)
    std::map<char, uint64_t> freeBytes;  // per drive letter (upper case); default 1 GiB
    // Bytes that FileWrite may still write, all files together, before the
    // disk counts as full (tests); the write that crosses it writes what
    // fits and fails.
    uint64_t writableBytes = UINT64_MAX;
    // Write-protected media, by drive letter (upper case): every create,
    // write, delete, rename and profile write there fails, access denied.
    std::set<char> readOnlyDrives;
    // Host paths of the files with FILE_ATTRIBUTE_READONLY (tests run as
    // root, so host permissions would stop nothing): deleting them, opening
    // them for writing and profile writes fail; a rename takes the mark along.
    std::set<std::string> readOnlyFiles;
    // Host paths of the files another program holds open (a running
    // program's image, a loaded library): opening them for writing,
    // creating, deleting and renaming them fail, as a sharing violation
    // does; reading them works.
    std::set<std::string> heldFiles;
};

// The program's string table, as the resources of its file would hold it:
// the stand-in of LoadStringA reads it. A native program has no resource
// section, so it hands its table over before it loads texts; the table is
// the program's, not the machine's, and stays through MachineReset.
struct ResourceString {
    uint32_t id;
    const char* text;
};
void SetResourceStrings(const ResourceString* table, size_t count);

// Starts a fresh machine: an empty registry (or root + "/registry.reg" when
// it exists), no faults, an empty write record, an empty profile cache.
void MachineReset(const MachineConfig& config);
MachineConfig& Machine();

// Registry store as REGEDIT4 text (what Windows 95/98's and Wine's regedit
// read and write).
bool RegistryLoadFile(const std::string& hostFile);  // merges into the store
bool RegistrySaveFile(const std::string& hostFile);
std::string RegistrySaveText();
void RegistryClear();

// One RegSet call, in the order made.
struct RegWrite {
    std::string key;    // full path with its root, e.g. "HKEY_LOCAL_MACHINE\\Enum\\..."
    std::string value;  // "" for the default value
    uint32_t type;
    std::string data;  // the bytes written
};
const std::vector<RegWrite>& RegistryWrites();
void ClearRegistryWrites();

// Operations that tests can make fail.
enum class Op {
    RegOpen,
    RegCreate,
    RegEnum,
    RegQuery,
    RegSet,
    RegDelete,
    ProfileWrite,
    DirCreate,
    FileOpenRead,
    FileCreate,
    FileWrite,
    FileClose,
    FileDelete,
    FileRename,
    DiskFree,
    LzOpenRead,
    LzCreate,
    FileRead,
    FileSeek,
    DirRemove,
    LzCopy,
    ProfileFlush,
    RegFlush,
    FileFlush,
    FileOpenWrite,
};
const char* OpName(Op op);

// Makes calls of op fail whose key path or DOS path contains match
// (case-blind; "" matches every call), after `skip` such calls have passed;
// `times` failures, or every later one when times is negative.
void InjectFault(Op op, const std::string& match, int skip = 0, int times = -1);
void ClearFaults();
// True when this call of op on subject is to fail (used by the backend).
bool FaultHits(Op op, const std::string& subject);

// Power cuts (tests). Every call that may change the machine is one step:
// file create, write, close, flush, rename, delete, directory create and
// remove, registry create, set, delete and flush, LZ create and copy,
// profile write and flush. After PowerCutAfter(steps, cut) the first
// `steps` of them go through; the next one changes nothing or, when it
// writes bytes (file write, LZ copy, profile flush), writes the part of
// them that cut says; every later one changes nothing and fails.
// steps < 0: no cut, the steps are only counted.
//
// While steps are counted the machine keeps what a cut may leave on its
// disk, the careful assumption both ways for what Windows 95/98 and FAT
// put there late:
// - Data: the bytes a write puts down are on the disk at once, under
//   whichever name the file has there. A create that truncates a file
//   already there is data too.
// - The registry lives in memory. Windows writes it whole at RegFlush, at
//   an orderly shutdown, and on its own a few seconds after a change, at
//   any moment. So a cut leaves the registry as of the last flush or as of
//   any later change up to the cut, never a part of a change. The registry
//   on the disk when the counting starts is the one the machine has.
// - Directory operations: a create under a new name (FileCreate, LzCreate,
//   a profile written to a file not there yet), a rename, a delete, a
//   directory made or removed. FAT's write-behind puts them on the disk in
//   any order until a flush. FlushFileBuffers of a file puts there the
//   operations that made and named it (its create, its renames, the making
//   of the directories above it) and every earlier operation on a name one
//   of those touches, since a name never stands twice on a disk; an orderly
//   shutdown puts everything there. Bounded: of the operations not flushed,
//   the last kReorderedDirectoryOps reach the disk in any order and the cut
//   may fall after any number of them; the earlier ones are on the disk.
//   One that no longer applies in that order does nothing, as the
//   directory's update would leave it: a rename whose source is missing or
//   whose target is there, a delete of a missing name, a create of a name
//   that is there or in a directory that is not, the removal of a
//   directory that is not empty. A directory's rename (the engine makes
//   none) is on the disk at once.
// A cut leaves the registry as of its last flush and the directory
// operations done in the order made unless PowerOff is asked for the
// other disks it may leave.
enum CutPoint {
    kCutBefore,      // the step does nothing
    kCutFirstByte,   // a write puts down its first byte only
    kCutHalf,        // ... half of its bytes
    kCutAllButLast,  // ... all of its bytes but the last
};
void PowerCutAfter(long steps, CutPoint cut);
// The steps a cut can fall inside (they write bytes), and the bytes of a
// write of size that reach the disk when cut falls in it.
bool PowerWrites(Op op);
uint32_t BytesAtCut(CutPoint cut, uint32_t size);
// Asked by the backend at each step: the bytes of `size` that may reach the
// disk (size, the cut's part at the cut, or 0 after it).
uint32_t PowerStep(Op op, const std::string& subject, uint32_t size = 1);
// One step as the backend announced it.
struct PowerEntry {
    Op op;
    std::string subject;  // the path or key, as the call named it
    uint32_t size;        // the bytes a write asked for; 1 for other steps
};
// The steps since the last PowerCutAfter, cut ones too; counting ends at
// WindowsRestart and PowerOff.
const std::vector<PowerEntry>& PowerLog();

// The directory operations that may be on the disk in another order.
const int kReorderedDirectoryOps = 4;

// The power goes off: counting ends, the program's handles and cached
// profile writes are gone, and the machine is left as the first disk of
// each list has it (what WindowsRestart(true) would start on);
// what else the cut may have left is returned. A test puts one of the
// others on the machine before WindowsRestart(true).
CutDisks PowerOff();

// The next start of Windows: after a power cut the profile writes still
// cached and, when steps were being counted, the registry changes since the
// last flush are lost (the directory operations stand as made); after an
// orderly shutdown they are written; then
// WININIT.INI's [rename] lines are carried out (NUL=path deletes, new=old
// renames over new) and the file becomes WININIT.BAK. Ends any power cut
// and every program that held a file.
void WindowsRestart(bool powerCut);
// Writes every cached profile file (an orderly shutdown does).
void ProfileFlushAll();
// Sets or clears a file's FILE_ATTRIBUTE_READONLY (tests); 0 when the path
// names no file.
int SetFileReadOnly(const char* dosPath, bool readOnly);

}  // namespace posix
}  // namespace plat
