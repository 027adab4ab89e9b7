// The manifest reader: lines, then sections and keys, then every rule the
// disks and SETUP.EXE need, each finding at its manifest line.
#include "manifest.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <map>
#include <set>

#include "disk_names.h"
#include "footprint/footprint.h"
#include "script_tables.h"
#include "whole_file.h"

namespace disktool {

namespace {

const char* const kSections[] = {"Main", "Disks", "DirectoryName", StringText(IDS_STARTUP),
                                 "Files"};

// Unicode of the Windows code page's bytes 0x80..0x9F (0: no character).
const uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

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

    // The rules that need the whole manifest.
    void Finish() {
        ValidateDirectories();
        for (const ManifestFile& f : m_->files) {
            ValidateFile(f);
        }
        if (!mainSeen_ || ManifestLookup(m_->main, ProgramText(IDS_PRODUCT_NAME)).empty()) {
            line_ = 0;
            Fail(
                std::string("no ProductName in [Main]: SETUP.EXE would name the product "
                            "\"Velor\" and install into C:\\VELOR"));
        }
        if (m_->labelPattern.empty()) {
            m_->labelPattern = ManifestLookup(m_->main, ProgramText(IDS_PRODUCT_NAME)) + " Disk %d";
            ValidateLabel(m_->labelPattern, 0);
        }
        if (m_->files.empty() && errors_->empty()) {
            errors_->push_back(path_ + ": no [Files] lines");
        }
    }

  private:
    std::string At(int line) const {
        return line > 0 ? path_ + ":" + std::to_string(line) + ": " : path_ + ": ";
    }
    void Fail(const std::string& what) { FailAt(line_, what); }
    void FailAt(int line, const std::string& what) { errors_->push_back(At(line) + what); }
    void WarnAt(int line, const std::string& what) { m_->warnings.push_back(At(line) + what); }

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
        mainSeen_ = mainSeen_ || section_ == "Main";
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
            ValidateLabel(value, line_);
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

    void ValidateLabel(const std::string& pattern, int line) {
        std::string widest = pattern;
        for (size_t at; (at = widest.find("%d")) != std::string::npos;) {
            widest.replace(at, 2, std::to_string(kMaxDisks));
        }
        if (static_cast<int>(widest.size()) > kLabelLimit) {
            FailAt(line, "the disk label \"" + widest + "\" has " + std::to_string(widest.size()) +
                             " characters; SETUP.EXE keeps " + std::to_string(kLabelLimit));
        }
    }

    // A directory value names a directory on the disks and (SubDirs,
    // RootDir) below the destination: a relative path of plain names.
    void ValidateDirectories() {
        std::set<std::string> made;
        for (const ManifestValue& v : m_->directories) {
            std::string why = DirectoryProblem(v.value);
            if (static_cast<int>(v.value.size()) > kDirectoryLimit) {
                why = "has " + std::to_string(v.value.size()) + " characters; SETUP.EXE keeps " +
                      std::to_string(kDirectoryLimit);
            }
            if (!why.empty()) {
                FailAt(v.line, v.key + " = " + v.value + ": " + why);
                continue;
            }
            if (v.key.compare(0, 6, "SubDir") != 0) {
                continue;
            }
            // The install page makes one level per SubDir value, in order.
            std::string dir = Lower(v.value);
            size_t cut = dir.find_last_of('\\');
            if (cut != std::string::npos && made.count(dir.substr(0, cut)) == 0) {
                FailAt(v.line, v.key + " = " + v.value +
                                   " is made one level at a time: its parent needs to be an "
                                   "earlier SubDir value");
            }
            made.insert(dir);
        }
    }

    void ValidateFile(const ManifestFile& f) {
        std::string why = FileNameProblem(f.target);
        if (!why.empty()) {
            FailAt(f.line, "target name \"" + f.target + "\" " + why);
        } else if (static_cast<int>(f.target.size()) > kNameLimit) {
            FailAt(f.line, "target name \"" + f.target + "\" has " +
                               std::to_string(f.target.size()) + " characters; SETUP.EXE keeps " +
                               std::to_string(kNameLimit));
        }
        if (static_cast<int>(f.description.size()) > kDescriptionLimit) {
            FailAt(f.line, "the description has " + std::to_string(f.description.size()) +
                               " characters; SETUP.EXE shows " + std::to_string(kDescriptionLimit));
        }
        std::string dir = DirectoryValue(*m_, f.keyword);
        if (f.keyword >= kSubDir1 && f.keyword <= kSubDir1 + 5 && dir.empty()) {
            FailAt(f.line, std::string(DirectoryKey(f.keyword)) + " has no [DirectoryName] value");
        }
        std::string upper = Upper(f.target);
        if (upper == kListName) {
            FailAt(f.line,
                   "UNINSTAL.INF is written by disktool from this manifest beside "
                   "UNINSTAL.EXE; drop this line");
        }
        if (upper == kUninstaller && (f.keyword != kRootDir || !dir.empty())) {
            FailAt(f.line,
                   "UNINSTAL.EXE belongs in the destination directory itself (RootDir, with an "
                   "empty RootDir value): the Uninstall entry starts it there");
        }
        std::string place = f.keyword >= kWinDir ? std::string(DirectoryKey(f.keyword))
                                                 : DirectoryValue(*m_, f.keyword);
        std::string target = Lower(place + "\\" + f.target);
        auto twice = targets_.emplace(target, f.line);
        if (!twice.second) {
            FailAt(f.line, f.target + " is installed to the same place by line " +
                               std::to_string(twice.first->second));
        }
        if (target == Lower(std::string("\\") + footprint::kRecordName)) {
            FailAt(f.line,
                   "SETUP.INF in the destination directory is where SETUP.EXE keeps the "
                   "registry values it replaces; name the file otherwise");
        }
        if (IsWindowsOwnFile(f.keyword, f.target)) {
            WarnAt(f.line, f.target + " is Windows' own file: setup replaces it, and the " +
                               "uninstall list leaves it out so that removing the product "
                               "does not delete it");
        }
    }

