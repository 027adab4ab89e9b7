// The registry stand-in's key tree and handles, shared by its parts:
// registry_tree.cpp (keys, values, the predefined roots), registry_handles.cpp
// (the handle table), regedit4.cpp (REGEDIT4 text in and out) and
// registry.cpp (the Reg* calls, with fault injection and the write record).
// Native builds only.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace plat {
namespace posix {

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
extern Root gRoots[];
extern const size_t kRootCount;

// Key and value names compare case-blindly.
char Fold(char c);  // a..z to A..Z
bool SameName(const std::string& a, const std::string& b);
bool IsString(uint32_t type);  // REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ
Root* RootByHandle(uintptr_t h);
Root* RootByName(const std::string& name);  // long or short name

// Path of a node from its root, e.g. "HKEY_LOCAL_MACHINE\\Enum".
std::string FullPath(const Node* node);
// The components of a subkey path; empty ones (doubled or trailing
// backslashes) are passed over.
std::vector<std::string> SplitPath(const char* subKey);
std::string JoinPath(const Node* base, const std::vector<std::string>& parts);
Node* FindChild(Node* node, const std::string& name);
Node* CreateChild(Node* node, const std::string& name);  // or the existing one
Value* FindValue(Node* node, const std::string& name);
void SetValue(Node* node, const std::string& name, uint32_t type, const std::string& data);
// Walks parts below base; null when a part is missing.
Node* Walk(Node* base, const std::vector<std::string>& parts);
// The node a full path names ("HKEY_LOCAL_MACHINE\\Software\\X"); with
// create, the missing keys are made.
Node* NodeAt(const std::string& fullPath, bool create);
// Removes a key and everything below it; handles into it go stale.
void DeleteNode(Node* node);
// Removes every subkey and value of node.
void ClearNode(Node* node);
// Makes to's values and subkeys a copy of from's (to keeps its name and parent).
void CopyTree(const Node& from, Node* to);

// Handles are small numbers kept in a table, so a handle whose key was
// deleted meanwhile answers ERROR_KEY_DELETED instead of touching freed
// memory.
RegKey NewHandle(Node* node);
// The node behind a handle (a root's or an open one): *error says why there
// is none.
Node* Resolve(RegKey key, long* error);
// Marks the open handles into node's subtree as deleted.
void ForgetHandlesWithin(const Node* node);
// 1 when h was an open handle (now closed).
bool CloseHandle(uintptr_t h);
void CloseAllHandles();

}  // namespace posix
}  // namespace plat
