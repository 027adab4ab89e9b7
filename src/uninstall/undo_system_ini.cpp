// system.ini's [386Enh] mouse lines put back from system.bak through the
// same guarded rewrite as the switch-over, and the mouse VxD that setup set
// aside put back where it is missing.
#include "platform/files.h"
#include "platform/guarded_replace.h"
#include "platform/logbook.h"
#include "platform/text.h"
#include "uninstall/undo_internal.h"

namespace {

// Puts the earlier mouse lines back from system.bak: the n-th mouse line of
// system.ini, where it is still setup's, becomes the n-th one of system.bak,
// with the line end it has now.
class RestoreMouseLines : public fileio::LineEditor {
  public:
    RestoreMouseLines(fileio::RawFile* bak, UndoReport* report, bool builtInBefore)
        : bak_(bak), report_(report), switched_(bak != nullptr || !builtInBefore) {}

    int Edit(fileio::RawFile* in, const fileio::LineFacts& line, fileio::RawFile* out,
             int* changed) override {
        if (!footprint::IsMouseLine(&iniRule_, line)) {
            return Keep(in, line, out);
        }
        bool have = NextEarlier();
        bool setupsLine = fileio::LineIs(line, footprint::kSetupMouseLine, 1);
        bool earlierIsSetups = have && fileio::LineIs(earlier_, footprint::kSetupMouseLine, 1);
        if (setupsLine && have && !earlierIsSetups) {
            char earlier[kLeftoverSize];
            logbook::Note("system.ini: %s -> %s", footprint::kSetupMouseLine,
                          Text(earlier_, earlier));
            *changed = 1;
            return fileio::RawCopy(bak_, earlier_.start, earlier_.length, out) &&
                   fileio::RawWriteLineEnd(out, line);
        }
        if (setupsLine) {
            // A second setup may have put its own line into system.bak.
            // Without system.bak, a line that was the built-in driver's
            // before setup is no loss: setup switched nothing.
            if (switched_) {
                noEarlier++;
                AddLeftover(report_, kLeftNoEarlierLine, footprint::kSetupMouseLine);
            }
        } else if (have && !fileio::SameLine(in, line, bak_, earlier_)) {
            char subject[kLeftoverSize];
            AddLeftover(report_, kLeftMouseLine, Text(line, subject));
            userLines++;
        }
        // Otherwise it is back already, or was never setup's.
        return Keep(in, line, out);
    }

    int noEarlier = 0;  // setup's lines with no earlier one to put back
    int userLines = 0;  // lines changed after setup: system.bak keeps their earlier text

  private:
    // The line's text as far as it is known (out: kLeftoverSize bytes).
    static const char* Text(const fileio::LineFacts& line, char* out) {
        uint32_t n = line.length < kLeftoverSize - 1 ? line.length : kLeftoverSize - 1;
        text::Fill(out, 0, kLeftoverSize);
        for (uint32_t i = 0; i < n && i < fileio::kLinePrefix; i++) {
            out[i] = line.prefix[i];
        }
        return out;
    }

    static int Keep(fileio::RawFile* in, const fileio::LineFacts& line, fileio::RawFile* out) {
        return fileio::RawCopy(in, line.start, line.length + line.endBytes, out);
    }

    // The next mouse line of system.bak into earlier_; false when it has
    // no more (or there is no system.bak).
    bool NextEarlier() {
        if (bak_ == nullptr || !fileio::RawSeek(bak_, bakNext_)) {
            return false;
        }
        while (fileio::RawNextLine(bak_, &earlier_, footprint::kMouseLineWords)) {
            bakNext_ = earlier_.start + earlier_.length + earlier_.endBytes;
            if (footprint::IsMouseLine(&bakRule_, earlier_)) {
                return true;
            }
        }
        bak_ = nullptr;
        return false;
    }

    fileio::RawFile* bak_;
    UndoReport* report_;
    bool switched_;  // setup switched the lines over (or the record does not say)
    footprint::MouseLineRule iniRule_ = {0};
    footprint::MouseLineRule bakRule_ = {0};
    fileio::LineFacts earlier_;
    uint32_t bakNext_ = 0;
};

void RestoreVxd(const char* systemDir, UndoReport* report) {
    char vxd[kUndoPath];
    char bak[kUndoPath];
    if (!text::PathIn(vxd, systemDir, footprint::kVxd) ||
        !text::PathIn(bak, systemDir, footprint::kVxdBak)) {
        return;
    }
    if (plat::FileAttributes(vxd) != plat::kInvalidAttributes ||
        plat::FileAttributes(bak) == plat::kInvalidAttributes) {
        return;
    }
    if (plat::FileRename(bak, vxd)) {
        report->changed = 1;
    } else {
        AddLeftover(report, kLeftFailed, bak);
    }
}

}  // namespace

void RestoreSystemIni(const char* windowsDir, const char* systemDir, UndoReport* report,
                      const char* backup, int builtInBefore) {
    RestoreVxd(systemDir, report);
    char iniPath[kUndoPath];
    char newPath[kUndoPath];
    char tempPath[kUndoPath];
    const char* bakPath = backup != nullptr ? backup : "";
    if (!text::PathIn(iniPath, windowsDir, footprint::kSystemIni) ||
        !text::PathIn(newPath, windowsDir, footprint::kSystemNew) ||
        !text::PathIn(tempPath, windowsDir, footprint::kSystemSetAside)) {
        return;
    }
    // What an earlier run's swap left: system.ini set aside and not yet
    // back, or the copy set aside.
    fileio::ReplaceNames names = {iniPath, newPath, tempPath};
    int recovered = fileio::RecoverGuardedReplace(names, windowsDir);
    if (recovered == fileio::kGuardedDropped) {
        report->changed = 1;
    } else if (recovered == fileio::kGuardedStays) {
        AddLeftover(report, kLeftFailed, tempPath);
    }
    // Only setup's own copy: another program's system.bak is no record of
    // the lines setup switched.
    static fileio::RawFile bak;
    bool haveBak = backup != nullptr && fileio::RawOpenRead(&bak, bakPath) != 0;
    RestoreMouseLines editor(haveBak ? &bak : nullptr, report, builtInBefore != 0);
    int result = fileio::GuardedRewrite(names, windowsDir, editor, footprint::kMouseLineWords);
    if (haveBak) {
        fileio::RawClose(&bak);
    }
    if (result == fileio::kRewriteFailed) {
        AddLeftover(report, kLeftFailed, iniPath);
        return;
    }
    if (result == fileio::kRewriteDone) {
        report->changed = 1;
        if (!plat::FileDelete(tempPath)) {
            AddLeftover(report, kLeftFailed, tempPath);
        }
    }
    // The copy of the earlier system.ini goes once every line of setup's is
    // back, and a copy left by an earlier run that put them back goes too.
    if (editor.noEarlier == 0 && editor.userLines == 0 && haveBak) {
        if (plat::FileDelete(bakPath)) {
            report->changed = 1;
        } else {
            AddLeftover(report, kLeftFailed, bakPath);
        }
    }
}
