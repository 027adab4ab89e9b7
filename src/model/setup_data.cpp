#include "model/setup_data.h"

#include "platform/text.h"

void ResetSetupScript(SetupScript& script) {
    text::Fill(&script, 0, sizeof script);
}

void ResetInstallChoices(InstallChoices& choices) {
    text::Fill(&choices, 0, sizeof choices);
    choices.serialMouse = 1;
}
