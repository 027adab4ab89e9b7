// The one place the disk tool writes the uninstall list: its schema and
// places come from the footprint, the entries from the manifest.
#include "uninstall_list.h"

#include <set>
#include <vector>

#include "disk_names.h"
#include "footprint/footprint.h"
#include "model/setup_data.h"
#include "record/uninstall_list.h"

namespace disktool {

namespace {

// Where setup copies a file below its place (PlaceOfDirectory): the Win*
// keywords put it in the Windows places, the others below the destination
// directory.
std::string Destination(const Manifest& m, const ManifestFile& f) {
    int place = footprint::PlaceOfDirectory(f.keyword);
    std::string dir = place == footprint::kInstallPlace ? DirectoryValue(m, f.keyword) : "";
    return dir.empty() ? f.target : dir + "\\" + f.target;
}

// The uninstall list's lines, ended CR LF, with the manifest's [Startup]
// values; the list's own writer lays them out.
class ListText : public ::UninstallList::Writer {
  public:
    explicit ListText(const Manifest& m) : m_(m) {}

    void Line(const char* line) override { text += std::string(line) + "\r\n"; }

    const char* StartupValue(const char* key) override {
        for (const ManifestValue& kv : m_.startup) {
            if (kv.key == key) {
                return kv.value.c_str();
            }
        }
        return nullptr;
    }

    std::string text;

  private:
    const Manifest& m_;
};

// The manifest's files with the list itself right after UNINSTAL.EXE.
std::vector<ManifestFile> ListedFiles(const Manifest& m) {
    std::vector<ManifestFile> files = m.files;
    for (size_t i = 0; i < files.size(); i++) {
        if (Upper(files[i].target) == kUninstaller) {
            ManifestFile list = files[i];
            list.target = kListName;
            files.insert(files.begin() + static_cast<long>(i) + 1, list);
            break;
        }
    }
    return files;
}

}  // namespace

std::string UninstallList(const Manifest& m) {
    ListText list(m);
    std::string from = "The uninstall list, written by disktool from " + ManifestName(m);
    list.Comment((from + ". SETUP.EXE").c_str());
    list.Comment("copies it beside UNINSTAL.EXE like any other file of the disk;");
    list.Comment("UNINSTAL.EXE reads it.");
    list.Comment("[Startup] repeats the setup script's values, so the uninstaller knows what");
    list.Comment("setup wrote into the registry. [Files] and [Directories] name what the");
    list.Comment("installation made, each as \"place, path below it\"; a place is Install,");
    list.Comment("Windows, System or Inf, and an empty path names the place itself.");
    list.Startup();
    list.Begin(::UninstallList::kFiles);
    // The install directory's files first, then the Windows places'.
    std::vector<ManifestFile> files = ListedFiles(m);
    for (bool install : {true, false}) {
        for (const ManifestFile& f : files) {
            int place = footprint::PlaceOfDirectory(f.keyword);
            if ((place == footprint::kInstallPlace) == install &&
                !IsWindowsOwnFile(f.keyword, f.target)) {
                list.Entry(place, Destination(m, f).c_str());
            }
        }
    }
    list.Begin(::UninstallList::kDirectories);
    // The destination directory, then what the install page makes, in its
    // order (the manifest refuses a nested name before its parent).
    list.Entry(footprint::kInstallPlace, "");
    std::set<std::string> seen;
    for (int i = kSubDir1; i < kSubDir1 + 6; i++) {
        std::string dir = DirectoryValue(m, i);
        if (!dir.empty() && seen.insert(Lower(dir)).second) {
            list.Entry(footprint::kInstallPlace, dir.c_str());
        }
    }
    return list.text;
}

}  // namespace disktool
