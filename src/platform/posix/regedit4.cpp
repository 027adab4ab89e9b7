// The registry stand-in's REGEDIT4 text: the format Windows 95/98's own
// regedit reads and writes, and Wine's regedit imports and exports (also as
// UTF-16). Loading merges into the store; saving writes every root.
#include <stdio.h>

#include <string>

#include "platform/posix/machine.h"
#include "platform/posix/registry_tree.h"
#include "platform/regedit4_text.h"

namespace plat {
namespace posix {

namespace {

// UTF-16LE (what Wine's regedit /E writes) to the 8-bit text the store
// keeps: characters above 255 have no byte and become '?'.
std::string Narrow16(const std::string& bytes, size_t from) {
    std::string out;
    out.reserve((bytes.size() - from) / 2);
    for (size_t i = from; i + 1 < bytes.size(); i += 2) {
        unsigned c = static_cast<unsigned char>(bytes[i]) |
                     static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        out += c < 256 ? static_cast<char>(c) : '?';
    }
    return out;
}

std::string TrimRight(const std::string& s) {
    size_t end = s.size();
    while (end > 0 && (s[end - 1] == ' ' || s[end - 1] == '\t' || s[end - 1] == '\r')) {
        end--;
    }
    return s.substr(0, end);
}

size_t SkipBlanks(const std::string& s, size_t i) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) {
        i++;
    }
    return i;
}

// Nothing but blanks or a ';' comment from i on.
bool RestIsEmpty(const std::string& s, size_t i) {
    i = SkipBlanks(s, i);
    return i == s.size() || s[i] == ';';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = Fold(c);
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// A quoted string starting at s[i] == '"'; *end is past the closing quote.
bool ParseQuoted(const std::string& s, size_t i, std::string* out, size_t* end) {
    out->clear();
    for (i++; i < s.size(); i++) {
        char c = s[i];
        if (c == '"') {
            *end = i + 1;
            return true;
        }
        if (c == '\\' && i + 1 < s.size()) {
            char e = s[++i];
            if (e == 'n') {
                c = '\n';
            } else if (e == 'r') {
                c = '\r';
            } else if (e == '0') {
                return false;  // regedit refuses an embedded zero
            } else {
                c = e;  // \\, \" and any other escaped character stand for themselves
            }
        }
        *out += c;
    }
    return false;
}

// "xx,xx,..." (continuation lines already joined).
bool ParseHexBytes(const std::string& s, size_t i, std::string* out) {
    out->clear();
    i = SkipBlanks(s, i);
    if (RestIsEmpty(s, i)) {
        return true;
    }
    while (true) {
        i = SkipBlanks(s, i);
        int hi = i < s.size() ? HexDigit(s[i]) : -1;
        if (hi < 0) {
            return false;
        }
        i++;
        int lo = i < s.size() ? HexDigit(s[i]) : -1;
        int byte = hi;
        if (lo >= 0) {
            byte = hi * 16 + lo;
            i++;
        }
        *out += static_cast<char>(byte);
        i = SkipBlanks(s, i);
        if (i < s.size() && s[i] == ',') {
            i++;
            if (RestIsEmpty(s, i)) {
                return true;  // a trailing comma is accepted
            }
            continue;
        }
        return RestIsEmpty(s, i);
    }
}

// Up to 8 hex digits from s[*j] into *v, *j past them; false when there
// are none or more.
bool ParseHexNumber(const std::string& s, size_t* j, uint32_t* v) {
    *v = 0;
    int digits = 0;
    while (*j < s.size() && HexDigit(s[*j]) >= 0) {
        *v = *v * 16 + static_cast<uint32_t>(HexDigit(s[*j]));
        (*j)++;
        digits++;
    }
    return digits > 0 && digits <= 8;
}

// The data after '=': a quoted string, dword:, hex:, hex(N): or '-'.
// *remove is set for '-'.
bool ParseData(const std::string& s, size_t i, bool unicodeFile, uint32_t* type, std::string* data,
               bool* remove) {
    *remove = false;
    i = SkipBlanks(s, i);
    if (i < s.size() && s[i] == '"') {
        size_t end;
        if (!ParseQuoted(s, i, data, &end) || !RestIsEmpty(s, end)) {
            return false;
        }
        *type = kRegSz;
        *data += '\0';
        return true;
    }
    if (i < s.size() && s[i] == '-') {
        *remove = true;
        return RestIsEmpty(s, i + 1);
    }
    std::string rest = s.substr(i);
    if (rest.size() >= 6 && SameName(rest.substr(0, 6), "dword:")) {
        size_t j = i + 6;
        uint32_t v = 0;
        if (!ParseHexNumber(s, &j, &v) || !RestIsEmpty(s, j)) {
            return false;
        }
        *type = kRegDword;
        data->assign(4, '\0');
        for (int b = 0; b < 4; b++) {
            (*data)[b] = static_cast<char>((v >> (8 * b)) & 0xFF);
        }
        return true;
    }
    if (rest.size() >= 4 && SameName(rest.substr(0, 4), "hex:")) {
        *type = kRegBinary;
        return ParseHexBytes(s, i + 4, data);
    }
    if (rest.size() >= 4 && SameName(rest.substr(0, 4), "hex(")) {
        size_t j = i + 4;
        uint32_t t = 0;
        if (!ParseHexNumber(s, &j, &t) || j + 1 >= s.size() || s[j] != ')' || s[j + 1] != ':') {
            return false;
        }
        if (!ParseHexBytes(s, j + 2, data)) {
            return false;
        }
        // Version 5 files hold text types as UTF-16; the store keeps bytes
        // as the A calls return them.
        if (unicodeFile && IsString(t)) {
            *data = Narrow16(*data, 0);
        }
        *type = t;
        return true;
    }
    return false;
}

// Where a value line's data begin (past the '='), or npos.
size_t DataStart(const std::string& line) {
    size_t i = SkipBlanks(line, 0);
    std::string name;
    if (i < line.size() && line[i] == '@') {
        i++;
    } else if (i < line.size() && line[i] == '"') {
        if (!ParseQuoted(line, i, &name, &i)) {
            return std::string::npos;
        }
    } else {
        return std::string::npos;
    }
    i = SkipBlanks(line, i);
    return i < line.size() && line[i] == '=' ? i + 1 : std::string::npos;
}

// Only hex data go on over several lines (a trailing backslash).
bool IsHexValueLine(const std::string& line) {
    size_t i = DataStart(line);
    if (i == std::string::npos) {
        return false;
    }
    i = SkipBlanks(line, i);
    return line.size() - i >= 3 && SameName(line.substr(i, 3), "hex");
}

// The file's bytes as 8-bit text: UTF-16LE (with its byte-order mark)
// narrowed, a UTF-8 byte-order mark dropped.
std::string DecodeText(const std::string& raw) {
    if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF &&
        static_cast<unsigned char>(raw[1]) == 0xFE) {
        return Narrow16(raw, 2);
    }
    if (raw.size() >= 3 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        return raw.substr(3);
    }
    return raw;
}

// Split into lines (CR LF or LF), joining hex continuation lines.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    bool continued = false;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) {
            nl = text.size();
        }
        std::string line = TrimRight(text.substr(pos, nl - pos));
        pos = nl + 1;
        if (continued) {
            lines.back() += line.substr(SkipBlanks(line, 0));
        } else {
            lines.push_back(line);
        }
        std::string& last = lines.back();
        continued = !last.empty() && last.back() == '\\' && IsHexValueLine(last);
        if (continued) {
            last.pop_back();
        }
    }
    return lines;
}

