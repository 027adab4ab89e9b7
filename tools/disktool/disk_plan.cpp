#include "disk_plan.h"

#include <algorithm>
#include <map>

#include "disk_names.h"
#include "script/setup_script.h"
#include "script_tables.h"
#include "szdd/szdd.h"
#include "uninstall_list.h"

namespace disktool {

namespace {

// A directory value as the disks spell it: upper case, slash-separated.
std::string DiskDir(const std::string& value) {
    std::string dir = Upper(value);
    std::replace(dir.begin(), dir.end(), '\\', '/');
    return dir;
}

// What goes on the disks: the manifest's files and, right after the first
// UNINSTAL.EXE, the uninstall list the tool writes.
std::vector<ManifestFile> FilesWithList(const Manifest& m) {
    std::vector<ManifestFile> out;
    bool listed = false;
    for (const ManifestFile& f : m.files) {
        out.push_back(f);
        if (!listed && Upper(f.target) == kUninstaller) {
            ManifestFile list;
            list.line = f.line;
            list.target = kListName;
            list.description = "Uninstall list";
            list.keyword = f.keyword;
            list.contents = UninstallList(m);
            out.push_back(list);
            listed = true;
        }
    }
    return out;
}

}  // namespace

std::string DiskPath(const std::string& dir, const std::string& name) {
    return dir.empty() ? name : dir + "/" + name;
}

bool PlanFiles(const Manifest& m, std::vector<PlannedFile>* plan,
               std::vector<std::string>* errors) {
    plan->clear();
    // Lower-case disk path -> who holds it; both spellings of every file
    // are kept, as compression chooses between them later.
    std::map<std::string, std::string> taken = {{Lower(kScriptName), "SETUP.INF itself"},
                                                {"setup.exe", "SETUP.EXE itself"}};
    size_t before = errors->size();
    for (const ManifestFile& mf : FilesWithList(m)) {
        PlannedFile p;
        p.file = mf;
        p.diskDir = DiskDir(DirectoryValue(m, mf.keyword));
        p.plainName = DiskFileName(mf.target, [&](const std::string& name) {
            return taken.count(Lower(DiskPath(p.diskDir, name))) != 0 ||
                   taken.count(Lower(DiskPath(p.diskDir, szdd::CompressedName(name)))) != 0;
        });
        p.packedName = szdd::CompressedName(p.plainName);
        std::string who = "line " + std::to_string(mf.line) + " (" + mf.target + ")";
        bool clash = false;
        for (const std::string& name : {p.plainName, p.packedName}) {
            auto held = taken.emplace(Lower(DiskPath(p.diskDir, name)), who);
            if (!held.second && held.first->second != who && !clash) {
                errors->push_back(m.path + ":" + std::to_string(mf.line) + ": the disk name " +
                                  name + " is taken by " + held.first->second);
                clash = true;
            }
        }
        plan->push_back(p);
    }
    return errors->size() == before;
}

}  // namespace disktool
