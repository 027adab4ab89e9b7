// The registry stand-in: an in-memory tree that loads and saves REGEDIT4
// text. Keys and values keep the order they came in (Windows 95/98
// enumerates that way); names compare case-blindly but keep their spelling.
//
// Handles are small numbers kept in a table, so a handle whose key was
// deleted meanwhile answers ERROR_KEY_DELETED instead of touching freed
// memory. Injected faults answer ERROR_ACCESS_DENIED and change nothing.
#include "platform/registry.h"

#include <stdio.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/internal.h"
#include "platform/posix/machine.h"

namespace plat {

namespace posix {
namespace {

const long kErrInvalidHandle = 6;
const long kErrInvalidParameter = 87;
const long kErrKeyDeleted = 1018;

const uint32_t kRegNone = 0;
const uint32_t kRegExpandSz = 2;
const uint32_t kRegMultiSz = 7;

struct Value {
    std::string name;  // "" is the default value
    uint32_t type;
    std::string data;
};

struct Node {
    explicit Node(const char* keyName = "") : name(keyName) {}
    std::string name;
    Node* parent = nullptr;
    std::vector<std::unique_ptr<Node>> children;  // creation order
    std::vector<Value> values;                    // order first written
};

// The predefined roots, with their Win32 handle values.
struct Root {
    uintptr_t handle;
    const char* name;
    const char* shortName;
    Node node;
};
Root gRoots[] = {
    {0x80000000u, "HKEY_CLASSES_ROOT", "HKCR", Node("HKEY_CLASSES_ROOT")},
    {0x80000001u, "HKEY_CURRENT_USER", "HKCU", Node("HKEY_CURRENT_USER")},
    {0x80000002u, "HKEY_LOCAL_MACHINE", "HKLM", Node("HKEY_LOCAL_MACHINE")},
    {0x80000003u, "HKEY_USERS", "HKU", Node("HKEY_USERS")},
    {0x80000005u, "HKEY_CURRENT_CONFIG", "HKCC", Node("HKEY_CURRENT_CONFIG")},
    {0x80000006u, "HKEY_DYN_DATA", "HKDD", Node("HKEY_DYN_DATA")},
};
const size_t kRootCount = sizeof gRoots / sizeof gRoots[0];

// Open handles; a null node marks a handle whose key was deleted.
std::map<uintptr_t, Node*> gHandles;
uintptr_t gNextHandle = 0x1000;
std::vector<RegWrite> gWrites;

char Fold(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); i++) {
        if (Fold(a[i]) != Fold(b[i])) {
            return false;
        }
    }
    return true;
}

bool IsString(uint32_t type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

Root* RootByHandle(uintptr_t h) {
    for (size_t i = 0; i < kRootCount; i++) {
        if (gRoots[i].handle == h) {
            return &gRoots[i];
        }
    }
    return nullptr;
}

Root* RootByName(const std::string& name) {
    for (size_t i = 0; i < kRootCount; i++) {
        if (SameName(name, gRoots[i].name) || SameName(name, gRoots[i].shortName)) {
            return &gRoots[i];
        }
    }
    return nullptr;
}

// The node behind a handle: *error says why there is none.
Node* Resolve(RegKey key, long* error) {
    uintptr_t h = reinterpret_cast<uintptr_t>(key);
    if (Root* root = RootByHandle(h)) {
        return &root->node;
    }
    auto it = gHandles.find(h);
    if (it == gHandles.end()) {
        *error = kErrInvalidHandle;
        return nullptr;
    }
    if (it->second == nullptr) {
        *error = kErrKeyDeleted;
        return nullptr;
    }
    return it->second;
}

std::string FullPath(const Node* node) {
    std::string path;
    for (const Node* n = node; n != nullptr; n = n->parent) {
        path = path.empty() ? n->name : n->name + "\\" + path;
    }
    return path;
}

// The components of a subkey path; empty ones (doubled or trailing
// backslashes) are passed over.
std::vector<std::string> SplitPath(const char* subKey) {
    std::vector<std::string> parts;
    std::string part;
    for (const char* p = subKey ? subKey : ""; *p != 0; p++) {
        if (*p == '\\') {
            if (!part.empty()) {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += *p;
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    }
    return parts;
}

std::string JoinPath(const Node* base, const std::vector<std::string>& parts) {
    std::string path = FullPath(base);
    for (const std::string& p : parts) {
        path += "\\" + p;
    }
    return path;
}

Node* FindChild(Node* node, const std::string& name) {
    for (auto& c : node->children) {
        if (SameName(c->name, name)) {
            return c.get();
        }
    }
    return nullptr;
}

Node* CreateChild(Node* node, const std::string& name) {
    if (Node* existing = FindChild(node, name)) {
        return existing;
    }
    node->children.emplace_back(new Node);
    Node* child = node->children.back().get();
    child->name = name;
    child->parent = node;
    return child;
}

Value* FindValue(Node* node, const std::string& name) {
    for (Value& v : node->values) {
        if (SameName(v.name, name)) {
            return &v;
        }
    }
    return nullptr;
}

void SetValue(Node* node, const std::string& name, uint32_t type, const std::string& data) {
    if (Value* v = FindValue(node, name)) {
        v->type = type;
        v->data = data;
    } else {
        node->values.push_back(Value{name, type, data});
    }
}

bool IsWithin(const Node* node, const Node* top) {
    for (const Node* n = node; n != nullptr; n = n->parent) {
        if (n == top) {
            return true;
        }
    }
    return false;
}

// Removes a key and everything below it; handles into it go stale.
void DeleteNode(Node* node) {
    for (auto& h : gHandles) {
        if (h.second != nullptr && IsWithin(h.second, node)) {
            h.second = nullptr;
        }
    }
    Node* parent = node->parent;
    for (auto it = parent->children.begin(); it != parent->children.end(); ++it) {
        if (it->get() == node) {
            parent->children.erase(it);
            return;
        }
    }
}

RegKey NewHandle(Node* node) {
    uintptr_t h = gNextHandle;
    gNextHandle += 4;
    gHandles[h] = node;
    return reinterpret_cast<RegKey>(h);
}

// Walks parts below base; null when a part is missing.
Node* Walk(Node* base, const std::vector<std::string>& parts) {
    Node* node = base;
    for (const std::string& p : parts) {
        node = FindChild(node, p);
        if (node == nullptr) {
            return nullptr;
        }
    }
    return node;
}

// The node a full path names ("HKEY_LOCAL_MACHINE\\Software\\X"); with
// create, the missing keys are made.
Node* NodeAt(const std::string& fullPath, bool create) {
    std::vector<std::string> parts = SplitPath(fullPath.c_str());
    if (parts.empty()) {
        return nullptr;
    }
    Root* root = RootByName(parts[0]);
    if (root == nullptr) {
        return nullptr;
    }
    Node* node = &root->node;
    for (size_t i = 1; i < parts.size() && node != nullptr; i++) {
        node = create ? CreateChild(node, parts[i]) : FindChild(node, parts[i]);
    }
    return node;
}

void ClearNode(Node* node) {
    while (!node->children.empty()) {
        DeleteNode(node->children.back().get());
    }
    node->values.clear();
}

// ---- REGEDIT4 text ----

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
        int digits = 0;
        while (j < s.size() && HexDigit(s[j]) >= 0) {
            v = v * 16 + static_cast<uint32_t>(HexDigit(s[j]));
            j++;
            digits++;
        }
        if (digits == 0 || digits > 8 || !RestIsEmpty(s, j)) {
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
        int digits = 0;
        while (j < s.size() && HexDigit(s[j]) >= 0) {
            t = t * 16 + static_cast<uint32_t>(HexDigit(s[j]));
            j++;
            digits++;
        }
        if (digits == 0 || digits > 8 || j + 1 >= s.size() || s[j] != ')' || s[j + 1] != ':') {
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

bool LoadLines(const std::string& raw) {
    std::string text;
    bool unicode = false;
    if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF &&
        static_cast<unsigned char>(raw[1]) == 0xFE) {
        text = Narrow16(raw, 2);
    } else if (raw.size() >= 3 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text = raw.substr(3);
    } else {
        text = raw;
    }

    // Split into lines (CR LF or LF), joining hex continuation lines.
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

    size_t first = 0;
    while (first < lines.size() && lines[first].empty()) {
        first++;
    }
    if (first == lines.size()) {
        return false;
    }
    const std::string& header = lines[first];
    if (header == "Windows Registry Editor Version 5.00") {
        unicode = true;
    } else if (header != "REGEDIT4") {
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
            size_t close = line.rfind(']');
            if (close == std::string::npos || close < i) {
                ok = false;
                current = nullptr;
                continue;
            }
            bool del = i + 1 < line.size() && line[i + 1] == '-';
            std::string path = line.substr(i + (del ? 2 : 1), close - i - (del ? 2 : 1));
            if (del) {
                current = nullptr;
                Node* node = NodeAt(path, false);
                if (node != nullptr && node->parent != nullptr) {
                    DeleteNode(node);
                }
                continue;
            }
            current = NodeAt(path, true);
            if (current == nullptr) {
                ok = false;
            }
            continue;
        }
        std::string name;
        size_t after;
        if (line[i] == '@') {
            after = i + 1;
        } else if (line[i] == '"') {
            if (!ParseQuoted(line, i, &name, &after)) {
                ok = false;
                continue;
            }
        } else {
            ok = false;
            continue;
        }
        after = SkipBlanks(line, after);
        if (after >= line.size() || line[after] != '=') {
            ok = false;
            continue;
        }
        uint32_t type = kRegNone;
        std::string data;
        bool remove = false;
        if (!ParseData(line, after + 1, unicode, &type, &data, &remove)) {
            ok = false;
            continue;
        }
        if (current == nullptr) {
            ok = false;  // a value outside any key, or below a bad key line
            continue;
        }
        if (remove) {
            for (auto it = current->values.begin(); it != current->values.end(); ++it) {
                if (SameName(it->name, name)) {
                    current->values.erase(it);
                    break;
                }
            }
        } else {
            SetValue(current, name, type, data);
        }
    }
    return ok;
}

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
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
    std::string line = v.name.empty() ? "@=" : Quote(v.name) + "=";
    if (IsPlainText(v)) {
        std::string text = v.data;
        if (!text.empty() && text.back() == '\0') {
            text.pop_back();
        }
        *out += line + Quote(text) + "\r\n";
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

void ResetRegistryStore() {
    for (size_t i = 0; i < kRootCount; i++) {
        gRoots[i].node.children.clear();
        gRoots[i].node.values.clear();
        gRoots[i].node.name = gRoots[i].name;
    }
    gHandles.clear();
    gWrites.clear();
}

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

const std::vector<RegWrite>& RegistryWrites() {
    return gWrites;
}

void ClearRegistryWrites() {
    gWrites.clear();
}

}  // namespace posix

using posix::Node;

RegKey ClassesRoot() {
    return reinterpret_cast<RegKey>(static_cast<uintptr_t>(0x80000000u));
}
RegKey LocalMachine() {
    return reinterpret_cast<RegKey>(static_cast<uintptr_t>(0x80000002u));
}
RegKey DynData() {
    return reinterpret_cast<RegKey>(static_cast<uintptr_t>(0x80000006u));
}

long RegOpen(RegKey parent, const char* subKey, RegKey* out) {
    long error = kErrSuccess;
    Node* base = posix::Resolve(parent, &error);
    if (base == nullptr) {
        return error;
    }
    std::vector<std::string> parts = posix::SplitPath(subKey);
    if (posix::FaultHits(posix::Op::RegOpen, posix::JoinPath(base, parts))) {
        return kErrAccessDenied;
    }
    Node* node = posix::Walk(base, parts);
    if (node == nullptr) {
        return kErrFileNotFound;
    }
    *out = posix::NewHandle(node);
    return kErrSuccess;
}

long RegCreate(RegKey parent, const char* subKey, RegKey* out) {
    long error = kErrSuccess;
    Node* base = posix::Resolve(parent, &error);
    if (base == nullptr) {
        return error;
    }
    std::vector<std::string> parts = posix::SplitPath(subKey);
    if (posix::FaultHits(posix::Op::RegCreate, posix::JoinPath(base, parts))) {
        return kErrAccessDenied;
    }
    Node* node = base;
    for (const std::string& p : parts) {
        node = posix::CreateChild(node, p);
    }
    *out = posix::NewHandle(node);
    return kErrSuccess;
}

long RegEnumSubkey(RegKey key, uint32_t index, char* name, uint32_t nameSize) {
    long error = kErrSuccess;
    Node* node = posix::Resolve(key, &error);
    if (node == nullptr) {
        return error;
    }
    if (posix::FaultHits(posix::Op::RegEnum, posix::FullPath(node))) {
        return kErrAccessDenied;
    }
    if (index >= node->children.size()) {
        return kErrNoMoreItems;
    }
    const std::string& child = node->children[index]->name;
    if (name == nullptr || child.size() >= nameSize) {
        return kErrMoreData;
    }
    child.copy(name, child.size());
    name[child.size()] = 0;
    return kErrSuccess;
}

long RegQuery(RegKey key, const char* valueName, uint32_t* type, void* data, uint32_t* size) {
    long error = kErrSuccess;
    Node* node = posix::Resolve(key, &error);
    if (node == nullptr) {
        return error;
    }
    if (data != nullptr && size == nullptr) {
        return posix::kErrInvalidParameter;
    }
    if (posix::FaultHits(posix::Op::RegQuery, posix::FullPath(node))) {
        return kErrAccessDenied;
    }
    const posix::Value* v = posix::FindValue(node, valueName ? valueName : "");
    if (v == nullptr) {
        return kErrFileNotFound;
    }
    if (type != nullptr) {
        *type = v->type;
    }
    if (size == nullptr) {
        return kErrSuccess;
    }
    uint32_t len = static_cast<uint32_t>(v->data.size());
    uint32_t capacity = *size;
    *size = len;
    if (data == nullptr) {
        return kErrSuccess;
    }
    if (len > capacity) {
        return kErrMoreData;
    }
    char* bytes = static_cast<char*>(data);
    v->data.copy(bytes, len);
    // Like the A call: text written without its terminator comes back
    // terminated when the buffer has room, its size unchanged.
    if (posix::IsString(v->type) && len > 0 && len < capacity && bytes[len - 1] != 0) {
        bytes[len] = 0;
    }
    return kErrSuccess;
}

long RegSet(RegKey key, const char* valueName, uint32_t type, const void* data, uint32_t size) {
    long error = kErrSuccess;
    Node* node = posix::Resolve(key, &error);
    if (node == nullptr) {
        return error;
    }
    if (data == nullptr && size != 0) {
        return posix::kErrInvalidParameter;
    }
    std::string path = posix::FullPath(node);
    if (posix::FaultHits(posix::Op::RegSet, path)) {
        return kErrAccessDenied;
    }
    std::string bytes;
    if (size != 0) {
        bytes.assign(static_cast<const char*>(data), size);
    }
    std::string name = valueName ? valueName : "";
    posix::SetValue(node, name, type, bytes);
    posix::gWrites.push_back(posix::RegWrite{path, name, type, bytes});
    return kErrSuccess;
}

long RegClose(RegKey key) {
    uintptr_t h = reinterpret_cast<uintptr_t>(key);
    if (posix::RootByHandle(h) != nullptr) {
        return kErrSuccess;
    }
    if (posix::gHandles.erase(h) == 0) {
        return posix::kErrInvalidHandle;
    }
    return kErrSuccess;
}

}  // namespace plat
