#include "script/answers.h"

#include "footprint/footprint.h"
#include "platform/profile.h"
#include "platform/raw_file.h"
#include "platform/system.h"
#include "platform/text.h"

const char* const kAnswerKeys[kAnswerKeyCount] = {
    StringText(IDS_ANSWER_MOUSE_TYPE), StringText(IDS_ANSWER_DESTINATION),
    StringText(IDS_ANSWER_RESTART), StringText(IDS_ANSWER_RESULT), StringText(IDS_LOG)};

namespace {

const char* const kMouseTypes[] = {footprint::kRecordPs2,
                                   footprint::kRecordSerial};  // 0 PS/2, 1 serial
const char* const kRestarts[] = {"Never", "Ask", "Always"};    // RestartAnswer order
const uint32_t kDestinationLimit = 80;                         // as the page keeps it

// The place of value among words (case-blind), or -1.
int WordIndex(const char* value, const char* const* words, int count) {
    for (int i = 0; i < count; i++) {
        if (text::SameNoCase(value, words[i])) {
            return i;
        }
    }
    return -1;
}

// The longest destination whose application entries (the folder and a
// file's name in it, up to 79 chars) are all written: a longer one would
// be installed without them.
uint32_t DestinationLimit() {
    uint32_t longest = 0;
    for (const footprint::AppEntry& e : footprint::kAppEntries) {
        uint32_t n = e.source == footprint::kInInstallDir ? text::Length(e.text) : 0;
        longest = n > longest ? n : longest;
    }
    uint32_t limit = footprint::kAppTextField - longest;
    return limit < kDestinationLimit ? limit : kDestinationLimit;
}

// A whole path: a drive letter, ":\", and a name after it.
bool WholePath(const char* value) {
    char drive = text::UpperAscii(value[0]);
    return drive >= 'A' && drive <= 'Z' && value[1] == ':' && value[2] == '\\' && value[3] != 0;
}

// A file's whole path: on a drive, or on a share (\\server\share\name),
// where a deployment tool collects the results of many machines.
bool WholeFilePath(const char* value) {
    return WholePath(value) || (value[0] == '\\' && value[1] == '\\' && value[2] != 0 &&
                                value[2] != '\\' && text::Find(value + 2, "\\") != nullptr);
}

// The text between from and to, blanks around it removed, into out.
void Trimmed(const char* from, const char* to, char* out, uint32_t size) {
    while (from < to && (*from == ' ' || *from == '\t')) {
        from++;
    }
    while (to > from && (to[-1] == ' ' || to[-1] == '\t' || to[-1] == '\r')) {
        to--;
    }
    uint32_t n = static_cast<uint32_t>(to - from);
    text::Copy(out, n + 1 < size ? n + 1 : size, from);
}

// The section's lines: which keys it gives, and the first line that is no
// answer. 1 when the section is there.
bool ScanSection(const char* scriptPath, Answers* answers) {
    static fileio::RawFile in;
    static fileio::LineFacts line;
    if (!fileio::RawOpenRead(&in, scriptPath)) {
        return false;
    }
    char header[32];
    text::Format(header, sizeof header, "[%s]", kAnswersSection);
    bool found = false;
    bool inside = false;
    bool seen[kAnswerKeyCount] = {};
    static char row[fileio::kLinePrefix + 1];
    char key[64];
    for (uint32_t number = 1; fileio::RawNextLine(&in, &line); number++) {
        uint32_t n = line.length < fileio::kLinePrefix ? line.length : fileio::kLinePrefix;
        text::Fill(row, 0, sizeof row);
        for (uint32_t i = 0; i < n; i++) {
            row[i] = line.prefix[i];
        }
        char trimmed[sizeof header + 1];
        Trimmed(row, row + n, trimmed, sizeof trimmed);
        if (fileio::IsSectionHeader(line)) {
            inside = text::SameNoCase(trimmed, header);
            found = found || inside;
            continue;
        }
        if (!inside || trimmed[0] == 0 || trimmed[0] == ';' || answers->problem[0] != 0) {
            continue;
        }
        const char* equals = text::Find(row, "=");
        Trimmed(row, equals != nullptr ? equals : row + n, key, sizeof key);
        int id = AnswerKeyNamed(key);
        const char* why = equals == nullptr ? "no value"
                          : id < 0          ? "unknown key"
                          : seen[id]        ? "given twice"
                                            : nullptr;
        if (why != nullptr) {
            text::Format(answers->problem, kProblemSize, "[%s] line %u: %s %s", kAnswersSection,
                         number, why, key);
        } else {
            seen[id] = true;
        }
    }
    fileio::RawClose(&in);
    return found;
}

}  // namespace

