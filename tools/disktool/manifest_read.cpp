// The manifest reader: lines, then sections and keys, each mistake at its
// manifest line; then the rules that need the whole manifest
// (manifest_rules.h).
#include <errno.h>
#include <string.h>

#include <set>

#include "code_page.h"
#include "disk_names.h"
#include "manifest.h"
#include "manifest_rules.h"
#include "script_tables.h"
#include "whole_file.h"

namespace disktool {

namespace {

const char* const kSections[] = {"Main", "Disks", "DirectoryName", StringText(IDS_STARTUP),
                                 "Files"};

std::string SuggestSection(const std::string& name) {
    std::string near =
        NearName(name, std::vector<std::string>(std::begin(kSections), std::end(kSections)), false);
    return near.empty() ? "" : " (did you mean [" + near + "]?)";
}

// Digits only, from lo to hi.
bool ParseNumber(const std::string& text, uint64_t lo, uint64_t hi, uint64_t* out) {
    if (text.empty() || text.size() > 19 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *out = strtoull(text.c_str(), nullptr, 10);
    return *out >= lo && *out <= hi;
}

class Reader {
  public:
    Reader(const std::string& path, Manifest* m, std::vector<std::string>* errors)
        : path_(path), m_(m), errors_(errors) {}

    void Parse(const std::string& text) {
        size_t start = 0;
        // A byte-order mark says UTF-8, which the manifest is anyway.
        if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            start = 3;
        }
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) {
                end = text.size();
            }
            line_++;
            ParseLine(text.substr(start, end - start));
            start = end + 1;
        }
    }

  private:
    void Fail(const std::string& what) { errors_->push_back(ManifestAt(path_, line_) + what); }

