// The registry stand-in's handle table.
#include <map>

#include "platform/posix/registry_tree.h"

namespace plat {
namespace posix {

namespace {

// Open handles; a null node marks a handle whose key was deleted.
std::map<uintptr_t, Node*> gHandles;
uintptr_t gNextHandle = 0x1000;

bool IsWithin(const Node* node, const Node* top) {
    for (const Node* n = node; n != nullptr; n = n->parent) {
        if (n == top) {
            return true;
        }
    }
    return false;
}

}  // namespace

RegKey NewHandle(Node* node) {
    uintptr_t h = gNextHandle;
    gNextHandle += 4;
    gHandles[h] = node;
    return reinterpret_cast<RegKey>(h);
}

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

void ForgetHandlesWithin(const Node* node) {
    for (auto& h : gHandles) {
        if (h.second != nullptr && IsWithin(h.second, node)) {
            h.second = nullptr;
        }
    }
}

bool CloseHandle(uintptr_t h) {
    return gHandles.erase(h) != 0;
}

void CloseAllHandles() {
    gHandles.clear();
}

}  // namespace posix
}  // namespace plat
