// The one place the disk tool writes the uninstall list: its schema and
// places come from the footprint, the entries from the manifest.
#include "uninstall_list.h"

#include <set>
#include <vector>

#include "disk_names.h"
#include "footprint/footprint.h"
#include "model/setup_data.h"

namespace disktool {

namespace {

// A list entry (kListForm) for the place rel lies in; the manifest's
// limits keep it within the footprint's paths.
std::string ListEntry(int place, const std::string& rel) {
    char entry[footprint::kFootprintPath];
    footprint::TargetEntry(place, rel.c_str(), footprint::kListForm, entry);
    return entry;
}

// Where setup copies a file, as the list spells it: the Win* keywords put
// it in the Windows places, the others below the destination directory.
std::string Destination(const Manifest& m, const ManifestFile& f) {
    int place = footprint::PlaceOfDirectory(f.keyword);
    std::string dir = place == footprint::kInstallPlace ? DirectoryValue(m, f.keyword) : "";
    return ListEntry(place, dir.empty() ? f.target : dir + "\\" + f.target);
}

}  // namespace

std::string UninstallList(const Manifest& m) {
    std::string s;
    auto line = [&s](const std::string& text) { s += text + "\r\n"; };
    line("; The uninstall list, written by disktool from " + ManifestName(m) + ". SETUP.EXE");
    line("; copies it beside UNINSTAL.EXE like any other file of the disk;");
    line("; UNINSTAL.EXE reads it.");
    line("; [Startup] repeats the setup script's values, so the uninstaller knows what");
    line("; setup wrote into the registry. [Files] and [Directories] name what the");
    line("; installation made, each as \"place, path below it\"; a place is Install,");
    line("; Windows, System or Inf, and an empty path names the place itself.");
    line(std::string("[") + footprint::kListStartup + "]");
    for (const footprint::ListKey& key : footprint::kListKeys) {
        for (const ManifestValue& kv : m.startup) {
            if (kv.key == key.name) {
                line(kv.key + "=" + kv.value);
            }
        }
    }
    line("");
    line(std::string("[") + footprint::kListFiles + "]");
    std::vector<ManifestFile> files = m.files;
    for (size_t i = 0; i < files.size(); i++) {
        if (Upper(files[i].target) == kUninstaller) {
            ManifestFile list = files[i];
            list.target = kListName;
            files.insert(files.begin() + static_cast<long>(i) + 1, list);
            break;
        }
    }
    // The install directory's files first, then the Windows places'.
    int n = 0;
    for (bool install : {true, false}) {
        for (const ManifestFile& f : files) {
            bool inInstall = footprint::PlaceOfDirectory(f.keyword) == footprint::kInstallPlace;
            if (inInstall == install && !IsWindowsOwnFile(f.keyword, f.target)) {
                line(std::to_string(++n) + "=" + Destination(m, f));
            }
        }
    }
    line("");
    line(std::string("[") + footprint::kListDirectories + "]");
    // The destination directory, then what the install page makes, in its
    // order (the manifest refuses a nested name before its parent).
    line("1=" + ListEntry(footprint::kInstallPlace, ""));
    n = 1;
    std::set<std::string> seen;
    for (int i = kSubDir1; i < kSubDir1 + 6; i++) {
        std::string dir = DirectoryValue(m, i);
        if (!dir.empty() && seen.insert(Lower(dir)).second) {
            line(std::to_string(++n) + "=" + ListEntry(footprint::kInstallPlace, dir));
        }
    }
    return s;
}

}  // namespace disktool
