// The script's layout as written: sections and keys named twice, ones that
// nothing reads (with the name probably meant), lines without '='; the
// answers of an unattended run, each line and value.
#include <ctype.h>

#include <set>

#include "answer_scan.h"
#include "check_parts.h"
#include "disk_names.h"
#include "platform/tool_machine.h"
#include "script/answers.h"
#include "script_tables.h"
#include "whole_file.h"

namespace disktool {

namespace {

// The sections SETUP.EXE reads, besides Disk1..Disk6.
const uint16_t kReadSections[] = {IDS_MAIN,           IDS_DISK_LABEL, IDS_FILE_COUNTS,
                                  IDS_DIRECTORY_NAME, IDS_PM_INFO,    IDS_STARTUP};

bool IsReadSection(const std::string& name) {
    if (SameName(name, kAnswersSection)) {
        return true;
    }
    for (uint16_t id : kReadSections) {
        if (SameName(name, ProgramText(id))) {
            return true;
        }
    }
    for (int d = 0; d < kMaxDisks; d++) {
        if (SameName(name, DiskKey(d))) {
            return true;
        }
    }
    return false;
}

// A near miss of a section SETUP.EXE reads ("Start-up" for Startup).
std::string SuggestSection(const std::string& name) {
    std::vector<std::string> read;
    for (uint16_t id : kReadSections) {
        read.push_back(ProgramText(id));
    }
    read.push_back(kAnswersSection);
    std::string near = NearName(name, read, true);
    return near.empty() ? ": its lines are never read" : " (did you mean [" + near + "]?)";
}

// The keys the loader reads in a section; none for the sections whose keys
// are not checked ([PM Info], the disks').
std::vector<std::string> KnownKeys(const std::string& section) {
    std::vector<std::string> k;
    if (SameName(section, ProgramText(IDS_MAIN))) {
        for (const ScriptKey& key : kMainKeys) {
            k.push_back(key.Name());
        }
    } else if (SameName(section, ProgramText(IDS_DISK_LABEL)) ||
               SameName(section, ProgramText(IDS_FILE_COUNTS))) {
        for (int d = 0; d < kMaxDisks; d++) {
            k.push_back(DiskKey(d));
        }
    } else if (SameName(section, ProgramText(IDS_DIRECTORY_NAME))) {
        for (int i = 0; i < kDirectoryNameCount; i++) {
            k.push_back(DirectoryKey(i));
        }
    } else if (SameName(section, ProgramText(IDS_STARTUP))) {
        for (const ScriptKey& key : kStartupKeys) {
            k.push_back(key.Name());
        }
    }
    return k;
}

// The well-known misspelling, and near misses by one letter.
std::string Suggest(const std::vector<std::string>& known, const std::string& name) {
    if (SameName(name, "SerialName")) {
        return " (the serial description's key is spelled SeialName)";
    }
    for (const std::string& k : known) {
        if (EditDistance(Lower(k), Lower(name)) == 1) {
            return " (did you mean " + k + "?)";
        }
    }
    return "";
}

bool IsKnown(const std::vector<std::string>& known, const std::string& name) {
    for (const std::string& k : known) {
        if (SameName(k, name)) {
            return true;
        }
    }
    return false;
}

// The lines of the first appearance of a section that SETUP.EXE reads.
void CheckKeys(Check& c, const plat::posix::ProfileSectionLines& s) {
    std::vector<std::string> known = KnownKeys(s.name);
    std::set<std::string> keys;
    for (const auto& line : s.lines) {
        if (!line.name.empty() && (line.name[0] == ';' || line.name[0] == '#')) {
            continue;  // a comment to a person; no key SETUP.EXE asks for
        }
        if (!line.hasValue) {
            c.Add(Severity::Warning, "no-value", "[" + s.name + "]",
                  "line \"" + line.name + "\" has no '=': it reads as a missing key");
            continue;
        }
        if (!keys.insert(Lower(line.name)).second) {
            c.Add(Severity::Warning, "duplicate-key", Where(s.name, line.name),
                  "key " + line.name + " appears again; SETUP.EXE reads the first one");
            continue;
        }
        if (!known.empty() && !IsKnown(known, line.name)) {
            c.Add(Severity::Warning, "unknown-key", Where(s.name, line.name),
                  "SETUP.EXE reads no key " + line.name + " in [" + s.name + "]" +
                      Suggest(known, line.name));
        }
    }
}

}  // namespace

void CheckLayout(Check& c) {
    std::set<std::string> seen;
    for (const auto& s : c.script.Sections()) {
        if (s.headerless) {
            continue;
        }
        if (!seen.insert(Lower(s.name)).second) {
            c.Add(Severity::Warning, "duplicate-section", "[" + s.name + "]",
                  "section [" + s.name +
                      "] appears again; SETUP.EXE reads only its first appearance");
        } else if (!IsReadSection(s.name)) {
            c.Add(Severity::Warning, "unknown-section", "[" + s.name + "]",
                  "SETUP.EXE reads no section [" + s.name + "]" + SuggestSection(s.name));
        } else if (!SameName(s.name, kAnswersSection)) {
            CheckKeys(c, s);  // the answers' lines are CheckAnswers' own
        }
    }
}

void CheckAnswers(Check& c) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(plat::posix::HostPath(kScript.c_str()), &bytes)) {
        return;  // the loader has read it: only a change since stops this
    }
    std::vector<AnswerMistake> mistakes;
    ScanAnswers(TextLines(std::string(bytes.begin(), bytes.end())), &mistakes);
    for (const AnswerMistake& m : mistakes) {
        c.Add(Severity::Error, m.code,
              "[" + std::string(kAnswersSection) + "] line " + std::to_string(m.line), m.message);
    }
}

}  // namespace disktool
