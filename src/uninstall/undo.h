// Undoing an installation: the driver registration put back from the
// install record, the application entries removed, the [386Enh] mouse line
// and the mouse VxD put back, the installed files removed. The rule for
// every step: what setup created is removed, what it overwrote is put back,
// and what cannot be told apart is left alone and reported. Each step can
// run again: a second run after a whole one changes nothing, and a run
// after an interrupted one finishes the job.
#pragma once

#include <stdint.h>

#include "model/startup_strings.h"
#include "platform/text.h"
#include "record/install_record.h"
#include "record/uninstall_list.h"

const int kMaxLeftovers = 24;                    // further ones are counted in `dropped`
const int kLeftoverSize = 160;                   // the subject of one leftover: up to 159 chars
const int kMaxRestartFiles = 24;                 // files left for the next start, in one run
const int kMaxGoneFiles = 48;                    // files deleted now and named again for it
const uint32_t kUndoPath = text::kComposedPath;  // every path the undo composes or keeps

// Why something was left as it is.
enum LeftoverKind {
    kLeftChanged = 1,    // a registry value was changed after setup: kept
    kLeftUnknown,        // setup's own value or the earlier one: cannot be told
    kLeftKey,            // a registry key that could not be removed
    kLeftNoRecord,       // no install record: the driver registration stays
    kLeftMouseLine,      // the [386Enh] mouse line was changed after setup: kept
    kLeftFailed,         // a file or registry write failed: nothing was lost
    kLeftDirectory,      // a directory that still holds files
    kLeftUnlisted,       // no uninstall list: files other than the programs stay
    kLeftNoEarlierLine,  // setup's mouse line stays: system.bak keeps no earlier one
    kLeftExisted,        // a file that was there before setup (which copied over it): kept
    kLeftShared,         // a file setup made that others still count as used: kept
    kLeftNotRecorded,    // a listed file the install record does not know: kept
    kLeftRegistered,     // another folder's installation Windows has registered: kept
};

struct Leftover {
    int kind;                     // LeftoverKind
    char subject[kLeftoverSize];  // key and value, or path; cut to fit
};

struct UndoReport {
    int count;    // entries used in leftovers
    int dropped;  // leftovers that did not fit
    Leftover leftovers[kMaxLeftovers];
    int changed;                                    // 1 when anything was changed
    int restartFiles;                               // files given to WININIT.INI for the next start
    char restartList[kMaxRestartFiles][kUndoPath];  // those files
    // The files deleted now, by their short paths: their deletes may reach
    // the disk after WININIT.INI's lines on the program, the list and the
    // record, so WININIT.INI names them too (one not there is passed over).
    int goneFiles;
    char goneList[kMaxGoneFiles][kUndoPath];
};

// Where the installation lies. installDir holds the install record
// (SETUP.INF), the uninstall list (UNINSTAL.INF) and UNINSTAL.EXE.
struct UndoPlaces {
    const char* installDir;
    const char* windowsDir;
    const char* systemDir;
    // The running uninstaller: removed at the next start. When it is a
    // copy outside installDir, installDir's UNINSTAL.EXE goes at once.
    const char* program;
};

// What one uninstall works on, opened once (OpenUndo) and handed to each
// step: the places, the install record, the uninstall list and what it says
// setup wrote.
struct UndoContext {
    UndoPlaces places;
    InstallRecord record;
    UninstallList list;
    StartupStrings script;     // the list's [Startup]: empty texts where not known
    int opened;                // the names of the record, the list and UNINSTAL.EXE fit
    int haveList;              // the list names files
    int fromCopy;              // the running program is a copy outside installDir
    char original[kUndoPath];  // installDir's UNINSTAL.EXE
    // The folder of the installation Windows has registered, when it is
    // another than installDir: that one's uninstaller undoes what they
    // share (the registry, system.ini, the Windows directory's files); this
    // one removes only what lies in its own folder. "" otherwise.
    char registered[kUndoPath];
    // The files the application entries name (ApplicationFiles), read
    // before the entries go; "" for none.
    char pageLibrary[kUndoPath];
    char application[kUndoPath];
};

// Opens the record and reads the list of places.installDir into undo; the
// places' texts must outlive it. 0 when the names do not fit (undo.opened):
// the steps then change nothing in the install directory.
int OpenUndo(UndoContext* undo, const UndoPlaces& places);

