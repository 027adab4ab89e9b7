// [Main]: what SETUP.EXE makes of the product name, the destination, the
// space it asks for and the default mouse type.
#include <ctype.h>

#include <algorithm>

#include "check_parts.h"
#include "script_tables.h"

namespace disktool {

namespace {

// "X:\..." with its "." and ".." steps taken as Windows takes them: ".."
// at the top of the drive stays there.
std::string Resolve(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 3;
    while (start <= path.size()) {
        size_t end = std::min(path.find('\\', start), path.size());
        std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out = path.substr(0, 3);
    for (size_t i = 0; i < parts.size(); i++) {
        out += (i ? "\\" : "") + parts[i];
    }
    return out;
}

// What SETUP.EXE makes of DefaultPath (FindDestDir): a drive gives way
// to the Windows directory's, a path without one goes below the
// program-files directory; the destination page takes ".." as Windows
// does and refuses a drive without a "\" after it.
void CheckDefaultPath(Check& c) {
    std::optional<std::string> raw = c.script.Raw("Main", "DefaultPath");
    if (!raw) {
        return;
    }
    const std::string& path = *raw;
    std::string where = Where("Main", "DefaultPath");
    std::string dest = c.loaded.defaultDestDir;
    if (path.size() == 2 && path[1] == ':') {
        c.Add(Severity::Warning, "default-path", where,
              "a bare drive is no directory: SETUP.EXE proposes " + dest);
        return;
    }
    if (path.size() > 2 && path[1] == ':' && toupper(path[0]) != kAssumedWindowsDir[0]) {
        c.Add(Severity::Warning, "default-path", where,
              "SETUP.EXE keeps only the path after the drive and puts it on the drive Windows "
              "is on: " +
                  path + " becomes " + dest);
    }
    if (dest.size() < 3 || dest[1] != ':' || dest[2] != '\\') {
        c.Add(Severity::Warning, "default-path", where,
              "SETUP.EXE proposes " + dest +
                  ", which has no \\ after the drive: the destination page refuses it as a "
                  "directory it cannot create, until the user types another");
    } else if (HasParentStep(path)) {
        std::string resolved = Resolve(dest);
        c.Add(Severity::Warning, "default-path", where,
              path + " climbs with ..: SETUP.EXE proposes " + dest + ", which is " + resolved +
                  (SameName(resolved, kAssumedWindowsDir) ? ", the Windows directory itself" : ""));
    }
}

// MinimumSpace is read as a number and kept in 16 bits.
void CheckSpaceRange(Check& c) {
    if (!c.script.Raw("Main", "MinimumSpace")) {
        return;
    }
    int32_t v = c.script.Int("Main", "MinimumSpace", 1024);
    if (v < 0 || v > kMaxMinimumSpace) {
        c.Add(Severity::Warning, "minimum-space", Where("Main", "MinimumSpace"),
              "MinimumSpace " + std::to_string(v) +
                  " does not fit 16 bits: SETUP.EXE holds it as " +
                  std::to_string(c.loaded.minimumSpace));
    }
}

}  // namespace

void CheckMain(Check& c) {
    if (!c.script.Raw("Main", ProgramText(IDS_PRODUCT_NAME))) {
        c.Add(Severity::Warning, "no-product", "[Main]",
              std::string("no ProductName: SETUP.EXE names the product \"") + c.loaded.productName +
                  "\" and proposes " + c.loaded.defaultDestDir);
    }
    for (const ScriptKey& key : kMainKeys) {
        if (key.limit > 0) {
            c.CutKey("Main", key.Name(), key.limit, std::string("the ") + key.Name() + " value");
        }
    }
    CheckDefaultPath(c);
    CheckSpaceRange(c);
    if (c.loaded.defaultSerialMouse != 0 && c.loaded.defaultSerialMouse != 1) {
        c.Add(Severity::Warning, "serial-mouse", Where("Main", "DefaultSerialMouse"),
              "DefaultSerialMouse " + std::to_string(c.loaded.defaultSerialMouse) +
                  " is neither 1 (serial) nor 0 (PS/2): unless the user picks a mouse type, "
                  "no mouse driver is registered");
    }
}

void CheckSpace(Check& c) {
    uint64_t kb = (c.result.expandedTotal + 1023) / 1024;
    if (static_cast<int64_t>(c.loaded.minimumSpace) < static_cast<int64_t>(kb)) {
        c.Add(Severity::Warning, "minimum-space", Where("Main", "MinimumSpace"),
              "MinimumSpace " + std::to_string(c.loaded.minimumSpace) + " KB is less than the " +
                  std::to_string(kb) + " KB that the files expand to");
    }
}

}  // namespace disktool
