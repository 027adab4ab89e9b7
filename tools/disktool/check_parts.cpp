// What the parts of the check share: the script as the loader reads it, the
// findings, and the path and name rules they all apply.
#include "check_parts.h"

#include <string.h>

#include "disk_names.h"
#include "platform/profile.h"
#include "script/setup_script.h"

namespace disktool {

namespace {

const char kMissing[] = "\x01";   // default that no script value equals
const uint32_t kRawSize = 65536;  // reads values whole, to see what the loader cuts

}  // namespace

std::optional<std::string> LoadedScript::Raw(const char* section, const char* key) const {
    std::vector<char> buf(kRawSize);
    plat::ProfileGetString(section, key, kMissing, buf.data(), kRawSize, kScript.c_str());
    if (strcmp(buf.data(), kMissing) == 0) {
        return std::nullopt;
    }
    return std::string(buf.data());
}

int32_t LoadedScript::Int(const char* section, const char* key, int32_t def) const {
    return static_cast<int32_t>(plat::ProfileGetInt(section, key, def, kScript.c_str()));
}

const plat::posix::ProfileSectionLines* LoadedScript::Find(const char* name) const {
    for (const auto& s : sections_) {
        if (!s.headerless && SameName(s.name, name)) {
            return &s;
        }
    }
    return nullptr;
}

void Check::Add(Severity s, const std::string& code, const std::string& where,
                const std::string& message) {
    result.findings.push_back(Finding{s, code, where, message});
}

void Check::Cut(const std::string& where, const std::string& what, const std::string& value,
                int limit) {
    Add(Severity::Warning, "cut", where,
        what + " \"" + value + "\" has " + std::to_string(value.size()) +
            " characters; SETUP.EXE keeps the first " + std::to_string(limit) + ": \"" +
            value.substr(0, static_cast<size_t>(limit)) + "\"");
}

void Check::CutKey(const char* section, const char* key, int limit, const std::string& what) {
    std::optional<std::string> v = script.Raw(section, key);
    if (v && static_cast<int>(v->size()) > limit) {
        Cut(Where(section, key), what, *v, limit);
    }
}

std::string Where(const std::string& section, const std::string& key) {
    return "[" + section + "] " + key;
}

std::string Tidy(const std::string& path) {
    std::string out;
    for (size_t i = 0; i < path.size(); i++) {
        if (path[i] == '\\' && i > 0 && path[i - 1] == '\\') {
            continue;
        }
        out += path[i];
    }
    return out;
}

bool HasParentStep(const std::string& path) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (path.compare(start, end - start, "..") == 0 && end - start == 2) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

std::string TakeField(const char** rest) {
    std::vector<char> field(kRawSize);
    *rest = SplitField(*rest, field.data(), kRawSize);
    return field.data();
}

}  // namespace disktool
