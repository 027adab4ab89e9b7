#include "ui/wizard.h"

// Static storage with constant initial values: the exe runs no
// constructors. The wizard starts with Back enabled, the restart chosen and
// the pictures still to dissolve in.
WizardState gWizard = {nullptr, 0, 0, 1, 1, 1, 0, 0, 0, nullptr};
SetupScript gScript;
InstallChoices gChoices;
