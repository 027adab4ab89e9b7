#include "setup/run_log.h"

#include "platform/files.h"
#include "platform/logbook.h"
#include "platform/system.h"
#include "ui/logic/page_logic.h"
#include "ui/wizard.h"

void LogRunStart(const char* path, const char* mode) {
    if (!logbook::Open(path, mode)) {
        return;
    }
    uint32_t version = plat::Version();
    logbook::Note("%s, its driver of %s", gScript.productName, gScript.startupStrings.DriverDate);
    logbook::Note("Windows %d.%d%s", static_cast<int>(version & 0xFF),
                  static_cast<int>((version >> 8) & 0xFF),
                  (version & 0x80000000u) != 0 ? " (95/98 family)" : "");
    char system[80];
    plat::SystemDirectory(system, sizeof system);
    logbook::Note("Windows folder %s, system folder %s, setup from %s", gChoices.windowsDir, system,
                  gScript.setupDir);
}

void LogChoices() {
    if (!logbook::On()) {
        return;
    }
    char root[ui::kRootPathSize];
    ui::DriveRootPath(gChoices.destDir, root);
    uint32_t spc = 0, bps = 0, free = 0, total = 0;
    uint32_t kb = plat::DiskFreeSpace(root, &spc, &bps, &free, &total)
                      ? static_cast<uint32_t>(ui::FreeKilobytes(spc, bps, free))
                      : 0;
    logbook::Note("mouse %s, destination %s (%u KB free on %s, %d KB needed)",
                  gChoices.serialMouse ? "serial" : "PS/2", gChoices.destDir, kb, root,
                  static_cast<int>(gScript.minimumSpace));
}
