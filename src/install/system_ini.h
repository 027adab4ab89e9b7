// Switch-over of system.ini to the built-in virtual mouse driver, and the
// separate mouse VxD set aside.
#pragma once

// Rewrites windowsDir\system.ini (the old one kept as system.bak) and
// then renames the system directory's VMM32\VMOUSE.VXD to VMOUSE.BAK.
// 1 when both were done or had nothing to do (no mouse line to change, no
// VMOUSE.VXD file), 0 when either failed (a system.ini that could not be
// rewritten is left whole and leaves VMOUSE.VXD alone). A rewrite that would change no
// byte leaves system.ini and system.bak as they are, and VMOUSE.BAK is only
// replaced by a VMOUSE.VXD: a second setup keeps the first one's backups.
// backupPath names the copy of the old system.ini (null: system.bak); an
// older file of that name is replaced, so it must be setup's own.
int SwitchSystemIni(const char* windowsDir, const char* backupPath = nullptr);

// What an earlier switch cut off left, with backupPath its copy of the old
// system.ini: system.ini whole again and its guard line in WININIT.INI
// gone (it would put the old text back at the next start over what this
// run finds done); the copy stays. 0 when either could not be done.
int RecoverSwitch(const char* windowsDir, const char* backupPath);

// 1 when every mouse line of windowsDir\system.ini names the built-in driver
// already (in any letter case; none at all counts), 0 when one does not,
// -1 when system.ini cannot be read whole.
int MouseLinesAreBuiltIn(const char* windowsDir);
