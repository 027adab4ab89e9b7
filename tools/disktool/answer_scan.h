// An [Unattended] section as SETUP.EXE looks at it before its unattended
// run changes anything: every line, and every value by the engine's own
// table of answers (script/answers.h). The checker runs it on a script,
// `netinst` on the administrator's answers file.
#pragma once

#include <string>
#include <vector>

namespace disktool {

extern const char kAnswerLineCode[];   // a line the run refuses: unknown key, twice, no '='
extern const char kAnswerValueCode[];  // a value the run refuses

struct AnswerLine {
    int line;           // from 1
    int key;            // AnswerKeyId
    std::string value;  // as SETUP.EXE reads it; "" reads as no answer
};

struct AnswerMistake {
    int line;
    const char* code;
    std::string message;
};

// The text's lines as SETUP.EXE's line reader counts them: each ends at LF
// (the CR before it stays on the line).
std::vector<std::string> TextLines(const std::string& text);
// The first byte after blanks is '[': the line starts a section.
bool IsHeader(const std::string& line);
// The line is the answers' header as SETUP.EXE finds it.
bool IsAnswersHeader(const std::string& line);

// The answers of every [Unattended] section of lines, in order. Each line
// SETUP.EXE refuses and each value it refuses goes to mistakes.
std::vector<AnswerLine> ScanAnswers(const std::vector<std::string>& lines,
                                    std::vector<AnswerMistake>* mistakes);

}  // namespace disktool
