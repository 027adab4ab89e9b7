// Private-profile files on the fake machine, with the rules that Wine's
// kernel32 shows (it is the reference the contract tests hold us to):
// - lines are trimmed; blank lines are dropped when the file is rewritten;
// - "[name]" starts a section (the name runs to the last ']' and is
//   trimmed); a section named twice is only ever searched the first time;
// - "name=value" splits at the first '='; a line without '=' is a key with
//   no value, which reads as missing; ';' and '#' lines are plain keys;
// - the first of two equal keys wins; names compare ASCII case-blind;
// - a value wrapped in matching quotes loses them when read;
// - a write rewrites the whole file as "[section]" and "key=value" lines
//   ended by CR LF, appending new keys to their section and new sections to
//   the file.
// Parsed files are cached and only read again when the host file's size,
// time or inode change, so reading a script key by key stays cheap.
// Writes go to the disk at once, as Wine shows. While power cuts are being
// tried they stay in the cache instead, as Windows 95/98 keep them, until
// the file is flushed, another profile file is written, or Windows shuts
// down; a cut loses them.
#include "platform/profile.h"

#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/posix/internal.h"
#include "platform/posix/machine.h"
#include "platform/text.h"

namespace plat {

namespace {

// GetPrivateProfileIntA reads the value through a 30-character buffer.
const uint32_t kIntBufferSize = 30;

struct Key {
    std::string name;
    bool hasValue;
    std::string value;
};

struct Section {
    std::string name;
    bool headerless;  // the lines before the first section header
    std::vector<Key> keys;
    std::unordered_map<std::string, size_t> index;  // lower-case name -> first key
};

struct Stamp {
    bool exists = false;
    off_t size = 0;
    ino_t inode = 0;
    struct timespec mtime = {0, 0};
};

struct Profile {
    std::vector<Section> sections;
    std::unordered_map<std::string, size_t> index;  // lower-case name -> first section
    Stamp stamp;
};

struct CachedPath {
    std::string host;
    Profile profile;
    bool dirty = false;  // holds writes that are not on the disk yet
};

std::unordered_map<std::string, CachedPath> gCache;  // by DOS path as given

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1a;
}

std::string Trim(const std::string& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && IsBlank(s[b])) {
        b++;
    }
    while (e > b && IsBlank(s[e - 1])) {
        e--;
    }
    return s.substr(b, e - b);
}

using posix::Lower;

Stamp StampOf(const std::string& host) {
    Stamp stamp;
    struct stat st;
    if (stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        stamp.exists = true;
        stamp.size = st.st_size;
        stamp.inode = st.st_ino;
        stamp.mtime = st.st_mtim;
    }
    return stamp;
}

bool SameStamp(const Stamp& a, const Stamp& b) {
    return a.exists == b.exists && a.size == b.size && a.inode == b.inode &&
           a.mtime.tv_sec == b.mtime.tv_sec && a.mtime.tv_nsec == b.mtime.tv_nsec;
}

void AddKey(Section* section, Key key) {
    section->index.emplace(Lower(key.name), section->keys.size());
    section->keys.push_back(std::move(key));
}

void AddSection(Profile* profile, const std::string& name, bool headerless) {
    if (!headerless) {
        profile->index.emplace(Lower(name), profile->sections.size());
    }
    profile->sections.push_back(Section{name, headerless, {}, {}});
}

// The name indexes again after an erase moved what follows it.
void Reindex(Profile* profile) {
    profile->index.clear();
    for (size_t i = 0; i < profile->sections.size(); i++) {
        if (!profile->sections[i].headerless) {
            profile->index.emplace(Lower(profile->sections[i].name), i);
        }
    }
}

void Reindex(Section* section) {
    section->index.clear();
    for (size_t i = 0; i < section->keys.size(); i++) {
        section->index.emplace(Lower(section->keys[i].name), i);
    }
}

// The text between b and e without the blanks around it.
std::string TrimRange(const char* b, const char* e) {
    while (b < e && IsBlank(*b)) {
        b++;
    }
    while (e > b && IsBlank(e[-1])) {
        e--;
    }
    return std::string(b, e);
}

void Parse(const std::string& data, Profile* profile) {
    profile->sections.clear();
    profile->index.clear();
    const char* p = data.data();
    const char* end = p + data.size();
    while (p < end) {
        const char* eol = static_cast<const char*>(memchr(p, '\n', end - p));
        if (eol == nullptr) {
            eol = end;
        }
        const char* b = p;
        const char* e = eol;
        p = eol + 1;
        while (b < e && IsBlank(*b)) {
            b++;
        }
        while (e > b && IsBlank(e[-1])) {
            e--;
        }
        if (b == e) {
            continue;
        }
        if (*b == '[') {
            const char* close = e;  // just past the last ']'
            while (close > b && close[-1] != ']') {
                close--;
            }
            if (close > b) {
                AddSection(profile, TrimRange(b + 1, close - 1), false);
                continue;
            }
        }
        if (profile->sections.empty()) {
            AddSection(profile, "", true);
        }
        Key key;
        const char* eq = static_cast<const char*>(memchr(b, '=', e - b));
        if (eq == nullptr) {
            key.name.assign(b, e);
            key.hasValue = false;
        } else {
            key.name = TrimRange(b, eq);
            key.hasValue = true;
            key.value = TrimRange(eq + 1, e);
        }
        AddKey(&profile->sections.back(), std::move(key));
    }
}