    std::string path_;
    Manifest* m_;
    std::vector<std::string>* errors_;
    int line_ = 0;
    std::string section_;
    bool mainSeen_ = false;
    std::set<std::string> seen_;
    std::map<std::string, int> targets_;  // lower-case place\name -> line
};

}  // namespace

bool Utf8ToWindows(const std::string& in, std::string* out, std::string* bad) {
    std::string result;
    for (size_t i = 0; i < in.size();) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        uint32_t code = c;
        size_t len = c < 0x80                ? 1
                     : c >= 0xC2 && c < 0xE0 ? 2
                     : c >= 0xE0 && c < 0xF0 ? 3
                     : c >= 0xF0 && c < 0xF5 ? 4
                                             : 0;
        if (len == 0 || i + len > in.size()) {
            *bad = "the text is not UTF-8 (byte " + std::to_string(i + 1) + ")";
            return false;
        }
        if (len > 1) {
            code = c & (0x7F >> len);
            for (size_t k = 1; k < len; k++) {
                unsigned char t = static_cast<unsigned char>(in[i + k]);
                if ((t & 0xC0) != 0x80) {
                    *bad = "the text is not UTF-8 (byte " + std::to_string(i + k + 1) + ")";
                    return false;
                }
                code = (code << 6) | (t & 0x3F);
            }
            if ((len == 3 && code < 0x800) || (len == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
                (code >= 0xD800 && code <= 0xDFFF)) {
                *bad = "the text is not UTF-8 (byte " + std::to_string(i + 1) + ")";
                return false;
            }
        }
        int byte = code < 0x80 || (code >= 0xA0 && code <= 0xFF) ? static_cast<int>(code) : -1;
        for (int k = 0; k < 32 && byte < 0; k++) {
            if (kCp1252High[k] != 0 && kCp1252High[k] == code) {
                byte = 0x80 + k;
            }
        }
        if (byte < 0) {
            *bad = "\"" + in.substr(i, len) + "\" (U+" + [code] {
                char hex[12];
                snprintf(hex, sizeof hex, "%04X", code);
                return std::string(hex);
            }() + ") is not in the Windows code page 1252 that Windows 95/98 read SETUP.INF in";
            return false;
        }
        result += static_cast<char>(byte);
        i += len;
    }
    *out = result;
    return true;
}

std::string ManifestLookup(const std::vector<ManifestValue>& list, const std::string& key) {
    for (const ManifestValue& v : list) {
        if (SameName(v.key, key)) {
            return v.value;
        }
    }
    return "";
}

std::string DirectoryValue(const Manifest& m, int keyword) {
    return keyword >= 0 && keyword < kDirectoryNameCount
               ? ManifestLookup(m.directories, DirectoryKey(keyword))
               : "";
}

bool IsWindowsOwnFile(int keyword, const std::string& target) {
    static const char* const kWindowsDir[] = {
        "SYSTEM.INI", "WIN.INI",  "PROTOCOL.INI", "CONTROL.INI", "PROGMAN.INI", "WIN.COM",
        "SYSTEM.DAT", "USER.DAT", "EXPLORER.EXE", "REGEDIT.EXE", "NOTEPAD.EXE"};
    static const char* const kSystemDir[] = {
        "KERNEL32.DLL", "USER32.DLL",   "GDI32.DLL",    "ADVAPI32.DLL", "SHELL32.DLL",
        "COMDLG32.DLL", "COMCTL32.DLL", "LZ32.DLL",     "LZEXPAND.DLL", "VER.DLL",
        "VERSION.DLL",  "OLE32.DLL",    "OLEAUT32.DLL", "MSVCRT.DLL",   "WSOCK32.DLL",
        "WINSOCK.DLL",  "SHELL.DLL",    "KRNL386.EXE",  "USER.EXE",     "GDI.EXE",
        "VMM32.VXD",    "MOUSE.DRV",    "KEYBOARD.DRV", "SYSTEM.DRV",   "DISPLAY.DRV"};
    std::string name = Upper(target);
    if (keyword == kWinDir) {
        for (const char* f : kWindowsDir) {
            if (name == f) {
                return true;
            }
        }
    }
    if (keyword == kWinSystemDir) {
        for (const char* f : kSystemDir) {
            if (name == f) {
                return true;
            }
        }
    }
    return false;
}

bool ParseManifestText(const std::string& text, const std::string& path, Manifest* m,
                       std::vector<std::string>* errors) {
    *m = Manifest();
    m->path = path;
    size_t before = errors->size();
    Reader reader(path, m, errors);
    reader.Parse(text);
    reader.Finish();
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
