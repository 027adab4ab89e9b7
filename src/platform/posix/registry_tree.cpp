// The registry stand-in's key tree: keys and values in the order they came
// in (Windows 95/98 enumerates that way), names compared case-blindly but
// kept as spelled, under the predefined roots.
#include "platform/posix/registry_tree.h"

namespace plat {
namespace posix {

char Fold(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

Root gRoots[] = {
    {0x80000000u, "HKEY_CLASSES_ROOT", "HKCR", Node("HKEY_CLASSES_ROOT")},
    {0x80000001u, "HKEY_CURRENT_USER", "HKCU", Node("HKEY_CURRENT_USER")},
    {0x80000002u, "HKEY_LOCAL_MACHINE", "HKLM", Node("HKEY_LOCAL_MACHINE")},
    {0x80000003u, "HKEY_USERS", "HKU", Node("HKEY_USERS")},
    {0x80000005u, "HKEY_CURRENT_CONFIG", "HKCC", Node("HKEY_CURRENT_CONFIG")},
    {0x80000006u, "HKEY_DYN_DATA", "HKDD", Node("HKEY_DYN_DATA")},
};
const size_t kRootCount = sizeof gRoots / sizeof gRoots[0];

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

std::string FullPath(const Node* node) {
    std::string path;
    for (const Node* n = node; n != nullptr; n = n->parent) {
        path = path.empty() ? n->name : n->name + "\\" + path;
    }
    return path;
}

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

void DeleteNode(Node* node) {
    ForgetHandlesWithin(node);
    Node* parent = node->parent;
    for (auto it = parent->children.begin(); it != parent->children.end(); ++it) {
        if (it->get() == node) {
            parent->children.erase(it);
            return;
        }
    }
}

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

void CopyTree(const Node& from, Node* to) {
    to->values = from.values;
    to->children.clear();
    for (const auto& c : from.children) {
        to->children.emplace_back(new Node);
        Node* child = to->children.back().get();
        child->name = c->name;
        child->parent = to;
        CopyTree(*c, child);
    }
}

}  // namespace posix
}  // namespace plat
