// The administrator's answers file for `disktool netinst`: UTF-8 text (a
// byte-order mark allowed) that holds one [Unattended] section and nothing
// else; whole lines starting with ';' or '#' are comments. The form is in
// docs/disktool.md.
#pragma once

#include <string>
#include <vector>

#include "answer_scan.h"

namespace disktool {

struct AnswersFile {
    std::string path;
    std::vector<AnswerLine> answers;  // values in code page 1252, as SETUP.INF holds them
};

// Reads path and checks every line: every mistake at its line
// ("answers.ini:4: ... (answer-value)"). False when there is one;
// *unreadable then says the file could not be read at all.
bool ReadAnswersFile(const std::string& path, AnswersFile* out, std::vector<std::string>* errors,
                     bool* unreadable);

// The [Unattended] section that goes into SETUP.INF, CR LF lines.
std::string AnswersSection(const AnswersFile& a);

}  // namespace disktool
