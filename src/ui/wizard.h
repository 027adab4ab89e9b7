// The wizard's own state, and the program's one instance of each record
// the pages and the page sequence work on.
#pragma once

#include <stdint.h>

#include "model/setup_data.h"

struct WizardState {
    void* instance;              // module handle, for resources and window classes
    int16_t screenWidth;         // pixels
    int16_t screenHeight;        // pixels
    int32_t backEnabled;         // Back button of the mouse-type page
    int32_t restartNow;          // only 1 restarts
    int32_t dissolvePending;     // the backdrop's pictures dissolve on the next paint
    int32_t installFailed;       // 1 once the install page has reported a failed step
    int32_t completesAtRestart;  // 1 when files in use wait for the next start
    int16_t pageResult;          // PageResult: 0 cancel, 1 next, 2 back
    void* backdropWindow;        // owner of every page; null without a backdrop
};

// Only the entry point, the page sequence and the pages use these; the
// engine (script/, install/) is handed the script and the choices.
extern WizardState gWizard;
extern SetupScript gScript;
extern InstallChoices gChoices;