    void ParseLine(std::string raw) {
        if (!raw.empty() && raw.back() == '\r') {
            raw.pop_back();
        }
        std::string line = Trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#') {
            return;
        }
        std::string bad;
        if (!Utf8ToWindows(line, &line, &bad)) {
            Fail(bad);
            return;
        }
        for (char c : line) {
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
                Fail("a control character in the line");
                return;
            }
        }
        if (line[0] == '[') {
            ParseSection(line);
        } else if (section_.empty()) {
            Fail("a line before the first section");
        } else if (section_ == "Files") {
            ParseFile(line);
        } else {
            ParseKey(line);
        }
    }

    void ParseSection(const std::string& line) {
        section_ = "-";  // lines of a section not known are not read
        if (line.back() != ']') {
            Fail("a section header ends with ]");
            return;
        }
        std::string name = Trim(line.substr(1, line.size() - 2));
        for (const char* s : kSections) {
            if (SameName(name, s)) {
                section_ = s;
            }
        }
        if (section_ == "-") {
            Fail("unknown section [" + name + "]" + SuggestSection(name) +
                 " (known: Main, Disks, DirectoryName, Startup, Files)");
        }
    }

    void ParseFile(const std::string& line) {
        std::vector<std::string> fields;
        size_t start = 0;
        for (;;) {
            size_t comma = line.find(',', start);
            fields.push_back(Trim(line.substr(start, comma - start)));
            if (comma == std::string::npos) {
                break;
            }
            start = comma + 1;
        }
        if (fields.size() != 4) {
            Fail(
                "a file line has four fields: source, target name, description, directory "
                "keyword (no field may hold a comma)");
            return;
        }
        ManifestFile file;
        file.line = line_;
        if (fields[0].empty()) {
            Fail("no source file");
            return;
        }
        file.source = fields[0][0] == '/' ? fields[0] : Dir(path_) + "/" + fields[0];
        file.target = fields[1];
        file.description = fields[2];
        file.keyword = -1;
        for (int k = 0; k < kDirectoryNameCount; k++) {
            if (SameName(fields[3], DirectoryKey(k))) {
                file.keyword = k;
            }
        }
        if (file.keyword < 0) {
            Fail("directory keyword \"" + fields[3] +
                 "\" is none of RootDir, SubDir1..SubDir6, WinDir, WinSystemDir, WinInfDir");
            return;
        }
        m_->files.push_back(file);
    }

    void ParseKey(const std::string& line) {
        size_t eq = line.find('=');
        if (eq == std::string::npos) {
            Fail("expected KEY = VALUE");
            return;
        }
        std::string key = Trim(line.substr(0, eq));
        std::string value = Trim(line.substr(eq + 1));
        if (section_ == "-") {
            return;
        }
        if (!seen_.insert(section_ + "/" + Lower(key)).second) {
            Fail("key " + key + " given twice");
            return;
        }
        if (section_ == "Main") {
            KeyFromTable(kMainKeys, key, value, &m_->main);
        } else if (section_ == ProgramText(IDS_STARTUP)) {
            KeyFromTable(kStartupKeys, key, value, &m_->startup);
        } else if (section_ == "DirectoryName") {
            for (int k = 0; k < kDirectoryNameCount; k++) {
                if (SameName(key, DirectoryKey(k))) {
                    m_->directories.push_back({DirectoryKey(k), value, line_});
                    return;
                }
            }
            Fail("unknown key " + key);
        } else if (SameName(key, "Label")) {
            m_->labelPattern = value;
            std::string why = LabelProblem(value);
            if (!why.empty()) {
                Fail(why);
            }
        } else if (SameName(key, "Size")) {
            if (!ParseNumber(value, kMinDiskBytes, kFloppyBytes, &m_->diskBytes)) {
                Fail("Size is the bytes of file space per disk, from " +
                     std::to_string(kMinDiskBytes) + " to " + std::to_string(kFloppyBytes) +
                     " (a 1.44 MB floppy)");
            }
        } else {
            Fail("unknown key " + key);
        }
    }

    template <size_t N>
    void KeyFromTable(const ScriptKey (&table)[N], const std::string& key, const std::string& value,
                      std::vector<ManifestValue>* into) {
        for (const ScriptKey& k : table) {
            if (!SameName(key, k.Name())) {
                continue;
            }
            into->push_back({k.Name(), value, line_});
            uint64_t n = 0;
            if (k.limit > 0 && static_cast<int>(value.size()) > k.limit) {
                Fail(std::string(k.Name()) + " has " + std::to_string(value.size()) +
                     " characters; SETUP.EXE keeps " + std::to_string(k.limit));
            } else if (k.limit == 0 && !ParseNumber(value, 0, NumberLimit(k), &n)) {
                Fail(std::string(k.Name()) + " is a number from 0 to " +
                     std::to_string(NumberLimit(k)));
            }
            return;
        }
        Fail("unknown key " + key +
             (SameName(key, "SerialName") ? " (SETUP.EXE reads SeialName)" : ""));
    }

    static uint64_t NumberLimit(const ScriptKey& k) {
        if (k.id == IDS_MINIMUM_SPACE) {
            return kMaxMinimumSpace;
        }
        return SameName(k.Name(), "DefaultSerialMouse") ? 1 : INT32_MAX;
    }

    std::string path_;
    Manifest* m_;
    std::vector<std::string>* errors_;
    int line_ = 0;
    std::string section_;
    std::set<std::string> seen_;
};

}  // namespace

bool ParseManifestText(const std::string& text, const std::string& path, Manifest* m,
                       std::vector<std::string>* errors) {
    *m = Manifest();
    m->path = path;
    size_t before = errors->size();
    Reader reader(path, m, errors);
    reader.Parse(text);
    CheckWholeManifest(m, errors);
    return errors->size() == before;
}

bool ReadManifest(const std::string& path, Manifest* m, std::vector<std::string>* errors,
                  bool* unreadable) {
    std::vector<uint8_t> bytes;
    bool read = ReadWholeFile(path, &bytes);
    if (unreadable != nullptr) {
        *unreadable = !read;
    }
    if (!read) {
        *m = Manifest();
        errors->push_back(path + " cannot be read: " + strerror(errno));
        return false;
    }
    return ParseManifestText(std::string(bytes.begin(), bytes.end()), path, m, errors);
}

}  // namespace disktool
