// The answers of an unattended run: the setup script's [Unattended]
// section. With it SETUP.EXE shows no page and no message box; every
// answer is checked before anything changes. The disk tool checks a
// script's section by the same table.
#pragma once

#include <stdint.h>

#include "model/string_ids.h"

inline constexpr const char* kAnswersSection = StringText(IDS_UNATTENDED);
// The result file when the section names none, in the Windows directory.
inline constexpr char kDefaultResultName[] = "VLSETUP.RES";

enum AnswerKeyId {
    kAnswerMouseType,    // PS2 or Serial; the script's proposal when absent
    kAnswerDestination,  // a folder with its drive, up to 59 chars (the entries naming
                         // files in it fit their 79); the script's proposal
    kAnswerRestart,      // Never (the default), Ask or Always
    kAnswerResult,       // the result file (kDefaultResultName in the Windows directory)
    kAnswerLog,          // the install log; none when absent
    kAnswerKeyCount
};
extern const char* const kAnswerKeys[kAnswerKeyCount];

enum RestartAnswer { kRestartNever, kRestartAsk, kRestartAlways };

const uint32_t kAnswerPath = 256;   // Result and Log: up to 255 chars
const uint32_t kProblemSize = 160;  // the first mistake, as the result names it

struct Answers {
    int present;                 // the script has the section: the run is unattended
    int serialMouse;             // 1 serial, 0 PS/2, -1 the script's proposal
    char destination[80];        // "" the script's proposal; up to 79 chars
    int restart;                 // RestartAnswer
    char result[kAnswerPath];    // "" the default
    char log[kAnswerPath];       // "" none
    char problem[kProblemSize];  // the first mistake; "" none
};

// path with a "*" in it standing for the computer's name (so that many
// machines can write theirs into one shared folder) into out (kAnswerPath
// bytes); 0 when the name cannot be told or the path does not fit.
int ForThisComputer(const char* path, char* out);

// The key named so (case-blind), or -1.
int AnswerKeyNamed(const char* name);

// 1 when value is one the key takes; else 0, and why (size bytes) says
// what is wrong with it.
int CheckAnswer(int key, const char* value, char* why, uint32_t size);

// Reads the section of the script at scriptPath into answers. Its lines
// are looked at first: a key the section does not know, one given twice, or
// a line without "=" is the problem, named with its line number; then each
// value, read as Windows reads it, is checked. No section: present is 0.
void ReadAnswers(const char* scriptPath, Answers* answers);
