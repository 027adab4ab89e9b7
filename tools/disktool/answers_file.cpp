// The answers file: its own layout (one [Unattended] section, nothing
// before or beside it), then its answers looked at as SETUP.EXE will look
// at them in SETUP.INF.
#include "answers_file.h"

#include <errno.h>
#include <string.h>

#include <algorithm>

#include "code_page.h"
#include "disk_names.h"
#include "manifest.h"
#include "script/answers.h"
#include "whole_file.h"

namespace disktool {

namespace {

// What a section header line that is not the answers' says.
std::string OtherSection(const std::string& line, const std::string& header) {
    std::string name = Trim(line);
    name = Trim(name.substr(1, name.back() == ']' ? name.size() - 2 : std::string::npos));
    std::string near = NearName(name, {kAnswersSection}, false);
    return "the answers file holds " + header + " alone; [" + name + "] is not read" +
           (near.empty() ? "" : " (did you mean " + header + "?)");
}

// The lines in code page 1252, all but the answers' own emptied; what is
// neither an answer's line nor a comment is named in found (line 0: the
// file as a whole).
std::vector<std::string> AnswerLines(const std::string& text, std::vector<AnswerMistake>* found) {
    // A byte-order mark says UTF-8, which the file is anyway.
    std::vector<std::string> lines =
        TextLines(text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text);
    const std::string header = "[" + std::string(kAnswersSection) + "]";
    enum { kBefore, kInside, kElsewhere } place = kBefore;
    bool answered = false;  // the section has begun
    for (size_t i = 0; i < lines.size(); i++) {
        std::string line = Trim(lines[i].substr(0, lines[i].find_last_not_of('\r') + 1));
        int at = static_cast<int>(i + 1);
        std::string bad;
        lines[i].clear();
        if (line.empty() || line[0] == ';' || line[0] == '#') {
            continue;
        }
        if (!Utf8ToWindows(line, &line, &bad)) {
            found->push_back({at, nullptr, bad});
            continue;
        }
        if (IsAnswersHeader(line)) {
            if (answered) {
                found->push_back(
                    {at, nullptr, header + " again: give every answer in one section"});
            }
            place = answered ? kElsewhere : kInside;
            answered = true;
        } else if (IsHeader(line)) {
            found->push_back({at, nullptr, OtherSection(line, header)});
            place = kElsewhere;
        } else if (place == kBefore) {
            found->push_back({at, nullptr, "a line before " + header});
        }
        if (place == kInside) {
            lines[i] = line;
        }
    }
    if (!answered) {
        found->push_back(
            {0, nullptr,
             "no " + header + " section: without it SETUP.EXE shows its pages and asks"});
    }
    return lines;
}

}  // namespace

bool ReadAnswersFile(const std::string& path, AnswersFile* out, std::vector<std::string>* errors,
                     bool* unreadable) {
    *out = AnswersFile();
    out->path = path;
    std::vector<uint8_t> bytes;
    *unreadable = !ReadWholeFile(path, &bytes);
    if (*unreadable) {
        errors->push_back(path + " cannot be read: " + strerror(errno));
        return false;
    }
    std::vector<AnswerMistake> found;
    out->answers =
        ScanAnswers(AnswerLines(std::string(bytes.begin(), bytes.end()), &found), &found);
    // In the file's order, what concerns the whole file last.
    std::stable_sort(found.begin(), found.end(),
                     [](const AnswerMistake& a, const AnswerMistake& b) {
                         return a.line != 0 && (b.line == 0 || a.line < b.line);
                     });
    for (const AnswerMistake& m : found) {
        errors->push_back((m.line > 0 ? ManifestAt(path, m.line) : path + ": ") + m.message +
                          (m.code != nullptr ? std::string(" (") + m.code + ")" : ""));
    }
    return found.empty();
}

std::string AnswersSection(const AnswersFile& a) {
    std::string text = "[" + std::string(kAnswersSection) + "]\r\n";
    for (const AnswerLine& answer : a.answers) {
        text += std::string(kAnswerKeys[answer.key]) + "=" + answer.value + "\r\n";
    }
    return text;
}

}  // namespace disktool
