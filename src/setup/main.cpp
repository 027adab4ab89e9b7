// Start-up and the page sequence.
#include <windows.h>

#include "platform/system.h"
#include "platform/text.h"
#include "script/setup_script.h"
#include "setup/setup_state.h"
#include "setup/string_ids.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    ResetSetupState();
    gSetup.productName[0] = 0;
    gSetup.instance = instance;
    gSetup.screenWidth = static_cast<int16_t>(GetSystemMetrics(SM_CXSCREEN));
    gSetup.screenHeight = static_cast<int16_t>(GetSystemMetrics(SM_CYSCREEN));
    GetWindowsDirectoryA(gSetup.windowsDir, sizeof gSetup.windowsDir);
    if (!LoadSetupScript()) {
        MessageBoxA(nullptr, LoadText(IDS_READING_ERROR), gSetup.caption, MB_ICONWARNING);
        return 0;
    }
    ReleaseInstallPlan();
    return 0;
}
