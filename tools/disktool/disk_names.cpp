#include "disk_names.h"

#include <ctype.h>
#include <string.h>

#include <algorithm>
#include <vector>

namespace disktool {

namespace {

const size_t kLongNamePart = 13;  // characters of a long name per FAT entry
// Besides letters and digits, what a FAT short name may hold.
const char kShortNameMarks[] = "!#$%&'()-@^_`{}~";

bool ShortChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (c != 0 && strchr(kShortNameMarks, c) != nullptr);
}

}  // namespace

std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

std::string Upper(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return s;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) {
        return "";
    }
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

std::string Dir(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); j++) {
        row[j] = j;
    }
    for (size_t i = 1; i <= a.size(); i++) {
        size_t diag = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); j++) {
            size_t up = row[j];
            size_t best = diag + (a[i - 1] == b[j - 1] ? 0 : 1);
            best = std::min(best, std::min(row[j] + 1, row[j - 1] + 1));
            row[j] = best;
            diag = up;
        }
    }
    return row[b.size()];
}

bool SameName(const std::string& a, const std::string& b) {
    return Lower(a) == Lower(b);
}

std::string NearName(const std::string& name, const std::vector<std::string>& candidates,
                     bool keepBlanks) {
    std::string squeezed;
    for (char c : name) {
        if (isalnum(static_cast<unsigned char>(c)) || (keepBlanks && c == ' ')) {
            squeezed += c;
        }
    }
    for (const std::string& c : candidates) {
        if (SameName(squeezed, c) || EditDistance(Lower(name), Lower(c)) <= 2) {
            return c;
        }
    }
    return "";
}

bool IsDeviceName(const std::string& name) {
    std::string base = Upper(Trim(name.substr(0, name.find('.'))));
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$", "CONFIG$"};
    for (const char* d : kDevices) {
        if (base == d) {
            return true;
        }
    }
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

std::string FileNameProblem(const std::string& name) {
    if (name.empty()) {
        return "is empty";
    }
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || strchr("\\/:*?\"<>|", c) != nullptr) {
            return "is not a plain file name (it holds '" + std::string(1, c) + "')";
        }
    }
    if (name == "." || name == "..") {
        return "is not a file name";
    }
    if (name.back() == '.' || name.back() == ' ') {
        return "ends with '" + std::string(1, name.back()) + "', which Windows drops";
    }
    if (IsDeviceName(name)) {
        return "is a DOS device name: Windows opens the device, not a file";
    }
    return "";
}

std::string DirectoryProblem(const std::string& value) {
    if (value.empty()) {
        return "";
    }
    size_t start = 0;
    for (;;) {
        size_t end = value.find('\\', start);
        std::string part = value.substr(start, end - start);
        if (part.empty()) {
            return "a relative path of names is needed (no leading, trailing or doubled \\)";
        }
        if (part == "..") {
            return "\"..\" climbs out of the directory it is below";
        }
        std::string why = FileNameProblem(part);
        if (!why.empty()) {
            return "\"" + part + "\" " + why;
        }
        for (char c : part) {
            if (static_cast<unsigned char>(c) >= 0x80) {
                return "\"" + part +
                       "\" is spelled on the disk too: keep directory names to ASCII, which "
                       "the floppy and Windows spell alike";
            }
        }
        if (end == std::string::npos) {
            return "";
        }
        start = end + 1;
    }
}

bool IsShortName(const std::string& name) {
    size_t dot = name.find('.');
    std::string base = name.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3 ||
        (dot != std::string::npos && ext.empty())) {
        return false;
    }
    for (char c : base + ext) {
        if (!ShortChar(c)) {
            return false;
        }
    }
    return true;
}

int DirectoryEntries(const std::string& name) {
    return IsShortName(name)
               ? 1
               : 1 + static_cast<int>((name.size() + kLongNamePart - 1) / kLongNamePart);
}

std::string DiskFileName(const std::string& target,
                         const std::function<bool(const std::string&)>& taken) {
    std::string upper = Upper(target);
    if (IsShortName(upper)) {
        return upper;
    }
    size_t dot = upper.find_last_of('.');
    std::string stem;
    std::string ext;
    for (size_t i = 0; i < upper.size(); i++) {
        if (ShortChar(upper[i])) {
            (dot != std::string::npos && i > dot ? ext : stem) += upper[i];
        }
    }
    ext = ext.substr(0, 3);
    if (stem.empty()) {
        stem = "FILE";
    }
    for (int n = 1;; n++) {
        std::string tail = "~" + std::to_string(n);
        std::string name = stem.substr(0, 8 - tail.size()) + tail + (ext.empty() ? "" : "." + ext);
        if (!taken(name)) {
            return name;
        }
    }
}

bool StaysInside(const std::string& rel) {
    if (rel.empty() || rel[0] == '/') {
        return false;
    }
    size_t start = 0;
    for (;;) {
        size_t end = rel.find('/', start);
        std::string part = rel.substr(start, end - start);
        if (part.empty() || part == "." || part == ".." || part.find('\\') != std::string::npos) {
            return false;
        }
        if (end == std::string::npos) {
            return true;
        }
        start = end + 1;
    }
}

}  // namespace disktool
