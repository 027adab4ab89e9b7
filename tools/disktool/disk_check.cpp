// The checker: SETUP.EXE's loader fills its script record and the install
// plan as it would on a machine with the disk in A:, then every rule of the
// loader that loses something without a word is looked for in the script's
// text, one part of the script after another (check_parts.h).
#include "disk_check.h"

#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "check_parts.h"
#include "footprint/footprint.h"
#include "model/setup_data.h"
#include "platform/regedit4_text.h"
#include "platform/text.h"
#include "platform/tool_machine.h"
#include "script/setup_script.h"
#include "script_tables.h"

namespace disktool {

namespace {

// The drive A: of a scratch machine is the disk tree; the rest is empty.
class ScratchMachine {
  public:
    bool Start(const std::string& dir, const std::string& machineDir, std::string* error) {
        char real[PATH_MAX];
        struct stat st;
        if (realpath(dir.c_str(), real) == nullptr || stat(real, &st) != 0) {
            *error = dir + " cannot be read: " + strerror(errno);
            return false;
        }
        if (!S_ISDIR(st.st_mode)) {
            *error = dir + " is not a directory";
            return false;
        }
        std::string tmpl = machineDir + "/.disktool-check.XXXXXX";
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back(0);
        if (mkdtemp(buf.data()) == nullptr) {
            *error = "cannot make a scratch directory in " + machineDir + ": " + strerror(errno);
            return false;
        }
        root_ = buf.data();
        if (symlink(real, (root_ + "/a").c_str()) != 0) {
            *error = "cannot link the disk tree into " + root_ + ": " + strerror(errno);
            return false;
        }
        char systemDir[footprint::kFootprintPath];
        footprint::PlaceDir(footprint::kSystemPlace, nullptr, kAssumedWindowsDir, nullptr,
                            systemDir);
        plat::posix::StartToolMachine(root_, kAssumedWindowsDir, systemDir, "A:\\SETUP.EXE");
        std::string reg =
            std::string("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\") + footprint::kCurrentVersion +
            "]\r\n\"ProgramFilesDir\"=" + plat::RegQuoted(kAssumedProgramFiles) + "\r\n";
        plat::posix::RegistryLoadText(reg);
        return true;
    }

    ~ScratchMachine() {
        if (!root_.empty()) {
            plat::posix::EndToolMachine();
            unlink((root_ + "/a").c_str());
            rmdir(root_.c_str());
        }
    }

  private:
    std::string root_;
};

// The parts in the order their findings are reported.
void (*const kParts[])(Check&) = {
    CheckLayout,         // sections and keys as written
    CheckAnswers,        // [Unattended]
    CheckMain,           // [Main]
    CheckRunFits,        // the destination in the application entries' field
    CheckLabels,         // [DiskLabel]
    CheckDirectories,    // [DirectoryName]
    CheckCounts,         // [FileCounts]
    CheckFileLines,      // [Disk1] ..: the plan
    CheckUnreadDisks,    // disk sections beyond the labelled disks
    CheckUninstallList,  // UNINSTAL.EXE and its list
    CheckGroupItems,     // [PM Info]
    CheckStartup,        // [Startup]
    CheckTitleFits,      // its Title in the display name's field
    CheckStartupFiles,   // the files it names
    CheckSpace,          // MinimumSpace against the plan
};

// Loads the script with SETUP.EXE's loader, then runs the parts on it.
void RunChecks(CheckResult* r) {
    std::string host = plat::posix::HostPath(kScript.c_str());
    struct stat st;
    r->scriptFound = stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    if (!r->scriptFound) {
        r->findings.push_back(
            Finding{Severity::Error, "no-script", "",
                    "no SETUP.INF in " + r->directory + ": SETUP.EXE would install nothing"});
        return;
    }
    std::vector<plat::posix::ProfileSectionLines> sections;
    plat::posix::ProfileParseFile(host, &sections);
    std::unique_ptr<SetupScript> loaded(new SetupScript);  // the loader's, for this check alone
    ResetSetupScript(*loaded);
    // The loader's section and key names: the string table's own texts.
    if (!LoadSetupScript(*loaded, kAssumedWindowsDir, ProgramText)) {
        r->findings.push_back(
            Finding{Severity::Error, "plan-alloc", "", "SETUP.EXE cannot obtain its install plan"});
        return;
    }
    InstallChoices choices;
    ResetInstallChoices(choices);
    text::Copy(choices.windowsDir, sizeof choices.windowsDir, kAssumedWindowsDir);
    ProposeChoices(*loaded, choices);
    r->productName = loaded->productName;
    r->destDir = loaded->defaultDestDir;
    r->minimumSpace = loaded->minimumSpace;
    LoadedScript script(std::move(sections));
    Check check{script, *loaded, choices, *r};
    for (auto part : kParts) {
        part(check);
    }
    ReleaseInstallPlan(*loaded);
}

void JsonString(FILE* out, const std::string& s) {
    fputc('"', out);
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            fprintf(out, "\\%c", c);
        } else if (c < 0x20 || c >= 0x7F) {
            fprintf(out, "\\u%04x", c);  // script text is 8-bit: shown as Latin-1
        } else {
            fputc(c, out);
        }
    }
    fputc('"', out);
}

const char* SeverityName(Severity s) {
    return s == Severity::Error ? "error" : "warning";
}

}  // namespace

