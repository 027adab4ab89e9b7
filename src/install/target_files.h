// What the copy is about to overwrite, kept in the install record, and the
// SharedDLLs counts of the shared files it copies.
#pragma once

class InstallRecord;
struct FileEntry;
struct InstallChoices;
struct SetupScript;

// Before any file of script's plan is copied into choices.destDir: records
// (write-once, one commit) whether each target file is there and, for a
// file outside the install directory, its SharedDLLs count; then raises the count of each
// such file that has one or was there, once per installation, each raise
// committed to the record before it is made. An earlier installation in
// another directory hands its record on first (CarryEarlierRecord). A
// record from an older setup (no [Files]) is left as it is and nothing is
// counted. 1 when the record is on the disk, 0 when it could not be
// written: nothing may be copied then.
int RecordTargetFiles(const SetupScript& script, const InstallChoices& choices,
                      InstallRecord& record);

// The record key of entry's target (the uninstall list's spelling: "Install,
// dir\name", or "Windows, SYSTEM\name" for a target in or below the Windows
// directory windowsDir) into key (footprint::kFootprintPath bytes); 0 when it has none (no
// name, or an absolute directory outside the Windows one).
int TargetRecordKey(const char* windowsDir, const FileEntry& entry, char* key);

// Where SETUP.EXE -u keeps its install record: beside the installation the
// Uninstall entry names, where its uninstaller finds it (dir: 256 bytes).
// 0 when no installation is registered, its folder is gone, or the folder's
// SETUP.INF is not this product's record: the setup script beside the
// program is never the record, so -u then has nowhere to keep it.
int DriverOnlyRecordDir(char* dir);

// A setup into another directory than the registered installation's takes
// that installation's record as its own first: the earlier values of the
// driver registration, and for the shared files what was there and which
// counts were raised (whose marks then leave the earlier record, so that
// its uninstaller never lowers them too). 1 unless a record could not be
// written.
int CarryEarlierRecord(const SetupScript& script, const InstallChoices& choices,
                       InstallRecord& record);
