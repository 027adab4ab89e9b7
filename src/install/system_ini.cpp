// Switch-over of the [386Enh] mouse line of system.ini to the built-in
// virtual mouse driver, and the separate mouse VxD set aside.
#include "install/system_ini.h"

#include "footprint/footprint.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/text.h"

namespace {

const uint32_t kSystemDirField = 80;  // as GetSystemDirectoryA fills it: up to 79 chars

// Puts setup's line in the place of the mouse line, every other byte kept.
class SwitchMouseLine : public footprint::LineEditor {
  public:
    int Edit(footprint::RawFile* in, const footprint::LineFacts& line, footprint::RawFile* out,
             int* changed) override {
        // A line that names the built-in driver already, in any letter
        // case, stays: its text would be lost to a switch-over it does not
        // need.
        if (!footprint::IsMouseLine(&rule_, line) ||
            footprint::LineIs(line, footprint::kSetupMouseLine, 1)) {
            return footprint::RawCopy(in, line.start, line.length + line.endBytes, out);
        }
        *changed = 1;
        return footprint::RawWrite(out, footprint::kSetupMouseLine,
                                   text::Length(footprint::kSetupMouseLine)) &&
               footprint::RawWriteLineEnd(out, line);
    }

  private:
    footprint::MouseLineRule rule_ = {0};
};

}  // namespace

int MouseLinesAreBuiltIn(const char* windowsDir) {
    char iniPath[footprint::kFootprintPath];
    static footprint::RawFile in;
    static footprint::LineFacts line;
    if (!footprint::PathIn(iniPath, windowsDir, footprint::kSystemIni) ||
        !footprint::RawOpenRead(&in, iniPath)) {
        return -1;
    }
    footprint::MouseLineRule rule = {0};
    int builtIn = 1;
    while (footprint::RawNextLine(&in, &line)) {
        if (footprint::IsMouseLine(&rule, line) &&
            !footprint::LineIs(line, footprint::kSetupMouseLine, 1)) {
            builtIn = 0;
        }
    }
    return footprint::RawClose(&in) ? builtIn : -1;
}

int SwitchSystemIni(const char* windowsDir) {
    char iniPath[footprint::kFootprintPath];
    char bakPath[footprint::kFootprintPath];
    char newPath[footprint::kFootprintPath];
    if (!footprint::PathIn(iniPath, windowsDir, footprint::kSystemIni) ||
        !footprint::PathIn(bakPath, windowsDir, footprint::kSystemBak) ||
        !footprint::PathIn(newPath, windowsDir, footprint::kSystemNew)) {
        return 0;
    }
    // A rewrite that changes nothing (a second setup finds its own mouse
    // line) leaves system.bak alone: it holds the only copy of the text
    // from before the first setup.
    SwitchMouseLine editor;
    if (footprint::RewriteTextFile(iniPath, newPath, bakPath, windowsDir, editor) ==
        footprint::kRewriteFailed) {
        return 0;
    }

    char systemDir[kSystemDirField];
    uint32_t length = plat::SystemDirectory(systemDir, sizeof systemDir);
    if (length == 0 || length >= sizeof systemDir) {
        return 0;
    }
    char vxdPath[footprint::kFootprintPath];
    char vxdBakPath[footprint::kFootprintPath];
    if (!footprint::PathIn(vxdPath, systemDir, footprint::kVxd) ||
        !footprint::PathIn(vxdBakPath, systemDir, footprint::kVxdBak)) {
        return 0;
    }
    // Without a VxD to take its place, VMOUSE.BAK is the only copy of the
    // original one (a second setup): it stays, and nothing is left to do.
    uint32_t vxd = plat::FileAttributes(vxdPath);
    if (vxd == plat::kInvalidAttributes || (vxd & plat::kAttrDirectory) != 0) {
        return 1;
    }
    plat::FileDelete(vxdBakPath);
    return plat::FileRename(vxdPath, vxdBakPath);
}