// The first line that is not empty names the format: *first is its index,
// *unicode set for version 5. False when it names neither.
bool ReadHeader(const std::vector<std::string>& lines, size_t* first, bool* unicode) {
    *first = 0;
    while (*first < lines.size() && lines[*first].empty()) {
        (*first)++;
    }
    if (*first == lines.size()) {
        return false;
    }
    const std::string& header = lines[*first];
    *unicode = header == "Windows Registry Editor Version 5.00";
    return *unicode || header == "REGEDIT4";
}

// A key line "[path]" or "[-path]" (at line[i]): *current becomes the key
// its values go to, null after a deletion or a bad line. False when the
// line is bad or the key cannot be made.
bool ApplyKeyLine(const std::string& line, size_t i, Node** current) {
    *current = nullptr;
    size_t close = line.rfind(']');
    if (close == std::string::npos || close < i) {
        return false;
    }
    bool del = i + 1 < line.size() && line[i + 1] == '-';
    std::string path = line.substr(i + (del ? 2 : 1), close - i - (del ? 2 : 1));
    if (del) {
        Node* node = NodeAt(path, false);
        if (node != nullptr && node->parent != nullptr) {
            DeleteNode(node);
        }
        return true;
    }
    *current = NodeAt(path, true);
    return *current != nullptr;
}

void RemoveValue(Node* node, const std::string& name) {
    for (auto it = node->values.begin(); it != node->values.end(); ++it) {
        if (SameName(it->name, name)) {
            node->values.erase(it);
            return;
        }
    }
}

// A value line "@=..." or "\"name\"=..." (at line[i]) applied to current.
// False when it does not parse or no key takes it.
bool ApplyValueLine(const std::string& line, size_t i, bool unicode, Node* current) {
    std::string name;
    size_t after;
    if (line[i] == '@') {
        after = i + 1;
    } else if (line[i] != '"' || !ParseQuoted(line, i, &name, &after)) {
        return false;
    }
    after = SkipBlanks(line, after);
    if (after >= line.size() || line[after] != '=') {
        return false;
    }
    uint32_t type = kRegNone;
    std::string data;
    bool remove = false;
    if (!ParseData(line, after + 1, unicode, &type, &data, &remove)) {
        return false;
    }
    if (current == nullptr) {
        return false;  // a value outside any key, or below a bad key line
    }
    if (remove) {
        RemoveValue(current, name);
    } else {
        SetValue(current, name, type, data);
    }
    return true;
}

