// disktool: the vendor's disk builder and script checker for SETUP.EXE.
// It runs SETUP.EXE's own loader (the engine over the POSIX stand-ins), so
// what it reports is what SETUP.EXE will do.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "answers_file.h"
#include "disk_build.h"
#include "disk_check.h"
#include "net_install.h"

namespace {

const char kUsage[] =
    "usage: disktool check [--json] DIR\n"
    "       disktool build [--images] [--iso] [--setup-exe FILE] MANIFEST OUTDIR\n"
    "       disktool netinst [--setup-exe FILE] DISKS ANSWERS OUTDIR\n"
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
    "  long for the registry values, MinimumSpace below the expanded total, a\n"
    "  DefaultPath SETUP.EXE changes, [Startup] files the disks do not install where\n"
    "  Windows looks for them, and more. --json prints the same as one JSON object.\n"
    "\n"
    "build MANIFEST OUTDIR\n"
    "  Reads the manifest (UTF-8; the disks get the Windows code page 1252) and checks\n"
    "  all of it first: every mistake is reported at its manifest line and nothing is\n"
    "  written. A source must lie below the manifest's folder: an absolute path\n"
    "  elsewhere, .. steps or a symbolic link that lead out are refused\n"
    "  (source-outside). Then compresses the files to SZDD (a file that does not get\n"
    "  smaller is stored as it is), lays them out on as few 1.44 MB disks as they\n"
    "  fit, writes SETUP.INF (and UNINSTAL.INF, the uninstall list, when the manifest\n"
    "  ships UNINSTAL.EXE), and checks the result. OUTDIR receives disk1 .. diskN (one tree per\n"
    "  floppy) and merged (all disks on one directory: the form SETUP.EXE reads). The\n"
    "  build is made in OUTDIR/.disktool-new and takes OUTDIR's place only when it\n"
    "  checks clean; nothing is ever written outside OUTDIR, and what a stopped build\n"
    "  left there goes at the next run. OUTDIR must be new, empty or an earlier\n"
    "  build's: one that holds anything the tool did not make (its .disktool mark\n"
    "  lists what it made) is refused, the other files named.\n"
    "  --setup-exe FILE  puts SETUP.EXE on disk 1 (otherwise room is kept for it)\n"
    "  --images          also writes diskN.img, FAT12 floppy images (needs mtools)\n"
    "  --iso             also writes cdrom.iso, an ISO 9660 image of merged with the\n"
    "                    long names Windows 95 reads (needs xorriso)\n"
    "  SOURCE_DATE_EPOCH (seconds since 1970), when set, dates every file, directory\n"
    "  and volume the build makes, so that two builds give the same bytes. The\n"
    "  manifest format is in docs/disktool.md.\n"
    "\n"
    "netinst DISKS ANSWERS OUTDIR\n"
    "  Writes OUTDIR/share, the folder to share on the network, from which SETUP.EXE\n"
    "  installs without a page or a question: every file of the vendor's disks merged\n"
    "  as SETUP.EXE reads them, SETUP.EXE, and SETUP.INF with the [Unattended] section\n"
    "  of ANSWERS (UTF-8, that section alone: MouseType, Destination, Restart,\n"
    "  Result, Log). DISKS is the merged folder (SETUP.INF at its top: build's merged,\n"
    "  a CD-ROM) or a folder of disk1 .. diskN. Every answer is checked at its line of\n"
    "  ANSWERS first, and the point is checked as check does before it takes the place\n"
    "  of an earlier one; a finding, a warning too, stops it and nothing is written.\n"
    "  OUTDIR is taken as build takes it.\n"
    "  --setup-exe FILE  the SETUP.EXE of the point (needed when the disks hold none)\n"
    "\n"
    "Exit status\n"
    "  0  check: clean; build, netinst: written, and the result checks clean\n"
    "  1  check: warnings only\n"
    "  2  errors in the checked data: the disk set (check), the manifest or the\n"
    "     disk set made from it (build; warnings of that check too), the answers,\n"
    "     the disks or the point made from them (netinst; warnings too)\n"
    "  3  a mistake on the command line, or a SOURCE_DATE_EPOCH that is no number\n"
    "  4  mtools or xorriso is missing or fails\n"
    "  5  an input cannot be read (DIR, MANIFEST, a source file, DISKS, ANSWERS,\n"
    "     the --setup-exe FILE) or the output cannot be written\n"
    "  6  OUTDIR is refused: not a directory, another build is writing it, or it\n"
    "     holds what the tool did not make\n"
    "  build and netinst change nothing in OUTDIR unless they exit 0 (but for a move\n"
    "  that fails during the swap itself, which they name).\n";

int Usage() {
    fputs(kUsage, stderr);
    return disktool::kExitUsage;
}

int Check(int argc, char** argv) {
    bool json = false;
    std::string dir;
    for (int i = 0; i < argc; i++) {
        if (strcmp(argv[i], "--json") == 0) {
            json = true;
        } else if (argv[i][0] == '-' || !dir.empty()) {
            return Usage();
        } else {
            dir = argv[i];
        }
    }
    if (dir.empty()) {
        return Usage();
    }
    disktool::CheckResult result;
    std::string error;
    if (!disktool::CheckDisk(dir, &result, &error)) {
        fprintf(stderr, "check: %s\n", error.c_str());
        return disktool::kExitIo;
    }
    if (json) {
        disktool::PrintJson(result, stdout);
    } else {
        disktool::PrintText(result, stdout);
    }
    return result.ExitCode();
}

// SOURCE_DATE_EPOCH into *timeStamp (left alone when unset); false when it
// is set to something other than a number of seconds.
bool SourceDateEpoch(int64_t* timeStamp) {
    const char* value = getenv("SOURCE_DATE_EPOCH");
    if (value == nullptr) {
        return true;
    }
    size_t length = strlen(value);
    if (length == 0 || length > 12 || strspn(value, "0123456789") != length) {
        fprintf(stderr, "build: SOURCE_DATE_EPOCH is \"%s\"; give seconds since 1970\n", value);
        return false;
    }
    *timeStamp = strtoll(value, nullptr, 10);
    return true;
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
            return Usage();
        } else {
            args.push_back(argv[i]);
        }
    }
    if (args.size() != 2) {
        return Usage();
    }
    if (!SourceDateEpoch(&options.timeStamp)) {
        return disktool::kExitUsage;
    }
    disktool::Manifest manifest;
    std::vector<std::string> errors;
    bool unreadable;
    if (!disktool::ReadManifest(args[0], &manifest, &errors, &unreadable)) {
        for (const std::string& w : manifest.warnings) {
            fprintf(stderr, "build: warning: %s\n", w.c_str());
        }
        return disktool::NothingWritten("build", errors,
                                        unreadable ? disktool::kExitIo : disktool::kExitErrors);
    }
    return disktool::Build(manifest, args[1], options);
}

int NetInstall(int argc, char** argv) {
    std::string setupExe;
    std::vector<std::string> args;
    for (int i = 0; i < argc; i++) {
        if (strcmp(argv[i], "--setup-exe") == 0 && i + 1 < argc) {
            setupExe = argv[++i];
        } else if (argv[i][0] == '-') {
            return Usage();
        } else {
            args.push_back(argv[i]);
        }
    }
    if (args.size() != 3) {
        return Usage();
    }
    disktool::AnswersFile answers;
    std::vector<std::string> errors;
    bool unreadable;
    if (!disktool::ReadAnswersFile(args[1], &answers, &errors, &unreadable)) {
        return disktool::NothingWritten("netinst", errors,
                                        unreadable ? disktool::kExitIo : disktool::kExitErrors);
    }
    return disktool::NetInstall(args[0], answers, args[2], setupExe);
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
    if (argc >= 2 && strcmp(argv[1], "netinst") == 0) {
        return NetInstall(argc - 2, argv + 2);
    }
    return Usage();
}
