// `disktool build`: from a manifest to disk trees, SETUP.INF and, on
// request, floppy images and a CD-ROM image. The manifest format is
// described in docs/disktool.md.
#pragma once

#include <stdint.h>

#include <string>

#include "build_options.h"
#include "disk_plan.h"
#include "manifest.h"
#include "uninstall_list.h"

namespace disktool {

// Room kept on disk 1 for SETUP.EXE when no --setup-exe is given.
const uint64_t kSetupExeReserve = 128 * 1024;

// Builds outDir: disk1 ... diskN (one tree per floppy), merged (all disks on
// one directory, the form SETUP.EXE reads), diskN.img with images,
// cdrom.iso with iso. Everything is made in a scratch directory inside
// outDir (out_dir.h), whose entries replace outDir's only when the result
// checks clean: a failed build leaves outDir as it was. Prints what it does
// to stdout, the reasons of a failure to stderr; returns the exit status
// (ExitStatus in exit_status.h).
int Build(const Manifest& m, const std::string& outDir, const BuildOptions& options);

}  // namespace disktool
