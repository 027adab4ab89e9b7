#include "model/setup_state.h"

#include "platform/system.h"
#include "platform/text.h"

// Static storage: the exe runs no constructors, so the initial values that
// are not zero are set by ResetSetupState at start-up.
SetupState gSetup;

void ResetSetupState(SetupState& state) {
    text::Fill(&state, 0, sizeof state);
    state.serialMouse = 1;
    state.backEnabled = 1;
    state.restartNow = 1;
    state.dissolvePending = 1;
    state.textCounter = kTextBufferCount;
}

const char* LoadText(SetupState& state, uint16_t id) {
    if (state.textCounter < kTextBufferCount - 1) {
        state.textCounter++;
    } else {
        state.textCounter = 0;
    }
    char* buffer = state.textBuffers[state.textCounter];
    int copied = plat::LoadResourceString(state.instance, id, buffer, kTextBufferSize);
    return copied > 0 ? buffer : nullptr;
}

const char* LoadText(uint16_t id) {
    return LoadText(gSetup, id);
}
