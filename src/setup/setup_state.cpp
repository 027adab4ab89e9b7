#include "setup/setup_state.h"

#include "platform/system.h"
#include "platform/text.h"

// Static storage: the exe runs no constructors, so the initial values that
// are not zero are set by ResetSetupState at start-up.
SetupState gSetup;

void ResetSetupState() {
    text::Fill(&gSetup, 0, sizeof gSetup);
    gSetup.serialMouse = 1;
    gSetup.backEnabled = 1;
    gSetup.restartNow = 1;
    gSetup.dissolvePending = 1;
    gSetup.textCounter = kTextBufferCount;
}

const char* LoadText(uint16_t id) {
    if (gSetup.textCounter < kTextBufferCount - 1) {
        gSetup.textCounter++;
    } else {
        gSetup.textCounter = 0;
    }
    char* buffer = gSetup.textBuffers[gSetup.textCounter];
    int copied = plat::LoadResourceString(gSetup.instance, id, buffer, kTextBufferSize);
    return copied > 0 ? buffer : nullptr;
}
