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
// While steps are counted the registry is Windows 95/98's: changes live in
// memory and reach the disk only at RegFlush or an orderly restart (no
// lazy flush after a few seconds: the cautious assumption). The registry
// on the disk when the counting starts is the one the machine has.
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
// WindowsRestart.
const std::vector<PowerEntry>& PowerLog();

// The next start of Windows: after a power cut the profile writes still
// cached and, when steps were being counted, the registry changes since the
// last flush are lost; after an orderly shutdown they are written; then
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
