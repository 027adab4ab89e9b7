#include "manifest_rules.h"

#include <map>
#include <set>

#include "disk_names.h"
#include "footprint/footprint.h"
#include "script_tables.h"
#include "source_place.h"

namespace disktool {

namespace {

class Rules {
  public:
    Rules(Manifest* m, std::vector<std::string>* errors) : m_(m), errors_(errors) {}

    void Run() {
        CheckDirectories();
        for (ManifestFile& f : m_->files) {
            PlaceSource(&f);
            CheckFile(f);
        }
        if (ManifestLookup(m_->main, ProgramText(IDS_PRODUCT_NAME)).empty()) {
            FailAt(0,
                   "no ProductName in [Main]: SETUP.EXE would name the product \"Velor\" and "
                   "install into C:\\VELOR");
        }
        if (m_->labelPattern.empty()) {
            m_->labelPattern = ManifestLookup(m_->main, ProgramText(IDS_PRODUCT_NAME)) + " Disk %d";
            std::string why = LabelProblem(m_->labelPattern);
            if (!why.empty()) {
                FailAt(0, why);
            }
        }
        if (m_->files.empty() && errors_->empty()) {
            errors_->push_back(m_->path + ": no [Files] lines");
        }
    }

  private:
    void FailAt(int line, const std::string& what) {
        errors_->push_back(ManifestAt(m_->path, line) + what);
    }
    void WarnAt(int line, const std::string& what) {
        m_->warnings.push_back(ManifestAt(m_->path, line) + what);
    }

    // A directory value names a directory on the disks and (SubDirs,
    // RootDir) below the destination: a relative path of plain names.
    void CheckDirectories() {
        std::set<std::string> made;
        for (const ManifestValue& v : m_->directories) {
            std::string why = DirectoryProblem(v.value);
            if (static_cast<int>(v.value.size()) > kDirectoryLimit) {
                why = "has " + std::to_string(v.value.size()) + " characters; SETUP.EXE keeps " +
                      std::to_string(kDirectoryLimit);
            }
            if (!why.empty()) {
                FailAt(v.line, v.key + " = " + v.value + ": " + why);
                continue;
            }
            if (v.key.compare(0, 6, "SubDir") != 0) {
                continue;
            }
            // The install page makes one level per SubDir value, in order.
            std::string dir = Lower(v.value);
            size_t cut = dir.find_last_of('\\');
            if (cut != std::string::npos && made.count(dir.substr(0, cut)) == 0) {
                FailAt(v.line, v.key + " = " + v.value +
                                   " is made one level at a time: its parent needs to be an "
                                   "earlier SubDir value");
            }
            made.insert(dir);
        }
    }

    // A source below the manifest's folder is read where its links lead;
    // any other would put a file of the build machine on the disks.
    void PlaceSource(ManifestFile* f) {
        std::string folder = Dir(m_->path);
        std::string real;
        if (SourceBelow(folder, f->source, &real)) {
            f->source = real;
            return;
        }
        std::string leads = ResolvedPath(f->source);
        FailAt(f->line, "the source " + f->source + (leads == f->source ? "" : " (" + leads + ")") +
                            " lies outside the manifest's folder " + ResolvedPath(folder) +
                            ": only files below it go on the disks (source-outside)");
    }

    void CheckFile(const ManifestFile& f) {
        std::string why = FileNameProblem(f.target);
        if (!why.empty()) {
            FailAt(f.line, "target name \"" + f.target + "\" " + why);
        } else if (static_cast<int>(f.target.size()) > kNameLimit) {
            FailAt(f.line, "target name \"" + f.target + "\" has " +
                               std::to_string(f.target.size()) + " characters; SETUP.EXE keeps " +
                               std::to_string(kNameLimit));
        }
        if (static_cast<int>(f.description.size()) > kDescriptionLimit) {
            FailAt(f.line, "the description has " + std::to_string(f.description.size()) +
                               " characters; SETUP.EXE shows " + std::to_string(kDescriptionLimit));
        }
        std::string dir = DirectoryValue(*m_, f.keyword);
        if (f.keyword >= kSubDir1 && f.keyword <= kSubDir1 + 5 && dir.empty()) {
            FailAt(f.line, std::string(DirectoryKey(f.keyword)) + " has no [DirectoryName] value");
        }
        CheckUninstaller(f, dir);
        CheckPlace(f);
    }

    // The uninstall list is the tool's, and the Uninstall entry starts
    // UNINSTAL.EXE from the destination directory.
    void CheckUninstaller(const ManifestFile& f, const std::string& dir) {
        std::string upper = Upper(f.target);
        if (upper == kListName) {
            FailAt(f.line,
                   "UNINSTAL.INF is written by disktool from this manifest beside "
                   "UNINSTAL.EXE; drop this line");
        }
        if (upper == kUninstaller && (f.keyword != kRootDir || !dir.empty())) {
            FailAt(f.line,
                   "UNINSTAL.EXE belongs in the destination directory itself (RootDir, with an "
                   "empty RootDir value): the Uninstall entry starts it there");
        }
    }

    // Where the file lands: once per place, never on setup's record, and
    // Windows' own files only with a warning.
    void CheckPlace(const ManifestFile& f) {
        std::string place = f.keyword >= kWinDir ? std::string(DirectoryKey(f.keyword))
                                                 : DirectoryValue(*m_, f.keyword);
        std::string target = Lower(place + "\\" + f.target);
        auto twice = targets_.emplace(target, f.line);
        if (!twice.second) {
            FailAt(f.line, f.target + " is installed to the same place by line " +
                               std::to_string(twice.first->second));
        }
        if (target == Lower(std::string("\\") + footprint::kRecordName)) {
            FailAt(f.line,
                   "SETUP.INF in the destination directory is where SETUP.EXE keeps the "
                   "registry values it replaces; name the file otherwise");
        }
        if (IsWindowsOwnFile(f.keyword, f.target)) {
            WarnAt(f.line, f.target + " is Windows' own file: setup replaces it, and the " +
                               "uninstall list leaves it out so that removing the product "
                               "does not delete it");
        }
    }

    Manifest* m_;
    std::vector<std::string>* errors_;
    std::map<std::string, int> targets_;  // lower-case place\name -> line
};

}  // namespace

std::string LabelProblem(const std::string& pattern) {
    std::string widest = pattern;
    for (size_t at; (at = widest.find("%d")) != std::string::npos;) {
        widest.replace(at, 2, std::to_string(kMaxDisks));
    }
    if (static_cast<int>(widest.size()) <= kLabelLimit) {
        return "";
    }
    return "the disk label \"" + widest + "\" has " + std::to_string(widest.size()) +
           " characters; SETUP.EXE keeps " + std::to_string(kLabelLimit);
}

void CheckWholeManifest(Manifest* m, std::vector<std::string>* errors) {
    Rules(m, errors).Run();
}

}  // namespace disktool
