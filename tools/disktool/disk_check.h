// `disktool check`: loads a disk tree's SETUP.INF with SETUP.EXE's own
// loader (the engine over the POSIX stand-ins, the tree mounted as drive A:)
// and reports the install plan and what SETUP.EXE would silently get wrong.
#pragma once

#include <stdio.h>

#include <string>

#include "check_result.h"
#include "exit_status.h"

namespace disktool {

// Checks the disk tree in dir (the directory that holds SETUP.INF and the
// files of every disk, merged). The scratch machine of the check is made in
// machineDir. False only when dir cannot be read or the machine cannot be
// set up (error says why).
bool CheckDisk(const std::string& dir, CheckResult* result, std::string* error,
               const std::string& machineDir = "/tmp");

void PrintText(const CheckResult& result, FILE* out);
// One finding as PrintText gives it: "warning: [Main] Key: ... [code]".
std::string FindingText(const Finding& f);
void PrintJson(const CheckResult& result, FILE* out);

}  // namespace disktool
