// What the files of the undo share among themselves; the programs and the
// tests see undo.h only. File side: where a listed thing lies, the report's
// leftovers and the files left for the next start, the listed directories.
// Registry side: keys and values as the undo reads and removes them, one
// record section's kept values, setup's own serial device.
#pragma once

#include <stdint.h>

#include "footprint/footprint.h"
#include "platform/registry.h"
#include "record/install_record.h"
#include "record/record_keys.h"
#include "record/uninstall_list.h"
#include "uninstall/undo.h"

namespace uninstall {

// ---- where things lie (undo_paths.cpp) ---------------------------------------

// Two paths of one file or folder: the same text, or the same canonical
// form (fileio::SamePath: "\\.\\", a trailing backslash, the 8.3 spelling).
bool SamePlace(const char* a, const char* b);
// One entry of the list, "Root, relative path", as a full path (out:
// kUndoPath bytes); 0 when the entry names no place of the installation. An
// empty relative path names the root itself (only directories may).
int EntryPath(const UndoPlaces& places, const char* entry, bool directory, char* out);

// ---- the report (undo_report.cpp) ---------------------------------------------

// 1 when path is among the files left for the next start.
bool AlreadyListed(const UndoReport* report, const char* path);
// Leaves an existing file for the next start.
void AtRestart(UndoReport* report, const char* path);
// Entries past the last one read are not removed: the list names them.
void ReportUnread(const UninstallList& list, int section, UndoReport* report);
// A registry leftover: the key's path and the value's name ("(default)"
// for ""), or the key alone (name null).
void Leave(UndoReport* report, int kind, const char* keyPath, const char* name);

// ---- the listed files and folders (undo_files.cpp, undo_folders.cpp) ---------

// The list entry's key in the record and what the record found there
// before setup; 0 when the record does not tell.
bool FoundBefore(InstallRecord& record, const char* entry, char* key, FileRecord* found);
// The list's directories but the install folder (it goes last of all),
// deepest first. afterStart: the install folder goes after the next start,
// and each directory removed now is named for that start too (its removal
// may reach the disk after WININIT.INI's lines).
void RemoveListedDirectories(const UndoPlaces& places, const UninstallList& list, bool afterStart,
                             UndoReport* report);
// Removes an empty directory (afterStart: and names it for the next start
// too); one holding only files that go at the next start goes after it;
// one that still holds other files is kept and reported.
void RemoveDirectory(UndoReport* report, const char* path, bool afterStart);

// ---- registry keys and values (undo_keys.cpp) ---------------------------------

const uint32_t kValueField = 256;  // values read here: up to 255 chars

// A key open for the undo, with its path for the names the report gives.
struct OpenKey {
    plat::RegKey key;
    const char* path;
};

// The same bytes, letter case included.
bool SameExactly(const char* a, const char* b);
// A text value into field (kValueField bytes); 0 when it is absent or does
// not fit (the field is then empty).
int ReadValue(plat::RegKey key, const char* name, char* field);
// Whether the key at path has subkeys; a delete would take them along.
bool HasSubkeys(plat::RegKey root, const char* path);
// Whether the key at path holds neither subkeys nor values.
bool KeyIsEmpty(plat::RegKey root, const char* path);
// Deletes a key that has no subkeys; a key that is already gone counts as
// done, one with subkeys (not setup's alone) stays and is reported.
void DeleteKey(plat::RegKey root, const char* path, UndoReport* report);
// Whether key holds setup's text in each value of table that tells setup's
// key from another (one whose text is not known passes); every: in each
// value of table, all known, and no other value.
bool HoldsSetupValues(plat::RegKey key, const footprint::ValueTable& table, const StartupStrings& s,
                      int type, bool every);
// Removes a class key that setup created; 1 when it is gone (or was).
int RemoveSetupClassKey(const char* path, const StartupStrings& s, int type, UndoReport* report);

// What became of a change to the value name of at (ok: it was made): the
// report counts it, or names it as failed.
void ValueChanged(const OpenKey& at, const char* name, bool ok, UndoReport* report);

// ---- a record section's kept values (undo_values.cpp) -------------------------

// One driver section of the record being undone: the mouse type whose word
// names it, what setup wrote ("" where not known), and the report.
struct SectionUndo {
    InstallRecord& record;
    int type;
    const StartupStrings& s;
    UndoReport* report;
};

// The record's text for key in section into out (kValueField bytes), or a
// mark that Absent tells when the key is missing.
void ReadRecord(InstallRecord& record, const char* section, const char* key, char* out);
bool Absent(const char* recorded);
// Every value of table that the section keeps, put back in the order the
// record keeps them.
void RestoreKept(SectionUndo& u, const footprint::ValueTable& table, const OpenKey& at);

// ---- setup's own serial device (undo_serial.cpp) ------------------------------

// The root-enumerated device that setup makes for an unlisted serial mouse.
// 1 when the device was there (setup's or not).
int RemoveNewSerialDevice(const StartupStrings& s, UndoReport* report);
// The class keys that repeated setups for an unlisted serial mouse left
// behind: those holding exactly what setup writes into a new one.
void RemoveOrphanSerialClasses(const StartupStrings& s, UndoReport* report);

}  // namespace uninstall