int ForThisComputer(const char* path, char* out) {
    const char* star = text::Find(path, "*");
    if (star == nullptr) {
        return text::Copy(out, kAnswerPath, path);
    }
    char name[32];
    if (plat::ComputerName(name, sizeof name) == 0) {
        return 0;
    }
    text::Copy(out, kAnswerPath, path);
    out[star - path] = 0;
    return text::Append(out, kAnswerPath, name) && text::Append(out, kAnswerPath, star + 1);
}

int AnswerKeyNamed(const char* name) {
    return WordIndex(name, kAnswerKeys, kAnswerKeyCount);
}

int CheckAnswer(int key, const char* value, char* why, uint32_t size) {
    const char* wrong = nullptr;
    switch (key) {
        case kAnswerMouseType:
            wrong = WordIndex(value, kMouseTypes, 2) < 0 ? "is neither PS2 nor Serial" : nullptr;
            break;
        case kAnswerRestart:
            wrong = WordIndex(value, kRestarts, 3) < 0 ? "is none of Never, Ask, Always" : nullptr;
            break;
        case kAnswerDestination:
            wrong = !WholePath(value) ? "is no folder with its drive"
                    : text::Length(value) >= DestinationLimit()
                        ? "is too long for the entries that name files in it"
                        : nullptr;
            break;
        default:
            wrong = !WholeFilePath(value) ? "is no file with its drive or share" : nullptr;
            break;
    }
    if (wrong != nullptr) {
        text::Format(why, size, "[%s] %s=%s %s", kAnswersSection, kAnswerKeys[key], value, wrong);
    }
    return wrong == nullptr;
}

void ReadAnswers(const char* scriptPath, Answers* answers) {
    text::Fill(answers, 0, sizeof *answers);
    answers->serialMouse = -1;
    answers->present = ScanSection(scriptPath, answers);
    char* const fields[kAnswerKeyCount] = {nullptr, answers->destination, nullptr, answers->result,
                                           answers->log};
    // One byte more than a field keeps: a value cut by the read tells.
    static char value[kAnswerPath + 1];
    for (int key = 0; answers->present && key < kAnswerKeyCount; key++) {
        uint32_t n = plat::ProfileGetString(kAnswersSection, kAnswerKeys[key], "", value,
                                            sizeof value, scriptPath);
        if (n == 0) {
            continue;
        }
        if (n >= kAnswerPath) {
            if (answers->problem[0] == 0) {
                text::Format(answers->problem, kProblemSize,
                             "[%s] %s is longer than 255 characters", kAnswersSection,
                             kAnswerKeys[key]);
            }
            continue;
        }
        if (answers->problem[0] == 0 && !CheckAnswer(key, value, answers->problem, kProblemSize)) {
            continue;
        }
        if (key == kAnswerMouseType) {
            answers->serialMouse = WordIndex(value, kMouseTypes, 2);
        } else if (key == kAnswerRestart) {
            answers->restart = WordIndex(value, kRestarts, 3);
        } else {
            text::Copy(fields[key], key == kAnswerDestination ? 80 : kAnswerPath, value);
        }
    }
}
