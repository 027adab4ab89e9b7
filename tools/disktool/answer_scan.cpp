// The [Unattended] lines, looked at as ReadAnswers looks at them, but every
// mistake named instead of the first: the run itself stops at the first.
#include "answer_scan.h"

#include "disk_names.h"
#include "script/answers.h"

namespace disktool {

const char kAnswerLineCode[] = "answer-line";
const char kAnswerValueCode[] = "answer-value";

namespace {

const char kStops[] = ": the unattended run stops before it changes anything";

// Blanks, tabs and the CR of a CR LF line end go, as the reader drops them.
std::string TrimLine(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) {
        return "";
    }
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// What the profile calls return: the value trimmed, and quotes that wrap
// it dropped.
std::string ValueRead(const std::string& text) {
    std::string v = TrimLine(text);
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

std::string KnownKeys() {
    std::string all;
    for (int k = 0; k < kAnswerKeyCount; k++) {
        all += std::string(k ? ", " : "") + kAnswerKeys[k];
    }
    return all;
}

// Why SETUP.EXE refuses the value of key ("" when it takes it).
std::string ValueProblem(int key, const std::string& value) {
    if (value.size() >= kAnswerPath) {
        return std::string(kAnswerKeys[key]) + " has " + std::to_string(value.size()) +
               " characters; SETUP.EXE reads at most " + std::to_string(kAnswerPath - 1);
    }
    char why[kProblemSize + kAnswerPath];
    if (CheckAnswer(key, value.c_str(), why, sizeof why)) {
        return "";
    }
    // The result file's wording names the section, which the line here does.
    std::string section = "[" + std::string(kAnswersSection) + "] ";
    return std::string(why).compare(0, section.size(), section) == 0 ? why + section.size() : why;
}

// Why SETUP.EXE refuses the line ("" when it reads an answer from it);
// seen holds the line of each answer so far.
std::string LineProblem(const std::string& line, const std::string& name, int key,
                        const std::vector<int>& seen) {
    if (line.find('=') == std::string::npos) {
        return "\"" + line + "\" has no '='";
    }
    if (key < 0) {
        std::string near = NearName(name, {kAnswerKeys, kAnswerKeys + kAnswerKeyCount}, false);
        return "SETUP.EXE knows no answer " + name +
               (near.empty() ? " (it knows " + KnownKeys() + ")" : " (did you mean " + near + "?)");
    }
    return seen[key] != 0 ? name + " is given again, first at line " + std::to_string(seen[key])
                          : "";
}

}  // namespace

std::vector<std::string> TextLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool IsHeader(const std::string& line) {
    size_t b = line.find_first_not_of(" \t");
    return b != std::string::npos && line[b] == '[';
}

bool IsAnswersHeader(const std::string& line) {
    return IsHeader(line) && SameName(TrimLine(line), "[" + std::string(kAnswersSection) + "]");
}

std::vector<AnswerLine> ScanAnswers(const std::vector<std::string>& lines,
                                    std::vector<AnswerMistake>* mistakes) {
    std::vector<AnswerLine> answers;
    std::vector<int> seen(kAnswerKeyCount, 0);  // the line of each key's answer
    bool inside = false;
    for (int n = 1; n <= static_cast<int>(lines.size()); n++) {
        const std::string& raw = lines[n - 1];
        std::string line = TrimLine(raw);
        if (IsHeader(raw)) {
            inside = IsAnswersHeader(raw);
            continue;
        }
        if (!inside || line.empty() || line[0] == ';') {
            continue;
        }
        size_t equals = line.find('=');
        std::string name = TrimLine(line.substr(0, equals));
        int key = AnswerKeyNamed(name.c_str());
        std::string why = LineProblem(line, name, key, seen);
        if (!why.empty()) {
            mistakes->push_back({n, kAnswerLineCode, why + kStops});
            continue;
        }
        seen[key] = n;
        AnswerLine answer{n, key, ValueRead(line.substr(equals + 1))};
        why = answer.value.empty() ? "" : ValueProblem(key, answer.value);
        if (!why.empty()) {
            mistakes->push_back({n, kAnswerValueCode, why + kStops});
        }
        answers.push_back(answer);
    }
    return answers;
}

}  // namespace disktool
