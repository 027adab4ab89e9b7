// disktool: the vendor's disk builder and script checker for SETUP.EXE.
// It runs SETUP.EXE's own loader (the engine over the POSIX stand-ins), so
// what it reports is what SETUP.EXE will do.
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "disk_build.h"
#include "disk_check.h"

namespace {

const char kUsage[] =
    "usage: disktool check [--json] DIR\n"
    "       disktool build [--images] [--iso] [--setup-exe FILE] MANIFEST OUTDIR\n"
    "       disktool --help\n";

const char kHelp[] =
    "\n"
    "check DIR\n"
    "  Reads DIR/SETUP.INF with SETUP.EXE's own loading rules (DIR is the directory\n"
    "  SETUP.EXE runs from, every disk's files merged below it) and prints the install\n"
    "  plan per disk: source, destination (for Windows in C:\\WINDOWS and program files\n"
    "  in C:\\Program Files), expanded size, label. Then what SETUP.EXE would silently\n"
    "  get wrong: missing or damaged sources, unknown directory keywords, file counts\n"
    "  that do not match the lines, texts that the fixed fields cut, a destination too\n"
    "  long for the registry values, MinimumSpace below the expanded total, and more.\n"
    "  --json prints the same as one JSON object.\n"
    "  Exit status: 0 clean, 1 warnings, 2 errors.\n"
    "\n"
    "build MANIFEST OUTDIR\n"
    "  Reads the manifest (UTF-8; the disks get the Windows code page 1252) and checks\n"
    "  all of it first: every mistake is reported at its manifest line and nothing is\n"
    "  written. Then compresses the files to SZDD (a file that does not get smaller is\n"
    "  stored as it is), lays them out on as few 1.44 MB disks as they fit, writes\n"
    "  SETUP.INF (and UNINSTAL.INF, the uninstall list, when the manifest ships\n"
    "  UNINSTAL.EXE), and checks the result. OUTDIR receives disk1 .. diskN (one tree per\n"
    "  floppy) and merged (all disks on one directory: the form SETUP.EXE reads). The\n"
    "  build is made beside OUTDIR and replaces it only when it checks clean; nothing\n"
    "  is ever written outside OUTDIR.\n"
    "  --setup-exe FILE  puts SETUP.EXE on disk 1 (otherwise room is kept for it)\n"
    "  --images          also writes diskN.img, FAT12 floppy images (needs mtools)\n"
    "  --iso             also writes cdrom.iso, an ISO 9660 image of merged with the\n"
    "                    long names Windows 95 reads (needs xorriso)\n"
    "  Exit status: 0 built and clean, 2 not built (OUTDIR as it was). The manifest\n"
    "  format is in README.md.\n";

int Check(int argc, char** argv) {
    bool json = false;
    std::string dir;
    for (int i = 0; i < argc; i++) {
        if (strcmp(argv[i], "--json") == 0) {
            json = true;
        } else if (argv[i][0] == '-' || !dir.empty()) {
            fputs(kUsage, stderr);
            return 2;
        } else {
            dir = argv[i];
        }
    }
    if (dir.empty()) {
        fputs(kUsage, stderr);
        return 2;
    }
    disktool::CheckResult result;
    std::string error;
    if (!disktool::CheckDisk(dir, &result, &error)) {
        fprintf(stderr, "check: %s\n", error.c_str());
        return 2;
    }
    if (json) {
        disktool::PrintJson(result, stdout);
    } else {
        disktool::PrintText(result, stdout);
    }
    return result.ExitCode();
}

int Build(int argc, char** argv) {
    disktool::BuildOptions options;
    std::vector<std::string> args;
    for (int i = 0; i < argc; i++) {
        if (strcmp(argv[i], "--images") == 0) {
            options.images = true;
        } else if (strcmp(argv[i], "--iso") == 0) {
            options.iso = true;
        } else if (strcmp(argv[i], "--setup-exe") == 0 && i + 1 < argc) {
            options.setupExe = argv[++i];
        } else if (argv[i][0] == '-') {
            fputs(kUsage, stderr);
            return 2;
        } else {
            args.push_back(argv[i]);
        }
    }
    if (args.size() != 2) {
        fputs(kUsage, stderr);
        return 2;
    }
    disktool::Manifest manifest;
    std::vector<std::string> errors;
    if (!disktool::ReadManifest(args[0], &manifest, &errors)) {
        for (const std::string& w : manifest.warnings) {
            fprintf(stderr, "build: warning: %s\n", w.c_str());
        }
        for (const std::string& e : errors) {
            fprintf(stderr, "build: %s\n", e.c_str());
        }
        fprintf(stderr, "build: nothing written\n");
        return 2;
    }
    return disktool::Build(manifest, args[1], options);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        fputs(kUsage, stdout);
        fputs(kHelp, stdout);
        return 0;
    }
    if (argc >= 2 && strcmp(argv[1], "check") == 0) {
        return Check(argc - 2, argv + 2);
    }
    if (argc >= 2 && strcmp(argv[1], "build") == 0) {
        return Build(argc - 2, argv + 2);
    }
    fputs(kUsage, stderr);
    return 2;
}
