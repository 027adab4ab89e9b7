// The builder, as named steps: plan (the validated manifest's files and
// their names on the disks), compress (each file to SZDD when that is
// smaller), lay out (first fit, largest first, directory entries counted as
// FAT keeps them), write (SETUP.INF and the trees into a scratch directory),
// image (mtools, xorriso), check (the checker on the result) and swap (the
// scratch directory's entries take OUTDIR's place).
#include "disk_build.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "build_report.h"
#include "compress_files.h"
#include "disk_check.h"
#include "disk_images.h"
#include "disk_labels.h"
#include "disk_layout.h"
#include "out_dir.h"
#include "setup_inf.h"
#include "tree_write.h"
#include "whole_file.h"

namespace disktool {

namespace {

int Fail(const std::vector<std::string>& errors, int status = kExitErrors) {
    return NothingWritten("build", errors, status);
}

// What the build writes: the files with their disks, SETUP.EXE, SETUP.INF.
struct Layout {
    std::vector<PlannedFile> plan;
    std::vector<DiskFile> files;  // point into plan
    std::vector<uint8_t> setupExe;
    std::vector<DiskSpace> disks;
    std::string script;
};

// Plan, compress and lay out: everything that can be wrong with the
// manifest's files is found here, before anything is written. Returns 0 or
// the exit status, the reasons printed.
int Prepare(const Manifest& m, const BuildOptions& options, Layout* l) {
    std::vector<std::string> errors;
    bool unreadable = false;
    if (!PlanFiles(m, &l->plan, &errors) ||
        !CompressFiles(m, l->plan, &l->files, &errors, &unreadable)) {
        return Fail(errors, unreadable ? kExitIo : kExitErrors);
    }
    if (!options.setupExe.empty() && !ReadWholeFile(options.setupExe, &l->setupExe)) {
        return Fail({options.setupExe + " cannot be read: " + strerror(errno)}, kExitIo);
    }
    // SETUP.INF's size hardly depends on the layout; six disks' headers and
    // counts are kept free.
    uint64_t expandedTotal = 0;
    for (DiskFile& f : l->files) {
        f.disk = 0;
        expandedTotal += f.expanded;
    }
    uint64_t scriptReserve = ScriptText(m, l->files, 1, expandedTotal).size() + 512;
    uint64_t exeBytes = options.setupExe.empty() ? kSetupExeReserve : l->setupExe.size();
    if (!LayOut(m, &l->files, scriptReserve, exeBytes, &l->disks, &errors)) {
        return Fail(errors);
    }
    l->script = ScriptText(m, l->files, static_cast<int>(l->disks.size()), expandedTotal);
    return kExitClean;
}

// The trees, dated at the build's time stamp when it has one.
int WriteTrees(const Layout& l, const std::string& root, int64_t timeStamp) {
    std::string error;
    for (int d = -1; d < static_cast<int>(l.disks.size()); d++) {
        std::string tree = root + (d < 0 ? "/merged" : "/disk" + std::to_string(d + 1));
        if (!WriteTree(tree, l.files, d, l.script, l.setupExe, &error) ||
            (timeStamp >= 0 && !StampTree(tree, timeStamp, &error))) {
            return Fail({error}, kExitIo);
        }
    }
    return kExitClean;
}

// Write, image and check in root; 0 or the exit status, the reasons printed.
int WriteAll(const Manifest& m, const BuildOptions& options, const Layout& l,
             const std::string& root) {
    int status = WriteTrees(l, root, options.timeStamp);
    if (status != kExitClean) {
        return status;
    }
    std::string error;
    for (int d = 0; options.images && d < static_cast<int>(l.disks.size()); d++) {
        std::string name = root + "/disk" + std::to_string(d + 1);
        if (!MakeImage(name + ".img", name, VolumeLabel(m, d), options.timeStamp, &error)) {
            return Fail({error}, kExitHelper);
        }
    }
    if (options.iso && !MakeIso(root + "/" + kIsoName, root + "/merged", LabelChars(Label(m, 0)),
                                options.timeStamp, &error)) {
        return Fail({error}, kExitHelper);
    }
    CheckResult check;
    if (!CheckDisk(root + "/merged", &check, &error, root)) {
        return Fail({"cannot check the result: " + error}, kExitIo);
    }
    if (check.ExitCode() != kExitClean) {
        std::vector<std::string> found = FindingsAtLines(m, check);
        found.push_back("the disk set does not check clean");
        return Fail(found);
    }
    return kExitClean;
}

}  // namespace

int Build(const Manifest& m, const std::string& out, const BuildOptions& options) {
    std::string outDir = WithoutTrailingSlash(out);
    for (const std::string& w : m.warnings) {
        fprintf(stderr, "build: warning: %s\n", w.c_str());
    }
    Layout layout;
    int status = Prepare(m, options, &layout);
    if (status != kExitClean) {
        return status;
    }
    // Write, image and check in the scratch directory; OUTDIR's own
    // entries are untouched until the result checks clean.
    OutDir dir;
    std::string error;
    status = dir.Open(outDir, &error);
    if (status != kExitClean) {
        return Fail({error}, status);
    }
    status = WriteAll(m, options, layout, dir.scratch());
    if (status != kExitClean) {
        return status;
    }
    if (!dir.Swap(&error)) {
        fprintf(stderr,
                "build: %s\nbuild: %s now holds part of the earlier build and part of the new "
                "one; build again\n",
                error.c_str(), outDir.c_str());
        return kExitIo;
    }
    PrintBuilt(m, layout.files, layout.disks, outDir, options);
    printf("build: check is clean on %s/merged\n", outDir.c_str());
    return kExitClean;
}

}  // namespace disktool