bool CheckDisk(const std::string& dir, CheckResult* result, std::string* error,
               const std::string& machineDir) {
    *result = CheckResult();
    result->directory = dir;
    ScratchMachine machine;
    if (!machine.Start(dir, machineDir, error)) {
        return false;
    }
    RunChecks(result);
    return true;
}

std::string FindingText(const Finding& f) {
    return SeverityName(f.severity) + std::string(": ") + f.where + (f.where.empty() ? "" : ": ") +
           f.message + " [" + f.code + "]";
}

void PrintText(const CheckResult& r, FILE* out) {
    if (r.scriptFound) {
        fprintf(out, "%s: \"%s\", destination %s (SETUP.EXE in A:\\, Windows in %s)\n",
                r.directory.c_str(), r.productName.c_str(), r.destDir.c_str(), kAssumedWindowsDir);
        for (const PlanDisk& d : r.disks) {
            fprintf(out, "disk %d \"%s\": %zu file%s\n", d.number, d.label.c_str(), d.files.size(),
                    d.files.size() == 1 ? "" : "s");
            for (const PlanFile& f : d.files) {
                std::string size = !f.present     ? std::string("missing")
                                   : f.compressed ? std::to_string(f.expanded) + " bytes (SZDD, " +
                                                        std::to_string(f.size) + " on disk)"
                                                  : std::to_string(f.expanded) + " bytes";
                fprintf(out, "  %3d  %s -> %s  %s  \"%s\"\n", f.line, Tidy(f.source).c_str(),
                        f.destination.c_str(), size.c_str(), f.description.c_str());
            }
        }
        fprintf(out, "expanded total %llu bytes (%llu KB); MinimumSpace %d KB\n",
                static_cast<unsigned long long>(r.expandedTotal),
                static_cast<unsigned long long>((r.expandedTotal + 1023) / 1024), r.minimumSpace);
    }
    for (const Finding& f : r.findings) {
        fprintf(out, "%s\n", FindingText(f).c_str());
    }
    fprintf(out, "check: %d error%s, %d warning%s\n", r.Count(Severity::Error),
            r.Count(Severity::Error) == 1 ? "" : "s", r.Count(Severity::Warning),
            r.Count(Severity::Warning) == 1 ? "" : "s");
}

void PrintJson(const CheckResult& r, FILE* out) {
    fprintf(out, "{\"directory\": ");
    JsonString(out, r.directory);
    fprintf(out, ", \"script\": %s, \"product\": ", r.scriptFound ? "true" : "false");
    JsonString(out, r.productName);
    fprintf(out, ", \"destination\": ");
    JsonString(out, r.destDir);
    fprintf(out, ", \"minimumSpace\": %d, \"expandedTotal\": %llu,\n \"disks\": [", r.minimumSpace,
            static_cast<unsigned long long>(r.expandedTotal));
    for (size_t d = 0; d < r.disks.size(); d++) {
        const PlanDisk& disk = r.disks[d];
        fprintf(out, "%s\n  {\"number\": %d, \"label\": ", d ? "," : "", disk.number);
        JsonString(out, disk.label);
        fprintf(out, ", \"files\": [");
        for (size_t i = 0; i < disk.files.size(); i++) {
            const PlanFile& f = disk.files[i];
            fprintf(out, "%s\n   {\"line\": %d, \"source\": ", i ? "," : "", f.line);
            JsonString(out, Tidy(f.source));
            fprintf(out, ", \"destination\": ");
            JsonString(out, f.destination);
            fprintf(out, ", \"description\": ");
            JsonString(out, f.description);
            fprintf(out,
                    ", \"present\": %s, \"compressed\": %s, \"size\": %llu, \"expanded\": %llu}",
                    f.present ? "true" : "false", f.compressed ? "true" : "false",
                    static_cast<unsigned long long>(f.size),
                    static_cast<unsigned long long>(f.expanded));
        }
        fprintf(out, "]}");
    }
    fprintf(out, "],\n \"findings\": [");
    for (size_t i = 0; i < r.findings.size(); i++) {
        const Finding& f = r.findings[i];
        fprintf(out, "%s\n  {\"severity\": \"%s\", \"code\": ", i ? "," : "",
                SeverityName(f.severity));
        JsonString(out, f.code);
        fprintf(out, ", \"where\": ");
        JsonString(out, f.where);
        fprintf(out, ", \"message\": ");
        JsonString(out, f.message);
        fprintf(out, "}");
    }
    fprintf(out, "],\n \"errors\": %d, \"warnings\": %d}\n", r.Count(Severity::Error),
            r.Count(Severity::Warning));
}

}  // namespace disktool
