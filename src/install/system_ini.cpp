// Switch-over of the [386Enh] mouse line of system.ini to the built-in
// virtual mouse driver, and the separate mouse VxD set aside.
#include "install/system_ini.h"

#include "footprint/footprint.h"
#include "platform/files.h"
#include "platform/guarded_replace.h"
#include "platform/logbook.h"
#include "platform/system.h"
#include "platform/text.h"

namespace {

const uint32_t kSystemDirField = 80;  // as GetSystemDirectoryA fills it: up to 79 chars

// The mouse line that setup's takes the place of, in the log.
void LogLine(const fileio::LineFacts& line) {
    if (!logbook::On()) {
        return;
    }
    char text[81];
    uint32_t n = line.length < sizeof text - 1 ? line.length : sizeof text - 1;
    text::Fill(text, 0, sizeof text);
    for (uint32_t i = 0; i < n; i++) {
        text[i] = line.prefix[i] != 0 ? line.prefix[i] : ' ';
    }
    logbook::Note("system.ini: %s -> %s", text, footprint::kSetupMouseLine);
}

// Puts setup's line in the place of the mouse line, every other byte kept.
class SwitchMouseLine : public fileio::LineEditor {
  public:
    int Edit(fileio::RawFile* in, const fileio::LineFacts& line, fileio::RawFile* out,
             int* changed) override {
        // A line that names the built-in driver already, in any letter
        // case, stays: its text would be lost to a switch-over it does not
        // need.
        if (!footprint::IsMouseLine(&rule_, line) ||
            fileio::LineIs(line, footprint::kSetupMouseLine, 1)) {
            return fileio::RawCopy(in, line.start, line.length + line.endBytes, out);
        }
        *changed = 1;
        LogLine(line);
        return fileio::RawWrite(out, footprint::kSetupMouseLine,
                                text::Length(footprint::kSetupMouseLine)) &&
               fileio::RawWriteLineEnd(out, line);
    }

  private:
    footprint::MouseLineRule rule_ = {0};
};

}  // namespace

int MouseLinesAreBuiltIn(const char* windowsDir) {
    char iniPath[text::kComposedPath];
    static fileio::RawFile in;
    static fileio::LineFacts line;
    if (!text::PathIn(iniPath, windowsDir, footprint::kSystemIni) ||
        !fileio::RawOpenRead(&in, iniPath)) {
        return -1;
    }
    footprint::MouseLineRule rule = {0};
    int builtIn = 1;
    while (fileio::RawNextLine(&in, &line, footprint::kMouseLineWords)) {
        if (footprint::IsMouseLine(&rule, line) &&
            !fileio::LineIs(line, footprint::kSetupMouseLine, 1)) {
            builtIn = 0;
        }
    }
    return fileio::RawClose(&in) ? builtIn : -1;
}

int RecoverSwitch(const char* windowsDir, const char* backupPath) {
    char iniPath[text::kComposedPath];
    char newPath[text::kComposedPath];
    if (!text::PathIn(iniPath, windowsDir, footprint::kSystemIni) ||
        !text::PathIn(newPath, windowsDir, footprint::kSystemNew)) {
        return 0;
    }
    fileio::ReplaceNames names = {iniPath, newPath, backupPath};
    return fileio::RecoverGuardedReplace(names, windowsDir, true) != fileio::kGuardedStays;
}

int SwitchSystemIni(const char* windowsDir, const char* backupPath) {
    char iniPath[text::kComposedPath];
    char bakPath[text::kComposedPath];
    char newPath[text::kComposedPath];
    if (!text::PathIn(iniPath, windowsDir, footprint::kSystemIni) ||
        !(backupPath != nullptr ? text::Copy(bakPath, sizeof bakPath, backupPath)
                                : text::PathIn(bakPath, windowsDir, footprint::kSystemBak)) ||
        !text::PathIn(newPath, windowsDir, footprint::kSystemNew)) {
        return 0;
    }
    // A rewrite that changes nothing (a second setup finds its own mouse
    // line) leaves system.bak alone: it holds the only copy of the text
    // from before the first setup.
    SwitchMouseLine editor;
    fileio::ReplaceNames names = {iniPath, newPath, bakPath};
    if (fileio::GuardedRewrite(names, windowsDir, editor, footprint::kMouseLineWords) ==
        fileio::kRewriteFailed) {
        return 0;
    }

    char systemDir[kSystemDirField];
    uint32_t length = plat::SystemDirectory(systemDir, sizeof systemDir);
    if (length == 0 || length >= sizeof systemDir) {
        return 0;
    }
    char vxdPath[text::kComposedPath];
    char vxdBakPath[text::kComposedPath];
    if (!text::PathIn(vxdPath, systemDir, footprint::kVxd) ||
        !text::PathIn(vxdBakPath, systemDir, footprint::kVxdBak)) {
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
