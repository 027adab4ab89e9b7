#include "disk_labels.h"

#include <ctype.h>

#include "disk_names.h"

namespace disktool {

namespace {

const size_t kVolumeLabelLimit = 11;

}  // namespace

std::string Label(const Manifest& m, int disk) {
    std::string out;
    const std::string& p = m.labelPattern;
    for (size_t i = 0; i < p.size(); i++) {
        if (p[i] == '%' && i + 1 < p.size() && p[i + 1] == 'd') {
            out += std::to_string(disk + 1);
            i++;
        } else {
            out += p[i];
        }
    }
    return out;
}

std::string LabelChars(const std::string& text) {
    std::string out;
    for (char c : Upper(text)) {
        if (isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-') {
            out += c;
        }
    }
    return out;
}

std::string VolumeLabel(const Manifest& m, int disk) {
    std::string full = LabelChars(Label(m, disk));
    if (m.labelPattern.find("%d") != std::string::npos && full.size() <= kVolumeLabelLimit) {
        return full;
    }
    std::string stem = m.labelPattern;
    for (size_t at; (at = stem.find("%d")) != std::string::npos;) {
        stem.erase(at, 2);
    }
    std::string number = std::to_string(disk + 1);
    return LabelChars(stem).substr(0, kVolumeLabelLimit - number.size()) + number;
}

}  // namespace disktool