std::string Serialize(const Profile& profile) {
    std::string out;
    for (const Section& section : profile.sections) {
        if (!section.headerless) {
            out += "[" + section.name + "]\r\n";
        }
        for (const Key& key : section.keys) {
            out += key.name;
            if (key.hasValue) {
                out += "=" + key.value;
            }
            out += "\r\n";
        }
    }
    return out;
}

bool WriteHostFile(const std::string& host, const std::string& data) {
    FILE* f = fopen(host.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
    return fclose(f) == 0 && ok;
}

// The parsed file at dosPath, read again only when the host file changed.
// Null when the path names no place on the machine.
CachedPath* Open(const char* dosPath) {
    if (dosPath == nullptr) {
        return nullptr;
    }
    auto it = gCache.find(dosPath);
    bool wasCached = it != gCache.end();
    if (wasCached && it->second.dirty) {
        return &it->second;
    }
    if (wasCached) {
        Stamp now = StampOf(it->second.host);
        if (now.exists && SameStamp(now, it->second.profile.stamp)) {
            return &it->second;
        }
    }
    // Resolve again: the file may have appeared under another letter case.
    std::string host = posix::HostPath(dosPath);
    if (host.empty()) {
        gCache.erase(dosPath);
        return nullptr;
    }
    CachedPath& entry = gCache[dosPath];
    entry.host = host;
    Stamp now = StampOf(host);
    if (wasCached && SameStamp(now, entry.profile.stamp)) {
        return &entry;
    }
    std::string data;
    if (!now.exists || !posix::HostFileBytes(host, &data)) {
        data.clear();
    }
    Parse(data, &entry.profile);
    entry.profile.stamp = now;
    return &entry;
}

Section* FindSection(Profile* profile, const char* name) {
    auto it = profile->index.find(Lower(Trim(name)));
    return it == profile->index.end() ? nullptr : &profile->sections[it->second];
}

Key* FindKey(Section* section, const char* name) {
    auto it = section->index.find(Lower(Trim(name)));
    return it == section->index.end() ? nullptr : &section->keys[it->second];
}

// Copies value into buf (size > 0), dropping quotes that wrap it. The cut
// follows Wine: the closing quote is taken off the copied text whenever the
// buffer could hold the value from the opening quote on, so a quoted value
// that only just fits loses its last character.
void CopyEntry(char* buf, uint32_t size, const std::string& value) {
    const char* src = value.c_str();
    bool quoted = false;
    if ((src[0] == '"' || src[0] == '\'') && src[1] != 0 && value.back() == src[0]) {
        quoted = true;
        src++;
    }
    text::Copy(buf, size, src);
    if (quoted && size >= text::Length(src)) {
        uint32_t n = text::Length(buf);
        if (n > 0) {
            buf[n - 1] = 0;
        }
    }
}

// Writes a changed profile back to its file; the cache then holds what was
// written, as read back.
int Flush(const std::string& dosPath, CachedPath* entry) {
    if (!entry->dirty) {
        return 1;
    }
    entry->dirty = false;
    std::string data = Serialize(entry->profile);
    // Windows rewrites the file in place: a cut leaves part of it.
    uint32_t size = static_cast<uint32_t>(data.size());
    uint32_t power = posix::PowerStep(posix::Op::ProfileFlush, dosPath, size);
    bool refused = posix::FaultHits(posix::Op::ProfileFlush, dosPath) ||
                   posix::WriteDenied(dosPath, entry->host);
    struct stat st;
    bool isNew = lstat(entry->host.c_str(), &st) != 0;
    bool written =
        !refused && (power > 0 || size == 0) && WriteHostFile(entry->host, data.substr(0, power));
    if (isNew && lstat(entry->host.c_str(), &st) == 0) {
        posix::DirectoryMade(entry->host, false);
    }
    if (!written || power < size) {
        entry->profile.stamp = Stamp();
        entry->profile.stamp.size = -1;  // never matches: read again next time
        return 0;
    }
    Parse(data, &entry->profile);
    entry->profile.stamp = StampOf(entry->host);
    return 1;
}

// A write to the cache. One file is held at a time: the one held before
// goes to the disk first. The file must be one that can be created.
int Save(const char* dosPath, CachedPath* entry) {
    for (auto& other : gCache) {
        if (&other.second != entry) {
            Flush(other.first, &other.second);
        }
    }
    if (!entry->profile.stamp.exists) {
        std::string dir = entry->host.substr(0, entry->host.find_last_of('/'));
        struct stat st;
        if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            entry->profile.stamp.size = -1;  // never matches: read again next time
            return 0;
        }
    }
    entry->dirty = true;
    return posix::PowerArmed() ? 1 : Flush(dosPath, entry);
}

}  // namespace