bool LoadLines(const std::string& raw) {
    std::vector<std::string> lines = SplitLines(DecodeText(raw));
    size_t first = 0;
    bool unicode = false;
    if (!ReadHeader(lines, &first, &unicode)) {
        return false;
    }
    bool ok = true;
    Node* current = nullptr;  // null: values are not to be applied here
    for (size_t n = first + 1; n < lines.size(); n++) {
        const std::string& line = lines[n];
        size_t i = SkipBlanks(line, 0);
        if (i == line.size() || line[i] == ';' || line[i] == '#') {
            continue;
        }
        if (line[i] == '[') {
            ok = ApplyKeyLine(line, i, &current) && ok;
        } else {
            ok = ApplyValueLine(line, i, unicode, current) && ok;
        }
    }
    return ok;
}

// Text that Windows 95/98's regedit writes as "...": no zero before the
// end and no line breaks. The terminator is optional, as the setup writes
// text without it; the file reads back with one, as regedit's would.
bool IsPlainText(const Value& v) {
    if (v.type != kRegSz) {
        return false;
    }
    size_t len = v.data.size();
    if (len > 0 && v.data[len - 1] == '\0') {
        len--;
    }
    for (size_t i = 0; i < len; i++) {
        char c = v.data[i];
        if (c == '\0' || c == '\r' || c == '\n') {
            return false;
        }
    }
    return true;
}

// Hex data wrapped before column 80, continuation lines indented by two.
void AppendHex(std::string* out, size_t column, const std::string& data) {
    static const char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < data.size(); i++) {
        unsigned char b = static_cast<unsigned char>(data[i]);
        *out += kDigits[b >> 4];
        *out += kDigits[b & 15];
        column += 2;
        if (i + 1 < data.size()) {
            *out += ',';
            column++;
            if (column > 75) {
                *out += "\\\r\n  ";
                column = 2;
            }
        }
    }
}

void SaveValue(std::string* out, const Value& v) {
    std::string line = v.name.empty() ? "@=" : RegQuoted(v.name) + "=";
    if (IsPlainText(v)) {
        std::string text = v.data;
        if (!text.empty() && text.back() == '\0') {
            text.pop_back();
        }
        *out += line + RegQuoted(text) + "\r\n";
        return;
    }
    if (v.type == kRegDword && v.data.size() == 4) {
        uint32_t d = 0;
        for (int b = 3; b >= 0; b--) {
            d = d << 8 | static_cast<unsigned char>(v.data[b]);
        }
        char digits[9];
        snprintf(digits, sizeof digits, "%08x", d);
        *out += line + "dword:" + digits + "\r\n";
        return;
    }
    if (v.type == kRegBinary) {
        line += "hex:";
    } else {
        char prefix[24];
        snprintf(prefix, sizeof prefix, "hex(%x):", v.type);
        line += prefix;
    }
    *out += line;
    AppendHex(out, line.size(), v.data);
    *out += "\r\n";
}

void SaveNode(std::string* out, const Node* node, const std::string& path, bool isRoot) {
    if (!isRoot || !node->values.empty()) {
        *out += "[" + path + "]\r\n";
        for (const Value& v : node->values) {
            SaveValue(out, v);
        }
        *out += "\r\n";
    }
    for (const auto& c : node->children) {
        SaveNode(out, c.get(), path + "\\" + c->name, false);
    }
}

}  // namespace

void RegistryClear() {
    for (size_t i = 0; i < kRootCount; i++) {
        ClearNode(&gRoots[i].node);
    }
}

bool RegistryLoadText(const std::string& regText) {
    return LoadLines(regText);
}

bool RegistryLoadFile(const std::string& hostFile) {
    FILE* f = fopen(hostFile.c_str(), "rb");
    if (f == nullptr) {
        return false;
    }
    std::string bytes;
    char buf[65536];
    size_t got;
    while ((got = fread(buf, 1, sizeof buf, f)) > 0) {
        bytes.append(buf, got);
    }
    bool readOk = ferror(f) == 0;
    fclose(f);
    return readOk && LoadLines(bytes);
}

std::string RegistrySaveText() {
    std::string out = "REGEDIT4\r\n\r\n";
    for (size_t i = 0; i < kRootCount; i++) {
        SaveNode(&out, &gRoots[i].node, gRoots[i].name, true);
    }
    return out;
}

bool RegistrySaveFile(const std::string& hostFile) {
    std::string text = RegistrySaveText();
    FILE* f = fopen(hostFile.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
    return fclose(f) == 0 && ok;
}

}  // namespace posix
}  // namespace plat
