// `disktool netinst`: the folder an administrator shares on the network so
// that SETUP.EXE runs from it unattended on many PCs: every file of the
// vendor's disks merged as SETUP.EXE reads them, SETUP.EXE itself, and the
// script with the answers file's [Unattended] section in it.
#pragma once

#include <string>

#include "answers_file.h"

namespace disktool {

// The folder below OUTDIR that is shared.
const char kPointName[] = "share";

// Writes outDir/share from disks: the merged folder (SETUP.INF at its top:
// the vendor's merged tree, a CD-ROM, a one-disk set) or a folder of disk1
// .. diskN, merged in that order as copying them into one folder merges
// them. SETUP.EXE is setupExe when given, else the one of the disks; the
// disks' own [Unattended] section gives way to the answers'. Everything is
// read first, the point written into OUTDIR's scratch directory and checked
// with the checker, and only a clean point takes the place of the earlier
// one (out_dir.h). Prints what it does to stdout, the reasons of a failure
// to stderr; returns the exit status (exit_status.h).
int NetInstall(const std::string& disks, const AnswersFile& answers, const std::string& outDir,
               const std::string& setupExe);

}  // namespace disktool
