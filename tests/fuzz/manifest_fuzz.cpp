// libFuzzer target for the disk tool's manifest reader and planner: the
// input is the manifest. Besides what the sanitizers catch, every manifest
// the reader accepts must plan only paths that stay inside the output
// directory (relative, no "..", ".", empty or backslashed part) and 8.3
// names on the disks, and its uninstall list must name no file of Windows'.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "disk_build.h"
#include "disk_names.h"
#include "manifest.h"
#include "model/setup_data.h"

namespace {

void Fail(const std::string& what) {
    fprintf(stderr, "manifest_fuzz: %s\n", what.c_str());
    abort();
}

// Checked part by part here rather than with the builder's own guard, so a
// fault in that guard shows.
void RequireInside(const std::string& path) {
    if (path.empty() || path[0] == '/') {
        Fail("a planned path that is not relative: " + path);
    }
    size_t start = 0;
    for (;;) {
        size_t end = path.find('/', start);
        std::string part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == ".." || part.find('\\') != std::string::npos ||
            part.find(':') != std::string::npos) {
            Fail("a planned path that may leave the output directory: " + path);
        }
        if (end == std::string::npos) {
            return;
        }
        start = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    disktool::Manifest m;
    std::vector<std::string> errors;
    if (!disktool::ParseManifestText(text, "/nonexistent/set.manifest", &m, &errors)) {
        return 0;
    }
    std::vector<disktool::PlannedFile> plan;
    if (!disktool::PlanFiles(m, &plan, &errors)) {
        return 0;
    }
    for (const disktool::PlannedFile& p : plan) {
        for (const std::string& name : {p.plainName, p.packedName}) {
            RequireInside(p.diskDir.empty() ? name : p.diskDir + "/" + name);
            if (!disktool::IsShortName(name)) {
                Fail("a name on the disk that is not 8.3: " + name);
            }
        }
    }
    std::string list = disktool::UninstallList(m);
    for (const disktool::ManifestFile& f : m.files) {
        std::string listed =
            (f.keyword == kWinSystemDir ? "=Windows, SYSTEM\\" : "=Windows, ") + f.target + "\r\n";
        if (disktool::IsWindowsOwnFile(f.keyword, f.target) &&
            list.find(listed) != std::string::npos) {
            Fail("the uninstall list names Windows' own " + f.target);
        }
    }
    return 0;
}