// Driver registration of both sections of the install record ("PS2",
// "Serial") and the new root serial device, by the rule above. script holds
// what setup wrote; an empty text there means "not known". A missing record
// is reported unless the root device explains it.
void RestoreDriverRegistration(InstallRecord& record, const StartupStrings& script,
                               UndoReport* report);

// The property-page class, the Mouse control panel's handler, the Run
// value and the Uninstall key.
void RemoveApplicationEntries(UndoReport* report);

// The files that the application entries name: the property-page library
// and the mouse application (each kUndoPath bytes, "" when not named).
void ApplicationFiles(char* pageLibrary, char* application);

// The [386Enh] mouse line back from setup's copy of system.ini (backup:
// its path, null when the record proves none) where system.ini still has
// setup's line, and the copy deleted once every line is back;
// VMM32\VMOUSE.BAK back to VMOUSE.VXD where that is missing. builtInBefore:
// the record says every mouse line named the built-in driver before setup,
// so one without a copy is no loss to report.
void RestoreSystemIni(const char* windowsDir, const char* systemDir, UndoReport* report,
                      const char* backup, int builtInBefore = 0);

// The uninstaller finishes from a copy of itself, so that the install
// directory can go with everything in it. Copies program into tempDir under
// a name nothing holds yet (kCopyName, numbered) and returns 1 with its path
// in copy (kUndoPath bytes). WININIT.INI of windowsDir deletes the copy at
// the next start; that line is written before the copy, so even a copy cut
// short goes then. 0 when no copy was made (nothing is left of it).
const char kCopyName[] = "~VPUN%02d.EXE";  // 8.3, so its short path is known before it exists
int MakeFinishingCopy(const char* program, const char* tempDir, const char* windowsDir, char* copy);

// Removes the files and then the empty directories of the uninstall list,
// all but the install directory itself; a file the install record names as
// there before setup stays, and so does one it does not know (a record that
// lists every target), and a shared file goes only when setup made it and
// no count remains (RestoreSharedCounts runs first). Without a list, the two
// files the application entries named (undo.pageLibrary, undo.application).
// Files in use and the driver file go at the next start, as does the
// running program; run in place, so do its list and the record.
void RemoveInstalledFiles(UndoContext& undo, UndoReport* report);

// One user fewer for each listed shared file whose count this installation
// raised ([Counted] of the record): the count the lowering gives is
// committed to the record ([Lowered]) before the count changes, so a rerun
// after a power cut makes a lowering the registry lost and never makes one
// twice. A value setup made goes at 0.
void RestoreSharedCounts(UndoContext& undo, UndoReport* report);

// The last step, after ScheduleRestartDeletes: run from a copy, the install
// record, the uninstall list and UNINSTAL.EXE go now; then the install
// directory, when the list names it (or there is no list), goes if empty.
// A directory left holding more than files that go at the next start is
// reported. Up to here a run cut short can be started again.
void RemoveInstallDirectory(UndoContext& undo, UndoReport* report);

// Adds each file of report->restartList and report->goneList to
// WININIT.INI's [rename] section as "NUL=path", the way Windows 95/98
// deletes files at the next start; lines already there are not added twice.
// 1 on success.
int ScheduleRestartDeletes(const char* windowsDir, UndoReport* report);

// 1 when the install directory holds this product's uninstall list (naming
// files) and its install record, or in place of the record the very
// UNINSTAL.EXE that the running copy was made from: the only kind of folder
// the finishing copy works on, so that a copy started with another folder
// (or by hand) never takes it for one.
int HoldsInstallation(UndoContext& undo);

// The finishing copy runs while the original waits for it, so Windows holds
// the original's file: the run is then the original's own in place, its
// program, list and record left for the next start and the folder after
// them (a rerun before then still finds all three).
void UndoAsOriginal(UndoContext& undo);

// The whole undo after the question, in its order: what a cut left of the
// record's or WININIT.INI's write, the driver registration, the shared
// counts, the application entries, the registry put on the disk
// (RegFlushKey), then system.ini, the files, WININIT.INI, and last the
// install directory (the list, the record, the program).
void UndoInstallation(UndoContext& undo, UndoReport* report);

// Notes a leftover (tests and the program read them back).
void AddLeftover(UndoReport* report, int kind, const char* subject);
