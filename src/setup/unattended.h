// SETUP.EXE without pages: the setup script's [Unattended] answers decide
// what the wizard's pages would, and the result file tells the deployment
// tool or login script that started it how the run ended.
#pragma once

struct Answers;

// The answers of the script beside the program into answers; 1 when the
// script holds the section (the run is unattended).
int ReadProgramAnswers(Answers* answers);

// The whole run with answers: checked before anything changes (a mistake
// is refused and named), "running" in the result file before the first
// change, the installation (driverOnly: the driver registration of -u) as
// the wizard would make it, the outcome in the result file, and the
// restart the answers ask for. Shows no page and no message box (but the
// restart question when Restart=Ask). Returns 0, as every run does.
int RunUnattended(const Answers& answers, bool driverOnly);
