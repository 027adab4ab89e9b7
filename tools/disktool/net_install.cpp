// The install point, as named steps: gather (every file of every disk, in
// memory, and SETUP.EXE), answer (the script with the answers' section),
// write and check (in OUTDIR's scratch directory), swap.
#include "net_install.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <map>
#include <vector>

#include "disk_check.h"
#include "disk_names.h"
#include "exit_status.h"
#include "out_dir.h"
#include "script/answers.h"
#include "script/setup_script.h"
#include "tree_write.h"
#include "whole_file.h"

namespace disktool {

namespace {

struct PointFile {
    std::string rel;  // below the point, '/'-separated, spelled as on its disk
    std::vector<uint8_t> bytes;
};

struct Point {
    std::vector<PointFile> files;
    int disks = 0;
};

// The entry of dir named name, letter case aside, as DOS finds it; "" for
// none.
std::string EntryNamed(const std::string& dir, const std::string& name) {
    for (const std::string& e : DirectoryNames(dir, true)) {
        if (SameName(e, name)) {
            return e;
        }
    }
    return "";
}

// The disk trees: disks itself when SETUP.INF is at its top, else disk1,
// disk2, ... as long as they follow on.
std::vector<std::string> DiskTrees(const std::string& disks) {
    if (!EntryNamed(disks, kScriptName).empty()) {
        return {disks};
    }
    std::vector<std::string> trees;
    for (int d = 1;; d++) {
        std::string name = EntryNamed(disks, "disk" + std::to_string(d));
        struct stat st;
        if (name.empty() || stat((disks + "/" + name).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            return trees;
        }
        trees.push_back(disks + "/" + name);
    }
}

// The file at the point's top named name, or null.
PointFile* TopFile(Point* p, const char* name) {
    for (PointFile& f : p->files) {
        if (SameName(f.rel, name)) {
            return &f;
        }
    }
    return nullptr;
}

// Every file of every disk, disk 1 first. Two that are one name on
// Windows would replace each other in the merge: refused. Returns 0 or the
// exit status, the reasons in errors.
int Gather(const std::string& disks, Point* p, std::vector<std::string>* errors) {
    struct stat st;
    if (stat(disks.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        int why = errno;
        errors->push_back(
            disks + " cannot be read: " + strerror(stat(disks.c_str(), &st) == 0 ? ENOTDIR : why));
        return kExitIo;
    }
    std::vector<std::string> trees = DiskTrees(disks);
    std::map<std::string, std::string> held;  // upper-case path -> the file that has it
    int status = kExitClean;
    for (const std::string& tree : trees) {
        Walk(tree, "", [&](const std::string& rel) {
            std::string path = tree + "/" + rel;
            if (rel.back() == '/') {
                return true;
            }
            auto at = held.emplace(Upper(rel), path);
            PointFile f{rel, {}};
            if (!at.second) {
                errors->push_back(path + " and " + at.first->second +
                                  " are one file on Windows: merged, one would replace the other");
                status = kExitErrors;
            } else if (!ReadWholeFile(path, &f.bytes)) {
                errors->push_back(path + " cannot be read: " + strerror(errno));
                status = kExitIo;
            }
            p->files.push_back(std::move(f));
            return false;
        });
    }
    p->disks = static_cast<int>(trees.size());
    if (TopFile(p, kScriptName) == nullptr && status == kExitClean) {
        errors->push_back((trees.empty() ? disks : trees[0]) + " holds no " + kScriptName +
                          ": give the disks' merged folder, or the folder of disk1 .. diskN");
        status = kExitErrors;
    }
    return status;
}

// SETUP.EXE: the one given, in place of the disks' own, else theirs.
int TakeSetupExe(const std::string& given, Point* p, std::vector<std::string>* errors) {
    PointFile* exe = TopFile(p, kSetupExeName);
    if (given.empty()) {
        if (exe == nullptr) {
            errors->push_back(std::string("the disks hold no ") + kSetupExeName +
                              ": give one with --setup-exe FILE");
            return kExitErrors;
        }
        return kExitClean;
    }
    if (exe == nullptr) {
        p->files.push_back({kSetupExeName, {}});
        exe = &p->files.back();
    }
    if (!ReadWholeFile(given, &exe->bytes)) {
        errors->push_back(given + " cannot be read: " + strerror(errno));
        return kExitIo;
    }
    return kExitClean;
}

// The disks' script with the answers' section last, in place of any the
// disks had (true in *replaced then), after one blank line.
std::string AnsweredScript(const std::vector<uint8_t>& script, const AnswersFile& a,
                           bool* replaced) {
    std::vector<std::string> kept;
    bool inside = false;
    for (const std::string& line : TextLines(std::string(script.begin(), script.end()))) {
        inside = IsHeader(line) ? IsAnswersHeader(line) : inside;
        *replaced = *replaced || inside;
        if (!inside) {
            kept.push_back(line);
        }
    }
    while (!kept.empty() && kept.back().find_first_not_of(" \t\r") == std::string::npos) {
        kept.pop_back();  // a point made again keeps one blank line
    }
    std::string text;
    for (const std::string& line : kept) {
        text += line + "\n";
    }
    return text + "\r\n" + AnswersSection(a);
}

// Writes the point at root and checks it; 0 or the exit status, the
// reasons in errors.
int WriteAndCheck(const Point& p, const std::string& root, const std::string& machineDir,
                  std::vector<std::string>* errors) {
    std::string error;
    for (const PointFile& f : p.files) {
        if (!WriteInside(root, f.rel, f.bytes.data(), f.bytes.size(), &error)) {
            errors->push_back(error);
            return kExitIo;
        }
    }
    CheckResult check;
    if (!CheckDisk(root, &check, &error, machineDir)) {
        errors->push_back("cannot check the install point: " + error);
        return kExitIo;
    }
    for (const Finding& f : check.findings) {
        errors->push_back(FindingText(f));
    }
    if (check.ExitCode() != kExitClean) {
        errors->push_back("the install point does not check clean");
        return kExitErrors;
    }
    return kExitClean;
}

}  // namespace

int NetInstall(const std::string& disks, const AnswersFile& answers, const std::string& out,
               const std::string& setupExe) {
    std::vector<std::string> errors;
    Point point;
    int status = Gather(disks, &point, &errors);
    status = status == kExitClean ? TakeSetupExe(setupExe, &point, &errors) : status;
    if (status != kExitClean) {
        return NothingWritten("netinst", errors, status);
    }
    bool replaced = false;
    std::string script = AnsweredScript(TopFile(&point, kScriptName)->bytes, answers, &replaced);
    TopFile(&point, kScriptName)->bytes.assign(script.begin(), script.end());
    std::string outDir = WithoutTrailingSlash(out);
    OutDir dir;
    std::string error;
    status = dir.Open(outDir, &error);
    if (status != kExitClean) {
        return NothingWritten("netinst", {error}, status);
    }
    status = WriteAndCheck(point, dir.scratch() + "/" + kPointName, dir.scratch(), &errors);
    if (status != kExitClean) {
        return NothingWritten("netinst", errors, status);
    }
    if (!dir.Swap(&error)) {
        fprintf(stderr,
                "netinst: %s\nnetinst: %s now holds part of the earlier point and part of the "
                "new one; run netinst again\n",
                error.c_str(), outDir.c_str());
        return kExitIo;
    }
    std::string given;
    for (const AnswerLine& a : answers.answers) {
        given += std::string(given.empty() ? "" : ", ") + kAnswerKeys[a.key] + "=" + a.value;
    }
    printf("netinst: %s/%s: %zu files of %d disk%s, %s %s\n", outDir.c_str(), kPointName,
           point.files.size(), point.disks, point.disks == 1 ? "" : "s", kSetupExeName,
           setupExe.empty() ? "of the disks" : ("from " + setupExe).c_str());
    printf("netinst: [%s] of %s%s: %s\n", kAnswersSection, answers.path.c_str(),
           replaced ? ", in place of the disks' own" : "",
           given.empty() ? "no answers, the script's proposals taken" : given.c_str());
    printf("netinst: check is clean on %s/%s\n", outDir.c_str(), kPointName);
    return kExitClean;
}

}  // namespace disktool