uint32_t ProfileGetString(const char* section, const char* key, const char* def, char* buf,
                          uint32_t size, const char* path) {
    if (buf == nullptr || size == 0) {
        return 0;
    }
    // The default loses trailing spaces (only spaces), then reads like a value.
    std::string value = def ? def : "";
    while (!value.empty() && value.back() == ' ') {
        value.pop_back();
    }
    // Listing section or key names is not needed here: it reads as empty.
    if (section == nullptr || key == nullptr) {
        buf[0] = 0;
        return 0;
    }
    CachedPath* entry = Open(path);
    if (entry != nullptr) {
        Section* s = FindSection(&entry->profile, section);
        Key* k = s ? FindKey(s, key) : nullptr;
        if (k != nullptr && k->hasValue) {
            value = k->value;
        }
    }
    CopyEntry(buf, size, value);
    return text::Length(buf);
}

uint32_t ProfileGetInt(const char* section, const char* key, int32_t def, const char* path) {
    char buf[kIntBufferSize];
    if (ProfileGetString(section, key, "", buf, sizeof buf, path) == 0) {
        return static_cast<uint32_t>(def);
    }
    // Like RtlCharToInteger with base 0: blanks, a sign, an optional 0x, 0o
    // or 0b prefix, then digits up to the first other character; the sum
    // wraps at 32 bits.
    const char* p = buf;
    while (*p != 0 && static_cast<unsigned char>(*p) <= ' ') {
        p++;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        p++;
    }
    uint32_t base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'o' || p[1] == 'b')) {
        base = p[1] == 'x' ? 16 : p[1] == 'o' ? 8 : 2;
        p += 2;
    }
    uint32_t result = 0;
    for (;; p++) {
        uint32_t digit;
        if (*p >= '0' && *p <= '9') {
            digit = static_cast<uint32_t>(*p - '0');
        } else if (*p >= 'a' && *p <= 'f') {
            digit = static_cast<uint32_t>(*p - 'a' + 10);
        } else if (*p >= 'A' && *p <= 'F') {
            digit = static_cast<uint32_t>(*p - 'A' + 10);
        } else {
            break;
        }
        if (digit >= base) {
            break;
        }
        result = result * base + digit;
    }
    return negative ? 0u - result : result;
}

int ProfileWriteString(const char* section, const char* key, const char* value, const char* path) {
    if (section == nullptr && key == nullptr && value == nullptr) {
        // Windows answers this flush with 0; so do we, after writing and
        // forgetting the cached copy.
        auto it = path != nullptr ? gCache.find(path) : gCache.end();
        if (it != gCache.end()) {
            Flush(it->first, &it->second);
            gCache.erase(it);
        }
        return 0;
    }
    if (section == nullptr || path == nullptr) {
        return 0;
    }
    if (!posix::PowerStep(posix::Op::ProfileWrite, path) ||
        posix::FaultHits(posix::Op::ProfileWrite, path) ||
        posix::WriteDenied(path, posix::HostPath(path))) {
        return 0;
    }
    CachedPath* entry = Open(path);
    if (entry == nullptr) {
        return 0;
    }
    Profile& profile = entry->profile;
    Section* s = FindSection(&profile, section);
    if (key == nullptr) {  // delete the section
        if (s == nullptr) {
            return 1;
        }
        profile.sections.erase(profile.sections.begin() + (s - profile.sections.data()));
        Reindex(&profile);
        return Save(path, entry);
    }
    if (value == nullptr) {  // delete the key
        Key* k = s ? FindKey(s, key) : nullptr;
        if (k == nullptr) {
            return 1;
        }
        s->keys.erase(s->keys.begin() + (k - s->keys.data()));
        Reindex(s);
        return Save(path, entry);
    }
    while (IsBlank(*value)) {
        value++;
    }
    if (s == nullptr) {
        AddSection(&profile, Trim(section), false);
        s = &profile.sections.back();
    }
    Key* k = FindKey(s, key);
    if (k == nullptr) {
        AddKey(s, Key{Trim(key), true, value});
    } else if (k->hasValue && k->value == value) {
        return 1;  // unchanged: the file is left as it is
    } else {
        k->hasValue = true;
        k->value = value;
    }
    return Save(path, entry);
}

namespace posix {
void ResetProfileCache() {
    gCache.clear();
}

void ProfileFlushAll() {
    for (auto& entry : gCache) {
        Flush(entry.first, &entry.second);
    }
}
}  // namespace posix

namespace posix {
bool ProfileParseFile(const std::string& hostFile, std::vector<ProfileSectionLines>* sections) {
    std::string data;
    if (!posix::HostFileBytes(hostFile, &data)) {
        return false;
    }
    Profile profile;
    Parse(data, &profile);
    sections->clear();
    for (const Section& s : profile.sections) {
        ProfileSectionLines out{s.name, s.headerless, {}};
        for (const Key& k : s.keys) {
            out.lines.push_back(ProfileLine{k.name, k.hasValue, k.value});
        }
        sections->push_back(std::move(out));
    }
    return true;
}
}  // namespace posix

}  // namespace plat
